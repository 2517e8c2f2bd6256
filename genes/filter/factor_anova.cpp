#include "genes/filter/factor_anova.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

#define MATHLIB_STANDALONE
#include <Rmath.h>

namespace {

// A residual below this share of the total sum of squares is taken as none: the fit is
// exact and there is no scatter to test against.
constexpr double kNoResidualShare = 1e-12;
// A pivot of the second factor's equations below this share of its diagonal is taken
// as aliased with the first factor (a design not connected).
constexpr double kAliasedPivotShare = 1e-9;

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

AnovaTerm Term(double sumOfSquares, int df, double residual, int residualDf, double total) {
  AnovaTerm term;
  term.sumOfSquares = sumOfSquares;
  term.df = df;
  if (df <= 0 || residualDf <= 0 || !(total > 0.0) || residual <= kNoResidualShare * total)
    return term;
  term.f = (sumOfSquares / df) / (residual / residualDf);
  term.p = pf(term.f, df, residualDf, /*lower_tail=*/0, /*log_p=*/0);
  return term;
}

bool Usable(std::span<const double> values, std::span<const int> codes, int categories,
            std::size_t i) {
  return codes[i] >= 0 && codes[i] < categories && !IsMissing(values[i]);
}

// The sum of squares of the second factor given the first, from the reduced normal
// equations of the second factor's effects (its first held category the reference).
// rank receives their rank: the second factor's degrees of freedom.
double SecondGivenFirst(const std::vector<int>& cellCount, const std::vector<double>& rowCount,
                        const std::vector<double>& rowSum, const std::vector<double>& colCount,
                        const std::vector<double>& colSum, int kA, int kB, int& rank) {
  std::vector<int> held;
  for (int b = 0; b < kB; ++b)
    if (colCount[At(b)] > 0) held.push_back(b);
  rank = 0;
  const int m = static_cast<int>(held.size()) - 1;
  if (m <= 0) return 0.0;
  std::vector<double> c(At(m * m), 0.0);
  std::vector<double> q(At(m), 0.0);
  for (int j = 0; j < m; ++j) {
    const int bj = held[At(j + 1)];
    q[At(j)] = colSum[At(bj)];
    c[At(j * m + j)] = colCount[At(bj)];
    for (int a = 0; a < kA; ++a) {
      if (rowCount[At(a)] <= 0) continue;
      const double naj = cellCount[At(a * kB + bj)];
      if (naj == 0.0) continue;
      q[At(j)] -= naj * rowSum[At(a)] / rowCount[At(a)];
      for (int l = 0; l < m; ++l)
        c[At(j * m + l)] -= naj * cellCount[At(a * kB + held[At(l + 1)])] / rowCount[At(a)];
    }
  }
  // Gaussian elimination on the positive semi-definite system; an aliased effect is 0.
  std::vector<double> r = q;
  std::vector<char> pivoted(At(m), 0);
  for (int j = 0; j < m; ++j) {
    const double pivot = c[At(j * m + j)];
    if (pivot <= kAliasedPivotShare * colCount[At(held[At(j + 1)])]) continue;
    pivoted[At(j)] = 1;
    ++rank;
    for (int i = j + 1; i < m; ++i) {
      const double factor = c[At(i * m + j)] / pivot;
      if (factor == 0.0) continue;
      for (int l = j; l < m; ++l) c[At(i * m + l)] -= factor * c[At(j * m + l)];
      r[At(i)] -= factor * r[At(j)];
    }
  }
  std::vector<double> beta(At(m), 0.0);
  double sumOfSquares = 0.0;
  for (int j = m - 1; j >= 0; --j) {
    if (pivoted[At(j)] == 0) continue;
    double v = r[At(j)];
    for (int l = j + 1; l < m; ++l) v -= c[At(j * m + l)] * beta[At(l)];
    beta[At(j)] = v / c[At(j * m + j)];
    sumOfSquares += beta[At(j)] * q[At(j)];
  }
  return std::max(sumOfSquares, 0.0);
}

}  // namespace

AnovaTerm OneWayAnova(std::span<const double> values, std::span<const int> codes, int categories) {
  std::vector<double> count(At(std::max(categories, 0)), 0.0);
  std::vector<double> sum(count.size(), 0.0);
  double n = 0.0;
  double grandSum = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!Usable(values, codes, categories, i)) continue;
    count[At(codes[i])] += 1.0;
    sum[At(codes[i])] += values[i];
    n += 1.0;
    grandSum += values[i];
  }
  if (n == 0.0) return {};
  const double grand = grandSum / n;
  double total = 0.0;
  double within = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!Usable(values, codes, categories, i)) continue;
    const double mean = sum[At(codes[i])] / count[At(codes[i])];
    total += (values[i] - grand) * (values[i] - grand);
    within += (values[i] - mean) * (values[i] - mean);
  }
  int held = 0;
  double between = 0.0;
  for (std::size_t k = 0; k < count.size(); ++k) {
    if (count[k] == 0.0) continue;
    ++held;
    const double mean = sum[k] / count[k];
    between += count[k] * (mean - grand) * (mean - grand);
  }
  return Term(between, held - 1, within, static_cast<int>(n) - held, total);
}

TwoWayAnovaTable TwoWayAnova(std::span<const double> values, std::span<const int> first,
                             int firstCategories, std::span<const int> second, int secondCategories,
                             bool interaction) {
  TwoWayAnovaTable table;
  const int kA = std::max(firstCategories, 0);
  const int kB = std::max(secondCategories, 0);
  std::vector<int> cellCount(At(kA * kB), 0);
  std::vector<double> cellSum(cellCount.size(), 0.0);
  std::vector<double> rowCount(At(kA), 0.0);
  std::vector<double> rowSum(At(kA), 0.0);
  std::vector<double> colCount(At(kB), 0.0);
  std::vector<double> colSum(At(kB), 0.0);
  const auto usable = [&](std::size_t i) {
    return Usable(values, first, kA, i) && second[i] >= 0 && second[i] < kB;
  };
  double grandSum = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!usable(i)) continue;
    const int a = first[i];
    const int b = second[i];
    ++cellCount[At(a * kB + b)];
    cellSum[At(a * kB + b)] += values[i];
    rowCount[At(a)] += 1.0;
    rowSum[At(a)] += values[i];
    colCount[At(b)] += 1.0;
    colSum[At(b)] += values[i];
    grandSum += values[i];
    ++table.used;
  }
  if (table.used == 0) return table;
  const double grand = grandSum / table.used;
  double total = 0.0;
  double within = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!usable(i)) continue;
    const std::size_t cell = At(first[i] * kB + second[i]);
    const double mean = cellSum[cell] / cellCount[cell];
    total += (values[i] - grand) * (values[i] - grand);
    within += (values[i] - mean) * (values[i] - mean);
  }
  int heldA = 0;
  double firstSquares = 0.0;
  for (int a = 0; a < kA; ++a) {
    if (rowCount[At(a)] == 0.0) continue;
    ++heldA;
    const double mean = rowSum[At(a)] / rowCount[At(a)];
    firstSquares += rowCount[At(a)] * (mean - grand) * (mean - grand);
  }
  const int cells = static_cast<int>(
      std::count_if(cellCount.begin(), cellCount.end(), [](int count) { return count > 0; }));
  int secondDf = 0;
  const double secondSquares =
      SecondGivenFirst(cellCount, rowCount, rowSum, colCount, colSum, kA, kB, secondDf);
  const double additiveResidual = std::max(total - firstSquares - secondSquares, 0.0);
  if (interaction) {
    table.residualSumOfSquares = within;
    table.residualDf = table.used - cells;
  } else {
    table.residualSumOfSquares = additiveResidual;
    table.residualDf = table.used - heldA - secondDf;
  }
  const double residual = table.residualSumOfSquares;
  const int residualDf = table.residualDf;
  table.first = Term(firstSquares, heldA - 1, residual, residualDf, total);
  table.second = Term(secondSquares, secondDf, residual, residualDf, total);
  if (interaction)
    table.interaction = Term(std::max(additiveResidual - within, 0.0), cells - heldA - secondDf,
                             residual, residualDf, total);
  return table;
}

// Spearman rank correlation, with the companion sort and tie-aware ranking it uses.
#include "engine/numerics/rank_correlation.hpp"

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "engine/numerics/numerics.hpp"
#include "engine/numerics/sort_steps.hpp"

namespace {

// Stretches this short are finished by straight insertion.
constexpr int kInsertionSortLimit = 7;
// The larger part is always the one pushed, so the stack holds at most 2 log2(n)
// indices; 64 covers any int count.
constexpr int kSortStackSize = 64;

// Chebyshev approximation of the complementary error function, fractional error below
// 1.2e-7 everywhere.
double ComplementaryErrorFunction(double x) {
  const double z = std::fabs(x);
  const double t = 1.0 / (1.0 + 0.5 * z);
  const double result =
      t *
      std::exp(
          -z * z - 1.26551223 +
          t * (1.00002368 +
               t * (0.37409196 +
                    t * (0.09678418 +
                         t * (-0.18628806 +
                              t * (0.27886807 + t * (-1.13520398 +
                                                     t * (1.48851587 + t * (-0.82215223 +
                                                                            t * 0.17087277)))))))));
  return x >= 0.0 ? result : 2.0 - result;
}

void SwapPair(double* a, double* b, int i, int j) {
  std::swap(a[i], a[j]);
  std::swap(b[i], b[j]);
}

}  // namespace

void SortWithCompanion(double* a, double* b, int n) {
  std::array<int, kSortStackSize> stack{};
  int stackTop = 0;
  int left = 0;
  int right = n - 1;
  for (;;) {
    if (right - left < kInsertionSortLimit) {
      for (int j = left + 1; j <= right; ++j) {
        const double key = a[j];
        const double companion = b[j];
        int i = j - 1;
        for (; i >= left && a[i] > key; --i) {
          a[i + 1] = a[i];
          b[i + 1] = b[i];
        }
        a[i + 1] = key;
        b[i + 1] = companion;
      }
      if (stackTop == 0) return;
      right = stack[static_cast<std::size_t>(--stackTop)];
      left = stack[static_cast<std::size_t>(--stackTop)];
      continue;
    }
    int i = 0;
    int j = 0;
    PartitionAroundMedianOfThree(
        a, left, right, [a, b](int x, int y) { SwapPair(a, b, x, y); }, i, j);
    // Push the larger part, go on with the smaller.
    if (right - i + 1 >= j - left) {
      stack[static_cast<std::size_t>(stackTop++)] = i;
      stack[static_cast<std::size_t>(stackTop++)] = right;
      right = j - 1;
    } else {
      stack[static_cast<std::size_t>(stackTop++)] = left;
      stack[static_cast<std::size_t>(stackTop++)] = j - 1;
      left = i;
    }
  }
}

void RankWithTies(double* w, int n, double* tieSum) {
  *tieSum = 0.0;
  // Ranks count from 1: w[j - 1] holds the value of rank position j.
  int j = 1;
  while (j < n) {
    if (w[j] != w[j - 1]) {
      w[j - 1] = j;
      ++j;
      continue;
    }
    int jt = j + 1;
    while (jt <= n && w[jt - 1] == w[j - 1]) ++jt;
    const double rank = 0.5 * (j + jt - 1);
    for (int ji = j; ji <= jt - 1; ++ji) w[ji - 1] = rank;
    const double tied = jt - j;
    *tieSum += tied * tied * tied - tied;
    j = jt;
  }
  if (j == n) w[n - 1] = n;
}

void SpearmanCorrelation(const double* x, const double* y, int n, double* d, double* zd,
                         double* probd, double* rs, double* probrs) {
  std::vector<double> ranksX(x, x + n);
  std::vector<double> ranksY(y, y + n);
  double tiesX = 0.0;
  double tiesY = 0.0;
  SortWithCompanion(ranksX.data(), ranksY.data(), n);
  RankWithTies(ranksX.data(), n, &tiesX);
  SortWithCompanion(ranksY.data(), ranksX.data(), n);
  RankWithTies(ranksY.data(), n, &tiesY);

  *d = 0.0;
  for (int j = 0; j < n; ++j) {
    const double difference =
        ranksX[static_cast<std::size_t>(j)] - ranksY[static_cast<std::size_t>(j)];
    *d += difference * difference;
  }
  const double count = n;
  const double cubeMinusCount = count * count * count - count;
  const double expectedD = cubeMinusCount / 6.0 - (tiesX + tiesY) / 12.0;
  const double tieFactor = (1.0 - tiesX / cubeMinusCount) * (1.0 - tiesY / cubeMinusCount);
  const double varianceD =
      (count - 1.0) * count * count * (count + 1.0) * (count + 1.0) / 36.0 * tieFactor;
  *zd = (*d - expectedD) / std::sqrt(varianceD);
  *probd = ComplementaryErrorFunction(std::fabs(*zd) * 0.7071067623730956);
  *rs = (1.0 - (6.0 / cubeMinusCount) * (*d + (tiesX + tiesY) / 12.0)) / std::sqrt(tieFactor);
  const double oneMinusSquare = (1.0 + *rs) * (1.0 - *rs);
  if (oneMinusSquare > 0.0) {
    const double df = count - 2.0;
    const double t = *rs * std::sqrt(df / oneMinusSquare);
    *probrs = IncompleteBeta(0.5 * df, 0.5, df / (df + t * t));
  } else {
    *probrs = 0.0;
  }
}

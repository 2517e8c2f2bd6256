// Shared numerical routines: log-factorials, statistics that skip missing values,
// significance values, quantile selection, comparators and text helpers.
#include "engine/numerics/numerics.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "engine/numerics/random_deviates.hpp"
#include "engine/numerics/sort_steps.hpp"
#include "engine/services/log_channel.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

namespace {

constexpr int kLogFactorialCacheSize = 101;
// 0.0 marks an entry not yet computed (ln n! is 0 only for n <= 1, which is never cached).
std::array<double, kLogFactorialCacheSize> gLogFactorialCache{};

constexpr int kBetaFractionMaxIterations = 100;
constexpr double kBetaFractionEpsilon = 3.0e-7;
constexpr double kBetaFractionTiny = 1.0e-30;

// Keeps a Lentz denominator away from zero.
double AwayFromZero(double value) {
  return std::fabs(value) < kBetaFractionTiny ? kBetaFractionTiny : value;
}

// Continued fraction of the incomplete beta, by the modified Lentz method.
double BetaContinuedFraction(double a, double b, double x) {
  const double qab = a + b;
  const double qap = a + 1.0;
  const double qam = a - 1.0;
  double c = 1.0;
  double d = 1.0 / AwayFromZero(1.0 - qab * x / qap);
  double h = d;
  for (int m = 1; m <= kBetaFractionMaxIterations; ++m) {
    const int m2 = 2 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1.0 / AwayFromZero(1.0 + aa * d);
    c = AwayFromZero(1.0 + aa / c);
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1.0 / AwayFromZero(1.0 + aa * d);
    c = AwayFromZero(1.0 + aa / c);
    const double factor = d * c;
    h *= factor;
    if (std::fabs(factor - 1.0) <= kBetaFractionEpsilon) break;
  }
  return h;
}

}  // namespace

double factln(int n) {
  if (n < 0) LogMessage("Negative factorial in routine factln");
  if (n <= 1) return 0.0;
  if (n >= kLogFactorialCacheSize) return LogGamma(n + 1.0);
  double& entry = gLogFactorialCache[static_cast<std::size_t>(n)];
  if (entry == 0.0) entry = LogGamma(n + 1.0);
  return entry;
}

double BinomialCoefficient(int n, int k) {
  return std::floor(0.5 + std::exp(factln(n) - factln(k) - factln(n - k)));
}

double LogGamma(double x) {
  static constexpr std::array<double, 6> kCoefficients = {
      76.18009172947146,  -86.50532032941678,   24.01409824083091,
      -1.231739572450155, 0.001208650973866179, -5.395239384953e-06};
  double tmp = x + 5.5;
  tmp -= (x + 0.5) * std::log(tmp);
  double series = 1.000000000190015;
  double y = x;
  for (double coefficient : kCoefficients) series += coefficient / ++y;
  return std::log(2.5066282746310007 * series / x) - tmp;
}

double IncompleteBeta(double a, double b, double x) {
  double front = 0.0;
  if (x > 0.0 && x < 1.0)
    front = std::exp(LogGamma(a + b) - LogGamma(a) - LogGamma(b) + a * std::log(x) +
                     b * std::log(1.0 - x));
  // The fraction converges fast only on this side of the mean; use the symmetry otherwise.
  if (x < (a + 1.0) / (a + b + 2.0)) return front * BetaContinuedFraction(a, b, x) / a;
  return 1.0 - front * BetaContinuedFraction(b, a, 1.0 - x) / b;
}

double RmsDifference(const double* x, const double* y, int n) {
  double sum = 0.0;
  int count = 0;
  for (int i = 0; i < n; ++i) {
    if (IsMissing(x[i]) || IsMissing(y[i])) continue;
    const double difference = x[i] - y[i];
    sum += difference * difference;
    ++count;
  }
  if (count == 0) return 3.0;
  return std::sqrt(sum / count);
}

void SwapDouble(double* a, double* b) {
  if (a != b) std::swap(*a, *b);
}

void SwapInt(int* a, int* b) {
  if (a != b) std::swap(*a, *b);
}

double MeanMissing(const double* x, int n) {
  double sum = 0.0;
  int count = 0;
  for (int i = 0; i < n; ++i) {
    if (IsMissing(x[i])) continue;
    sum += x[i];
    ++count;
  }
  if (count == 0) return MISSING_VALUE;
  return sum / count;
}

namespace {

// The deviation of count values about their mean from the sum of their squares.
double DeviationFromSquares(double sumOfSquares, int count, double mean, bool standardError) {
  if (count == 0) return MISSING_VALUE;
  if (count == 1) return 0.0;
  const double variance = (sumOfSquares - count * mean * mean) / (count - 1);
  // A value or mean that is not a finite number leaves no deviation to give.
  if (std::isnan(variance) || variance == -std::numeric_limits<double>::infinity())
    return MISSING_VALUE;
  // Rounding can take the difference of constant data just below zero.
  const double deviation = std::sqrt(std::max(0.0, variance));
  return standardError ? deviation / std::sqrt(static_cast<double>(count)) : deviation;
}

}  // namespace

double StdDevMissing(const double* x, double mean, int n, bool standardError) {
  double sumOfSquares = 0.0;
  int count = 0;
  for (int i = 0; i < n; ++i) {
    if (IsMissing(x[i])) continue;
    sumOfSquares += x[i] * x[i];
    ++count;
  }
  return DeviationFromSquares(sumOfSquares, count, mean, standardError);
}

double StandardizeMissing(double* x, int n, bool standardise, bool ratio, double centre) {
  double sum = 0.0;
  double sumOfSquares = 0.0;
  int count = 0;
  int lastPresent = -1;
  for (int i = 0; i < n; ++i) {
    if (IsMissing(x[i])) continue;
    sum += x[i];
    sumOfSquares += x[i] * x[i];
    ++count;
    lastPresent = i;
  }
  if (count == 0) return MISSING_VALUE;
  if (count == 1) {
    if (standardise) x[lastPresent] = 0.0;
    return MISSING_VALUE;
  }
  double mean = sum / count;
  const double deviation =
      std::sqrt(std::max(0.0, (sumOfSquares - count * mean * mean) / (count - 1)));
  if (standardise) {
    if (!IsMissing(centre)) mean = centre;
    for (int i = 0; i < n; ++i) {
      if (IsMissing(x[i])) continue;
      x[i] = deviation == 0.0 ? 0.0 : (x[i] - mean) / deviation;
    }
  }
  return ratio ? std::fabs(deviation / mean) : deviation;
}

void MeanAndStdErr(const double* x, int n, double* mean, double* se) {
  *mean = MeanMissing(x, n);
  *se = StdDevMissing(x, *mean, n, true);
}

double TwoSidedTPValue(double t, double df) {
  return 2.0 * pt(std::fabs(t), df, /*lower_tail=*/0, /*log_p=*/0);
}

double CorrelationPValue(double r, int n) {
  const double df = n - 2;
  // The tiny term keeps r = 1 finite.
  const double t = r * std::sqrt(df / ((1.0 - r + 1.0e-20) * (1.0 + r)));
  return IncompleteBeta(0.5 * df, 0.5, df / (df + t * t));
}

void ScaleVector(double* x, double factor, int n) {
  for (int i = 0; i < n; ++i) x[i] *= factor;
}

namespace {
constexpr int kSortedSelectLimit = 24;
}  // namespace

// k = floor(n * q), held to 0 to n - 1.
int QuantileRank(int n, double q) {
  const double position = std::floor(n * q);
  return !(position > 0.0) ? 0 : position >= n ? n - 1 : static_cast<int>(position);
}

double SelectQuantile(std::span<const std::uint16_t> values, double q) {
  if (values.empty() || values.size() > static_cast<std::size_t>(INT_MAX)) return MISSING_VALUE;
  int k = QuantileRank(static_cast<int>(values.size()), q);
  // The high byte's bucket that holds the k-th smallest, then its low byte among the
  // values of that bucket.
  std::array<int, 256> high{};
  for (const std::uint16_t value : values) ++high[value >> 8];
  int bucket = 0;
  while (k >= high[static_cast<std::size_t>(bucket)]) k -= high[static_cast<std::size_t>(bucket++)];
  std::array<int, 256> low{};
  for (const std::uint16_t value : values) low[value & 0xFFu] += (value >> 8) == bucket ? 1 : 0;
  int byte = 0;
  while (k >= low[static_cast<std::size_t>(byte)]) k -= low[static_cast<std::size_t>(byte++)];
  return bucket * 256 + byte;
}

double SelectQuantile(double* values, int n, double q) {
  if (n <= 0) return MISSING_VALUE;
  const int k = QuantileRank(n, q);
  // Short lists (a probe set's probes, a window of a few pairs) are sorted outright,
  // which takes fewer comparisons and no unpredictable partition steps.
  if (n <= kSortedSelectLimit) {
    InsertionSort(values, n);
    return values[k];
  }
  int left = 0;
  int right = n - 1;
  for (;;) {
    if (right <= left + 1) {
      if (right == left + 1 && values[right] < values[left]) std::swap(values[left], values[right]);
      return values[k];
    }
    int i = 0;
    int j = 0;
    PartitionAroundMedianOfThree(
        values, left, right, [values](int a, int b) { std::swap(values[a], values[b]); }, i, j);
    if (j >= k) right = j - 1;
    if (j <= k) left = i;
  }
}

double CrossProductMasked(const double* x, const double* y, int n, const short* mask, bool centre) {
  auto used = [mask](int i) { return mask == nullptr || mask[i] == 0; };
  double centreX = 0.0;
  double centreY = 0.0;
  if (centre) {
    for (int i = 0; i < n; ++i) {
      if (!used(i)) continue;
      centreX += x[i];
      centreY += y[i];
    }
    centreX /= n;
    centreY /= n;
  }
  double sum = 0.0;
  for (int i = 0; i < n; ++i)
    if (used(i)) sum += (x[i] - centreX) * (y[i] - centreY);
  return sum;
}

bool VectorsConverged(const double* x, const double* y, int n, const short* mask) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i)
    if (mask == nullptr || mask[i] == 0) sum += std::fabs(x[i] - y[i]);
  return sum / n < 1.0e-6;
}

void OutlierBoundsInPlace(double* x, int n, double* low, double* high) {
  if (n < 3) {
    *low = MISSING_VALUE;
    *high = MISSING_VALUE;
    return;
  }
  double* const end = x + n;
  std::iter_swap(std::min_element(x, end), end - 2);
  std::iter_swap(std::max_element(x, end), end - 1);
  // The sum and the sum of squares in one pass, each added up in the order MeanMissing and
  // StdDevMissing add theirs.
  double sum = 0.0;
  double sumOfSquares = 0.0;
  int count = 0;
  for (int i = 0; i < n - 2; ++i) {
    if (IsMissing(x[i])) continue;
    sum += x[i];
    sumOfSquares += x[i] * x[i];
    ++count;
  }
  const double mean = count == 0 ? MISSING_VALUE : sum / count;
  const double deviation = DeviationFromSquares(sumOfSquares, count, mean, false);
  *low = mean - 3.0 * deviation;
  *high = mean + 3.0 * deviation;
}

void OutlierBounds(const double* x, int n, double* low, double* high) {
  constexpr int kOnStack = 64;
  std::array<double, kOnStack> local;
  std::vector<double> longer;
  double* copy = local.data();
  if (n > kOnStack) {
    longer.resize(static_cast<std::size_t>(n));
    copy = longer.data();
  }
  if (n > 0) std::copy_n(x, n, copy);
  OutlierBoundsInPlace(copy, n, low, high);
}

namespace {

// Ascending order for qsort.
template <typename T>
int CompareAscending(const void* a, const void* b) {
  const T first = *static_cast<const T*>(a);
  const T second = *static_cast<const T*>(b);
  if (first > second) return 1;
  if (first == second) return 0;
  return -1;
}

}  // namespace

int CompareFloat(const void* a, const void* b) {
  return CompareAscending<float>(a, b);
}

int CompareDouble(const void* a, const void* b) {
  return CompareAscending<double>(a, b);
}

int CompareInt(const void* a, const void* b) {
  const std::int64_t difference =
      std::int64_t{*static_cast<const int*>(a)} - std::int64_t{*static_cast<const int*>(b)};
  return static_cast<int>(std::clamp<std::int64_t>(difference, INT_MIN, INT_MAX));
}

char* ToUpper(char* text) {
  if (text == nullptr) return text;
  for (char* c = text; *c != '\0'; ++c)
    *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  return text;
}

void TrimTrailingBlanks(char* text) {
  if (text == nullptr) return;
  std::size_t length = std::strlen(text);
  while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
  text[length] = '\0';
}

void ResetNumericState() {
  gLogFactorialCache.fill(0.0);
  ResetDeviateState();
}

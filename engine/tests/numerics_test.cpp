// Checks the shared numerical routines against closed forms, hand-worked values, the R
// mathematics library and small independent re-implementations of the generators.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <numeric>
#include <span>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/numerics/polar_normal.hpp"
#include "engine/numerics/random_deviates.hpp"
#include "engine/numerics/rank_correlation.hpp"
#include "engine/testing/captured_log.hpp"
#include "platform/runtime_rand.hpp"
#include "tools/synth/random.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

namespace {

constexpr double M = MISSING_VALUE;
constexpr std::int64_t kModulus = 2147483647;

std::int64_t NextState(std::int64_t state) {
  return state * 16807 % kModulus;
}

// The shuffled generator written plainly with 64-bit arithmetic.
struct ReferenceGenerator {
  std::array<std::int64_t, 32> table{};
  std::int64_t last = 0;
  bool haveSpare = false;
  double spare = 0.0;

  double Uniform(std::int64_t& seed) {
    if (seed <= 0 || last == 0) {
      seed = std::max<std::int64_t>(1, -seed);
      for (int step = 1; step <= 40; ++step) {
        seed = NextState(seed);
        if (step > 8) table[static_cast<std::size_t>(40 - step)] = seed;
      }
      last = table[0];
    }
    seed = NextState(seed);
    const auto slot = static_cast<std::size_t>(last / 67108864);
    last = table[slot];
    table[slot] = seed;
    return std::min(static_cast<double>(last) / kModulus, 0.99999988);
  }
  double Gaussian(std::int64_t& seed) {
    if (seed < 0) haveSpare = false;
    if (haveSpare) {
      haveSpare = false;
      return spare;
    }
    double a, b, r;
    do {
      a = 2.0 * Uniform(seed) - 1.0;
      b = 2.0 * Uniform(seed) - 1.0;
      r = a * a + b * b;
    } while (r >= 1.0 || r == 0.0);
    const double f = std::sqrt(-2.0 * std::log(r) / r);
    spare = a * f;
    haveSpare = true;
    return b * f;
  }
};

class NumericsFixture : public ::testing::Test {
 protected:
  // Leave the process as at start for whatever test runs next.
  void SetUp() override { ResetNumericState(); }
  void TearDown() override { ResetNumericState(); }
  CapturedLog mLog;
};
using NumericsSpecial = NumericsFixture;
using NumericsMissing = NumericsFixture;
using NumericsRandom = NumericsFixture;
using NumericsRank = NumericsFixture;
using NumericsUtility = NumericsFixture;

TEST(NumericsMissingMarker, TestIsBitExact) {
  EXPECT_TRUE(IsMissing(-1000000.0));
  EXPECT_TRUE(IsMissing(static_cast<double>(kMissingValueFloat)));
  EXPECT_FALSE(IsMissing(std::nextafter(-1000000.0, 0.0)));
  EXPECT_FALSE(IsMissing(0.0));
  EXPECT_FALSE(IsMissing(std::nan("")));
}

TEST_F(NumericsSpecial, LogFactorialMatchesSumOfLogs) {
  double sumOfLogs = 0.0;
  for (int n = 2; n <= 150; ++n) {
    sumOfLogs += std::log(static_cast<double>(n));
    EXPECT_NEAR(factln(n), sumOfLogs, 1e-9 * sumOfLogs) << n;
  }
  EXPECT_EQ(factln(0), 0.0);
  EXPECT_EQ(factln(1), 0.0);
  EXPECT_TRUE(mLog.Lines().empty());
}

TEST_F(NumericsSpecial, NegativeFactorialLogsAndGivesZero) {
  EXPECT_EQ(factln(-3), 0.0);
  ASSERT_EQ(mLog.Lines().size(), 1u);
  EXPECT_EQ(mLog.Lines()[0].text, "Negative factorial in routine factln");
  EXPECT_EQ(mLog.Lines()[0].colour, kLogBlack);
  EXPECT_FALSE(mLog.Lines()[0].replaceLastLine);
}

TEST_F(NumericsSpecial, BinomialCoefficients) {
  EXPECT_EQ(BinomialCoefficient(10, 3), 120.0);
  EXPECT_EQ(BinomialCoefficient(52, 5), 2598960.0);
  EXPECT_EQ(BinomialCoefficient(30, 15), 155117520.0);
  EXPECT_EQ(BinomialCoefficient(7, 0), 1.0);
  EXPECT_EQ(BinomialCoefficient(7, 7), 1.0);
  EXPECT_NEAR(BinomialCoefficient(60, 30), 118264581564861424.0, 1e-9 * 1.2e17);
}

TEST_F(NumericsSpecial, LogGammaAgreesWithR) {
  for (double x : {0.1, 0.5, 1.0, 1.5, 2.0, 3.7, 10.0, 33.3, 171.5, 1000.0})
    EXPECT_NEAR(LogGamma(x), lgammafn(x), 1e-9 * std::max(1.0, std::fabs(lgammafn(x)))) << x;
  EXPECT_NEAR(LogGamma(0.5), 0.5 * std::log(std::numbers::pi), 1e-10);
}

TEST_F(NumericsSpecial, IncompleteBetaAgreesWithClosedFormsAndR) {
  for (double x : {0.01, 0.3, 0.5, 0.77, 0.99}) {
    EXPECT_NEAR(IncompleteBeta(1.0, 1.0, x), x, 1e-7);
    EXPECT_NEAR(IncompleteBeta(2.5, 1.0, x), std::pow(x, 2.5), 1e-7);
    EXPECT_NEAR(IncompleteBeta(1.0, 4.0, x), 1.0 - std::pow(1.0 - x, 4.0), 1e-7);
    for (double a : {0.5, 2.0, 7.5, 40.0})
      for (double b : {0.5, 3.0, 25.0})
        EXPECT_NEAR(IncompleteBeta(a, b, x), pbeta(x, a, b, 1, 0), 1e-6)
            << a << " " << b << " " << x;
  }
  EXPECT_EQ(IncompleteBeta(2.0, 3.0, 0.0), 0.0);
  EXPECT_EQ(IncompleteBeta(2.0, 3.0, 1.0), 1.0);
}

TEST_F(NumericsSpecial, TwoSidedTMatchesCauchyAndTwoDegreeForms) {
  for (double t : {-4.0, -0.3, 0.0, 1.0, 2.5, 30.0}) {
    EXPECT_NEAR(TwoSidedTPValue(t, 1.0), 1.0 - 2.0 / std::numbers::pi * std::atan(std::fabs(t)),
                1e-12);
    EXPECT_NEAR(TwoSidedTPValue(t, 2.0), 1.0 - std::fabs(t) / std::sqrt(2.0 + t * t), 1e-12);
  }
}

TEST_F(NumericsSpecial, CorrelationPValueMatchesStudentT) {
  for (int n : {5, 12, 40, 300})
    for (double r : {-0.9, -0.2, 0.05, 0.5, 0.97}) {
      const double df = n - 2;
      const double expected = 2.0 * pt(std::fabs(r) * std::sqrt(df / (1.0 - r * r)), df, 0, 0);
      EXPECT_NEAR(CorrelationPValue(r, n), expected, 1e-6 * expected + 1e-12) << n << " " << r;
    }
  EXPECT_NEAR(CorrelationPValue(1.0, 10), 0.0, 1e-12);
}

TEST_F(NumericsMissing, MeansSkipTheMarker) {
  const double values[] = {1.0, M, 3.0};
  EXPECT_EQ(MeanMissing(values, 3), 2.0);
  EXPECT_EQ(MeanMissing(values + 1, 1), M);
  EXPECT_EQ(MeanMissing(values, 0), M);
  EXPECT_EQ(StdDevMissing(values, 1.0, 1, false), 0.0);
  EXPECT_EQ(StdDevMissing(values + 1, 0.0, 1, false), M);
  // The mean is used as passed: about 0, {1, 3} give sqrt(10 / 1).
  EXPECT_DOUBLE_EQ(StdDevMissing(values, 0.0, 3, false), std::sqrt(10.0));

  const double data[] = {2, 4, 4, M, 4, 5, 5, 7, 9};
  double mean = 0.0;
  double se = 0.0;
  MeanAndStdErr(data, 9, &mean, &se);
  EXPECT_DOUBLE_EQ(mean, 5.0);
  EXPECT_DOUBLE_EQ(se, std::sqrt(32.0 / 7.0) / std::sqrt(8.0));
}

TEST_F(NumericsMissing, RmsDifferenceUsesCompletePairsOnly) {
  const double x[] = {1.0, 2.0, M, 7.0};
  const double y[] = {2.0, 4.0, 5.0, M};
  EXPECT_DOUBLE_EQ(RmsDifference(x, y, 4), std::sqrt(2.5));
  EXPECT_EQ(RmsDifference(x + 2, y + 2, 2), 3.0);
  EXPECT_EQ(RmsDifference(x, y, 0), 3.0);
}

TEST_F(NumericsMissing, StandardizeWithMeanOrGivenCentre) {
  double values[] = {2.0, 4.0, M, 6.0};
  EXPECT_DOUBLE_EQ(StandardizeMissing(values, 4, true, false, M), 2.0);
  EXPECT_DOUBLE_EQ(values[0], -1.0);
  EXPECT_DOUBLE_EQ(values[1], 0.0);
  EXPECT_EQ(values[2], M);
  EXPECT_DOUBLE_EQ(values[3], 1.0);

  double centred[] = {2.0, 4.0, 6.0};
  EXPECT_DOUBLE_EQ(StandardizeMissing(centred, 3, true, true, 3.0), 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(centred[0], -0.5);
  EXPECT_DOUBLE_EQ(centred[2], 1.5);

  // Without standardising the centre is ignored and nothing changes.
  double untouched[] = {2.0, 4.0, 6.0};
  EXPECT_DOUBLE_EQ(StandardizeMissing(untouched, 3, false, true, 3.0), 0.5);
  EXPECT_EQ(untouched[0], 2.0);
}

TEST_F(NumericsMissing, StandardizeSingleOrNoValue) {
  double one[] = {M, 7.5, M};
  EXPECT_EQ(StandardizeMissing(one, 3, false, false, M), M);
  EXPECT_EQ(one[1], 7.5);
  EXPECT_EQ(StandardizeMissing(one, 3, true, false, M), M);
  EXPECT_EQ(one[1], 0.0);
  EXPECT_EQ(one[0], M);
  double none[] = {M};
  EXPECT_EQ(StandardizeMissing(none, 1, true, false, M), M);
  EXPECT_EQ(none[0], M);
}

TEST_F(NumericsMissing, ConstantDataHasZeroDeviationNotNaN) {
  std::vector<double> constant(7, 0.3);
  const double mean = MeanMissing(constant.data(), 7);
  double sumOfSquares = 0.0;
  for (double value : constant) sumOfSquares += value * value;
  ASSERT_LT(sumOfSquares - 7 * mean * mean, 0.0) << "data no longer exercises the rounding";
  EXPECT_EQ(StdDevMissing(constant.data(), mean, 7, false), 0.0);
  EXPECT_EQ(StandardizeMissing(constant.data(), 7, true, false, M), 0.0);
  for (double value : constant) EXPECT_EQ(value, 0.0);

  // Values or a mean that are not numbers give no deviation: missing, never 0.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double withNaN[] = {1.0, nan, 3.0};
  const double withInf[] = {1.0, inf, 3.0};
  const double plain[] = {1.0, 3.0};
  EXPECT_EQ(StdDevMissing(withNaN, 2.0, 3, false), M);
  EXPECT_EQ(StdDevMissing(withInf, MeanMissing(withInf, 3), 3, true), M);
  EXPECT_EQ(StdDevMissing(plain, nan, 2, false), M);
  EXPECT_EQ(StdDevMissing(plain, inf, 2, false), M);
}

TEST_F(NumericsUtility, SelectQuantileAgreesWithSorting) {
  int seed = -17;
  for (int n : {1, 2, 3, 8, 24, 25, 31, 500}) {
    std::vector<double> values(static_cast<std::size_t>(n));
    for (double& v : values) v = std::floor(UniformDeviate(&seed) * 20.0);  // many ties
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    for (double q : {0.0, 0.05, 0.5, 0.95, 1.0}) {
      std::vector<double> work = values;
      const auto k = std::min(static_cast<std::size_t>(std::floor(n * q)), sorted.size() - 1);
      EXPECT_EQ(SelectQuantile(work.data(), n, q), sorted[k]) << n << " " << q;
    }
  }
  EXPECT_EQ(SelectQuantile(nullptr, 0, 0.5), M);
}

// Intensities counted into buckets give the value the partitioning select gives, for
// ties, both ends of the range, values that share a high byte and a negative quantile.
TEST_F(NumericsUtility, IntensityQuantilesAreThoseOfThePartitioningSelect) {
  int seed = -29;
  for (int n : {1, 2, 7, 256, 1000, 56333}) {
    for (const double spread : {3.0, 300.0, 65536.0}) {
      std::vector<std::uint16_t> values(static_cast<std::size_t>(n));
      for (std::uint16_t& v : values)
        v = static_cast<std::uint16_t>(
            std::min(std::floor(UniformDeviate(&seed) * spread), 65535.0));
      if (n > 2) {
        values[0] = 0;
        values[1] = 65535;
      }
      for (double q : {-0.1, 0.0, 0.02, 0.25, 0.5, 0.98, 0.999, 1.0, 1.5}) {
        std::vector<double> work(values.begin(), values.end());
        EXPECT_EQ(SelectQuantile(values, q), SelectQuantile(work.data(), n, q))
            << n << " " << spread << " " << q;
      }
    }
  }
  EXPECT_EQ(SelectQuantile(std::span<const std::uint16_t>(), 0.5), M);
}

TEST_F(NumericsUtility, MaskedCrossProductAndConvergence) {
  const double x[] = {1.0, 2.0, 3.0};
  const double y[] = {4.0, 5.0, 6.0};
  const short mask[] = {0, 1, 0};
  EXPECT_DOUBLE_EQ(CrossProductMasked(x, y, 3, nullptr, false), 32.0);
  EXPECT_DOUBLE_EQ(CrossProductMasked(x, y, 3, mask, false), 22.0);
  // Centres are the unmasked sums over the full count: 4/3 and 10/3.
  EXPECT_DOUBLE_EQ(CrossProductMasked(x, y, 3, mask, true), 38.0 / 9.0);

  const double a[] = {1.0, 2.0, 3.0};
  const double close[] = {1.0 + 1.9e-6, 2.0, 3.0 + 9.0};
  const double far[] = {1.0 + 3.1e-6, 2.0, 3.0};
  EXPECT_TRUE(VectorsConverged(a, close, 2, nullptr));
  EXPECT_FALSE(VectorsConverged(a, close, 3, nullptr));
  const short skipLast[] = {0, 0, 1};
  EXPECT_TRUE(VectorsConverged(a, close, 3, skipLast));
  EXPECT_FALSE(VectorsConverged(a, far, 3, nullptr));
}

TEST_F(NumericsUtility, OutlierBoundsSetExtremesAside) {
  const double x[] = {3.0, -50.0, 1.0, 4.0, 100.0, 2.0};
  double low = 0.0;
  double high = 0.0;
  OutlierBounds(x, 6, &low, &high);
  EXPECT_DOUBLE_EQ(low, 2.5 - 3.0 * std::sqrt(5.0 / 3.0));
  EXPECT_DOUBLE_EQ(high, 2.5 + 3.0 * std::sqrt(5.0 / 3.0));
  EXPECT_EQ(x[1], -50.0);
  const double withMissing[] = {1.0, M, 2.0, 100.0, 3.0, 4.0};
  OutlierBounds(withMissing, 6, &low, &high);
  EXPECT_DOUBLE_EQ(low, 2.5 - 3.0 * std::sqrt(5.0 / 3.0));
}

// The bounds match, bit for bit, the plain steps: the extremes swapped to the end of a
// copy, then MeanMissing and StdDevMissing of the rest, on values with ties, repeats,
// missing entries, and lengths on the stack and beyond.
TEST_F(NumericsUtility, OutlierBoundsGiveThePlainStepsBits) {
  synth::SynthRandom random(7);
  for (int round = 0; round < 3000; ++round) {
    const int n = random.Between(3, 72);
    std::vector<double> x(static_cast<std::size_t>(n));
    for (double& value : x) {
      const int kind = random.Between(0, 15);
      value = kind == 0  ? M
              : kind < 4 ? random.Between(0, 4)
                         : random.Between(0, 199999) / 7.0 - 9000.0;
    }
    if (round % 50 == 0) std::fill(x.begin(), x.end(), M);
    std::vector<double> copy = x;
    std::iter_swap(std::min_element(copy.begin(), copy.end()), copy.end() - 2);
    std::iter_swap(std::max_element(copy.begin(), copy.end()), copy.end() - 1);
    const double mean = MeanMissing(copy.data(), n - 2);
    const double deviation = StdDevMissing(copy.data(), mean, n - 2, false);
    double low = 0.0;
    double high = 0.0;
    OutlierBounds(x.data(), n, &low, &high);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(low),
              std::bit_cast<std::uint64_t>(mean - 3.0 * deviation))
        << round;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(high),
              std::bit_cast<std::uint64_t>(mean + 3.0 * deviation))
        << round;
  }
}

TEST_F(NumericsUtility, TextHelpersAndIntComparator) {
  char text[] = "ab c9z\t";
  EXPECT_EQ(ToUpper(text), text);
  EXPECT_STREQ(text, "AB C9Z\t");
  EXPECT_EQ(ToUpper(nullptr), nullptr);
  TrimTrailingBlanks(text);
  EXPECT_STREQ(text, "AB C9Z");
  char blanks[] = " \t \t";
  TrimTrailingBlanks(blanks);
  EXPECT_STREQ(blanks, "");
  const int low = INT_MIN, one = 1;
  EXPECT_LT(CompareInt(&low, &one), 0) << "difference saturates instead of wrapping";
}

// The float and double comparators give 1, 0 or -1 and sort ascending through qsort.
TEST_F(NumericsUtility, FloatAndDoubleComparatorsSortAscending) {
  std::vector<float> floats = {2.5f, -1.0f, 2.5f, 0.0f, -7.25f, 1e30f};
  std::vector<double> doubles(floats.begin(), floats.end());
  std::vector<float> sortedFloats = floats;
  std::sort(sortedFloats.begin(), sortedFloats.end());
  std::qsort(floats.data(), floats.size(), sizeof(float), CompareFloat);
  std::qsort(doubles.data(), doubles.size(), sizeof(double), CompareDouble);
  EXPECT_EQ(floats, sortedFloats);
  EXPECT_EQ(doubles, std::vector<double>(sortedFloats.begin(), sortedFloats.end()));
  const float f[] = {1.0f, 2.0f};
  const double d[] = {1.0, 2.0};
  EXPECT_EQ(CompareFloat(&f[0], &f[1]), -1);
  EXPECT_EQ(CompareFloat(&f[1], &f[0]), 1);
  EXPECT_EQ(CompareFloat(&f[1], &f[1]), 0);
  EXPECT_EQ(CompareDouble(&d[0], &d[1]), -1);
  EXPECT_EQ(CompareDouble(&d[1], &d[0]), 1);
  EXPECT_EQ(CompareDouble(&d[0], &d[0]), 0);
}

TEST_F(NumericsRandom, MinimalStandardRecurrenceIsThePublishedOne) {
  std::int64_t state = 1;
  const std::int64_t published[] = {16807, 282475249, 1622650073, 984943658, 1144108930};
  for (std::int64_t expected : published) EXPECT_EQ(state = NextState(state), expected);
  state = 1;
  for (int i = 0; i < 10000; ++i) state = NextState(state);
  EXPECT_EQ(state, 1043618065);

  // The seed word carries the raw state: a restart takes 40 steps, each call one more.
  int seed = 0;
  for (int call = 0; call < 10000 - 40; ++call) UniformDeviate(&seed);
  EXPECT_EQ(seed, 1043618065);
}

TEST_F(NumericsRandom, UniformDeviateShufflesLikeReference) {
  ReferenceGenerator reference;
  std::int64_t referenceSeed = -5;
  int seed = -5;
  for (int i = 0; i < 2000; ++i)
    ASSERT_DOUBLE_EQ(UniformDeviate(&seed), reference.Uniform(referenceSeed)) << i;
  // A second seed shares the table and last output: one interleaved stream.
  std::int64_t otherReferenceSeed = 99;
  int otherSeed = 99;
  for (int i = 0; i < 50; ++i) {
    ASSERT_DOUBLE_EQ(UniformDeviate(&otherSeed), reference.Uniform(otherReferenceSeed));
    ASSERT_DOUBLE_EQ(UniformDeviate(&seed), reference.Uniform(referenceSeed));
  }
}

TEST_F(NumericsRandom, FirstCallRestartsFromOneForZeroOrPositiveSeed) {
  int zero = 0;
  const double fromZero = UniformDeviate(&zero);
  ResetNumericState();
  int positive = 12345;
  EXPECT_EQ(UniformDeviate(&positive), fromZero);
  ReferenceGenerator reference;
  std::int64_t one = 1;
  EXPECT_DOUBLE_EQ(fromZero, reference.Uniform(one));
}

TEST_F(NumericsRandom, UniformIsCappedBelowOne) {
  // Pick a restart seed whose first output is the largest state, 2^31 - 2: the first
  // output is step 40 - j where j = (step 40) >> 26.
  auto power = [](std::int64_t base, std::int64_t exponent) {
    std::int64_t result = 1;
    for (; exponent > 0; exponent >>= 1, base = base * base % kModulus)
      if (exponent & 1) result = result * base % kModulus;
    return result;
  };
  int seed = 0;
  for (int j = 0; j < 32 && seed == 0; ++j) {
    const std::int64_t step40 = (kModulus - 1) * power(16807, j) % kModulus;
    if (step40 >> 26 != j) continue;
    const std::int64_t inverse = power(power(16807, 40 - j), kModulus - 2);
    seed = -static_cast<int>((kModulus - 1) * inverse % kModulus);
  }
  ASSERT_NE(seed, 0);
  EXPECT_EQ(UniformDeviate(&seed), 0.99999988);
}

TEST_F(NumericsRandom, GaussianPairsAndNegativeSeedRestart) {
  ReferenceGenerator reference;
  std::int64_t referenceSeed = -1;
  int seed = -1;
  for (int i = 0; i < 20; ++i)
    EXPECT_DOUBLE_EQ(GaussianDeviate(&seed), reference.Gaussian(referenceSeed)) << i;

  ResetNumericState();
  seed = -1;
  const double first = GaussianDeviate(&seed);
  const double stored = GaussianDeviate(&seed);
  seed = -1;
  const double firstAgain = GaussianDeviate(&seed);
  seed = -1;
  EXPECT_EQ(GaussianDeviate(&seed), firstAgain) << "stale stored deviate returned";
  EXPECT_EQ(firstAgain, first);
  EXPECT_NE(firstAgain, stored);

  ResetNumericState();
  ReferenceGenerator fresh;
  std::int64_t freshSeed = -1;
  EXPECT_DOUBLE_EQ(NormalDeviate(10.0, 2.0), 10.0 + 2.0 * fresh.Gaussian(freshSeed));
  EXPECT_DOUBLE_EQ(NormalDeviate(0.0, 1.0), fresh.Gaussian(freshSeed));
}

// Points outside the circle and its centre are drawn again; the one kept is scaled by
// sqrt(-2 ln r2 / r2), coordinate by coordinate in the order drawn.
TEST_F(NumericsRandom, PolarPairsRejectTheCentreAndTheCornersAndScaleThePointKept) {
  struct Case {
    std::vector<double> draws;
    std::size_t used;
    double x, y;
  };
  const std::vector<Case> cases = {
      {{0.75, 0.5}, 2, 0.5, 0.0},
      {{0.5, 0.5, 0.0, 0.0, 0.5, 0.25}, 6, 0.0, -0.5},
      {{0.0, 0.5, 0.6, 0.7}, 4, 0.2, 0.4},
  };
  for (const Case& c : cases) {
    std::size_t next = 0;
    const NormalPair pair = PolarNormalPair([&] { return c.draws.at(next++); });
    const double r2 = c.x * c.x + c.y * c.y;
    const double factor = std::sqrt(-2.0 * std::log(r2) / r2);
    EXPECT_EQ(next, c.used);
    EXPECT_NEAR(pair.first, c.x * factor, 1e-12);
    EXPECT_NEAR(pair.second, c.y * factor, 1e-12);
  }
}

TEST_F(NumericsRandom, WeightedMeanSmallCases) {
  const double x[] = {M, 4.0, M};
  const double e[] = {9.0, 0.5, 9.0};
  double mean = 0.0, se = 0.0;
  WeightedMeanWithErrors(x, e, 3, &mean, &se);
  EXPECT_EQ(mean, 4.0);
  EXPECT_EQ(se, 0.5);
  WeightedMeanWithErrors(x, e, 1, &mean, &se);
  EXPECT_EQ(mean, M);
  EXPECT_EQ(se, M);
  // Zero errors: every pass sees the plain variance V = 2, so weights are all 1 / V.
  const double pair[] = {1.0, 3.0};
  const double noError[] = {0.0, 0.0};
  WeightedMeanWithErrors(pair, noError, 2, &mean, &se);
  EXPECT_NEAR(mean, 2.0, 1e-12);
  EXPECT_NEAR(se, 1.0, 1e-12);
}

TEST_F(NumericsRandom, WeightedMeanTakesMoreThanAThousandValues) {
  const int n = 1500;
  std::vector<double> x(n), e(n, 0.0);
  std::iota(x.begin(), x.end(), 0.0);
  double mean = 0.0, se = 0.0;
  WeightedMeanWithErrors(x.data(), e.data(), n, &mean, &se);
  EXPECT_NEAR(mean, 749.5, 1e-8);
  EXPECT_NEAR(se, std::sqrt(n * (n + 1.0) / 12.0 / n), 1e-9);
}

TEST_F(NumericsRandom, WeightedMeanPerturbsWithTheFixedWrappingDeviates) {
  ReferenceGenerator reference;
  std::int64_t referenceSeed = -1;
  std::vector<double> deviates(1000);
  for (double& d : deviates) d = reference.Gaussian(referenceSeed);
  const int n = 120;  // 20 passes use 2400 deviates, wrapping twice
  std::vector<double> x(n, 5.0), e(n);
  for (int i = 0; i < n; ++i) e[static_cast<std::size_t>(i)] = 0.5 + 0.01 * i;
  double varianceSum = 0.0;
  std::size_t index = 0;
  for (int pass = 0; pass < 20; ++pass) {
    std::vector<double> perturbed(n);
    for (std::size_t i = 0; i < perturbed.size(); ++i, index = (index + 1) % 1000)
      perturbed[i] = e[i] * deviates[index] + 5.0;
    const double mean = std::accumulate(perturbed.begin(), perturbed.end(), 0.0) / n;
    double squares = 0.0;
    for (double p : perturbed) squares += (p - mean) * (p - mean);
    varianceSum += squares / (n - 1);
  }
  double weightSum = 0.0;
  for (double error : e) weightSum += 1.0 / (varianceSum / 20.0 + error * error);

  double mean = 0.0, se = 0.0;
  WeightedMeanWithErrors(x.data(), e.data(), n, &mean, &se);
  EXPECT_NEAR(mean, 5.0, 1e-12);
  EXPECT_NEAR(se, std::sqrt(1.0 / weightSum), 1e-10);
  // The cache is filled once and read from its start at every call.
  int other = -8;
  GaussianDeviate(&other);
  double again = 0.0, seAgain = 0.0;
  WeightedMeanWithErrors(x.data(), e.data(), n, &again, &seAgain);
  EXPECT_EQ(seAgain, se);
}

TEST_F(NumericsRandom, PermutationFollowsRuntimeRand) {
  platform::SeedRand(1);
  std::vector<int> v(40);
  std::iota(v.begin(), v.end(), 0);
  std::vector<int> expected = v;
  std::uint32_t state = 1;
  for (int i = 0; i < 40; ++i) {
    state = state * 214013u + 2531011u;
    const int r = static_cast<int>((state >> 16) & 0x7FFF);
    std::swap(expected[static_cast<std::size_t>(i)],
              expected[static_cast<std::size_t>(i + r % (40 - i))]);
  }
  RandomPermutation(v.data(), 40);
  EXPECT_EQ(v, expected);
  platform::SeedRand(1);
}

TEST_F(NumericsRank, SortCarriesCompanion) {
  int seed = -11;
  for (int n : {0, 1, 2, 7, 8, 9, 100, 5000}) {
    std::vector<double> a(static_cast<std::size_t>(n)), b(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      a[i] = std::floor(UniformDeviate(&seed) * n / 3.0);  // ties included
      b[i] = static_cast<double>(i);
    }
    const std::vector<double> original = a;
    SortWithCompanion(a.data(), b.data(), n);
    EXPECT_TRUE(std::is_sorted(a.begin(), a.end())) << n;
    std::vector<double> order = b;
    std::sort(order.begin(), order.end());
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(order[i], static_cast<double>(i)) << "companion is not a permutation";
      EXPECT_EQ(original[static_cast<std::size_t>(b[i])], a[i]) << "pair split at " << i;
    }
  }
}

TEST_F(NumericsRank, RanksAverageTies) {
  double w[] = {1, 2, 2, 3, 3, 3, 4};
  double ties = -1.0;
  RankWithTies(w, 7, &ties);
  EXPECT_EQ(std::vector<double>(w, w + 7), (std::vector<double>{1, 2.5, 2.5, 5, 5, 5, 7}));
  EXPECT_EQ(ties, 30.0);
  double tail[] = {1, 1, 2};
  RankWithTies(tail, 3, &ties);
  EXPECT_EQ(std::vector<double>(tail, tail + 3), (std::vector<double>{1.5, 1.5, 3}));
  EXPECT_EQ(ties, 6.0);
  double same[] = {5, 5, 5};
  RankWithTies(same, 3, &ties);
  EXPECT_EQ(same[0], 2.0);
  EXPECT_EQ(ties, 24.0);
}

TEST_F(NumericsRank, SpearmanOfIdenticalAndReversedOrderings) {
  const double x[] = {3.0, 1.0, 4.0, 1.5, 5.0, 9.0};
  const double y[] = {30.0, 10.0, 40.0, 15.0, 50.0, 90.0};
  const double reversed[] = {-3.0, -1.0, -4.0, -1.5, -5.0, -9.0};
  double d, zd, probd, rs, probrs;
  SpearmanCorrelation(x, y, 6, &d, &zd, &probd, &rs, &probrs);
  EXPECT_EQ(d, 0.0);
  EXPECT_DOUBLE_EQ(rs, 1.0);
  EXPECT_EQ(probrs, 0.0);
  SpearmanCorrelation(x, reversed, 6, &d, &zd, &probd, &rs, &probrs);
  EXPECT_EQ(d, 70.0);
  EXPECT_DOUBLE_EQ(rs, -1.0);
  EXPECT_EQ(probrs, 0.0);
  EXPECT_EQ(x[0], 3.0) << "inputs are copied";
}

TEST_F(NumericsRank, SpearmanHandExampleAgainstR) {
  const double x[] = {1, 2, 3, 4, 5};
  const double y[] = {2, 1, 4, 3, 5};
  double d, zd, probd, rs, probrs;
  SpearmanCorrelation(x, y, 5, &d, &zd, &probd, &rs, &probrs);
  EXPECT_EQ(d, 4.0);
  EXPECT_DOUBLE_EQ(rs, 0.8);
  EXPECT_DOUBLE_EQ(zd, -1.6);  // (4 - 20) / sqrt(100)
  EXPECT_NEAR(probd, 2.0 * pnorm(-1.6, 0.0, 1.0, 1, 0), 2e-7);
  EXPECT_NEAR(probrs, 2.0 * pt(0.8 * std::sqrt(3.0 / 0.36), 3.0, 0, 0), 1e-6);
}

TEST_F(NumericsRank, SpearmanWithTiesIsPearsonOfMidRanks) {
  const double x[] = {1, 2, 2, 3, 5, 5, 5, 8};
  const double y[] = {2, 1, 3, 3, 4, 6, 6, 5};
  const double rankX[] = {1, 2.5, 2.5, 4, 6, 6, 6, 8};
  const double rankY[] = {2, 1, 3.5, 3.5, 5, 7.5, 7.5, 6};
  const double meanRank = 4.5;
  double sxy = 0, sxx = 0, syy = 0;
  for (int i = 0; i < 8; ++i) {
    sxy += (rankX[i] - meanRank) * (rankY[i] - meanRank);
    sxx += (rankX[i] - meanRank) * (rankX[i] - meanRank);
    syy += (rankY[i] - meanRank) * (rankY[i] - meanRank);
  }
  double d, zd, probd, rs, probrs;
  SpearmanCorrelation(x, y, 8, &d, &zd, &probd, &rs, &probrs);
  EXPECT_EQ(d, 14.0);
  EXPECT_NEAR(rs, sxy / std::sqrt(sxx * syy), 1e-12);
}

}  // namespace

// The normalisation curve on pairs whose answer is known: running medians at the knots,
// straight lines beyond them, level steps where knots share an intensity, refusal of too
// few pairs; and the invariant-set scaling of two value vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "engine/array/normalizer.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "tools/synth/array_group.hpp"

namespace {

class NormalizerTest : public ::testing::Test {
 protected:
  ~NormalizerTest() override { Normalizer.FreeCurve(); }

  // Pairs (x[i], y[i]) added in a shuffled order, which the fit must not depend on.
  static void SetPairs(const std::vector<double>& x, const std::vector<double>& y) {
    std::vector<std::size_t> order(x.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(17));
    Normalizer.ClearPoints(x.size());
    for (const std::size_t i : order) Normalizer.AddPoint(x[i], y[i]);
  }

  CapturedLog mLog;
  RaisedAnalysisRunning mRunning;
};

// Median of the window of half-width reach around index, by sorting a copy.
double WindowMedian(const std::vector<double>& y, int index, int reach) {
  const int from = std::max(0, index - reach);
  const int to = std::min(static_cast<int>(y.size()) - 1, index + reach);
  std::vector<double> window(y.begin() + from, y.begin() + to + 1);
  std::sort(window.begin(), window.end());
  return window[window.size() / 2];
}

}  // namespace

TEST_F(NormalizerTest, KnotsAreMediansOfNineteenPairsAtTheQuantiles) {
  // 1000 pairs: half-width 3, so each knot's median spans 9 pairs either side.
  std::vector<double> x(1000);
  std::vector<double> y(1000);
  for (int i = 0; i < 1000; ++i) {
    x[static_cast<std::size_t>(i)] = i;
    y[static_cast<std::size_t>(i)] = 2.0 * i + ((i * 37) % 23 - 11) * 3.0;
  }
  SetPairs(x, y);
  ASSERT_TRUE(Normalizer.FitCurve());
  const auto knots = Normalizer.Knots();
  ASSERT_EQ(knots.size(), 300u);
  int differFromWiderWindow = 0;
  for (int k = 0; k < 300; ++k) {
    const int index = static_cast<int>(std::floor((k * 0.96 / 299 + 0.02) * 1000 + 0.5));
    const auto& knot = knots[static_cast<std::size_t>(k)];
    EXPECT_EQ(knot.index, index);
    EXPECT_EQ(knot.x, index);
    EXPECT_EQ(knot.y, WindowMedian(y, index, 9)) << k;
    differFromWiderWindow += WindowMedian(y, index, 10) != knot.y ? 1 : 0;
  }
  EXPECT_EQ(knots[0].index, 20);
  EXPECT_EQ(knots[299].index, 980);
  EXPECT_GT(differFromWiderWindow, 0);  // the data tell the window's width
}

// Cell intensities take their medians from counts of the sliding window; the knots must be
// the sorted windows' medians all the same: across the 16-bit range, with ties in x that
// skip knots, with ties in y, and with one y off the whole numbers, which takes the select.
TEST_F(NormalizerTest, IntensityKnotsAreTheMediansOfTheirWindows) {
  std::mt19937 random(23);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const int n : {30, 5000, 42000}) {
    for (const bool wholeNumbers : {true, false}) {
      std::vector<double> x(static_cast<std::size_t>(n));
      std::vector<double> y(static_cast<std::size_t>(n));
      for (std::size_t i = 0; i < x.size(); ++i) {
        const double u = unit(random);
        // Many pairs share the darkest intensities.
        x[i] = std::floor(u * u * u * 70000.0);
        y[i] = std::clamp(std::floor(x[i] * 0.9 + (unit(random) - 0.5) * 2000.0), 0.0, 65535.0);
      }
      y[0] = 65535.0;
      y[1] = 0.0;
      if (!wholeNumbers) y[2] = 100.5;
      SetPairs(x, y);
      ASSERT_TRUE(Normalizer.FitCurve());
      std::vector<double> sortedY;
      for (const NormPoint& point : Normalizer.Points()) sortedY.push_back(point.y);
      const int reach = 3 * std::max(n / 300, 2);
      const auto knots = Normalizer.Knots();
      int skipped = 0;
      for (std::size_t k = 0; k < knots.size(); ++k) {
        if (k > 0 && knots[k].x == knots[k - 1].x) {
          ++skipped;
          EXPECT_EQ(knots[k].y, knots[k - 1].y);
          continue;
        }
        ASSERT_EQ(knots[k].y, WindowMedian(sortedY, knots[k].index, reach))
            << n << " " << wholeNumbers << " " << k;
      }
      EXPECT_GT(skipped, 0) << n;
    }
  }
}

TEST_F(NormalizerTest, OutsideTheKnotsTheLinesGainAHalf) {
  std::vector<double> x(1000);
  std::vector<double> y(1000);
  for (int i = 0; i < 1000; ++i) {
    x[static_cast<std::size_t>(i)] = i;
    y[static_cast<std::size_t>(i)] = 2.0 * i;
  }
  SetPairs(x, y);
  ASSERT_TRUE(Normalizer.FitCurve());
  EXPECT_DOUBLE_EQ(Normalizer.LowerLine().slope, 2.0);
  EXPECT_DOUBLE_EQ(Normalizer.UpperLine().slope, 2.0);
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(10.0), 20.5);      // below the first knot (x 20)
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(500.25), 1000.5);  // between knots: no half
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(20.0), 40.0);      // on the first knot
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(995.0), 1990.5);   // above the last knot (x 980)
}

TEST_F(NormalizerTest, KnotsOnOneIntensityJoinLevelNeverNaN) {
  // Most pairs share one array intensity, as dark cells of a real array do.
  std::vector<double> x;
  std::vector<double> y;
  for (int i = 0; i < 700; ++i) {
    x.push_back(100.0);
    y.push_back(90.0 + i % 21);
  }
  for (int i = 0; i < 300; ++i) {
    x.push_back(101.0 + i);
    y.push_back(110.0 + 2 * i);
  }
  SetPairs(x, y);
  ASSERT_TRUE(Normalizer.FitCurve());
  const auto knots = Normalizer.Knots();
  for (std::size_t k = 0; k + 1 < knots.size(); ++k) {
    ASSERT_TRUE(std::isfinite(knots[k].slope)) << k;
    if (knots[k].x == knots[k + 1].x) {
      EXPECT_EQ(knots[k].slope, 0.0) << k;
    }
  }
  EXPECT_TRUE(std::isfinite(Normalizer.LowerLine().slope));
  // No pair lies left of the first knot's intensity: the lower line stays level.
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(50.0), knots[0].y + 0.5);
  for (double v = 0.0; v < 600.0; v += 0.5) ASSERT_TRUE(std::isfinite(Normalizer.MapValue(v))) << v;
}

TEST_F(NormalizerTest, TooFewPairsAreRefusedAndOneIntensityMapsFlat) {
  std::vector<double> x;
  std::vector<double> y;
  for (int i = 0; i < 25; ++i) {
    x.push_back(i);
    y.push_back(i);
  }
  SetPairs(x, y);
  EXPECT_FALSE(Normalizer.FitCurve());
  EXPECT_TRUE(mLog.ContainsRed("    Too few points to fit the normalization curve: 25"));
  EXPECT_FALSE(Normalizer.HasCurve());
  EXPECT_EQ(Normalizer.MapValue(3.5), 3.5);  // no curve: values pass unchanged

  x.push_back(25);
  y.push_back(25);
  SetPairs(x, y);
  EXPECT_TRUE(Normalizer.FitCurve());  // 26 pairs leave one beyond each outer knot
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(12.25), 12.25);

  // Pairs on one array intensity map every value flat onto their median baseline value
  // (the level lines outside the knots add their half). Three high values among a
  // hundred cannot be the median of any knot's window of nine.
  std::vector<double> level(100, 3.0);
  level[10] = level[50] = level[90] = 50.0;
  mLog.Clear();
  SetPairs(std::vector<double>(100, 7.0), level);
  ASSERT_TRUE(Normalizer.FitCurve());
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(7.0), 3.0);
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(2.0), 3.5);
  EXPECT_DOUBLE_EQ(Normalizer.MapValue(700.0), 3.5);
}

// The table of every whole intensity's mapped value holds MapValue's value for each,
// clamped and truncated: curves through spread and crowded intensities (many knots on
// one value), steep ones that leave the range at both ends, fractional pairs, and no curve.
TEST_F(NormalizerTest, IntensityTableHoldsTheMappedValueOfEveryIntensity) {
  const auto clamped = [](double value) -> std::uint16_t {
    if (!(value > 0.0)) return 0;
    return value >= 65535.0 ? 65535 : static_cast<std::uint16_t>(value);
  };
  std::mt19937 random(23);
  std::vector<std::uint16_t> table(65536);
  int curves = 0;
  for (int shape = 0; shape < 5; ++shape) {
    std::vector<double> x;
    std::vector<double> y;
    const int n = shape == 4 ? 40 : 6000;
    std::lognormal_distribution<double> spread(6.0, 1.5);
    for (int i = 0; i < n; ++i) {
      const double value = shape == 1 ? std::floor(spread(random) / 64.0) : spread(random);
      x.push_back(std::min(std::floor(value), 65535.0));
      // Shape 2 is steep: its lines cross 0 below and 65535 above.
      // Whole baseline values put the knots on whole values, where a segment's end and the
      // next knot's start may round to either side of it.
      y.push_back(shape == 2 ? 9.0 * x.back() - 300.0
                             : std::floor(x.back() * 1.3 + spread(random) / 8));
      if (shape == 3) x.back() += 0.25;
    }
    SetPairs(x, y);
    ASSERT_TRUE(Normalizer.FitCurve()) << shape;
    if (shape == 4) Normalizer.FreeCurve();
    std::fill(table.begin(), table.end(), std::uint16_t{7});
    Normalizer.MapIntensities(table);
    for (std::size_t v = 0; v < table.size(); ++v)
      ASSERT_EQ(table[v], clamped(Normalizer.MapValue(static_cast<double>(v))))
          << "shape " << shape << " value " << v;
    ++curves;
  }
  EXPECT_EQ(curves, 5);
}

TEST_F(NormalizerTest, EndLinesAreFittedOnAtMost10000Pairs) {
  // 2% of 520,000 pairs lie beyond each outer knot.
  const int n = 520000;
  std::vector<double> x(n);
  std::vector<double> y(n);
  for (int i = 0; i < n; ++i) {
    x[static_cast<std::size_t>(i)] = i;
    // Pairs between the first 10,000 and the first knot bend away: they must not count.
    y[static_cast<std::size_t>(i)] = i >= 10000 && i < 10400 ? 3.0 * i : 2.0 * i;
  }
  SetPairs(x, y);
  ASSERT_TRUE(Normalizer.FitCurve());
  EXPECT_EQ(mLog.CountInColour(kLogRed), 2);
  EXPECT_TRUE(mLog.ContainsRed(
      "    Exceeds the limit 10000 in LSE_FINDER; use this many data points to fit slope"));
  const double knotX = Normalizer.Knots()[0].x;
  const double knotY = Normalizer.Knots()[0].y;
  double crossed = 0.0;
  double squared = 0.0;
  for (int i = 0; i < 10000; ++i) {
    crossed += (i - knotX) * (2.0 * i - knotY);
    squared += (i - knotX) * (i - knotX);
  }
  EXPECT_NEAR(Normalizer.LowerLine().slope, crossed / squared, 1e-9);
}

TEST_F(NormalizerTest, VectorsAreScaledThroughTheirInvariantSet) {
  // Two arrays of a synthetic group as columns of values: the second bent by a known
  // curve, a tenth of its probe sets changed.
  synth::ChipOptions chipOptions;
  chipOptions.dimension = 80;
  chipOptions.unitCount = 250;
  chipOptions.seed = 4;
  const auto chip = synth::MakeChip(chipOptions);
  ASSERT_TRUE(chip.has_value());
  synth::ArrayGroupOptions groupOptions;
  groupOptions.arrays = 2;
  groupOptions.seed = 6;
  groupOptions.noise = 0.03;
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(*chip, groupOptions);
  const auto& base = group.arrays[0].intensities;
  const auto& bent = group.arrays[1].intensities;
  std::vector<float> reference(base.begin(), base.end());
  std::vector<float> values(bent.begin(), bent.end());
  const int n = static_cast<int>(values.size());
  for (int i = 0; i < n; i += 30) values[static_cast<std::size_t>(i)] = kMissingValueFloat;
  for (int i = 7; i < n; i += 60) reference[static_cast<std::size_t>(i)] = kMissingValueFloat;
  const std::vector<float> before = values;

  std::vector<std::uint8_t> invariant;
  ASSERT_TRUE(InvariantSetScaling(values.data(), reference.data(), n, &invariant));
  EXPECT_TRUE(mLog.Contains("    Normalizing arrays...", kLogBlack));
  EXPECT_FALSE(Normalizer.HasCurve());
  int members = 0;
  std::vector<double> errors;
  for (std::size_t i = 0; i < values.size(); ++i) {
    members += invariant[i];
    if (IsMissing(before[i])) {
      EXPECT_TRUE(IsMissing(values[i]));
      EXPECT_EQ(invariant[i], 0);
      continue;
    }
    if (IsMissing(reference[i])) {
      EXPECT_EQ(invariant[i], 0);
      continue;
    }
    // Against the truth: the array's value taken back through the known curve.
    const double truth = group.arrays[1].curve.Invert(before[i]);
    errors.push_back(std::abs(values[i] - truth) / truth);
  }
  EXPECT_GE(members, kMinInvariantValues);
  std::sort(errors.begin(), errors.end());
  EXPECT_LT(errors[errors.size() * 95 / 100], 0.03);
}

TEST_F(NormalizerTest, TooFewValuesForAnInvariantSetAreRefused) {
  std::vector<float> values(500);
  std::vector<float> reference(500);
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = static_cast<float>(i + 1);
    reference[i] = static_cast<float>(2 * i + 2);
  }
  const std::vector<float> before = values;
  EXPECT_FALSE(InvariantSetScaling(values.data(), reference.data(), 500));
  EXPECT_TRUE(mLog.ContainsRed("    Error: Too few points in the Invariant set"));
  EXPECT_EQ(values, before);
}

// Sorting keeps pairs of equal x in the order they were added, whether the x are whole
// intensities (sorted by counting) or not; y tells the order apart.
TEST_F(NormalizerTest, SortingKeepsTheOrderOfEqualArrayValues) {
  for (const double offset : {0.0, 0.25}) {
    std::mt19937 random(23);
    std::uniform_int_distribution<int> intensity(0, 700);
    std::vector<NormPoint> added;
    Normalizer.ClearPoints(20000);
    for (int i = 0; i < 20000; ++i) {
      // Both ends of the 16-bit range, and many ties between.
      const double x = i == 0 ? 65535.0 : i == 1 ? 0.0 : intensity(random) + offset;
      Normalizer.AddPoint(x, i);
      added.push_back({static_cast<float>(x), static_cast<float>(i)});
    }
    std::stable_sort(added.begin(), added.end(),
                     [](const NormPoint& a, const NormPoint& b) { return a.x < b.x; });
    Normalizer.SortPoints();
    const auto sorted = Normalizer.Points();
    ASSERT_EQ(sorted.size(), added.size());
    for (std::size_t i = 0; i < added.size(); ++i) {
      ASSERT_EQ(sorted[i].x, added[i].x) << offset << " " << i;
      ASSERT_EQ(sorted[i].y, added[i].y) << offset << " " << i;
    }
  }
}

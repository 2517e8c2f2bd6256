// Normalising synthetic arrays whose brightness departs from the baseline's by a known
// monotone curve: the invariant-set and the quantile curve both undo the curve, cells of
// unchanged probe sets land on the baseline within the noise, and sets too small to fit
// fail the array with a red line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/base/missing_value.hpp"
#include "engine/tests/array_test_support.hpp"

namespace {

constexpr double kNoise = 0.05;  // per-array spread of a cell's log intensity
// Two arrays' noise together: the spread of the log ratio of one cell on both.
const double kPairNoise = std::sqrt(2.0) * kNoise;

// Cells of probe sets the array did not change, as (x, y) plane indices.
std::vector<std::size_t> UnchangedCells(const synth::ChipTruth& chip,
                                        const synth::ArrayGroupTruth& group, int array) {
  std::vector<std::size_t> cells;
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    if (group.Changed(array, static_cast<int>(u))) continue;
    for (const auto& block : chip.units[u].blocks)
      for (const auto& pair : block.pairs) {
        cells.push_back(group.CellIndex(pair.pm.x, pair.pm.y));
        cells.push_back(group.CellIndex(pair.mm.x, pair.mm.y));
      }
  }
  return cells;
}

double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

}  // namespace

class NormalizeCelTest : public ArrayTest {
 protected:
  void SetUp() override {
    mChip = SetUpChip(synth::ChipKind::kExpression, 320, 2400, 21);
    MakeGroup(10);
  }

  // Four arrays, a tenth of the probe sets changed on each (or as given).
  void MakeGroup(int changedPercent) {
    synth::ArrayGroupOptions options;
    options.arrays = 4;
    options.seed = 33;
    options.noise = kNoise;
    options.changedPercent = changedPercent;
    mGroup = synth::MakeArrayGroup(mChip, options);
    Fill(mBaseline, mGroup, 0, mFolder.File("base.CEL"));
  }

  // Normalises array a of the group against the baseline, keeping the curve.
  CHIP_DATA Normalised(int a) {
    CHIP_DATA array;
    Fill(array, mGroup, a, mFolder.File("array" + std::to_string(a) + ".CEL"));
    EXPECT_TRUE(array.NormalizeCel(&mBaseline, false, true, false));
    return array;
  }

  // The largest relative error of the fitted curve against the true inverse curve, over
  // the array's intensities from its 5% to its 95% quantile.
  double CurveError(const CHIP_DATA& array, int a) const {
    const synth::BrightnessCurve& curve = mGroup.arrays[static_cast<std::size_t>(a)].curve;
    double worst = 0.0;
    for (double q = 0.05; q <= 0.951; q += 0.05) {
      const double value = array.GetQuantile(q, false);
      const double truth = curve.Invert(value);
      worst = std::max(worst, std::abs(Normalizer.MapValue(value) - truth) / truth);
    }
    return worst;
  }

  synth::ChipTruth mChip;
  synth::ArrayGroupTruth mGroup;
  CHIP_DATA mBaseline;
};

// Stated tolerance of both curves against the truth.
constexpr double kCurveTolerance = 0.03;

TEST_F(NormalizeCelTest, InvariantSetCurveUndoesTheKnownDistortion) {
  for (int a = 1; a < 4; ++a) {
    SCOPED_TRACE(a);
    const CHIP_DATA array = Normalised(a);
    EXPECT_LT(CurveError(array, a), kCurveTolerance);
    EXPECT_EQ(array.normalised, 1);
    EXPECT_EQ(array.baselinePath, mBaseline.dataPath);
    EXPECT_EQ(array.medianIntensity,
              static_cast<std::int32_t>(Normalizer.MapValue(array.GetQuantile(0.5, false))));
  }
  EXPECT_TRUE(mLog.Contains("    Searching Invariant-set: ", kLogBlack));
  EXPECT_TRUE(mLog.Contains("    Median probe intensity: ", kLogBlack));
}

TEST_F(NormalizeCelTest, UnchangedCellsLandOnTheBaselineWithinTheNoise) {
  for (int a = 1; a < 4; ++a) {
    SCOPED_TRACE(a);
    const CHIP_DATA array = Normalised(a);
    std::vector<double> logRatios;
    for (const std::size_t cell : UnchangedCells(mChip, mGroup, a))
      logRatios.push_back(
          std::abs(std::log(static_cast<double>(array.plane2[cell]) / mBaseline.plane1[cell])));
    // |N(0, s)| has its median at 0.674 s and its 99th percentile at 2.58 s.
    EXPECT_LT(Quantile(logRatios, 0.5), 0.674 * kPairNoise * 1.15);
    EXPECT_LT(Quantile(logRatios, 0.99), 2.58 * kPairNoise * 1.25);
  }
}

TEST_F(NormalizeCelTest, QuantileCurveMakesTheQuantilesAgree) {
  // Quantiles can only agree where the arrays differ by their brightness alone.
  MakeGroup(0);
  Settings().NORM_METHOD = 1;
  for (int a = 1; a < 4; ++a) {
    SCOPED_TRACE(a);
    const CHIP_DATA array = Normalised(a);
    EXPECT_LT(CurveError(array, a), kCurveTolerance);
    for (double q = 0.05; q <= 0.951; q += 0.05) {
      SCOPED_TRACE(q);
      const double base = mBaseline.GetQuantile(q, false);
      EXPECT_NEAR(array.GetQuantile(q, true), base, 0.02 * base);
    }
  }
  EXPECT_TRUE(mLog.Contains("    Sorting array and baseline data vectors...", kLogBlack));
  EXPECT_FALSE(mLog.Contains("    Searching Invariant-set:", kLogBlack));
}

// The quantile pairs are the sorted samples' values at the same ranks, in their order,
// on arrays whose changed share and noise differ, including one whose brightness is cut
// to a few levels so that many values are equal.
TEST_F(NormalizeCelTest, QuantilePairsAreTheSortedSamplesAtTheirRanks) {
  Settings().NORM_METHOD = 1;
  std::size_t checked = 0;
  for (const int changedPercent : {0, 30}) {
    MakeGroup(changedPercent);
    for (int a = 1; a < 4; ++a) {
      CHIP_DATA array;
      Fill(array, mGroup, a, mFolder.File("array" + std::to_string(a) + ".CEL"));
      if (a == 3)
        for (std::uint16_t& value : array.plane1)
          value = static_cast<std::uint16_t>(value / 512 * 512);
      std::vector<std::uint16_t> arrayValues;
      std::vector<std::uint16_t> baselineValues;
      for (std::size_t i = 0; i < Layout.cells.size(); i += 3) {
        if (Layout.cells[i].kind != kCellPerfectMatch) continue;
        arrayValues.push_back(array.plane1[i]);
        baselineValues.push_back(mBaseline.plane1[i]);
      }
      std::sort(arrayValues.begin(), arrayValues.end());
      std::sort(baselineValues.begin(), baselineValues.end());
      ASSERT_TRUE(array.NormalizeCel(&mBaseline, true, true, false));
      const auto points = Normalizer.Points();
      ASSERT_EQ(points.size(), 6000u);
      const double count = static_cast<double>(arrayValues.size());
      for (std::size_t i = 0; i < points.size(); ++i) {
        const auto m = std::min(static_cast<std::size_t>(std::floor(i * count / 6000)),
                                arrayValues.size() - 1);
        ASSERT_EQ(points[i].x, arrayValues[m]) << changedPercent << " " << a << " " << i;
        ASSERT_EQ(points[i].y, baselineValues[m]) << changedPercent << " " << a << " " << i;
      }
      checked += points.size();
    }
  }
  EXPECT_EQ(checked, 6u * 6000u);
}

TEST_F(NormalizeCelTest, BaselineAgainstItselfCopiesItsPlane) {
  CHIP_DATA array;
  // Another folder, the same file name: the same array.
  Fill(array, mGroup, 0, "/elsewhere/BASE.cel");
  const std::int32_t median = array.medianIntensity;
  ASSERT_TRUE(array.NormalizeCel(&mBaseline, false, false, false));
  EXPECT_EQ(array.plane2, array.plane1);
  EXPECT_EQ(array.normalised, 1);
  EXPECT_EQ(array.medianIntensity, median);
  EXPECT_TRUE(mLog.Contains("    Do not normalize the baseline array", kLogBlack));
}

// Normalised and saved against one baseline, read back and normalised against another:
// the raw median is mapped once through the new curve, and lands on the median of the new
// plane; the new baseline itself returns to its raw median.
TEST_F(NormalizeCelTest, AnotherBaselineMapsTheRawMedianOnce) {
  CHIP_DATA other;
  Fill(other, mGroup, 2, mFolder.File("array2.CEL"));
  for (int a = 1; a < 4; ++a) {
    SCOPED_TRACE(a);
    const std::string name = "array" + std::to_string(a);
    CHIP_DATA first;
    Fill(first, mGroup, a, mFolder.File(name + ".CEL"));
    ASSERT_TRUE(first.NormalizeCel(&mBaseline, false, false, true));
    const auto raw = static_cast<std::int32_t>(first.GetQuantile(0.5, false));
    ASSERT_NE(first.medianIntensity, raw);

    CHIP_DATA array;
    ASSERT_TRUE(array.ReadExisting(mFolder.File(name + ".qvf").c_str(), false, false));
    array.dataPath = mFolder.File(name + ".CEL");
    ASSERT_EQ(array.medianIntensity, first.medianIntensity);
    mLog.Clear();
    ASSERT_TRUE(array.NormalizeCel(&other, true, true, false));
    if (a == 2) {
      EXPECT_EQ(array.medianIntensity, raw);
      continue;
    }
    const auto mapped = static_cast<std::int32_t>(Normalizer.MapValue(raw));
    EXPECT_EQ(array.medianIntensity, mapped);
    EXPECT_TRUE(mLog.Contains(MessageBuffer("    Median probe intensity: %d -> %d", raw, mapped),
                              kLogBlack));
    EXPECT_NEAR(array.GetQuantile(0.5, true), mapped, 0.02 * mapped);
    Normalizer.FreeCurve();
  }
}

TEST_F(NormalizeCelTest, ExistingNormalisationIsKeptUnlessForced) {
  CHIP_DATA array = Normalised(1);
  const std::vector<std::uint16_t> normalisedPlane = array.plane2;
  array.plane2.assign(array.plane2.size(), 0);
  ASSERT_TRUE(array.NormalizeCel(&mBaseline, false, false, false));
  EXPECT_TRUE(mLog.Contains("    Use the existing normalized values", kLogBlack));
  EXPECT_EQ(std::count(array.plane2.begin(), array.plane2.end(), 0),
            static_cast<long>(array.plane2.size()));

  ASSERT_TRUE(array.NormalizeCel(&mBaseline, true, false, true));
  EXPECT_EQ(array.plane2, normalisedPlane);
  EXPECT_FALSE(Normalizer.HasCurve());  // freed without keepCurve
  CHIP_DATA saved;
  ASSERT_TRUE(saved.ReadExisting(mFolder.File("array1.qvf").c_str(), false, false));
  EXPECT_EQ(saved.plane2, normalisedPlane);
  EXPECT_EQ(saved.baselinePath, mBaseline.dataPath);
}

TEST_F(NormalizeCelTest, StopRequestEndsTheSearch) {
  CHIP_DATA array;
  Fill(array, mGroup, 1, mFolder.File("array1.CEL"));
  AnalysisRunning = 0;
  EXPECT_FALSE(array.NormalizeCel(&mBaseline, false, false, false));
  EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
  EXPECT_EQ(array.normalised, 0);
}

// Chips too small for an invariant-set curve: no perfect-match cell at all, then fewer
// than the curve needs. The array fails with a red line; nothing reads outside the pairs.
TEST_F(NormalizeCelTest, TooSmallInvariantSetFailsTheArray) {
  for (const int units : {0, 2}) {
    SCOPED_TRACE(units);
    ResetChipGlobals();
    synth::ChipOptions options;
    options.dimension = 20;
    options.unitCount = units;
    options.minPairs = 8;
    options.maxPairs = 8;
    options.chipType = "TinyExpr" + std::to_string(units);
    const synth::ChipTruth tiny = SetUpChip(options);
    const synth::ArrayGroupTruth group = synth::MakeArrayGroup(tiny, synth::ArrayGroupOptions{});
    CHIP_DATA baseline;
    CHIP_DATA array;
    Fill(baseline, group, 0, mFolder.File("base.CEL"));
    Fill(array, group, 1, mFolder.File("array1.CEL"));
    mLog.Clear();
    EXPECT_FALSE(array.NormalizeCel(&baseline, false, false, false));
    EXPECT_TRUE(mLog.ContainsRed("    Error: Too few points in the Invariant set"));
    EXPECT_EQ(array.normalised, 0);

    // Matched quantiles need only some perfect-match cell.
    Settings().NORM_METHOD = 1;
    mLog.Clear();
    EXPECT_EQ(array.NormalizeCel(&baseline, false, false, false), units > 0);
    EXPECT_EQ(mLog.ContainsRed("    No perfect-match cells to match quantiles on"), units == 0);
    Settings().NORM_METHOD = 0;
  }
}

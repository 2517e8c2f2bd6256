// Presence calls on arrays whose probe sets are known to be expressed or not, the call
// rules on hand-set probe pairs, mean log ratios next to the call's limit, a noise level
// that cannot divide by zero, every probe set of scanned arrays against the rule taken a
// pair at a time (also for the arrays of a job sharing one table of the layout's cells,
// on masked chips), and the rescaling of intensities.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/job_cell_kinds.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/tests/array_test_support.hpp"

namespace {

// A chip of the given side and probe sets of minPairs to maxPairs pairs.
synth::ChipOptions ChipOf(int dimension, int units, int minPairs, int maxPairs,
                          std::uint64_t seed) {
  synth::ChipOptions options;
  options.dimension = dimension;
  options.unitCount = units;
  options.minPairs = minPairs;
  options.maxPairs = maxPairs;
  options.seed = seed;
  return options;
}

}  // namespace

class PresenceCallTest : public ArrayTest {};

TEST_F(PresenceCallTest, KnownSignalGivesPresentAndAbsent) {
  const synth::ChipTruth chip = SetUpChip(synth::ChipKind::kExpression, 120, 400, 3);
  synth::ArrayGroupOptions options;
  options.arrays = 2;
  options.seed = 9;
  // Clearly absent: the two cells of a pair differ by little more than their rounding.
  options.noise = 0.02;
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, options);
  for (int a = 0; a < 2; ++a) {
    SCOPED_TRACE(a);
    CHIP_DATA array;
    Fill(array, group, a, mFolder.File("array.CEL"));
    array.ComputePresenceCalls();
    int mismatches = 0;
    for (std::size_t u = 0; u < chip.units.size(); ++u)
      mismatches += array.calls[u] != group.present[u] ? 1 : 0;
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(std::count(array.calls.begin(), array.calls.end(), kCallPresent), 100);
    EXPECT_GT(std::count(array.calls.begin(), array.calls.end(), kCallAbsent), 100);
  }
  EXPECT_TRUE(mLog.ContainsRed("    No matching QEX txt file; calculating Presence calls..."));
  EXPECT_TRUE(mLog.Contains("      Gene 0:", kLogBlack));
}

// Probe sets of 11 pairs on a flat array of 100, where the background is 100 and no
// cell lies below it, so the noise is clamped to 1 and pairs differ clearly at 4.
class PresenceRuleTest : public ArrayTest {
 protected:
  void SetUp() override {
    mChip = SetUpChip(ChipOf(60, 20, 11, 11, 12));
    mArray.AllocatePlanes(60);
    std::fill(mArray.plane1.begin(), mArray.plane1.end(), 100);
    mArray.AllocateUnitTables();
  }
  // Sets pair p of unit u to pm and mm.
  void SetPair(int u, int p, std::uint16_t pm, std::uint16_t mm) {
    const synth::ProbePair& pair =
        mChip.units[static_cast<std::size_t>(u)].blocks[0].pairs[static_cast<std::size_t>(p)];
    mArray.plane1[mArray.CellIndex(pair.pm.x, pair.pm.y)] = pm;
    mArray.plane1[mArray.CellIndex(pair.mm.x, pair.mm.y)] = mm;
  }

  synth::ChipTruth mChip;
  CHIP_DATA mArray;
};

TEST_F(PresenceRuleTest, CallRulesOnHandSetPairs) {
  // Differences vary a little from pair to pair: equal ones would leave no pair inside
  // the outlier bounds and so no log score.
  // Unit 0: every pair level. Unit 1: all 11 pairs far apart.
  for (int p = 0; p < 11; ++p) SetPair(1, p, static_cast<std::uint16_t>(1100 + 10 * p), 110);
  // Unit 2: five pairs just clearly up (12 over 8 after the background), one just
  // clearly down, five level: ratio 5, fraction 5/11, log score 10 x 4 x log10(1.5) / 11
  // = 0.64, below 0.9.
  for (int p = 0; p < 5; ++p) SetPair(2, p, 112, 108);
  SetPair(2, 5, 108, 112);
  // Unit 3: ten pairs up by a ratio near 3 and one down: ratio 10, fraction 10/11.
  for (int p = 0; p < 10; ++p) SetPair(3, p, static_cast<std::uint16_t>(130 + p), 110);
  SetPair(3, 10, 110, 130);
  // Unit 4: three pairs up and one down: ratio 3 with a fraction of 3/11, below a third.
  for (int p = 0; p < 3; ++p) SetPair(4, p, static_cast<std::uint16_t>(400 + p), 110);
  SetPair(4, 3, 110, 400);
  mArray.ComputePresenceCalls();
  EXPECT_EQ(mArray.calls[0], kCallAbsent);
  EXPECT_EQ(mArray.calls[1], kCallPresent);
  EXPECT_EQ(mArray.calls[2], kCallMarginal);
  EXPECT_EQ(mArray.calls[3], kCallPresent);
  EXPECT_EQ(mArray.calls[4], kCallAbsent);
}

TEST_F(PresenceRuleTest, NoiseOfZeroOrNoneIsTakenAsOne) {
  // No cell lies below the background, so there is no noise to measure.
  for (int p = 0; p < 11; ++p) SetPair(1, p, static_cast<std::uint16_t>(1100 + 10 * p), 100);
  mArray.ComputePresenceCalls();
  EXPECT_EQ(mArray.calls[0], kCallAbsent);
  EXPECT_EQ(mArray.calls[1], kCallPresent);

  // A scanned array whose standard errors are all 0 calls as one whose errors are 1.
  synth::ArrayGroupOptions options;
  options.arrays = 1;
  Fill(mArray, synth::MakeArrayGroup(mChip, options), 0, mFolder.File("array.CEL"));
  std::fill(mArray.plane2.begin(), mArray.plane2.end(), 0);
  mArray.ComputePresenceCalls();
  const std::vector<char> fromZero = mArray.calls;
  std::fill(mArray.plane2.begin(), mArray.plane2.end(), 1);
  mArray.ComputePresenceCalls();
  EXPECT_EQ(fromZero, mArray.calls);
  EXPECT_GT(std::count(fromZero.begin(), fromZero.end(), kCallPresent), 0);
}

TEST_F(PresenceRuleTest, ScalingMovesTheMedianAndClamps) {
  mArray.dataPath = mFolder.File("scaled.CEL");
  mArray.medianIntensity = 200;
  mArray.plane1[0] = 201;
  mArray.plane1[1] = 40000;
  ASSERT_TRUE(mArray.ScaleIntensities(400));
  EXPECT_EQ(mArray.medianIntensity, 400);
  EXPECT_EQ(mArray.plane1[0], 402);
  EXPECT_EQ(mArray.plane1[1], 65535);
  EXPECT_EQ(mArray.plane1[2], 200);
  CHIP_DATA saved;
  ASSERT_TRUE(saved.ReadExisting(mFolder.File("scaled.qvf").c_str(), false, false));
  EXPECT_EQ(saved.plane1, mArray.plane1);
  EXPECT_EQ(saved.medianIntensity, 400);

  mArray.medianIntensity = 0;
  const std::vector<std::uint16_t> before = mArray.plane1;
  EXPECT_FALSE(mArray.ScaleIntensities(400));
  EXPECT_TRUE(mLog.ContainsRed(
      "    Cannot scale intensities to median 400: the array's median intensity is 0"));
  EXPECT_EQ(mArray.plane1, before);
}

// Probe sets of five pairs, so that every pair counts: two pairs at a ratio of 1.5, two
// level ones and a fifth chosen so that the mean log ratio lands within a few millionths
// of the limit of 0.9, either side, where float logarithms could decide either way. The
// call must be the one the exact mean of log10 of each pair's ratio gives.
class PresenceLimitTest : public ArrayTest {};

TEST_F(PresenceLimitTest, MeansNextToTheLimitAreDecidedByTheExactLogarithms) {
  const synth::ChipTruth chip = SetUpChip(ChipOf(200, 1500, 5, 5, 31));
  CHIP_DATA array;
  array.AllocatePlanes(200);
  std::fill(array.plane1.begin(), array.plane1.end(), 100);
  array.AllocateUnitTables();
  std::mt19937 random(5);
  std::vector<char> expected(chip.units.size(), kCallAbsent);
  int present = 0;
  int nearest = 0;
  // Every tenth probe set stays level at the background of 100, which keeps it there.
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    if (u % 10 == 0) continue;
    const auto& pairs = chip.units[u].blocks[0].pairs;
    std::array<int, 5> perfect{1500, 1500, 0, 0, 0};
    std::array<int, 5> mismatch{1000, 1000, 0, 0, 0};
    for (const int p : {2, 3}) {
      mismatch[static_cast<std::size_t>(p)] =
          std::uniform_int_distribution<int>(1000, 3000)(random);
      perfect[static_cast<std::size_t>(p)] = mismatch[static_cast<std::size_t>(p)] + 20;
    }
    const auto sumOf = [&](int pairCount) {
      double sum = 0.0;
      for (int p = 0; p < pairCount; ++p)
        sum += std::log10(static_cast<double>(perfect[static_cast<std::size_t>(p)]) /
                          mismatch[static_cast<std::size_t>(p)]);
      return sum;
    };
    // The fifth pair's mismatch from a range wide enough to come close to any target.
    const double target = 0.9 + std::uniform_real_distribution<double>(-4e-6, 4e-6)(random);
    const double first = sumOf(4);
    double best = 1.0;
    for (int mm = 20000; mm < 24000; ++mm) {
      const double wanted = mm * std::pow(10.0, target * 5 / 10 - first);
      const int pm = static_cast<int>(std::lround(wanted));
      const double score = 10.0 * (first + std::log10(static_cast<double>(pm) / mm)) / 5;
      if (std::abs(score - target) < best) {
        best = std::abs(score - target);
        perfect[4] = pm;
        mismatch[4] = mm;
      }
    }
    const double score = 10.0 * sumOf(5) / 5;
    expected[u] = score >= 0.9 ? kCallPresent : kCallAbsent;
    present += expected[u] == kCallPresent ? 1 : 0;
    nearest += std::abs(score - 0.9) < 1e-6 ? 1 : 0;
    for (std::size_t p = 0; p < 5; ++p) {
      array.plane1[array.CellIndex(pairs[p].pm.x, pairs[p].pm.y)] =
          static_cast<std::uint16_t>(100 + perfect[p]);
      array.plane1[array.CellIndex(pairs[p].mm.x, pairs[p].mm.y)] =
          static_cast<std::uint16_t>(100 + mismatch[p]);
    }
  }
  ASSERT_GT(present, 300);
  ASSERT_LT(present, 1000);
  ASSERT_GT(nearest, 100);
  array.ComputePresenceCalls();
  int wrong = 0;
  for (std::size_t u = 0; u < chip.units.size(); ++u)
    wrong += array.calls[u] != expected[u] ? 1 : 0;
  EXPECT_EQ(wrong, 0);
}

namespace {

// The call of one probe set as the rule states it, a pair at a time with exact
// logarithms, from the array's own background and noise.
char CallByTheRule(const CHIP_DATA& array, int unit, double background, double noise) {
  const int side = Layout.dimension;
  std::vector<double> perfects;
  std::vector<double> mismatches;
  std::vector<double> differences;
  int positives = 0;
  int negatives = 0;
  for (const PairPositions& pair : Layout.Positions(unit)) {
    const auto on = [&](const ProbePosition& cell) {
      return cell.x >= 0 && cell.x < side && cell.y >= 0 && cell.y < side;
    };
    if (!on(pair[0]) || !on(pair[1])) continue;
    const auto sideOf = [&](const ProbePosition& cell) {
      const double value = array.plane1[array.CellIndex(cell.x, cell.y)] - background;
      return value > 0.0 ? value : noise;
    };
    const double pm = sideOf(pair[1]);
    const double mm = sideOf(pair[0]);
    if (pm - mm >= 4.0 * noise && pm / mm >= 1.5)
      ++positives;
    else if (mm - pm >= 4.0 * noise && mm / pm >= 1.5)
      ++negatives;
    perfects.push_back(pm);
    mismatches.push_back(mm);
    differences.push_back(pm - mm);
  }
  const int pairs = static_cast<int>(perfects.size());
  if (pairs == 0) return kCallAbsent;
  const double fraction = static_cast<double>(positives) / pairs;
  const double ratio = negatives > 0 ? static_cast<double>(positives) / negatives : -1.0;
  const auto strong = [&] {
    double low = 0.0;
    double high = 0.0;
    if (pairs >= 9) OutlierBounds(differences.data(), pairs, &low, &high);
    double sum = 0.0;
    int counted = 0;
    for (int i = 0; i < pairs; ++i) {
      const auto at = static_cast<std::size_t>(i);
      if (pairs >= 9 && !(differences[at] > low && differences[at] < high)) continue;
      sum += std::log10(perfects[at] / mismatches[at]);
      ++counted;
    }
    return counted > 0 && 10.0 * sum / counted >= 0.9;
  };
  if (ratio < 0.0 || (ratio >= 3.0 && ratio < 4.0))
    return fraction >= 0.33 && strong() ? kCallPresent : kCallAbsent;
  if (ratio < 3.0 || fraction < 0.33) return kCallAbsent;
  if (fraction < 0.43) return strong() ? kCallPresent : kCallAbsent;
  return strong() ? kCallPresent : kCallMarginal;
}

}  // namespace

// Probe sets of 1 to 20 pairs on scanned arrays, some cells set at and just around the
// background, some pairs a cell off the array, one array with errors of 1 so that the
// threshold is exactly 4: every probe set's call is the rule's.
TEST_F(PresenceCallTest, EveryProbeSetIsCalledByThePairByPairRule) {
  const synth::ChipTruth chip = SetUpChip(ChipOf(90, 300, 1, 20, 23));
  // A pair in every 37 loses a cell off the array, on either side of the square.
  const auto kept = Layout.positions;
  for (std::size_t p = 5; p < Layout.positions.size(); p += 37)
    Layout.positions[p][p % 2].x = static_cast<std::int16_t>(p % 3 == 0 ? -1 : 90);
  synth::ArrayGroupOptions groupOptions;
  groupOptions.arrays = 4;
  groupOptions.seed = 4;
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, groupOptions);
  std::mt19937 random(17);
  int present = 0;
  int marginal = 0;
  for (int a = 0; a < groupOptions.arrays; ++a) {
    SCOPED_TRACE(a);
    CHIP_DATA array;
    Fill(array, group, a, mFolder.File("array.CEL"));
    if (a == 1) std::fill(array.plane2.begin(), array.plane2.end(), 1);
    const auto level = static_cast<int>(array.GetQuantile(0.02, false));
    for (std::size_t c = 0; c < array.plane1.size(); c += 7)
      array.plane1[c] = static_cast<std::uint16_t>(
          std::max(0, level + std::uniform_int_distribution<int>(-3, 6)(random)));
    array.ComputePresenceCalls();
    const double background = static_cast<int>(array.GetQuantile(0.02, false));
    double errorSum = 0.0;
    int errorCells = 0;
    for (std::size_t c = 0; c < array.plane1.size(); ++c) {
      if (Layout.cells[c].kind == kCellNoUnit || array.plane1[c] >= background) continue;
      errorSum += array.plane2[c];
      ++errorCells;
    }
    const double noise = errorCells > 0 ? std::max(1.0, errorSum / errorCells) : 1.0;
    if (a == 1) {
      EXPECT_EQ(noise, 1.0);
    }
    int wrong = 0;
    for (int u = 0; u < Layout.unitCount; ++u)
      wrong +=
          array.calls[static_cast<std::size_t>(u)] != CallByTheRule(array, u, background, noise);
    EXPECT_EQ(wrong, 0);
    present += static_cast<int>(std::count(array.calls.begin(), array.calls.end(), kCallPresent));
    marginal += static_cast<int>(std::count(array.calls.begin(), array.calls.end(), kCallMarginal));
  }
  Layout.positions = kept;
  EXPECT_GT(present, 100);
  EXPECT_GT(marginal, 0);
}

namespace {

// The q-quantile of every 9th cell of a perfect match or mismatch, the layout's records
// read one by one.
double QuantileFromTheRecords(const std::vector<std::uint16_t>& plane, double q) {
  std::vector<std::uint16_t> sample;
  for (std::size_t c = 0; c < Layout.cells.size(); c += 9)
    if (Layout.cells[c].kind == kCellMismatch || Layout.cells[c].kind == kCellPerfectMatch)
      sample.push_back(plane[c]);
  return SelectQuantile(std::span<const std::uint16_t>(sample), q);
}

}  // namespace

// Chips with masked pairs and probe sets and pairs off the array, arrays with outlying
// cells in their pairs and cells about the background: within a job, whose arrays share
// one table of the layout's cells, every quantile is that of the records read one by one,
// every probe set's call the rule's, and the calls those of arrays read each on its own.
TEST_F(PresenceCallTest, ArraysOfAJobAreCalledAsTheLayoutsRecordsGive) {
  std::mt19937 random(29);
  int calledPresent = 0;
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    synth::ChipOptions options = ChipOf(70 + 20 * c, 150 + 100 * c, 1, 20, 40 + c);
    options.chipType = "CELLKINDS" + std::to_string(c);
    const synth::ChipTruth chip = MakeChip(options);
    const std::string mask = mFolder.File("mask.txt");
    ASSERT_TRUE(synth::WriteMask(synth::MakeMask(chip, 11 + c), mask));
    ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf), true, mask));
    ASSERT_LT(Layout.unitCount, static_cast<int>(chip.units.size()));
    for (std::size_t p = 3; p < Layout.positions.size(); p += 41)
      Layout.positions[p][p % 2].y = static_cast<std::int16_t>(p % 3 == 0 ? -1 : options.dimension);
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = 5;
    groupOptions.seed = 50 + c;
    const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, groupOptions);
    std::vector<CHIP_DATA> arrays(static_cast<std::size_t>(groupOptions.arrays));
    std::optional<JobCellKinds> job(std::in_place);
    for (int a = 0; a < groupOptions.arrays; ++a) {
      SCOPED_TRACE(a);
      CHIP_DATA& array = arrays[static_cast<std::size_t>(a)];
      Fill(array, group, a, mFolder.File("array.CEL"));
      const auto level = static_cast<int>(QuantileFromTheRecords(array.plane1, 0.02));
      std::uniform_int_distribution<std::size_t> anyCell(0, array.plane1.size() - 1);
      for (int k = 0; k < 400; ++k) {
        const std::size_t cell = anyCell(random);
        array.plane1[cell] = k % 3 == 0   ? 65535
                             : k % 3 == 1 ? 0
                                          : static_cast<std::uint16_t>(level);
      }
      for (const double q : {0.02, 0.5, 0.9}) {
        EXPECT_EQ(array.GetQuantile(q, false), QuantileFromTheRecords(array.plane1, q));
        EXPECT_EQ(array.GetQuantile(q, true), QuantileFromTheRecords(array.plane2, q));
      }
      array.ComputePresenceCalls();
      const double background = static_cast<int>(QuantileFromTheRecords(array.plane1, 0.02));
      double errorSum = 0.0;
      int errorCells = 0;
      for (std::size_t cell = 0; cell < array.plane1.size(); ++cell) {
        if (Layout.cells[cell].kind == kCellNoUnit || array.plane1[cell] >= background) continue;
        errorSum += array.plane2[cell];
        ++errorCells;
      }
      const double noise = errorCells > 0 ? std::max(1.0, errorSum / errorCells) : 1.0;
      int wrong = 0;
      for (int u = 0; u < Layout.unitCount; ++u)
        wrong +=
            array.calls[static_cast<std::size_t>(u)] != CallByTheRule(array, u, background, noise);
      EXPECT_EQ(wrong, 0);
      calledPresent +=
          static_cast<int>(std::count(array.calls.begin(), array.calls.end(), kCallPresent));
    }
    // Read each on its own, with a table made for it alone.
    job.reset();
    for (CHIP_DATA& array : arrays) {
      const std::vector<char> inTheJob = array.calls;
      array.ComputePresenceCalls();
      EXPECT_EQ(array.calls, inTheJob);
    }
  }
  EXPECT_GT(calledPresent, 200);
}

// The curve of the LOH-call type and its permutation: the weighted mean over the groups
// along the genome order, the one-group and many-group cases, a fixed seed, and on the
// generator's planted losses a genome-wide threshold that the planted markers pass and
// markers without signal pass no more often than the level allows.
#include "genome/inference/chromosome_curve.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/group/sample_info.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_curve.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

namespace {

class CurveTest : public GenomeFixture {
 protected:
  void SetUp() override {
    GenomeFixture::SetUp();
    ArrayType = 1;
    SampleInfo.Clear();
    PermuteUseInferred = false;
    chromosome = CHROMOSOME{};
    chromosome.dataType = kDataLohCall;
    chromosome.method = kChroLoh;
  }
  void TearDown() override {
    chromosome.Clear();
    SampleInfo.Clear();
    GenomeFixture::TearDown();
  }

  void AddArrays(int count) {
    for (int i = 1; i <= count; ++i) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot = ArraySlot{};
      slot.name = "a" + std::to_string(i);
      ASSERT_TRUE(TheGroup().CountArray());
    }
  }
  // Units laid on three autosomes and X, the genome order taking them in the order given.
  static void PlaceUnits(const std::vector<int>& order, const std::vector<int>& onX) {
    genome_info.Unit.assign(order.size(), UNIT_POS{});
    for (std::size_t i = 0; i < order.size(); ++i) {
      const bool x = std::find(onX.begin(), onX.end(), order[i]) != onX.end();
      UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(order[i])];
      unit.chro = static_cast<std::int16_t>(x ? 22 : static_cast<int>(3 * i / order.size()));
      unit.pos = static_cast<float>(i);
    }
    genome_info.genomeOrder = order;
  }
  // The generator's groups of one sample each (the default SNP grouping), their
  // retention probabilities along the markers in order.
  void LoadSingles(const synth::CurveData& data) {
    const int groups = static_cast<int>(data.lohProbability.size());
    const int markers = static_cast<int>(data.planted.size());
    AddArrays(groups);
    SampleGrouping.SetDefaultGrouping();
    SampleGrouping.FillSampleVariable(1.0);  // every sample counted alike
    std::vector<int> order(static_cast<std::size_t>(markers));
    for (int i = 0; i < markers; ++i) order[static_cast<std::size_t>(i)] = i;
    PlaceUnits(order, {});
    ASSERT_TRUE(chromosome.Allocate(groups, markers, TablesFor(kChroLoh, true, false)));
    for (int g = 0; g < groups; ++g)
      for (int i = 0; i < markers; ++i)
        chromosome.lohCodes.Row(g)[i] =
            1 - data.lohProbability[static_cast<std::size_t>(g)][static_cast<std::size_t>(i)];
  }
  float Summary(int unit) const {
    return chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataLohCall];
  }
  void SetLevel(double level) {
    TheGroup().Settings().SIG_GENE_PVALUE = level;
    TheGroup().Settings().ANOVA_FACTOR = "None";
  }
};

TEST_F(CurveTest, ObservedCurveIsTheWeightedMeanOfTheTumoursAlongTheGenomeOrder) {
  AddArrays(6);
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(
      WriteFile("info.txt", "Array\tName\tScore (numeric)\na1\t\t1\na3\t\t2\na5\t\t\n")));
  SampleGrouping.ReadArrayListFile(
      WriteFile("list.txt", "a1\na2\nStandardize\na3\na4\nStandardize\na5\na6\n"));
  ASSERT_EQ(SampleGrouping.GroupCount(), 3);
  ASSERT_TRUE(SampleGrouping.SetSampleVariable(0, "Score (numeric)", false));
  // Unit 4 lies on X; the order visits the units out of index order.
  PlaceUnits({3, 0, 4, 1, 2}, {4});
  ASSERT_TRUE(chromosome.Allocate(6, 5, TablesFor(kChroLoh, true, false)));
  for (int s = 0; s < 6; ++s)
    for (int u = 0; u < 5; ++u)
      chromosome.lohCodes.Row(s)[u] = s % 2 == 0 ? 0.0f : 0.1f * static_cast<float>(u + s);

  float low = 5, high = 5;
  ASSERT_TRUE(chromosome.ComputeCurve(false, &low, &high));
  EXPECT_EQ(low, kMissingValueFloat);
  EXPECT_EQ(high, kMissingValueFloat);
  EXPECT_EQ(chromosome.groupShift.size(), 3u);
  for (int u : {0, 1, 2, 3}) {
    // The tumours (second samples) of the first two groups, weights 1 and 2; the third
    // group, without a weight, counts only in the divisor.
    const float loh1 = 1 - 0.1f * static_cast<float>(u + 1);
    const float loh3 = 1 - 0.1f * static_cast<float>(u + 3);
    EXPECT_NEAR(Summary(u), (loh1 + 2 * loh3) / 3, 1e-6) << u;
  }
  EXPECT_EQ(Summary(4), kMissingValueFloat);
  chromosome.SetRangeFromCurve();
  EXPECT_NEAR(chromosome.Min[kDataLohCall], Summary(3), 1e-6);
  EXPECT_NEAR(chromosome.Max[kDataLohCall], Summary(0), 1e-6);
}

TEST_F(CurveTest, OneGroupShiftsOnlyMoveTheCurveAndManyGroupsEachGetAShift) {
  synth::CurvePlan plan;
  plan.groups = 1;
  plan.markers = 500;
  LoadSingles(synth::DrawCurveData(plan));
  ASSERT_TRUE(chromosome.ComputeCurve(false, nullptr, nullptr));
  float observedLow = 2, observedHigh = -2;
  for (int u = 0; u < plan.markers; ++u) {
    observedLow = std::min(observedLow, Summary(u));
    observedHigh = std::max(observedHigh, Summary(u));
  }
  ASSERT_LT(observedLow, observedHigh);
  set_seed(11, 12);
  for (int round = 0; round < 20; ++round) {
    float low = 0, high = 0;
    ASSERT_TRUE(chromosome.ComputeCurve(true, &low, &high));
    EXPECT_EQ(low, observedLow);
    EXPECT_EQ(high, observedHigh);
  }

  // The default grouping of SNP arrays makes a group of every array, here past 60.
  chromosome.Clear();
  DiscardGroup();
  StartGroup(mFolder.Path().string());
  plan.groups = 70;
  LoadSingles(synth::DrawCurveData(plan));
  ASSERT_EQ(SampleGrouping.GroupCount(), 70);
  float low = 0, high = 0;
  ASSERT_TRUE(chromosome.ComputeCurve(true, &low, &high));
  ASSERT_EQ(chromosome.groupShift.size(), 70u);
  for (const int shift : chromosome.groupShift) {
    EXPECT_GE(shift, 0);
    EXPECT_LE(shift, plan.markers - 2);
  }
  EXPECT_LE(low, high);
}

TEST_F(CurveTest, SignificantCopyNumbersCountAsNotLostAndAMissingFactorStopsThePermutation) {
  synth::CurvePlan plan;
  plan.groups = 2;
  plan.markers = 40;
  LoadSingles(synth::DrawCurveData(plan));
  chromosome.Clear();
  ASSERT_TRUE(chromosome.Allocate(2, 40, TablesFor(kChroCopyNumber, true, false)));
  for (int g = 0; g < 2; ++g)
    for (int u = 0; u < 40; ++u) {
      chromosome.lohCodes.Row(g)[u] = 0.25f;
      chromosome.inferred.Row(g)[u] = u < 10 && g == 0 ? 4.0f : 2.0f;
    }
  chromosome.Min[kDataCopyNumber] = 0.5f;
  chromosome.Max[kDataCopyNumber] = 3.5f;
  PermuteUseInferred = true;
  ASSERT_TRUE(chromosome.ComputeCurve(false, nullptr, nullptr));
  EXPECT_EQ(chromosome.useMinMax, 1);
  for (int u = 0; u < 40; ++u) EXPECT_FLOAT_EQ(Summary(u), u < 10 ? 0.375f : 0.75f) << u;
  PermuteUseInferred = false;

  TheGroup().Settings().SIG_GENE_PVALUE = 0.05;
  TheGroup().Settings().ANOVA_FACTOR = "Response (numeric)";
  CapturedLog log;
  EXPECT_FALSE(chromosome.PermuteCurve());
  EXPECT_TRUE(
      log.Contains("  Correlate 'Response (numeric)' with LOH call data at the genome-wide 0.050 "
                   "significance level",
                   kLogBlack));
  EXPECT_EQ(chromosome.permuteRounds, 0);
}

TEST_F(CurveTest, PlantedLossesPassTheGenomeWideThresholdAndNullMarkersRarelyDo) {
  constexpr double kLevel = 0.05;
  synth::CurvePlan plan;
  plan.planted = {{1200, 1299}};
  plan.seed = 5;
  const synth::CurveData data = synth::DrawCurveData(plan);
  LoadSingles(data);
  SetLevel(kLevel);
  set_seed(3, 4);
  ASSERT_TRUE(chromosome.PermuteCurve());
  const float max = chromosome.Max[kDataLohCall];
  EXPECT_EQ(chromosome.Threshold[kDataLohCall], max);
  EXPECT_LT(chromosome.Min[kDataLohCall], max);
  int plantedAbove = 0, otherAbove = 0;
  for (int u = 0; u < plan.markers; ++u)
    (data.planted[static_cast<std::size_t>(u)] ? plantedAbove : otherAbove) += Summary(u) >= max;
  EXPECT_EQ(plantedAbove, 100);
  EXPECT_EQ(otherAbove, 0);

  // The same seed gives the same thresholds.
  const float min = chromosome.Min[kDataLohCall];
  set_seed(3, 4);
  ASSERT_TRUE(chromosome.PermuteCurve());
  EXPECT_EQ(chromosome.Max[kDataLohCall], max);
  EXPECT_EQ(chromosome.Min[kDataLohCall], min);

  // A stop ends the permutation unfinished, the thresholds as they were.
  {
    ScriptedProgress progress;
    progress.stopAtPoll = 5;
    chromosome.Max[kDataLohCall] = 7;
    EXPECT_FALSE(chromosome.PermuteCurve());
    EXPECT_EQ(chromosome.Max[kDataLohCall], 7);
  }

  // Without a planted signal a curve passes its genome-wide 5% threshold somewhere in
  // about 1 of 20 genomes; 5 or more of 20 happens by chance with probability 0.003.
  int passing = 0;
  for (std::uint64_t seed = 100; seed < 120; ++seed) {
    plan.planted.clear();
    plan.seed = seed;
    chromosome.Clear();
    DiscardGroup();
    StartGroup(mFolder.Path().string());
    LoadSingles(synth::DrawCurveData(plan));
    SetLevel(kLevel);
    set_seed(static_cast<unsigned>(seed), 7);
    ASSERT_TRUE(chromosome.PermuteCurve());
    bool any = false;
    for (int u = 0; u < plan.markers; ++u) any = any || Summary(u) >= chromosome.Max[kDataLohCall];
    passing += any;
  }
  EXPECT_LE(passing, 4);
}

}  // namespace

// Copy number by the hidden Markov model on the generator's planted gains and losses,
// recovered marker by marker within a bound set by the noise; the copy-state layout; and
// the cases that used to go wrong: references that cannot scale, parental states past the
// level table, a zero step.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/copy_number.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_copy_number.hpp"

namespace {

constexpr float kSpacingBp = 30000;

// A genome of the given chromosome sizes, the units numbered along it 30 kb apart.
GENOME_INFO Genome(const std::vector<int>& sizes) {
  GENOME_INFO genome;
  int unit = 0;
  genome.NumChro = static_cast<int>(sizes.size());
  for (std::size_t c = 0; c < sizes.size(); ++c) {
    for (int k = 0; k < sizes[c]; ++k, ++unit) {
      UNIT_POS pos;
      pos.chro = static_cast<std::int16_t>(c);
      pos.pos = static_cast<float>(k + 1) * kSpacingBp;
      genome.Unit.push_back(pos);
      genome.posList[c].push_back({pos.pos, unit});
    }
  }
  return genome;
}

// Chromosome data of the generated samples, the reference statistics taken from the
// generated normals as the gathering takes them.
void Load(CHROMOSOME& chro, const synth::CopyArrays& arrays, bool parentSpecific) {
  const int samples = static_cast<int>(arrays.signal.size());
  const int units = static_cast<int>(arrays.mean.size());
  ASSERT_TRUE(chro.Allocate(samples, units, TablesFor(kChroCopyNumber, true, parentSpecific)));
  for (int s = 0; s < samples; ++s) {
    for (int u = 0; u < units; ++u) {
      chro.signal.Row(s)[u] = arrays.signal[s][u];
      if (parentSpecific) chro.secondSignal.Row(s)[u] = arrays.signalB[s][u];
    }
  }
  for (int u = 0; u < units; ++u) {
    double sum = 0, squares = 0;
    for (const auto& normal : arrays.normal) sum += normal[u];
    const double mean = sum / static_cast<double>(arrays.normal.size());
    for (const auto& normal : arrays.normal) squares += (normal[u] - mean) * (normal[u] - mean);
    MarkerStats& stats = chro.markerStats[u];
    stats.mean = static_cast<float>(mean);
    stats.sd = static_cast<float>(std::sqrt(squares / (arrays.normal.size() - 1)));
    // A two-copy A signal: the generator's mean at two copies of one allele.
    stats.meanA = stats.meanB = arrays.mean[u];
    stats.sdA = stats.sdB = arrays.sd[u];
  }
}

CopyNumberRun RunOver(const GENOME_INFO& genome, bool parentSpecific) {
  CopyNumberRun run;
  run.genome = &genome;
  run.parentSpecific = parentSpecific;
  return run;
}

synth::CopyPlan Plan(std::uint64_t seed) {
  synth::CopyPlan plan;
  plan.markers = 6000;
  plan.samples = 3;
  plan.seed = seed;
  plan.spread = 0.25;
  plan.segments = {{0, 500, 899, 1},   {0, 2000, 2199, 3}, {0, 4100, 4700, 0}, {1, 300, 1299, 4},
                   {1, 3500, 3560, 1}, {2, 1000, 1100, 6}, {2, 5000, 5999, 3}};
  return plan;
}

TEST(CopyNumberTest, DefaultLayoutHasFifteenLevels) {
  CHROMOSOME chro;
  ASSERT_TRUE(chro.SetCopyLayout(false, 1.0f));
  const std::vector<float> expected = {0, 1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 18, 21, 25, 30};
  ASSERT_EQ(chro.CopyStateCount(), 15);
  for (int s = 0; s < 15; ++s) {
    EXPECT_EQ(chro.CopyLevel(s), expected[s]);
    EXPECT_EQ(chro.CopyState(expected[s]), s);
  }
  EXPECT_EQ(chro.CopyState(2.0f), 2);
  EXPECT_EQ(chro.CopyState(7.0f), 7);     // between 6 and 8: the level above
  EXPECT_EQ(chro.CopyState(100.0f), 14);  // beyond the table: its last level
  EXPECT_EQ(chro.CopyState(kMissingValueFloat), 0);
  EXPECT_EQ(chro.CopyState(-std::numeric_limits<float>::infinity()), 0);
  ASSERT_TRUE(chro.SetCopyLayout(false, 0.5f));
  EXPECT_EQ(chro.copySteps, 6);
  EXPECT_EQ(chro.CopyStateCount(), 18);
  EXPECT_EQ(chro.CopyLevel(5), 2.5f);
  EXPECT_EQ(chro.CopyLevel(6), 3.0f);
  EXPECT_EQ(chro.CopyState(2.0f), 4);
}

TEST(CopyNumberTest, ParentalStatesStayInsideTheLevelTable) {
  CHROMOSOME chro;
  // Step 1 has 15 distinct parental levels (0, 1, then 2 to 30); the states past them
  // would have read beyond the table.
  ASSERT_TRUE(chro.SetCopyLayout(true, 1.0f));
  EXPECT_EQ(chro.ParentalStateCount(), 15);
  EXPECT_EQ(chro.CopyLevel(14), 30.0f);
  EXPECT_EQ(chro.CopyLevel(19), 30.0f);
  const ParentPairs pairs = MakeParentPairs(chro.ParentalStateCount());
  EXPECT_EQ(pairs.first.size(), 120u);
  ASSERT_TRUE(chro.SetCopyLayout(true, 0.25f));
  EXPECT_EQ(chro.ParentalStateCount(), 20);
  EXPECT_EQ(MakeParentPairs(20).first.size(), 210u);
  float a = 0, b = 0;
  // A cell holding state numbers beyond the layout decodes to the last level.
  chro.DecodeParentCopies(EncodeParentStates(3, 400), &a, &b);
  EXPECT_EQ(a, 0.75f);
  EXPECT_EQ(b, chro.CopyLevel(19));
  chro.DecodeParentCopies(kMissingValueFloat, &a, &b);
  EXPECT_EQ(a, kMissingValueFloat);
}

TEST(CopyNumberTest, ZeroStepIsRefused) {
  CapturedLog log;
  CHROMOSOME chro;
  EXPECT_FALSE(chro.SetCopyLayout(false, 0.0f));
  EXPECT_FALSE(chro.SetCopyLayout(false, -1.0f));
  EXPECT_TRUE(log.ContainsRed(kCopyStepRefusedMessage));
  EXPECT_EQ(chro.copyStep, 1.0f);
}

// Markers whose inferred copy number is not the planted one. With spread 0.25 the signal
// of c copies has spread 0.5 max(c/2, 0.5) copies around c, so one marker alone is misread
// between neighbouring levels about one time in six; the model reads runs, and what it
// misses lies at the stretch ends, where a marker or two cannot say on which side it is.
int Misread(const CHROMOSOME& chro, const synth::CopyArrays& arrays, int sample) {
  int wrong = 0;
  for (std::size_t u = 0; u < arrays.mean.size(); ++u)
    wrong += chro.inferred.Row(sample)[u] != arrays.copies[sample][u] ? 1 : 0;
  return wrong;
}

TEST(CopyNumberTest, PlantedGainsAndLossesAreRecovered) {
  CapturedLog log;
  const GENOME_INFO genome = Genome({2500, 2000, 1500});
  for (std::uint64_t seed : {1, 2}) {
    const synth::CopyArrays arrays = synth::DrawCopyArrays(Plan(seed));
    CHROMOSOME chro;
    Load(chro, arrays, false);
    ASSERT_TRUE(chro.SetCopyLayout(false, 1.0f));
    for (int s = 0; s < 3; ++s) {
      ASSERT_TRUE(chro.InferCopyNumber(s, RunOver(genome, false)));
      // At most two markers at each end of a planted stretch (fourteen ends).
      EXPECT_LE(Misread(chro, arrays, s), 28) << "sample " << s << " seed " << seed;
    }
  }
  EXPECT_FALSE(log.ContainsRed("missing"));
}

TEST(CopyNumberTest, ParentSpecificCopiesAreRecovered) {
  CapturedLog log;
  synth::CopyPlan plan;
  plan.markers = 3000;
  plan.samples = 1;
  plan.parentSpecific = true;
  plan.spread = 0.25;
  plan.segments = {{0, 400, 999, 0, 0, 1}, {0, 1500, 1999, 0, 1, 2}, {0, 2400, 2799, 0, 2, 2}};
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  const GENOME_INFO genome = Genome({1500, 1500});
  CHROMOSOME chro;
  Load(chro, arrays, true);
  ASSERT_TRUE(chro.SetCopyLayout(true, 1.0f));
  ASSERT_TRUE(chro.InferCopyNumber(0, RunOver(genome, true)));
  int wrong = 0;
  for (int u = 0; u < plan.markers; ++u) {
    float a = 0, b = 0;
    chro.DecodeParentCopies(chro.inferred.Row(0)[u], &a, &b);
    ASSERT_LE(std::max(a, b), 30.0f);
    // The parents cannot be told apart: the pair is read without its order.
    const float lowTruth = std::min(arrays.firstParent[0][u], arrays.secondParent[0][u]);
    const float highTruth = std::max(arrays.firstParent[0][u], arrays.secondParent[0][u]);
    wrong += std::min(a, b) != lowTruth || std::max(a, b) != highTruth ? 1 : 0;
  }
  // Homozygous markers tell only the sum, so an end may drift further: four markers at
  // each of the six ends.
  EXPECT_LE(wrong, 24);
}

TEST(CopyNumberTest, UnusableReferencesBecomeMissingWithAWarning) {
  const GENOME_INFO genome = Genome({400});
  synth::CopyPlan plan;
  plan.markers = 400;
  plan.samples = 1;
  plan.segments = {{0, 100, 199, 4}};
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  CHROMOSOME chro;
  Load(chro, arrays, false);
  ASSERT_TRUE(chro.SetCopyLayout(false, 1.0f));
  // One normal sample leaves no spread; a zero or negative mean cannot scale. Both
  // used to give infinite or undefined emissions that pinned the path to no copy.
  for (int u = 20; u < 40; ++u) chro.markerStats[u].sd = 0;
  for (int u = 140; u < 150; ++u) chro.markerStats[u].mean = 0;
  for (int u = 150; u < 160; ++u) chro.markerStats[u].mean = -5;
  CapturedLog log;
  ASSERT_TRUE(chro.InferCopyNumber(0, RunOver(genome, false)));
  EXPECT_TRUE(log.ContainsRed("at 40 markers of sample 0"));
  for (int u = 20; u < 40; ++u) EXPECT_EQ(chro.inferred.Row(0)[u], 2.0f) << u;
  for (int u = 140; u < 160; ++u) EXPECT_EQ(chro.inferred.Row(0)[u], 4.0f) << u;
  // Nothing unscalable left: every marker read.
  for (int u = 0; u < 400; ++u) chro.markerStats[u].sd = std::max(chro.markerStats[u].sd, 1.0f);
  for (int u = 0; u < 400; ++u) chro.markerStats[u].mean = arrays.mean[u];
  log.Clear();
  ASSERT_TRUE(chro.InferCopyNumber(0, RunOver(genome, false)));
  EXPECT_FALSE(log.ContainsRed("taken as missing"));
}

TEST(CopyNumberTest, PairedNormalOfAMaleIsDoubledOnX) {
  // 23 chromosomes of 150 markers; the tumour equals its normal, a male: one X copy in
  // each, so the doubled normal reads the tumour's X as one copy, the autosomes as two.
  const GENOME_INFO genome = Genome(std::vector<int>(23, 150));
  synth::CopyPlan plan;
  plan.markers = 23 * 150;
  plan.samples = 1;
  plan.segments = {{0, 22 * 150, 23 * 150 - 1, 1}};
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  CHROMOSOME chro;
  ASSERT_TRUE(chro.Allocate(2, plan.markers, TablesFor(kChroCopyNumber, true, false)));
  for (int u = 0; u < plan.markers; ++u) {
    chro.signal.Row(0)[u] = chro.signal.Row(1)[u] = arrays.signal[0][u];
    chro.markerStats[u].mean = arrays.mean[u];
    chro.markerStats[u].sd = arrays.sd[u] * 0.5f;
  }
  ASSERT_TRUE(chro.SetCopyLayout(false, 1.0f));
  CopyNumberRun run = RunOver(genome, false);
  run.pairedNormal = true;
  run.referenceSample = 0;
  run.referenceMale = true;
  ASSERT_TRUE(chro.InferCopyNumber(1, run));
  for (int u = 0; u < plan.markers; ++u)
    ASSERT_EQ(chro.inferred.Row(1)[u], u < 22 * 150 ? 2.0f : 1.0f) << u;
}

TEST(CopyNumberTest, StopEndsTheRunWithItsLine) {
  const GENOME_INFO genome = Genome({300, 300, 300});
  synth::CopyPlan plan;
  plan.markers = 900;
  plan.samples = 1;
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  CHROMOSOME chro;
  Load(chro, arrays, false);
  ASSERT_TRUE(chro.SetCopyLayout(false, 1.0f));
  CapturedLog log;
  ScriptedProgress progress;
  progress.stopAtPoll = 2;
  EXPECT_FALSE(chro.InferCopyNumber(0, RunOver(genome, false)));
  EXPECT_TRUE(log.ContainsRed(kUserStopMessage));
  EXPECT_EQ(progress.polls, 2);
  // The third chromosome was never reached.
  EXPECT_EQ(chro.inferred.Row(0)[700], kMissingValueFloat);
}

TEST(CopyNumberTest, InferenceLeavesTheRunningFlagAsItFoundIt) {
  const GENOME_INFO genome = Genome({150, 150});
  synth::CopyPlan plan;
  plan.markers = 300;
  plan.samples = 1;
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  CHROMOSOME chro;
  Load(chro, arrays, false);
  ASSERT_TRUE(chro.SetCopyLayout(false, 1.0f));
  ExpectRunningFlagKept([&] { return chro.InferCopyNumber(0, RunOver(genome, false)); });
}

}  // namespace

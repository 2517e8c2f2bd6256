// LOH inference over chromosome data filled straight from the generator's planted losses
// (a tumour beside its normal, or alone), and over hand-made codes and reference samples
// whose right answer is worked out here.
#include "genome/inference/loh_inference.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_loh.hpp"

namespace {

constexpr float kSpacingBp = 50000;

// Chromosome c holds markers[c] consecutive units spaced kSpacingBp apart.
void PlaceUnits(GENOME_INFO& info, const std::vector<int>& markers) {
  info.Clear();
  info.NumChro = static_cast<int>(markers.size());
  for (int c = 0; c < info.NumChro; ++c) {
    info.chroCount[static_cast<std::size_t>(c)] = markers[static_cast<std::size_t>(c)];
    for (int k = 0; k < markers[static_cast<std::size_t>(c)]; ++k) {
      UNIT_POS unit;
      unit.chro = static_cast<std::int16_t>(c);
      unit.pos = static_cast<float>(k + 1) * kSpacingBp;
      info.Unit.push_back(unit);
    }
  }
  ASSERT_TRUE(info.GetUnitPos());
}

class LohInferenceTest : public GenomeFixture {
 protected:
  void TearDown() override {
    ReferenceGenotypes.Clear();
    GenomeFixture::TearDown();
  }
  // Samples laid out as the groups give them; calls NoCall and codes No Call until set.
  void Start(const std::vector<LohGroup>& groups) {
    int samples = 0;
    for (const LohGroup& g : groups) samples += g.size;
    ASSERT_TRUE(chro->Allocate(samples, static_cast<int>(info.Unit.size()),
                               TablesFor(kChroLoh, true, false)));
    run.groups = groups;
    run.info = &info;
  }
  // A pair's calls and their codes on every member.
  void SetPair(const LohGroup& g, int unit, int normal, int tumour) {
    chro->calls.Row(g.first)[unit] = static_cast<std::uint8_t>(normal);
    chro->calls.Row(g.first + 1)[unit] = static_cast<std::uint8_t>(tumour);
    SetCode(g, unit, PairedLohCode(normal, tumour));
  }
  void SetCode(const LohGroup& g, int unit, int code) {
    for (int s = g.first; s < g.first + g.size; ++s)
      chro->lohCodes.Row(s)[unit] = static_cast<float>(code);
  }
  float Kept(const LohGroup& g, int unit) { return chro->lohCodes.Row(g.Target())[unit]; }

  GENOME_INFO info;
  std::unique_ptr<CHROMOSOME> chro = std::make_unique<CHROMOSOME>();
  LohRun run;
};

const LohGroup kPair{0, 2, 'F', "N1"};
const LohGroup kSingle{2, 1, 'F', "T2"};

TEST_F(LohInferenceTest, PlantedLossesAreFoundBesideTheNormalAndAlone) {
  PlaceUnits(info, {3000, 3000, 3000});
  synth::LohPlan plan;
  plan.markers = 9000;
  plan.lost = {{400, 1100}, {3500, 3650}, {6200, 8999}};
  for (std::uint64_t seed : {11, 12}) {
    plan.seed = seed;
    const synth::LohCalls paired = synth::DrawLohCalls(plan);
    plan.seed = seed + 100;
    const synth::LohCalls alone = synth::DrawLohCalls(plan);
    Start({kPair, kSingle});
    for (int u = 0; u < plan.markers; ++u) {
      SetPair(kPair, u, paired.normal[u], paired.tumour[u]);
      chro->calls.Row(kSingle.first)[u] = static_cast<std::uint8_t>(alone.tumour[u]);
    }
    run.settings = LohSettings{};
    run.settings.hetRate = static_cast<float>(plan.hetRate);
    ASSERT_TRUE(chro->InferLoh(run));
    int wrongPaired = 0, wrongAlone = 0, lost = 0;
    for (int u = 0; u < plan.markers; ++u) {
      wrongPaired += (Kept(kPair, u) < 0.5f) != paired.lost[u];
      wrongAlone += (Kept(kSingle, u) < 0.5f) != alone.lost[u];
      lost += paired.lost[u];
      // The normal keeps its codes for whatever reads them later.
      ASSERT_EQ(chro->lohCodes.Row(kPair.first)[u],
                static_cast<float>(PairedLohCode(paired.normal[u], paired.tumour[u])));
    }
    // Six edges, each known only to some three markers beside the normal and some ten
    // alone, where runs of chance homozygous calls blur it (seen: 5 to 9 and 11 to 17).
    EXPECT_LT(wrongPaired, 25) << seed;
    EXPECT_LT(wrongAlone, 50) << seed;
    // The inferred rate is the share lost, but for those edges.
    const double share = static_cast<double>(lost) / plan.markers;
    EXPECT_NEAR(chro->abnormalPrior[0], share, 0.01) << seed;
    EXPECT_NEAR(chro->abnormalPrior[1], share, 0.02) << seed;
  }
}

TEST_F(LohInferenceTest, TheHaplotypeModelFindsLossesFromTheMarkersOwnHetRates) {
  PlaceUnits(info, {4000});
  synth::LohPlan plan;
  plan.markers = 4000;
  plan.lost = {{500, 1500}, {2500, 2700}};
  plan.seed = 21;
  const synth::LohCalls alone = synth::DrawLohCalls(plan);
  for (UNIT_POS& unit : info.Unit) unit.rate = {static_cast<float>(plan.hetRate), -1, -1};
  Start({{0, 1, 'F', "T1"}});
  for (int u = 0; u < plan.markers; ++u)
    chro->calls.Row(0)[u] = static_cast<std::uint8_t>(alone.tumour[u]);
  run.settings.method = kLohHaplotypeHmm;
  chro->EstimateLohRates(run);
  ASSERT_TRUE(chro->InferLohCall(run));
  int wrong = 0;
  for (int u = 0; u < plan.markers; ++u)
    wrong += (chro->lohCodes.Row(0)[u] < 0.5f) != alone.lost[u];
  EXPECT_LT(wrong, 40);  // four edges, some ten markers each (seen: 12)
}

TEST_F(LohInferenceTest, SameBoundaryFillsBetweenEqualCodesOnlyAndRunsNoModelOnPairs) {
  // Units lie on the chromosome in reverse order, so the walk must go by position.
  PlaceUnits(info, {12, 40});
  for (int k = 0; k < 12; ++k) info.Unit[static_cast<std::size_t>(k)].pos = (12 - k) * kSpacingBp;
  ASSERT_TRUE(info.GetUnitPos());
  Start({kPair, kSingle});
  const std::vector<int> codes = {kLohLoss,           kLohNoninformative, kLohNoCall,
                                  kLohLoss,           kLohNoninformative, kLohRetention,
                                  kLohNoCall,         kLohRetention,      kLohConflict,
                                  kLohNoninformative, kLohRetention,      kLohNoninformative};
  const std::vector<float> filled = {0, 0, 0, 0, 0.5f, 1, 1, 1, 0.5f, 0.5f, 1, 0.5f};
  for (int k = 0; k < 12; ++k) SetCode(kPair, 11 - k, codes[static_cast<std::size_t>(k)]);
  for (int u = 12; u < 52; ++u) SetCode(kPair, u, kLohRetention);
  run.settings.method = kLohSameBoundary;
  ASSERT_TRUE(chro->InferLoh(run));
  for (int k = 0; k < 12; ++k)
    EXPECT_EQ(Kept(kPair, 11 - k), filled[static_cast<std::size_t>(k)]) << k;
  // The single sample without a call is inferred all the same (no evidence: its prior).
  EXPECT_NEAR(Kept(kSingle, 30), 1 - chro->abnormalPrior[1], 1e-3);
}

TEST_F(LohInferenceTest, RatesCountAutosomesAndAnEmptyCountIsFloored) {
  std::vector<int> markers(23, 0);
  markers[0] = 11;
  markers[static_cast<std::size_t>(info.XChroIndex())] = 5;
  PlaceUnits(info, markers);
  Start({kPair, kSingle});
  // The single sample: 8 homozygous, 2 heterozygous, 1 NoCall; X all heterozygous.
  const std::vector<std::uint8_t> own = {0, 1, 0, 1, 0, 1, 0, 1, 2, 2, 3, 2, 2, 2, 2, 2};
  for (std::size_t u = 0; u < own.size(); ++u) chro->calls.Row(kSingle.first)[u] = own[u];
  for (int u = 0; u < 16; ++u) SetCode(kPair, u, kLohNoninformative);
  run.settings.hetRate = 0.4f;
  CapturedLog log;
  chro->EstimateLohRates(run);
  EXPECT_FLOAT_EQ(chro->abnormalPrior[0], kProbabilityFloor);
  EXPECT_NEAR(chro->abnormalPrior[1], 1 - 0.2 / 0.4, 1e-6);
  EXPECT_TRUE(log.Contains("    Estimated sample LOH rate: 0.00\t0.50\t", kLogBlack));
}

TEST_F(LohInferenceTest, AMaleXShowsNoLossWhereAFemaleXDoes) {
  // The X is the species' own: after 22, 19 or 20 autosomes.
  for (const int species : {kHuman, kMouse, kRat}) {
    info.species = species;
    std::vector<int> markers(23, 0);
    markers[0] = 50;
    markers[static_cast<std::size_t>(info.XChroIndex())] = 200;
    PlaceUnits(info, markers);
    Start({{0, 1, 'M', "Male"}, {1, 1, 'F', "Female"}});
    for (int s = 0; s < 2; ++s) {
      for (int u = 0; u < 250; ++u)
        chro->calls.Row(s)[u] = u < 50 ? kCallAB : (u % 2 ? kCallAA : kCallBB);
    }
    // On a male X every state emits homozygous calls alike, in either model: nothing moves
    // the prior.
    for (const int method : {kLohHmm, kLohHaplotypeHmm}) {
      run.settings.method = method;
      chro->EstimateLohRates(run);
      ASSERT_TRUE(chro->InferLohCall(run));
      EXPECT_NEAR(chro->lohCodes.Row(0)[150], 1 - kProbabilityFloor, 1e-3) << species << method;
      EXPECT_LT(chro->lohCodes.Row(1)[150], 0.5f) << species << method;
    }
  }
}

TEST_F(LohInferenceTest, TheStepsLeaveTheRunningFlagAsTheyFoundIt) {
  PlaceUnits(info, {60, 60});
  Start({kPair, kSingle});
  for (int u = 0; u < 120; ++u) {
    SetPair(kPair, u, kCallAB, u < 40 ? kCallAA : kCallAB);
    chro->calls.Row(kSingle.first)[u] = u < 30 ? kCallAA : kCallAB;
  }
  chro->EstimateLohRates(run);
  ExpectRunningFlagKept([this] { return chro->InferLohCall(run); });
  ExpectRunningFlagKept([this] { return chro->CheckHaplotypes(run); });
}

TEST_F(LohInferenceTest, AStretchBoundaryRestartsTheModelAsANewChromosomeWould) {
  synth::LohPlan plan;
  plan.markers = 300;
  plan.lost = {{80, 180}};
  const synth::LohCalls alone = synth::DrawLohCalls(plan);
  std::vector<float> cut, split;
  for (const auto& markers : {std::vector<int>{300}, std::vector<int>{100, 100, 100}}) {
    PlaceUnits(info, markers);
    Start({{0, 1, 'F', "T1"}});
    for (int u = 0; u < 300; ++u)
      chro->calls.Row(0)[u] = static_cast<std::uint8_t>(alone.tumour[u]);
    run.settings.hmmLength = 100;
    ASSERT_TRUE(chro->InferLoh(run));
    auto& into = markers.size() == 1 ? cut : split;
    into.assign(chro->lohCodes.Row(0), chro->lohCodes.Row(0) + 300);
  }
  // Equal but for the rounding of distances taken between larger positions.
  ASSERT_EQ(cut.size(), split.size());
  for (std::size_t u = 0; u < cut.size(); ++u) EXPECT_NEAR(cut[u], split[u], 1e-5) << u;
}

TEST_F(LohInferenceTest, RefusedSettingsAndAStopLeaveTheGatheringUnfinished) {
  PlaceUnits(info, {500, 500});
  for (const float het : {0.0f, std::numeric_limits<float>::quiet_NaN()}) {
    Start({kPair, kSingle});
    run.settings = LohSettings{};
    run.settings.hetRate = het;
    CapturedLog log;
    EXPECT_FALSE(chro->InferLoh(run));
    EXPECT_TRUE(log.ContainsRed(kLohHetRateRefusedMessage));
    EXPECT_TRUE(log.ContainsRed(kLohNotCompletedMessage));
    EXPECT_EQ(chro->lohCodes.Row(kSingle.first)[7],
              static_cast<float>(kLohNoCall));  // nothing written
  }
  run.settings = LohSettings{};
  run.settings.hmmLength = 0;
  EXPECT_FALSE(chro->InferLoh(run));

  run.settings = LohSettings{};
  run.settings.hmmLength = 200;
  ScriptedProgress progress;
  progress.stopAtPoll = 3;
  CapturedLog log;
  EXPECT_FALSE(chro->InferLoh(run));
  EXPECT_TRUE(log.ContainsRed(kUserStopMessage));
  EXPECT_TRUE(log.ContainsRed(kLohNotCompletedMessage));
  EXPECT_FALSE(log.Contains("Inferred sample LOH rate", kLogBlack));
}

TEST_F(LohInferenceTest, WithoutReferenceGenotypesTheHaplotypeMethodFallsBack) {
  PlaceUnits(info, {100});
  info.Unit[3].pos = -1;  // a missing position is counted, not fatal
  ASSERT_TRUE(info.GetUnitPos());
  Start({{0, 1, 'F', "T1"}});
  run.settings.method = kLohHaplotypeHmm;
  run.reference = &ReferenceGenotypes;
  CapturedLog log;
  ASSERT_TRUE(chro->InferLoh(run));
  EXPECT_TRUE(log.ContainsRed(
      "  No normal reference genotypes read; cannot use the 'HMM considering haplotype' method"));
  EXPECT_TRUE(
      log.Contains("  Inferring LOH using the 'Hidden Markov Model' method...\n", kLogBlack));
  EXPECT_TRUE(log.ContainsRed("    Genetic distance missing or inconsistent in 1 markers"));
  EXPECT_EQ(run.settings.method, kLohHmm);
}

// One chromosome of 60 SNPs; the sample is in LOH over 10..29 and 40..49, homozygous
// there, and of ten reference samples two agree with it on 10..29 at 100% and 95%, a
// third at 90%, the rest at half.
TEST_F(LohInferenceTest, LohRunsSharedByReferenceSamplesAreTakenBack) {
  const auto names = Names("SNP_", 60);
  UseUnits(names);
  PlaceUnits(info, {60});
  Start({{0, 1, 'F', "T1"}});
  float* kept = chro->lohCodes.Row(0);
  for (int u = 0; u < 60; ++u) {
    const bool loh = (u >= 10 && u < 30) || (u >= 40 && u < 50);
    kept[u] = loh ? 0.1f : 0.9f - 0.001f * static_cast<float>(u);
    chro->calls.Row(0)[u] = loh ? static_cast<std::uint8_t>(u % 2) : kCallAB;
  }
  std::string file = "SNP";
  for (int r = 0; r < 10; ++r) file += "\tR" + std::to_string(r);
  file += "\n";
  for (int u = 0; u < 60; ++u) {
    file += names[static_cast<std::size_t>(u)];
    const int k = u - 10;  // place within the first run
    for (int r = 0; r < 10; ++r) {
      const bool agrees =
          u >= 10 && u < 30 &&
          (r == 0 || (r == 1 && k != 0) || (r == 2 && k > 1) || (r > 2 && k % 2 == 0));
      file += agrees ? (u % 2 ? "\tBB" : "\tAA") : (u % 2 ? "\tAA" : "\tBB");
    }
    file += "\n";
  }
  ASSERT_TRUE(ReferenceGenotypes.ReadRefGenotypeFile(WriteFile("ref.txt", file).c_str()));
  run.reference = &ReferenceGenotypes;
  run.settings.method = kLohHaplotypeHmm;
  run.settings.haplotypeThreshold = 20;  // two of ten is not above 20%
  EXPECT_TRUE(chro->CheckHaplotypes(run));
  EXPECT_EQ(kept[15], 0.1f);

  run.settings.haplotypeThreshold = 10;
  CapturedLog log;
  EXPECT_TRUE(chro->CheckHaplotypes(run));
  EXPECT_EQ(chro->refSampleCount, 10);
  for (int u = 10; u < 30; ++u) EXPECT_EQ(kept[u], 0.9f - 0.001f * 30) << u;
  for (int u = 40; u < 50; ++u) EXPECT_EQ(kept[u], 0.1f) << u;
  EXPECT_TRUE(log.Contains(
      "      Chro 1, T1, at 1Mb, 20 markers, identical with 20% of 10 reference samples, removed",
      kLogBlack));

  ScriptedProgress progress;
  progress.stopAtPoll = 1;
  EXPECT_FALSE(chro->CheckHaplotypes(run));
  EXPECT_TRUE(log.ContainsRed(kHaplotypeStoppedMessage));
}

TEST_F(LohInferenceTest, TheOpenGroupGivesItsGroupsGendersAndSettings) {
  TheGroup().ClearGroup();
  for (const char* name : {"N", "T", "S"}) {
    TheGroup().NextArraySlot() = ArraySlot{};
    TheGroup().NextArraySlot().name = name;
    ASSERT_TRUE(TheGroup().CountArray());
  }
  SampleGrouping.ReadArrayListFile(WriteFile("arrays.txt", "N\nT\nStandardize\nS\n"));
  GroupSettings& settings = TheGroup().Settings();
  settings.AVERAGE_HET_RATE = 0.3f;
  settings.HMM_LENGTH = 500;
  settings.INFER_NONINFORMATIVE = kLohHaplotypeHmm;
  ASSERT_TRUE(chro->Allocate(3, 10, TablesFor(kChroLoh, true, false)));
  chro->gender[0] = 'M';
  const LohRun open = OpenGroupLohRun(*chro);
  ASSERT_EQ(open.groups.size(), 2u);
  EXPECT_EQ(open.groups[0].first, 0);
  EXPECT_EQ(open.groups[0].Target(), 1);
  EXPECT_EQ(open.groups[0].gender, 'M');
  EXPECT_EQ(open.groups[0].name, "N");
  EXPECT_EQ(open.groups[1].Target(), 2);
  EXPECT_EQ(open.groups[1].gender, 'F');
  EXPECT_EQ(open.settings.hetRate, 0.3f);
  EXPECT_EQ(open.settings.hmmLength, 500);
  EXPECT_EQ(open.settings.method, kLohHaplotypeHmm);
  EXPECT_EQ(open.info, &genome_info);
  // Without reference genotypes the group keeps the method fallen back to.
  LohRun fallback = open;
  fallback.info = &info;
  EXPECT_TRUE(chro->InferLoh(fallback));
  EXPECT_EQ(settings.INFER_NONINFORMATIVE, kLohHmm);
  // Samples beyond the chromosome data are no group of it.
  ASSERT_TRUE(chro->Allocate(2, 10, TablesFor(kChroLoh, true, false)));
  EXPECT_EQ(OpenGroupLohRun(*chro).groups.size(), 1u);
}

}  // namespace

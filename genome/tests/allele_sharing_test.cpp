// Allele sharing: the pair emissions as distributions with hand-worked values, the table
// row of a frequency, the order of all pairs, and the inference on the generator's
// siblings sharing 2, 1 and 0 alleles over known stretches, with the affected status
// turning sharing up or down.
#include "genome/inference/allele_sharing.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/group/sample_info.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_sharing.hpp"

namespace {

int Symbol(int first, int second) {
  return 4 * first + second;
}

TEST(AlleleSharingTableTest, EmissionsAreDistributionsOverTheCalledPairs) {
  constexpr int kA = 0, kB = 1, kAB = 2, kNone = 3;
  for (const double p : {0.01, 0.3, 0.5, 0.97}) {
    for (int state = 0; state < kSharingStates; ++state) {
      double total = 0;
      for (int g1 = 0; g1 < 3; ++g1)
        for (int g2 = 0; g2 < 3; ++g2)
          total += std::pow(10.0, AlleleSharingEmission(p, state, Symbol(g1, g2), 0.0));
      EXPECT_NEAR(total, 1.0, 1e-5) << p << " " << state;
      // A missing call tells nothing.
      EXPECT_EQ(AlleleSharingEmission(p, state, Symbol(kNone, kAB), 0.01), 0.0f);
      EXPECT_EQ(AlleleSharingEmission(p, state, Symbol(kA, kNone), 0.01), 0.0f);
    }
    const auto chance = [p](int state, int symbol) {
      return std::pow(10.0, AlleleSharingEmission(p, state, symbol, 0.0));
    };
    EXPECT_NEAR(chance(0, Symbol(kAB, kAB)), 2 * p * (1 - p), 1e-5);
    EXPECT_NEAR(chance(3, Symbol(kA, kA)), p * p * p * p, 1e-5);
    EXPECT_NEAR(chance(1, Symbol(kA, kAB)), p * p * (1 - p), 1e-5);
    // One shared allele rules out opposite homozygotes, up to the call error.
    EXPECT_LT(chance(1, Symbol(kA, kB)), 1e-6);
    EXPECT_GT(std::pow(10.0, AlleleSharingEmission(p, 1, Symbol(kA, kB), 0.01)), 0.0);
  }
}

TEST(AlleleSharingTableTest, FrequenciesTakeTheNearestRowInsideTheTable) {
  EXPECT_EQ(AlleleSharingRow(0.5f), 49);  // the row of 0.50
  EXPECT_EQ(AlleleSharingRow(0.29f), 28);
  EXPECT_EQ(AlleleSharingRow(0.995f), kSharingRows - 1);
  EXPECT_EQ(AlleleSharingRow(1.0f), kSharingRows - 1);
  EXPECT_EQ(AlleleSharingRow(0.0f), 0);
  for (int k = 1; k <= 1000; ++k) {
    const float f = static_cast<float>(k) / 1000;
    const int row = AlleleSharingRow(f);
    ASSERT_GE(row, 0);
    ASSERT_LT(row, kSharingRows);
    EXPECT_LE(std::fabs((row + 1) * 0.01 - f), 0.0051 + (f < 0.01 ? 0.01 : 0)) << f;
  }
  const std::vector<std::pair<int, int>> expected = {{1, 0}, {2, 0}, {2, 1},
                                                     {3, 0}, {3, 1}, {3, 2}};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(AllPairsPair(i), expected[static_cast<std::size_t>(i)]);
}

class AlleleSharingTest : public GenomeFixture {
 protected:
  static constexpr int kMarkers = 4000;

  void SetUp() override {
    GenomeFixture::SetUp();
    ArrayType = 1;
    SampleInfo.Clear();
    chromosome = CHROMOSOME{};
    GroupSettings& settings = TheGroup().Settings();
    settings.SNP_ERROR_RATE = 0.01;
    settings.HMM_LENGTH = 1500;  // stretches restart inside the planted ones
    settings.ALLELE_FREQ_TYPE = 0;
  }
  void TearDown() override {
    chromosome.Clear();
    SampleInfo.Clear();
    GenomeFixture::TearDown();
  }

  // The pairs' calls as consecutive samples a1, a2, ...; one chromosome of markers 50 kb
  // apart with the first pair's allele frequencies (the generator's are drawn alike).
  void Load(const std::vector<synth::SharingPair>& pairs, const std::string& list) {
    const int samples = 2 * static_cast<int>(pairs.size());
    for (int i = 1; i <= samples; ++i) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot = ArraySlot{};
      slot.name = "a" + std::to_string(i);
      ASSERT_TRUE(TheGroup().CountArray());
    }
    if (list.empty())
      SampleGrouping.SetDefaultGrouping();
    else
      SampleGrouping.ReadArrayListFile(WriteFile("list.txt", list));
    genome_info.Unit.assign(kMarkers, UNIT_POS{});
    genome_info.posList[0].clear();
    snp_info_table.snps.assign(kMarkers, SNP_INFO{});
    for (int i = 0; i < kMarkers; ++i) {
      UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(i)];
      unit.chro = 0;
      unit.pos = 1000.0f + 50000.0f * static_cast<float>(i);
      genome_info.posList[0].push_back({unit.pos, i});
      snp_info_table.snps[static_cast<std::size_t>(i)].alleleFrequency[0] =
          pairs[0].frequency[static_cast<std::size_t>(i)];
    }
    genome_info.NumChro = 1;
    ASSERT_TRUE(chromosome.Allocate(samples, kMarkers, TablesFor(kChroAlleleSharing, true, false)));
    for (std::size_t p = 0; p < pairs.size(); ++p)
      for (int i = 0; i < kMarkers; ++i) {
        chromosome.calls.Row(static_cast<int>(2 * p))[i] =
            static_cast<std::uint8_t>(pairs[p].first[static_cast<std::size_t>(i)]);
        chromosome.calls.Row(static_cast<int>(2 * p + 1))[i] =
            static_cast<std::uint8_t>(pairs[p].second[static_cast<std::size_t>(i)]);
      }
  }
  // Pairs after the first take the first one's allele frequencies: one genome.
  synth::SharingPair Pair(std::uint64_t seed, std::vector<std::pair<int, int>> stretches) {
    synth::SharingPlan plan;
    plan.markers = kMarkers;
    plan.stretches = std::move(stretches);
    plan.seed = seed;
    plan.frequency = mFrequency;
    synth::SharingPair pair = synth::DrawSharingPair(plan);
    if (mFrequency.empty()) mFrequency = pair.frequency;
    return pair;
  }
  std::vector<float> mFrequency;
  float Inferred(int sample, int unit) const { return chromosome.inferred.Row(sample)[unit]; }
  float Summary(int unit) const {
    return chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataAlleleSharing];
  }
};

TEST_F(AlleleSharingTest, SiblingPairsRecoverThePlantedSharing) {
  std::vector<synth::SharingPair> pairs = {
      Pair(1, {{0, 2}, {1000, 1}, {2000, 0}, {3000, 1}}),
      Pair(2, {{0, 0}, {1700, 2}, {2600, 1}}),
      Pair(3, {{0, 1}, {500, 0}, {3500, 2}}),
  };
  Load(pairs, "a1\na2\nStandardize\na3\na4\nStandardize\na5\na6\n");
  ASSERT_EQ(SampleGrouping.GroupCount(), 3);
  ASSERT_TRUE(chromosome.InferAlleleSharing());
  EXPECT_EQ(chromosome.dataType, kDataAlleleSharing);
  const std::vector<int> switches = {3, 2, 2};
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    const int first = static_cast<int>(2 * p);
    int wrong = 0;
    for (int i = 0; i < kMarkers; ++i) {
      const float k = Inferred(first, i);
      ASSERT_EQ(k, Inferred(first + 1, i));
      ASSERT_GE(k, -1e-4f);
      ASSERT_LE(k, 2 + 1e-4f);
      wrong += std::lround(k) != pairs[p].shared[static_cast<std::size_t>(i)];
    }
    // Only the markers around a switch are in doubt (within about 15 markers, as far as
    // the informative calls around it tell), and a few misled by call errors.
    EXPECT_LE(wrong, 15 * switches[p] + 10) << "pair " << p;
  }
  for (int i = 0; i < kMarkers; i += 37)
    EXPECT_NEAR(Summary(i), (Inferred(0, i) + Inferred(2, i) + Inferred(4, i)) / 3, 1e-5);
}

TEST_F(AlleleSharingTest, AllPairsOfSingleSamplesAreSignedByTheAffectedStatus) {
  // Four samples, one group each: 6 pairs; the first two are twins.
  synth::SharingPair twins = Pair(4, {{0, 2}});
  Load({twins, Pair(5, {{0, 0}})}, "");
  ASSERT_EQ(SampleGrouping.GroupCount(), 4);
  CapturedLog log;
  const auto run = [&](const std::string& status) {
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(
        WriteFile("info.txt", "Array\tName\tAffected\na1\t\t" + status.substr(0, 1) + "\na2\t\t" +
                                  status.substr(1, 1) + "\na3\t\t" + status.substr(2, 1) +
                                  "\na4\t\t" + status.substr(3, 1) + "\n")));
    ASSERT_TRUE(chromosome.InferAlleleSharing());
  };
  run("AAAA");
  EXPECT_TRUE(
      log.Contains("    Infer allele sharing between all the 6 pairs of affected...", kLogBlack));
  std::vector<float> affected0, affected1, summary;
  for (int i = 0; i < kMarkers; ++i) {
    affected0.push_back(Inferred(0, i));
    affected1.push_back(Inferred(1, i));
    summary.push_back(Summary(i));
  }
  run("AUAA");  // the second twin unaffected: its pairs count against
  double twinMean = 0;
  for (int i = 0; i < kMarkers; ++i) {
    EXPECT_NEAR(Inferred(1, i), -affected1[static_cast<std::size_t>(i)], 1e-4);
    twinMean += affected1[static_cast<std::size_t>(i)];
  }
  // Sample 1 shares 2 with its twin and nothing with the two unrelated: (2 + 0 + 0) / 3.
  EXPECT_NEAR(twinMean / kMarkers, 2.0 / 3, 0.05);
  run("UUUU");
  for (int i = 0; i < kMarkers; i += 13) {
    EXPECT_EQ(Inferred(0, i), 0.0f);
    EXPECT_EQ(Summary(i), 0.0f);
  }
}

TEST_F(AlleleSharingTest, GroupsOfOneBesideLargerGroupsAreRefusedAndAStopEndsUnfinished) {
  Load({Pair(6, {{0, 1}}), Pair(7, {{0, 1}})}, "a1\na2\na3\nStandardize\na4\n");
  CapturedLog log;
  EXPECT_FALSE(chromosome.InferAlleleSharing());
  EXPECT_TRUE(log.ContainsRed(kSmallSharingGroupMessage));

  SampleGrouping.ReadArrayListFile(WriteFile("pairs.txt", "a1\na2\nStandardize\na3\na4\n"));
  ScriptedProgress progress;
  progress.stopAtPoll = 2;
  EXPECT_FALSE(chromosome.InferAlleleSharing());
  EXPECT_TRUE(log.ContainsRed("User stop"));
  EXPECT_NE(chromosome.dataType, kDataAlleleSharing);
}

}  // namespace

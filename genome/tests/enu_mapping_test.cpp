// ENU cross mapping on the generator's crosses: both scores against a direct sum over every
// genotype path of small crosses, the planted locus scoring highest on a large one, and the
// crosses the mapping refuses or handles in parts.
#include "genome/inference/enu_mapping.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/group/sample_info.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/hmm.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_enu.hpp"

namespace {

using States = std::array<double, kEnuStates>;

class EnuMappingTest : public GenomeFixture {
 protected:
  void SetUp() override {
    GenomeFixture::SetUp();
    ArrayType = 1;
    SampleInfo.Clear();
    chromosome = CHROMOSOME{};
    TheGroup().Settings().SNP_ERROR_RATE = kError;
  }
  void TearDown() override {
    chromosome.Clear();
    SampleInfo.Clear();
    GenomeFixture::TearDown();
  }

  // The cross as the open group: one array and sample per member, its sample information,
  // the markers on their chromosomes (empty chromosomes allowed) and the calls.
  void Load(const synth::EnuCross& cross, int chromosomes, const std::string& info = "") {
    for (const std::string& name : cross.names) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot = ArraySlot{};
      slot.name = name;
      ASSERT_TRUE(TheGroup().CountArray());
    }
    SampleGrouping.SetDefaultGrouping();
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(
        WriteFile("info.txt", info.empty() ? synth::EnuSampleInfoText(cross) : info)));
    const int markers = cross.MarkerCount();
    genome_info.Unit.assign(static_cast<std::size_t>(markers), UNIT_POS{});
    for (int i = 0; i < markers; ++i) {
      UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(i)];
      unit.chro = static_cast<std::int16_t>(cross.chromosome[static_cast<std::size_t>(i)]);
      unit.pos = cross.position[static_cast<std::size_t>(i)];
      genome_info.posList[static_cast<std::size_t>(unit.chro)].push_back({unit.pos, i});
      genome_info.genomeOrder.push_back(i);
    }
    genome_info.NumChro = chromosomes;
    const int samples = static_cast<int>(cross.names.size());
    ASSERT_TRUE(chromosome.Allocate(samples, markers, TablesFor(kChroLinkage, true, false)));
    for (int s = 0; s < samples; ++s)
      for (int i = 0; i < markers; ++i)
        chromosome.calls.Row(s)[i] = static_cast<std::uint8_t>(
            cross.calls[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)]);
  }
  static float Summary(int unit) {
    return chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall];
  }

  static constexpr float kError = 0.02f;
  CapturedLog mLog;
};

// Posteriors of every marker of one chromosome by summing the chance of each of the 3^n
// genotype paths, with the model's own switching and emissions.
std::vector<States> PathPosteriors(const std::vector<int>& calls, const std::vector<double>& mb,
                                   const States& start, double e) {
  const auto n = calls.size();
  std::vector<States> posterior(n, States{});
  std::size_t paths = 1;
  for (std::size_t t = 0; t < n; ++t) paths *= kEnuStates;
  double total = 0;
  std::vector<int> state(n);
  for (std::size_t p = 0; p < paths; ++p) {
    std::size_t code = p;
    for (std::size_t t = 0; t < n; ++t, code /= kEnuStates) state[t] = static_cast<int>(code % 3);
    double chance = 1;
    for (std::size_t t = 0; t < n; ++t) {
      const auto k = static_cast<std::size_t>(state[t]);
      if (t == 0) {
        chance *= start[k];
      } else {
        const double q = 1 - std::exp(-0.02 * (mb[t] - mb[t - 1]));
        chance *= q * start[k] + (state[t] == state[t - 1] ? 1 - q : 0);
      }
      if (calls[t] < 3) chance *= calls[t] == state[t] ? 1 - e : e;
    }
    total += chance;
    for (std::size_t t = 0; t < n; ++t) posterior[t][static_cast<std::size_t>(state[t])] += chance;
  }
  for (States& row : posterior)
    for (double& v : row) v /= total;
  return posterior;
}

TEST_F(EnuMappingTest, ScoresEqualADirectSumOverEveryGenotypePath) {
  const std::vector<std::array<float, 3>> penetrances = {{1, 0, 0}, {0.9f, 0.05f, 0.4f}};
  for (const int posterior : {1, 0})
    for (const auto& penetrance : penetrances)
      for (const std::uint64_t seed : {3u, 4u}) {
        SCOPED_TRACE(testing::Message() << posterior << " " << penetrance[2] << " " << seed);
        synth::EnuPlan plan;
        plan.markersPerChromosome = {6, 5};
        plan.spacingMb = 15;
        plan.generations = {2, 3, 4, 5, 0, 2, 3, 2};
        plan.penetrance = {0.5, 0.5, 0.5};
        plan.noCallRate = 0.15;
        plan.errorRate = 0.1;
        plan.mutationMarker = 2;
        plan.seed = seed;
        synth::EnuCross cross = synth::DrawEnuCross(plan);
        // A marker without a position takes the one before it.
        cross.position[3] = -1;
        Load(cross, 2);
        chromosome.affectedGivenState = penetrance;
        chromosome.usePosterior = posterior;
        ASSERT_TRUE(chromosome.InferEnu());
        EXPECT_EQ(chromosome.dataType, kDataCall);
        EXPECT_EQ(chromosome.Threshold[kDataCall], 0.0f);

        std::vector<double> expected(static_cast<std::size_t>(cross.MarkerCount()), 0.0);
        for (std::size_t s = 2; s < cross.names.size(); ++s) {
          const auto [x, y] = synth::kEnuOriginChances[std::stoul(cross.labels[s])];
          const States start = {x * y, (1 - x) * (1 - y), y * (1 - x) + x * (1 - y)};
          States w{};
          double sum = 0;
          for (std::size_t k = 0; k < 3; ++k) {
            w[k] = (cross.affected[s] ? penetrance[k] : 1 - penetrance[k]) * start[k];
            sum += w[k];
          }
          // The mapping leaves out an offspring whose status its generation cannot have.
          if (!(sum > 0)) continue;
          for (double& v : w) v /= sum;
          for (int c = 0; c < 2; ++c) {
            std::vector<int> calls;
            std::vector<double> mb;
            std::vector<std::size_t> units;
            for (std::size_t m = 0; m < expected.size(); ++m) {
              if (cross.chromosome[m] != c) continue;
              units.push_back(m);
              calls.push_back(cross.calls[s][m]);
              const double at = cross.position[m] < 0 ? mb.back() : cross.position[m] * 1e-6;
              mb.push_back(mb.empty() ? std::max(at, 0.0) : std::max(at, mb.back()));
            }
            const std::vector<States> p = PathPosteriors(calls, mb, start, kError);
            for (std::size_t t = 0; t < units.size(); ++t) {
              if (posterior != 0) {
                double up = 0;
                double down = 0;
                for (std::size_t k = 0; k < 3; ++k) {
                  up += w[k] * p[t][k];
                  down += start[k] * p[t][k];
                }
                expected[units[t]] += std::log10(up / down);
              } else if (calls[t] < 3) {
                const auto call = static_cast<std::size_t>(calls[t]);
                const double spread = kError / 3.0;
                expected[units[t]] += std::log10((spread + (1 - kError) * w[call]) /
                                                 (spread + (1 - kError) * start[call]));
              }
            }
          }
        }
        float low = 1;
        float high = 0;
        for (std::size_t m = 0; m < expected.size(); ++m) {
          EXPECT_NEAR(Summary(static_cast<int>(m)), expected[m], 2e-4) << m;
          low = std::min(low, Summary(static_cast<int>(m)));
          high = std::max(high, Summary(static_cast<int>(m)));
        }
        EXPECT_EQ(chromosome.Min[kDataCall], low);
        EXPECT_EQ(chromosome.Max[kDataCall], high);
        TearDown();
        SetUp();
      }
}

TEST_F(EnuMappingTest, ThePlantedLocusScoresHighest) {
  synth::EnuPlan plan;
  plan.markersPerChromosome = {300, 300, 300};
  plan.spacingMb = 0.5;
  plan.generations.assign(80, 2);
  plan.mutationChromosome = 1;
  plan.mutationMarker = 120;
  plan.penetrance = {1, 0, 0};
  plan.seed = 11;
  const synth::EnuCross cross = synth::DrawEnuCross(plan);
  Load(cross, 3);
  for (const int posterior : {1, 0}) {
    chromosome.usePosterior = posterior;
    ASSERT_TRUE(chromosome.InferEnu());
    EXPECT_TRUE(mLog.Contains("Found 80 non-parental samples", kLogBlack));
    int best = 0;
    for (int m = 1; m < cross.MarkerCount(); ++m)
      if (Summary(m) > Summary(best)) best = m;
    EXPECT_LE(std::abs(best - cross.mutationIndex), 10) << posterior;
    EXPECT_EQ(chromosome.Max[kDataCall], Summary(best));
  }
}

TEST_F(EnuMappingTest, CrossesThatCannotBeMappedAreRefusedWithTheReason) {
  synth::EnuPlan plan;
  plan.markersPerChromosome = {40};
  plan.generations = {2, 2, 3, 5};
  const synth::EnuCross cross = synth::DrawEnuCross(plan);
  const auto infoWith = [&](const std::vector<std::string>& labels) {
    std::string text = "Array\tName\tENU\tAffected\n";
    for (std::size_t s = 0; s < cross.names.size(); ++s)
      text += cross.names[s] + "\t\t" + labels[s] + "\t" + (s % 2 ? "A" : "U") + "\n";
    return text;
  };
  // Parents swapped.
  Load(cross, 1, infoWith({"B", "M", "2", "2", "3", "5"}));
  EXPECT_FALSE(chromosome.InferEnu());
  EXPECT_TRUE(mLog.ContainsRed(kEnuParentsMessage));
  TearDown();
  SetUp();
  // Generations beyond the table are named and left out; with none left nothing is mapped.
  Load(cross, 1, infoWith({"M", "B", "6", "9", "7", "8"}));
  EXPECT_FALSE(chromosome.InferEnu());
  EXPECT_TRUE(mLog.ContainsRed("Sample 3: generation '6' is not one of 0 to 5"));
  EXPECT_TRUE(mLog.ContainsRed("Sample 4: generation '9'"));
  EXPECT_TRUE(mLog.ContainsRed("Found 0 non-parental samples"));
  TearDown();
  SetUp();
  Load(cross, 1, infoWith({"M", "B", "2", "9", "3", "5"}));
  EXPECT_TRUE(chromosome.InferEnu());
  EXPECT_TRUE(mLog.Contains("Found 3 non-parental samples", kLogBlack));
  // An offspring whose status no genotype allows, and offspring without any call.
  chromosome.affectedGivenState = {1, 1, 1};
  EXPECT_TRUE(chromosome.InferEnu());
  EXPECT_TRUE(mLog.ContainsRed("Sample 3: no genotype of its generation gives its affected"));
  chromosome.affectedGivenState = {1, 0, 0};
  for (int s = 2; s < 6; ++s) std::fill_n(chromosome.calls.Row(s), cross.MarkerCount(), 3);
  EXPECT_FALSE(chromosome.InferEnu());
  EXPECT_TRUE(mLog.ContainsRed(kEnuNoCallsMessage));
  // Without the status column.
  TearDown();
  SetUp();
  Load(cross, 1, "Array\tName\tENU\nMutated\t\tM\nBackground\t\tB\n");
  EXPECT_FALSE(chromosome.InferEnu());

  // Generations 0 and 1 are always homozygous B; an impossible status weighs nothing.
  EXPECT_EQ(EnuStartChances(0), (std::array<float, 3>{0, 1, 0}));
  EXPECT_EQ(EnuStartChances(1), (std::array<float, 3>{0, 1, 0}));
  EXPECT_EQ(EnuStartChances(7), (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(EnuPhenotypeWeights({0, 1, 0}, {1, 0, 0}, true), (std::array<float, 3>{0, 0, 0}));
}

TEST_F(EnuMappingTest, ChromosomesLongerThanTheModelRunInStretches) {
  synth::EnuPlan plan;
  plan.markersPerChromosome = {MAX_SEQ_LEN + 300, 0, 50};
  plan.spacingMb = 0.01;
  plan.generations = {2, 2, 2, 2, 3};
  plan.mutationMarker = 100;
  const synth::EnuCross cross = synth::DrawEnuCross(plan);
  Load(cross, 3);
  ASSERT_TRUE(chromosome.InferEnu());
  EXPECT_TRUE(mLog.Contains("has 12300 markers; it is mapped in stretches of 12000", kLogBlack));
  for (int m = 0; m < cross.MarkerCount(); ++m) ASSERT_TRUE(std::isfinite(Summary(m))) << m;
  // The markers past the cut are scored too.
  EXPECT_NE(Summary(MAX_SEQ_LEN + 100), 0.0f);
  ExpectRunningFlagKept([] { return chromosome.InferEnu(); });
}

}  // namespace

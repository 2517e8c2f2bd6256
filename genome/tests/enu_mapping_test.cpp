// ENU cross mapping on the generator's crosses: both scores against a direct sum over every
// genotype path of small crosses, the planted locus scoring highest on a large one, and the
// crosses the mapping refuses or maps in stretches.
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
constexpr float kError = 0.02f;

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
  void Restart() {
    TearDown();
    SetUp();
  }

  // The cross as the open group, one sample per member, with its sample information.
  void Load(const synth::EnuCross& cross, int chromosomes, const std::string& info = "") {
    for (const std::string& name : cross.names) {
      TheGroup().NextArraySlot() = ArraySlot{};
      TheGroup().NextArraySlot().name = name;
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
      std::copy(cross.calls[static_cast<std::size_t>(s)].begin(),
                cross.calls[static_cast<std::size_t>(s)].end(), chromosome.calls.Row(s));
  }
  static float Summary(int unit) {
    return chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall];
  }

  CapturedLog mLog;
};

// Each marker's genotype chances by summing every one of the 3^n genotype paths of a
// chromosome, with the model's switching and emissions.
std::vector<States> PathPosteriors(const std::vector<int>& calls, const std::vector<double>& mb,
                                   const States& start) {
  const auto n = calls.size();
  std::vector<States> posterior(n, States{});
  double total = 0;
  std::vector<std::size_t> state(n);
  for (std::size_t path = 0; path < static_cast<std::size_t>(std::pow(3, n)); ++path) {
    double chance = 1;
    for (std::size_t t = 0, code = path; t < n; ++t, code /= 3) {
      state[t] = code % 3;
      const double q = t == 0 ? 1 : 1 - std::exp(-0.02 * (mb[t] - mb[t - 1]));
      chance *= q * start[state[t]] + (t > 0 && state[t] == state[t - 1] ? 1 - q : 0);
      if (calls[t] < 3) chance *= calls[t] == static_cast<int>(state[t]) ? 1 - kError : kError;
    }
    total += chance;
    for (std::size_t t = 0; t < n; ++t) posterior[t][state[t]] += chance;
  }
  for (States& row : posterior)
    for (double& v : row) v /= total;
  return posterior;
}

TEST_F(EnuMappingTest, ScoresEqualADirectSumOverEveryGenotypePath) {
  for (const int posterior : {1, 0})
    for (const auto& penetrance : {std::array<float, 3>{1, 0, 0}, {0.9f, 0.05f, 0.4f}})
      for (const std::uint64_t seed : {3u, 4u}) {
        SCOPED_TRACE(testing::Message() << posterior << " " << penetrance[2] << " " << seed);
        synth::EnuPlan plan;
        plan.markersPerChromosome = {6, 5};
        plan.spacingMb = 15;
        plan.generations = {2, 3, 4, 5, 0, 2, 3, 2};
        plan.penetrance = {0.5, 0.5, 0.5};
        plan.noCallRate = 0.15;
        plan.errorRate = 0.1;
        plan.seed = seed;
        synth::EnuCross cross = synth::DrawEnuCross(plan);
        cross.position[3] = -1;  // without a position: the one before
        Restart();
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
          for (std::size_t k = 0; k < 3; ++k)
            w[k] = (cross.affected[s] ? penetrance[k] : 1 - penetrance[k]) * start[k];
          const double sum = w[0] + w[1] + w[2];
          if (!(sum > 0)) continue;  // a status its generation cannot have: left out
          for (int c = 0; c < 2; ++c) {
            std::vector<int> calls;
            std::vector<double> mb;
            std::vector<std::size_t> units;
            for (std::size_t m = 0; m < expected.size(); ++m) {
              if (cross.chromosome[m] != c) continue;
              units.push_back(m);
              calls.push_back(cross.calls[s][m]);
              mb.push_back(std::max(cross.position[m] * 1e-6, mb.empty() ? 0.0 : mb.back()));
            }
            const std::vector<States> p = PathPosteriors(calls, mb, start);
            for (std::size_t t = 0; t < units.size(); ++t) {
              double up = 0, down = 0;
              if (posterior != 0) {
                for (std::size_t k = 0; k < 3; ++k) {
                  up += w[k] / sum * p[t][k];
                  down += start[k] * p[t][k];
                }
              } else if (calls[t] < 3) {
                const auto call = static_cast<std::size_t>(calls[t]);
                up = kError / 3.0 + (1 - kError) * w[call] / sum;
                down = kError / 3.0 + (1 - kError) * start[call];
              }
              if (down > 0) expected[units[t]] += std::log10(up / down);
            }
          }
        }
        for (std::size_t m = 0; m < expected.size(); ++m)
          EXPECT_NEAR(Summary(static_cast<int>(m)), expected[m], 2e-4) << m;
        const auto [low, high] = std::minmax_element(expected.begin(), expected.end());
        EXPECT_NEAR(chromosome.Min[kDataCall], std::min(*low, 1.0), 2e-4);
        EXPECT_NEAR(chromosome.Max[kDataCall], std::max(*high, 0.0), 2e-4);
      }
}

TEST_F(EnuMappingTest, CrossesThatCannotBeMappedAreRefusedWithTheReason) {
  synth::EnuPlan plan;
  plan.markersPerChromosome = {40};
  plan.generations = {2, 2, 3, 5};
  const synth::EnuCross cross = synth::DrawEnuCross(plan);
  const auto mapWith = [&](const std::string& labels) {
    std::string info = "Array\tName\tENU\tAffected\n";
    for (std::size_t s = 0; s < cross.names.size(); ++s)
      info += cross.names[s] + "\t\t" + labels[s] + "\t" + (s % 2 ? "A" : "U") + "\n";
    Restart();
    Load(cross, 1, info);
    return chromosome.InferEnu();
  };
  EXPECT_FALSE(mapWith("BM2235"));
  EXPECT_TRUE(mLog.ContainsRed(kEnuParentsMessage));
  // Generations beyond the table are named and left out.
  EXPECT_FALSE(mapWith("MB6978"));
  EXPECT_TRUE(mLog.ContainsRed("Sample 3: generation '6' is not one of 0 to 5"));
  EXPECT_TRUE(mLog.ContainsRed("Found 0 non-parental samples"));
  EXPECT_TRUE(mapWith("MB2935"));
  EXPECT_TRUE(mLog.ContainsRed("Sample 4: generation '9'"));
  EXPECT_TRUE(mLog.Contains("Found 3 non-parental samples", kLogBlack));
  // An unaffected offspring where every genotype is affected, and offspring without calls.
  chromosome.affectedGivenState = {1, 1, 1};
  EXPECT_TRUE(chromosome.InferEnu());
  EXPECT_TRUE(mLog.ContainsRed("Sample 3: no genotype of its generation gives its affected"));
  chromosome.affectedGivenState = {1, 0, 0};
  for (int s = 2; s < 6; ++s) std::fill_n(chromosome.calls.Row(s), cross.MarkerCount(), 3);
  EXPECT_FALSE(chromosome.InferEnu());
  EXPECT_TRUE(mLog.ContainsRed(kEnuNoCallsMessage));
  EXPECT_EQ(EnuStartChances(1), (std::array<float, 3>{0, 1, 0}));
}

// A chromosome longer than the model holds is mapped in stretches; the locus, planted past
// the cut, scores highest with either score.
TEST_F(EnuMappingTest, ThePlantedLocusScoresHighestAlsoPastTheModelsLength) {
  synth::EnuPlan plan;
  plan.markersPerChromosome = {MAX_SEQ_LEN + 300, 0, 50};
  plan.spacingMb = 0.01;
  plan.generations.assign(100, 2);
  plan.mutationMarker = MAX_SEQ_LEN + 150;
  plan.seed = 11;
  const synth::EnuCross cross = synth::DrawEnuCross(plan);
  Load(cross, 3);
  for (const int posterior : {1, 0}) {
    chromosome.usePosterior = posterior;
    ASSERT_TRUE(chromosome.InferEnu());
    int best = 0;
    for (int m = 0; m < cross.MarkerCount(); ++m) {
      ASSERT_TRUE(std::isfinite(Summary(m))) << m;
      best = Summary(m) > Summary(best) ? m : best;
    }
    // Within 3 Mb: few of 200 meioses recombine closer than that.
    EXPECT_LE(std::abs(best - cross.mutationIndex), 300) << posterior;
    EXPECT_EQ(chromosome.Max[kDataCall], Summary(best));
  }
  EXPECT_TRUE(mLog.Contains("Found 100 non-parental samples", kLogBlack));
  EXPECT_TRUE(mLog.Contains("has 12300 markers; it is mapped in stretches of 12000", kLogBlack));
  ExpectRunningFlagKept([] { return chromosome.InferEnu(); });
}

}  // namespace

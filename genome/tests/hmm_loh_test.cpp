// The LOH models on the generator's planted losses: a tumour that lost one allele over
// known stretches, beside its normal or alone. The retention posterior must be low inside
// the stretches and high outside, but for markers near the edges (where no informative
// marker says exactly where the loss starts) and the few the call errors mislead.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/hmm.hpp"
#include "tools/synth/genome_loh.hpp"

namespace {

constexpr double kErrorRate = 0.01;  // the model's genotyping error
constexpr float kSpacingMb = 0.05f;

synth::LohPlan Plan(std::uint64_t seed) {
  synth::LohPlan plan;
  plan.markers = 6000;
  plan.lost = {{800, 1500}, {3000, 3150}, {4200, 5999}};
  plan.seed = seed;
  return plan;
}

// Runs forward-backward over the symbols and counts the markers whose retention
// posterior (state 1) falls on the wrong side of one half.
int Misclassified(HMM& hmm, const std::vector<int>& symbols, const std::vector<bool>& lost) {
  const int n = static_cast<int>(symbols.size());
  for (int t = 0; t < n; ++t) {
    hmm.obs[t] = static_cast<std::int16_t>(symbols[t]);
    hmm.marker[t] = t;
    if (t > 0) hmm.SetDistance(t - 1, kSpacingMb);
  }
  EXPECT_TRUE(hmm.ForwardBackward());
  int wrong = 0;
  for (int t = 0; t < n; ++t) {
    EXPECT_NEAR(hmm.Posterior(t, 0) + hmm.Posterior(t, 1), 1.0, 1e-5);
    wrong += (hmm.Posterior(t, 1) < 0.5f) != lost[t];
  }
  return wrong;
}

void TwoStates(HMM& hmm, int markers, double lohRate) {
  ASSERT_TRUE(hmm.Init(2, 3, markers, false));
  hmm.SetStart(0, static_cast<float>(lohRate));
  hmm.SetStart(1, static_cast<float>(1 - lohRate));
  hmm.logEmission[0][2] = hmm.logEmission[1][2] = 0;  // no call says nothing
}

TEST(HmmLohTest, PairedCodesFindThePlantedLosses) {
  for (std::uint64_t seed : {1, 2, 3}) {
    const synth::LohCalls calls = synth::DrawLohCalls(Plan(seed));
    std::vector<int> symbols;
    for (std::size_t t = 0; t < calls.normal.size(); ++t) {
      const int code = PairedLohCode(calls.normal[t], calls.tumour[t]);
      symbols.push_back(code == kLohLoss ? 0 : code == kLohRetention ? 1 : 2);
    }
    auto hmm = std::make_unique<HMM>();
    TwoStates(*hmm, static_cast<int>(symbols.size()), 0.3);
    hmm->logEmission[0][0] = static_cast<float>(std::log10(1 - kErrorRate));
    hmm->logEmission[0][1] = static_cast<float>(std::log10(kErrorRate));
    hmm->logEmission[1][0] = static_cast<float>(std::log10(kErrorRate));
    hmm->logEmission[1][1] = static_cast<float>(std::log10(1 - kErrorRate));
    // Three in ten markers are informative, so an edge is known to some three markers;
    // five edges give about 15 (seen: 2 to 9), and isolated errors are smoothed over.
    EXPECT_LT(Misclassified(*hmm, symbols, calls.lost), 30) << "seed " << seed;
  }
}

TEST(HmmLohTest, ASingleTumourShowsItsLossesByRunsOfHomozygousCalls) {
  const double het = 0.3;
  for (std::uint64_t seed : {4, 5, 6}) {
    const synth::LohCalls calls = synth::DrawLohCalls(Plan(seed));
    std::vector<int> symbols;
    for (int call : calls.tumour) symbols.push_back(call == 2 ? 1 : call == 3 ? 2 : 0);
    auto hmm = std::make_unique<HMM>();
    TwoStates(*hmm, static_cast<int>(symbols.size()), 0.3);
    hmm->logEmission[0][0] = static_cast<float>(std::log10(1 - kErrorRate));
    hmm->logEmission[0][1] = static_cast<float>(std::log10(kErrorRate));
    hmm->logEmission[1][0] = static_cast<float>(std::log10(1 - het));
    hmm->logEmission[1][1] = static_cast<float>(std::log10(het));
    // Without the normal an edge is known only to the last heterozygous call, some three
    // markers, and runs of chance homozygous calls blur it further: about ten an edge
    // (seen: 3 to 26 over five edges).
    EXPECT_LT(Misclassified(*hmm, symbols, calls.lost), 60) << "seed " << seed;

    // The same calls with every marker's own het rate from the genome information.
    std::vector<UNIT_POS> units(symbols.size());
    for (auto& unit : units) unit.rate[0] = static_cast<float>(het);
    hmm->hetFromGenome = true;
    hmm->units = units.data();
    hmm->unitCount = static_cast<int>(units.size());
    hmm->logEmission[1][0] = hmm->logEmission[1][1] = -3;  // overridden by the rates
    EXPECT_LT(Misclassified(*hmm, symbols, calls.lost), 60) << "seed " << seed;
  }
}

}  // namespace

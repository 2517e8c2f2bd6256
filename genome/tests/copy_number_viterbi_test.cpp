// The copy-number Viterbi that takes the best and second-best previous state against the
// plain O(N^2) search over every pair of states: the same path, ties included, on random
// signals of the total-copy and the parent-specific models; and its closed-form emissions
// against the model's own.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/copy_number.hpp"
#include "genome/inference/copy_number_viterbi.hpp"
#include "genome/inference/hmm.hpp"

namespace {

// The search over every pair of states, on the same emission rows and the model's own
// transitions, ties to the lower state.
std::vector<int> QuadraticPath(const HMM& hmm, double* bestCost) {
  const int n = hmm.numState;
  std::vector<double> previous(n), current(n), row(n);
  std::vector<std::vector<int>> back(hmm.length, std::vector<int>(n, -1));
  CopyEmissionRow(hmm, 0, row.data());
  for (int i = 0; i < n; ++i) previous[i] = -static_cast<double>(hmm.logStart[i]) - row[i];
  for (int t = 1; t < hmm.length; ++t) {
    CopyEmissionRow(hmm, t, row.data());
    for (int j = 0; j < n; ++j) {
      double best = previous[0] - static_cast<double>(hmm.Transition(t - 1, 0, j, -1));
      int arg = 0;
      for (int i = 1; i < n; ++i) {
        const double candidate = previous[i] - static_cast<double>(hmm.Transition(t - 1, i, j, -1));
        if (candidate < best) {
          best = candidate;
          arg = i;
        }
      }
      current[j] = best - row[j];
      back[t][j] = arg;
    }
    previous.swap(current);
  }
  int state = 0;
  for (int i = 1; i < n; ++i)
    if (previous[i] < previous[state]) state = i;
  *bestCost = previous[state];
  std::vector<int> path(hmm.length);
  path[hmm.length - 1] = state;
  for (int t = hmm.length - 2; t >= 0; --t) path[t] = back[t + 1][path[t + 1]];
  return path;
}

struct Model {
  CHROMOSOME chro;
  std::unique_ptr<HMM> hmm = std::make_unique<HMM>();
};

// A model of the copy layout of the step, with random signals around random copy
// levels, stretches of missing signals (every state equally likely there) and random
// distances, some of them zero (no move) or unknown (a free redraw).
void Fill(Model& m, bool parentSpecific, float step, int length, std::uint32_t seed) {
  ASSERT_TRUE(m.chro.SetCopyLayout(parentSpecific, step));
  HMM& hmm = *m.hmm;
  const ParentPairs pairs = MakeParentPairs(parentSpecific ? m.chro.ParentalStateCount() : 0);
  const int states =
      parentSpecific ? static_cast<int>(pairs.first.size()) : m.chro.CopyStateCount();
  ASSERT_TRUE(hmm.Init(states, 2, length, true));
  hmm.parentSpecific = parentSpecific;
  hmm.parentStateA = pairs.first;
  hmm.parentStateB = pairs.second;
  hmm.copyLevel.clear();
  const int levels = parentSpecific ? m.chro.ParentalStateCount() : states;
  for (int s = 0; s < levels; ++s) hmm.copyLevel.push_back(m.chro.CopyLevel(s));
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(0, 1);
  const int normal = parentSpecific ? 0 : m.chro.CopyState(2);
  for (int s = 0; s < states; ++s) {
    const float p = parentSpecific ? 1.0f / states : (s == normal ? 0.9f : 0.1f / (states - 1));
    hmm.SetStart(s, p);
  }
  float level = 2;
  for (int t = 0; t < length; ++t) {
    if (unit(random) < 0.02f) level = m.chro.CopyLevel(static_cast<int>(unit(random) * 8));
    const bool missing = (t / 40) % 5 == 3;
    hmm.x[t] = missing ? kMissingSignal : level + 0.6f * (unit(random) - 0.5f);
    hmm.sdX[t] = 0.1f + 0.3f * unit(random);
    hmm.y[t] = missing ? kMissingSignal : level * 0.5f + 0.6f * (unit(random) - 0.5f);
    hmm.sdY[t] = 0.1f + 0.3f * unit(random);
    const float pick = unit(random);
    const float distance = pick < 0.05f ? 0.0f : pick < 0.08f ? -1.0f : 0.2f * unit(random);
    if (t > 0) hmm.SetDistance(t - 1, distance);
  }
}

void ExpectSamePath(Model& m) {
  HMM& hmm = *m.hmm;
  double quadraticCost = 0;
  const std::vector<int> expected = QuadraticPath(hmm, &quadraticCost);
  ASSERT_TRUE(ViterbiByChange(hmm));
  int differing = 0;
  for (int t = 0; t < hmm.length; ++t) differing += hmm.path[t] != expected[t] ? 1 : 0;
  EXPECT_EQ(differing, 0);
  EXPECT_NEAR(hmm.bestCost, quadraticCost, 1e-3 * std::max(1.0, std::abs(quadraticCost)));
}

TEST(CopyNumberViterbiTest, TotalCopyPathsMatchThePairwiseSearch) {
  for (const float step : {1.0f, 0.5f, 0.25f}) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
      SCOPED_TRACE(testing::Message() << "step " << step << " seed " << seed);
      Model m;
      Fill(m, false, step, 700, seed);
      ExpectSamePath(m);
    }
  }
}

TEST(CopyNumberViterbiTest, ParentSpecificPathsMatchThePairwiseSearch) {
  // Step 1 gives 15 parental levels (120 states), step 0.25 the full 20 (210 states).
  for (const float step : {1.0f, 0.25f}) {
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(testing::Message() << "step " << step << " seed " << seed);
      Model m;
      Fill(m, true, step, 250, seed);
      ExpectSamePath(m);
    }
  }
}

TEST(CopyNumberViterbiTest, EqualCostsGoToTheLowerState) {
  // Every signal missing and every state but the first equally likely: the costs tie
  // throughout, and the pairwise search keeps the lowest of the tied states.
  Model m;
  Fill(m, false, 1.0f, 50, 1);
  HMM& hmm = *m.hmm;
  for (int s = 0; s < hmm.numState; ++s) hmm.SetStart(s, s == 0 ? 0.01f : 0.99f / 14);
  for (int t = 0; t < hmm.length; ++t) hmm.x[t] = kMissingSignal;
  ExpectSamePath(m);
  for (int t = 0; t < hmm.length; ++t) EXPECT_EQ(hmm.path[t], 1);
}

TEST(CopyNumberViterbiTest, SameAnswerAsTheModelsOwnViterbi) {
  for (const bool parentSpecific : {false, true}) {
    for (std::uint32_t seed = 11; seed <= 13; ++seed) {
      Model m;
      Fill(m, parentSpecific, 1.0f, parentSpecific ? 150 : 600, seed);
      HMM& hmm = *m.hmm;
      ASSERT_TRUE(hmm.Viterbi());
      const std::vector<std::int16_t> reference(hmm.path.begin(), hmm.path.begin() + hmm.length);
      const float referenceCost = hmm.bestCost;
      ASSERT_TRUE(ViterbiByChange(hmm));
      for (int t = 0; t < hmm.length; ++t) ASSERT_EQ(hmm.path[t], reference[t]) << "at " << t;
      EXPECT_NEAR(hmm.bestCost, referenceCost, 1e-2);
    }
  }
}

TEST(CopyNumberViterbiTest, ClosedFormEmissionsEqualTheModels) {
  for (const bool parentSpecific : {false, true}) {
    Model m;
    Fill(m, parentSpecific, 1.0f, 300, 5);
    HMM& hmm = *m.hmm;
    // Far outliers too: their densities fall to the floor the same way.
    hmm.x[7] = 1e6f;
    hmm.x[8] = -5e3f;
    hmm.sdX[9] = 1e-20f;  // residuals beyond the float lanes' reach
    std::vector<double> row(hmm.numState);
    for (int t = 0; t < hmm.length; ++t) {
      CopyEmissionRow(hmm, t, row.data());
      for (int s = 0; s < hmm.numState; ++s) {
        const double expected = hmm.Emission(s, t);
        ASSERT_NEAR(row[s], expected, 1e-4 * std::max(1.0, std::abs(expected)))
            << "state " << s << " at " << t;
      }
    }
  }
}

}  // namespace

// The hidden Markov model against oracles that share none of its code: every state path
// enumerated on short chains, a plain-probability (scaled) forward-backward on long ones,
// the Student t density written out, and chains drawn from a known model.
#include "genome/inference/hmm.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "genome/inference/marker_spacing.hpp"
#include "tools/synth/genome_chain.hpp"

namespace {

using Moves = std::function<double(int t, int i, int j)>;

// Plain chances of moving between two states of an ordinary model.
Moves OrdinaryMoves(const synth::ChainModel& model) {
  return [&model](int t, int i, int j) {
    const double q = synth::RedrawChance(model.distanceMb[static_cast<std::size_t>(t)]);
    return q * model.start[static_cast<std::size_t>(j)] + (i == j ? 1 - q : 0);
  };
}

void Load(HMM& hmm, const synth::ChainModel& model, const std::vector<int>& symbols) {
  const int states = static_cast<int>(model.start.size());
  const int n = static_cast<int>(symbols.size());
  ASSERT_TRUE(hmm.Init(states, static_cast<int>(model.emission[0].size()), n, false));
  for (int i = 0; i < states; ++i) {
    hmm.SetStart(i, static_cast<float>(model.start[static_cast<std::size_t>(i)]));
    for (std::size_t k = 0; k < model.emission[0].size(); ++k)
      hmm.logEmission[i][k] =
          static_cast<float>(std::log10(model.emission[static_cast<std::size_t>(i)][k]));
  }
  for (int t = 0; t < n; ++t) {
    hmm.obs[static_cast<std::size_t>(t)] =
        static_cast<std::int16_t>(symbols[static_cast<std::size_t>(t)]);
    hmm.marker[static_cast<std::size_t>(t)] = t;
    if (t > 0)
      hmm.SetDistance(t - 1, static_cast<float>(model.distanceMb[static_cast<std::size_t>(t - 1)]));
  }
}

struct Enumerated {
  std::vector<std::vector<double>> posterior;
  std::vector<int> best;
  double bestChance = -1;
  double total = 0;  // the chance of the observations
};

// Every state path of the chain, its chance written out as a product.
Enumerated Enumerate(int states, int n, const std::vector<double>& start,
                     const std::function<double(int t, int s)>& emit, const Moves& move) {
  Enumerated result;
  result.posterior.assign(static_cast<std::size_t>(n),
                          std::vector<double>(static_cast<std::size_t>(states)));
  std::vector<int> path(static_cast<std::size_t>(n), 0);
  double total = 0;
  for (;;) {
    double chance = start[static_cast<std::size_t>(path[0])] * emit(0, path[0]);
    for (int t = 1; t < n; ++t) chance *= move(t - 1, path[t - 1], path[t]) * emit(t, path[t]);
    total += chance;
    for (int t = 0; t < n; ++t) result.posterior[t][path[t]] += chance;
    if (chance > result.bestChance) {
      result.bestChance = chance;
      result.best = path;
    }
    int k = n - 1;
    while (k >= 0 && ++path[k] == states) path[k--] = 0;
    if (k < 0) break;
  }
  for (auto& row : result.posterior)
    for (double& p : row) p /= total;
  result.total = total;
  return result;
}

// Scaled forward-backward on plain probabilities.
std::vector<std::vector<double>> PlainPosteriors(int states, int n,
                                                 const std::vector<double>& start,
                                                 const std::function<double(int t, int s)>& emit,
                                                 const Moves& move) {
  using Table = std::vector<std::vector<double>>;
  Table a(static_cast<std::size_t>(n), std::vector<double>(static_cast<std::size_t>(states)));
  Table b = a;
  for (int i = 0; i < states; ++i) a[0][i] = start[i] * emit(0, i);
  auto normalise = [](std::vector<double>& row) {
    double sum = 0;
    for (double v : row) sum += v;
    for (double& v : row) v /= sum;
  };
  normalise(a[0]);
  for (int t = 1; t < n; ++t) {
    for (int j = 0; j < states; ++j) {
      double sum = 0;
      for (int i = 0; i < states; ++i) sum += a[t - 1][i] * move(t - 1, i, j);
      a[t][j] = sum * emit(t, j);
    }
    normalise(a[t]);
  }
  for (int i = 0; i < states; ++i) b[n - 1][i] = 1;
  for (int t = n - 2; t >= 0; --t) {
    for (int i = 0; i < states; ++i) {
      double sum = 0;
      for (int j = 0; j < states; ++j) sum += move(t, i, j) * emit(t + 1, j) * b[t + 1][j];
      b[t][i] = sum;
    }
    normalise(b[t]);
  }
  Table posterior = a;
  for (int t = 0; t < n; ++t) {
    for (int i = 0; i < states; ++i) posterior[t][i] = a[t][i] * b[t][i];
    normalise(posterior[t]);
  }
  return posterior;
}

std::function<double(int, int)> DiscreteEmit(const synth::ChainModel& model,
                                             const std::vector<int>& symbols) {
  return [&model, &symbols](int t, int s) { return model.emission[s][symbols[t]]; };
}

void ExpectMatchesEnumeration(HMM& hmm, const Enumerated& truth, int n, double tolerance) {
  ASSERT_TRUE(hmm.Viterbi());
  for (int t = 0; t < n; ++t) EXPECT_EQ(hmm.path[t], truth.best[t]) << "marker " << t;
  EXPECT_NEAR(hmm.bestCost, -std::log10(truth.bestChance), 1e-3);
  ASSERT_TRUE(hmm.ForwardBackward());
  for (int t = 0; t < n; ++t) {
    double sum = 0;
    for (int i = 0; i < hmm.numState; ++i) {
      EXPECT_NEAR(hmm.Posterior(t, i), truth.posterior[t][i], tolerance) << t << "," << i;
      sum += hmm.Posterior(t, i);
    }
    EXPECT_NEAR(sum, 1.0, tolerance);
  }
}

TEST(HmmTest, ViterbiAndPosteriorsMatchEveryPathOnShortChains) {
  int seed = 11;
  for (int states : {2, 3, 4}) {
    for (int n : {1, 2, 5, 8}) {
      SCOPED_TRACE(testing::Message() << states << " states, " << n << " markers");
      const synth::ChainModel model = synth::RandomChainModel(states, 3, n, 60, true, ++seed);
      const synth::Chain chain = synth::DrawChain(model, ++seed);
      auto hmm = std::make_unique<HMM>();
      Load(*hmm, model, chain.symbols);
      const Enumerated truth = Enumerate(states, n, model.start, DiscreteEmit(model, chain.symbols),
                                         OrdinaryMoves(model));
      ExpectMatchesEnumeration(*hmm, truth, n, 1e-4);
      // The log10 tables: alpha and beta of a marker combine to its posterior, and the
      // last alphas to the chance of every observation.
      for (int t = 0; t < n; ++t)
        for (int i = 0; i < states; ++i)
          EXPECT_NEAR(std::pow(10.0, hmm->Alpha(t, i) + hmm->Beta(t, i) - hmm->LogLikelihood()),
                      truth.posterior[t][i], 1e-5);
      double total = 0;
      for (int i = 0; i < states; ++i) total += std::pow(10.0, hmm->Alpha(n - 1, i));
      EXPECT_NEAR(std::log10(total), std::log10(truth.total), 1e-5);
      EXPECT_NEAR(hmm->LogLikelihood(), std::log10(truth.total), 1e-5);
    }
  }
}

TEST(HmmTest, HaplotypeStatesFollowEachMarkersDependenceOnShortChains) {
  const int n = 7;
  synth::ChainModel model = synth::RandomChainModel(4, 3, n, 40, false, 5);
  const synth::Chain chain = synth::DrawChain(model, 6);
  // Marker properties: known and unknown dependences and het rates, in turn.
  std::vector<UNIT_POS> units(n);
  for (int t = 0; t < n; ++t) {
    units[t].rate = {t % 3 == 0 ? -1.0f : 0.2f + 0.1f * t, t % 2 == 0 ? 0.8f : -1.0f,
                     t % 4 == 1 ? -1.0f : 0.6f};
  }
  const double averageHet = 0.3;
  auto hmm = std::make_unique<HMM>();
  Load(*hmm, model, chain.symbols);
  hmm->lohMethod = kLohMethodHaplotype;
  hmm->averageHetRate = static_cast<float>(averageHet);
  hmm->units = units.data();
  hmm->unitCount = n;
  const Moves move = [&](int t, int i, int j) {
    const double q = synth::RedrawChance(model.distanceMb[t]);
    const int loh = j / 2;
    const double stationary = model.start[2 * loh] + model.start[2 * loh + 1];
    double p = q * stationary + (i / 2 == loh ? 1 - q : 0);
    const double h = units[t + 1].rate[0] == -1 ? averageHet : units[t + 1].rate[0];
    const double stay = units[t].rate[1 + i % 2];
    if (stay == -1) return p * (j % 2 == 1 ? h : 1 - h);
    return p * (i % 2 == j % 2 ? stay : 1 - stay);
  };
  const Enumerated truth = Enumerate(4, n, model.start, DiscreteEmit(model, chain.symbols), move);
  ExpectMatchesEnumeration(*hmm, truth, n, 1e-4);

  // The same four states under another LOH method are compared directly.
  hmm->lohMethod = 1;
  const Enumerated plain =
      Enumerate(4, n, model.start, DiscreteEmit(model, chain.symbols), OrdinaryMoves(model));
  ExpectMatchesEnumeration(*hmm, plain, n, 1e-4);
}

TEST(HmmTest, HeterozygousCallsOfStateOneFollowTheMarkersRateWhereKnown) {
  const int n = 6;
  synth::ChainModel model = synth::RandomChainModel(2, 3, n, 30, false, 21);
  const std::vector<int> symbols = {1, 0, 1, 2, 1, 0};
  std::vector<UNIT_POS> units(n);
  const std::vector<float> het = {0.4f, -1, 0.1f, 0.5f, -1, 0.35f};
  for (int t = 0; t < n; ++t) units[t].rate[0] = het[t];
  auto hmm = std::make_unique<HMM>();
  Load(*hmm, model, symbols);
  hmm->hetFromGenome = true;
  hmm->units = units.data();
  hmm->unitCount = n;
  const auto emit = [&](int t, int s) {
    if (s == 1 && symbols[t] <= 1 && het[t] != -1)
      return symbols[t] == 1 ? double{het[t]} : 1.0 - het[t];
    return model.emission[s][symbols[t]];
  };
  ExpectMatchesEnumeration(*hmm, Enumerate(2, n, model.start, emit, OrdinaryMoves(model)), n, 1e-4);
}

TEST(HmmTest, LongChainsAgreeWithPlainProbabilitiesAndTheDrawnStates) {
  const int n = 3000;
  synth::ChainModel model = synth::RandomChainModel(2, 3, n, 1.0, true, 77);
  model.start = {0.3, 0.7};
  model.emission = {{0.88, 0.02, 0.1}, {0.15, 0.75, 0.1}};
  const synth::Chain chain = synth::DrawChain(model, 78);
  auto hmm = std::make_unique<HMM>();
  Load(*hmm, model, chain.symbols);
  ASSERT_TRUE(hmm->ForwardBackward());
  const auto plain =
      PlainPosteriors(2, n, model.start, DiscreteEmit(model, chain.symbols), OrdinaryMoves(model));
  const double tolerance = 1e-5;
  int wrong = 0;
  for (int t = 0; t < n; ++t) {
    EXPECT_NEAR(hmm->Posterior(t, 0) + hmm->Posterior(t, 1), 1.0, tolerance);
    EXPECT_NEAR(hmm->Posterior(t, 1), plain[t][1], tolerance) << "marker " << t;
    wrong += (hmm->Posterior(t, 1) > 0.5) != (chain.states[t] == 1);
  }
  // Segments run tens of markers and a symbol 2 (one in ten) says nothing; an unknown
  // distance (one in ten) forgets the state. Decoding misses a few per cent.
  EXPECT_LT(wrong, n * 8 / 100);
  ASSERT_TRUE(hmm->Viterbi());
  int pathWrong = 0;
  for (int t = 0; t < n; ++t) pathWrong += hmm->path[t] != chain.states[t];
  EXPECT_LT(pathWrong, n * 8 / 100);
}

TEST(HmmTest, AShorterStretchReusesTheTablesAndGetsTheAnswerOfAFreshModel) {
  synth::ChainModel longModel = synth::RandomChainModel(3, 3, 400, 5, false, 91);
  synth::ChainModel shortModel = synth::RandomChainModel(3, 3, 6, 5, false, 92);
  const synth::Chain longChain = synth::DrawChain(longModel, 93);
  const synth::Chain shortChain = synth::DrawChain(shortModel, 94);
  auto used = std::make_unique<HMM>();
  Load(*used, longModel, longChain.symbols);
  used->expectation = true;
  ASSERT_TRUE(used->ForwardBackward());
  ASSERT_TRUE(used->Viterbi());
  Load(*used, shortModel, shortChain.symbols);
  auto fresh = std::make_unique<HMM>();
  Load(*fresh, shortModel, shortChain.symbols);
  fresh->expectation = true;
  for (HMM* hmm : {used.get(), fresh.get()}) {
    ASSERT_TRUE(hmm->ForwardBackward());
    ASSERT_TRUE(hmm->Viterbi());
  }
  EXPECT_EQ(used->bestCost, fresh->bestCost);
  for (int t = 0; t < 6; ++t) {
    EXPECT_EQ(used->path[t], fresh->path[t]);
    double expected = 0;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(used->Posterior(t, i), fresh->Posterior(t, i));
      expected += i * fresh->Posterior(t, i);
    }
    EXPECT_NEAR(used->x[t], expected, 1e-5);
    EXPECT_EQ(used->x[t], fresh->x[t]);
  }
}

// Distances in Mb between neighbours, a missing or backward position held at the one
// before (never a negative distance) and counted over every stretch.
TEST(HmmTest, MarkerSpacingHoldsMissingAndBackwardPositionsAndCountsThem) {
  struct Stretch {
    std::vector<float> basePairs;
    std::vector<float> steps;
  };
  const std::vector<Stretch> stretches = {
      {{1e6f, 3e6f, -1, 2.5e6f, 4e6f, 4e6f}, {1, 2, 0, 0, 1, 0}},
      {{5e6f, 5.25e6f}, {5, 0.25f}},
      {{-3, 2e6f}, {0, 2}},
  };
  const int counts[] = {2, 2, 3};
  MarkerSpacing spacing;
  for (std::size_t k = 0; k < stretches.size(); ++k) {
    spacing.Restart();
    for (std::size_t t = 0; t < stretches[k].basePairs.size(); ++t)
      EXPECT_NEAR(spacing.StepTo(stretches[k].basePairs[t]), stretches[k].steps[t], 1e-6)
          << "stretch " << k << ", marker " << t;
    EXPECT_EQ(spacing.Inconsistent(), counts[k]) << "after stretch " << k;
  }
}

TEST(HmmTest, LimitsDistancesTiesAndTheLogSum) {
  auto hmm = std::make_unique<HMM>();
  {
    CapturedLog log;
    EXPECT_FALSE(hmm->Init(213, 3, 10, false));
    EXPECT_FALSE(hmm->Init(4, 21, 10, false));
    EXPECT_FALSE(hmm->Init(4, 3, 12001, false));
    EXPECT_EQ(log.CountInColour(kLogRed), 3);
    EXPECT_TRUE(log.ContainsRed(kHmmLimitMessage));
    EXPECT_TRUE(hmm->Init(212, 20, 12000, false));
    EXPECT_EQ(log.CountInColour(kLogRed), 3);
  }
  EXPECT_EQ(HMM::Theta(-1), 1.0f);
  EXPECT_EQ(HMM::Theta(0), 0.0f);
  EXPECT_NEAR(HMM::Theta(50), 1 - std::exp(-1.0), 1e-6);

  // Two identical states: equal costs everywhere, and the lower state wins each time.
  ASSERT_TRUE(hmm->Init(3, 2, 5, false));
  for (int i = 0; i < 3; ++i) {
    hmm->SetStart(i, i == 2 ? 0.2f : 0.4f);
    hmm->logEmission[i][0] = std::log10(i == 2 ? 0.1f : 0.7f);
    hmm->logEmission[i][1] = std::log10(i == 2 ? 0.9f : 0.3f);
  }
  for (int t = 0; t < 5; ++t) {
    hmm->obs[t] = 0;
    if (t > 0) hmm->SetDistance(t - 1, 3);
  }
  ASSERT_TRUE(hmm->Viterbi());
  for (int t = 0; t < 5; ++t) {
    EXPECT_EQ(hmm->path[t], 0);
    EXPECT_EQ(hmm->Cost(t, 0), hmm->Cost(t, 1));
  }
  // With the state kept (distance 0), leaving it has no chance at all.
  hmm->SetDistance(0, 0);
  EXPECT_EQ(hmm->Transition(0, 0, 1, -1), kImpossibleLog);
  EXPECT_EQ(hmm->Transition(0, 1, 1, -1), 0.0f);
  EXPECT_NEAR(hmm->Transition(-1, 0, 2, -1), std::log10(0.2), 1e-6);

  hmm->ClearTerms();
  hmm->AddTerm(-1);
  hmm->AddTerm(-7);
  EXPECT_EQ(hmm->LogSum(), -1.0f);
  hmm->ClearTerms();
  for (float term : {-3.0f, -1.0f, -2.0f, -9.0f}) hmm->AddTerm(term);
  EXPECT_NEAR(hmm->LogSum(), std::log10(0.1 + 0.01 + 0.001), 1e-6);
  hmm->ClearTerms();
  for (int k = 0; k < kMaxLogTerms; ++k) EXPECT_TRUE(hmm->AddTerm(-2));
  EXPECT_FALSE(hmm->AddTerm(0));
  EXPECT_NEAR(hmm->LogSum(), std::log10(0.5), 1e-5);
}

// The Student t density with 40 degrees of freedom, written out.
double TDensity(double v) {
  const double nu = kSignalDegrees;
  return std::exp(std::lgamma((nu + 1) / 2) - std::lgamma(nu / 2)) /
         std::sqrt(nu * std::numbers::pi) * std::pow(1 + v * v / nu, -(nu + 1) / 2);
}

TEST(HmmTest, CopyNumberSignalsFollowTheStudentDensityAroundEachLevel) {
  const std::vector<float> levels = {0, 1, 2, 3};
  const std::vector<float> signal = {1.9f, 2.2f, kMissingSignal, 0.1f, 3.4f, 2.8f};
  const std::vector<float> scale = {0.3f, 0.5f, 0.4f, 0.2f, 0.6f, 0.3f};
  const int n = static_cast<int>(signal.size());
  const std::vector<double> start = {0.1, 0.2, 0.5, 0.2};
  std::vector<double> distance = {2, 40, 1, -1, 8};
  auto hmm = std::make_unique<HMM>();
  ASSERT_TRUE(hmm->Init(4, 1, n, true));
  hmm->copyLevel = levels;
  for (int i = 0; i < 4; ++i) hmm->SetStart(i, static_cast<float>(start[i]));
  for (int t = 0; t < n; ++t) {
    hmm->x[t] = signal[t];
    hmm->sdX[t] = scale[t];
    if (t > 0) hmm->SetDistance(t - 1, static_cast<float>(distance[t - 1]));
  }
  const auto emit = [&](int t, int s) {
    if (signal[t] == kMissingSignal) return 1.0;
    const double w = std::max(levels[s] * 0.5, 0.5);
    return TDensity((signal[t] - levels[s]) / (scale[t] * w));
  };
  for (int t = 0; t < n; ++t)
    for (int s = 0; s < 4; ++s) EXPECT_NEAR(hmm->Emission(s, t), std::log10(emit(t, s)), 1e-5);
  const Moves move = [&](int t, int i, int j) {
    const double q = synth::RedrawChance(distance[t]);
    return q * start[j] + (i == j ? 1 - q : 0);
  };
  ExpectMatchesEnumeration(*hmm, Enumerate(4, n, start, emit, move), n, 1e-4);
}

TEST(HmmTest, ParentSpecificCopiesSumTheFourAlleleAssignments) {
  auto hmm = std::make_unique<HMM>();
  ASSERT_TRUE(hmm->Init(4, 1, 2, true));
  hmm->parentSpecific = true;
  hmm->copyLevel = {0, 1, 2};
  hmm->parentStateA = {0, 1, 1, 2};
  hmm->parentStateB = {1, 1, 0, 2};
  hmm->x = {1.1f, kMissingSignal};
  hmm->y = {0.8f, 1.0f};
  hmm->sdX = {0.3f, 0.3f};
  hmm->sdY = {0.4f, 0.4f};
  for (int i = 0; i < 4; ++i) hmm->SetStart(i, 0.25f);
  hmm->SetDistance(0, 10);
  // Both parents change from state 0 to 3 and from 2 to 3; one parent from 0 to 1.
  EXPECT_EQ(hmm->Transition(0, 0, 3, -1), kImpossibleLog);
  EXPECT_EQ(hmm->Transition(0, 2, 3, -1), kImpossibleLog);
  EXPECT_GT(hmm->Transition(0, 0, 1, -1), kImpossibleLog);
  EXPECT_EQ(hmm->Emission(2, 1), 0.0f);
  // State 2: copies a = 1 (first parent), b = 0.
  double sum = 0;
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const double mA = (i == 0 ? 1 : 0);
      const double mB = (i == 1 ? 1 : 0);
      sum += TDensity((1.1 - mA) / (0.3 * 0.5)) * TDensity((0.8 - mB) / (0.4 * 0.5)) * 0.25;
    }
  }
  EXPECT_NEAR(hmm->Emission(2, 0), std::log10(sum), 1e-4);
}

}  // namespace

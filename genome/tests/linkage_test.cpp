// The pedigree linkage engine against the long way round: P(data | v) and the phenotype
// vector against every founder-allele assignment, posteriors and likelihood against every
// vector with all meioses free, the LOD of a fully informative family against its hand value, and
// the simulation mode against its own planted locus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "engine/base/missing_value.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/linkage/inheritance_transition.hpp"
#include "genome/linkage/linkage_analysis.hpp"
#include "genome/tests/linkage_test_support.hpp"
#include "platform/parallel_tasks.hpp"

using namespace linkage_test;

namespace {

// A trio alone has no free meiosis; with the father's parents listed (no arrays) his
// transmission is free.
std::vector<Member> Trio() {
  return {{10, 0, 0, 1, "NA", 0},
          {11, 0, 0, 2, "NA", 0},
          {1, 10, 11, 1, "a1", 0},
          {2, 0, 0, 2, "a2", 0},
          {3, 1, 2, 1, "a3", 2}};
}

// Trio, nuclear families of 2-4 children, three generations (8 bits, and a wider one past
// the dense walk's founder-allele limit).
std::vector<std::vector<Member>> SmallPedigrees() {
  std::vector<std::vector<Member>> all = {Trio(), Nuclear({2, 1}), Nuclear({2, 2, 1}),
                                          Nuclear({2, 0, 1, 2})};
  // Grandparents 1-4, their children 5 and 6 marry; 7 marries in; grandchildren 8, 9, 10.
  all.push_back({{1, 0, 0, 1, "a1", 0},
                 {2, 0, 0, 2, "NA", 0},
                 {3, 0, 0, 1, "a3", 1},
                 {4, 0, 0, 2, "a4", 0},
                 {5, 1, 2, 1, "a5", 2},
                 {6, 3, 4, 2, "a6", 1},
                 {8, 5, 6, 1, "a8", 2},
                 {9, 5, 6, 2, "NA", 2},
                 {10, 5, 6, 2, "a10", 1},
                 {11, 5, 6, 1, "a11", 0}});
  // Five founders: ten founder alleles, counted by components.
  all.push_back({{1, 0, 0, 1, "a1", 0},
                 {2, 0, 0, 2, "a2", 0},
                 {3, 0, 0, 1, "a3", 1},
                 {4, 0, 0, 2, "a4", 0},
                 {5, 1, 2, 1, "a5", 2},
                 {6, 3, 4, 2, "a6", 1},
                 {7, 0, 0, 2, "a7", 0},
                 {8, 5, 6, 1, "a8", 2},
                 {9, 5, 7, 2, "a9", 2}});
  return all;
}

MarkerObservation ObservationOf(const std::vector<int>& calls, float p, float e) {
  MarkerObservation o;
  o.p = p;
  for (std::size_t i = 0; i < calls.size(); ++i)
    if (calls[i] != kNoCall)
      o.observed.push_back({static_cast<int>(i), CallTerm(calls[i], e), calls[i]});
  return o;
}

void ExpectClose(double expected, double actual, double relative, const std::string& what) {
  EXPECT_NEAR(actual, expected, relative * std::max(std::abs(expected), 1e-30)) << what;
}

// Gene drop along a chromosome: a random vector path with Haldane crossovers and random
// founder states, giving consistent calls (some missing) for persons with an array.
LinkageChromosome DropGenes(const LinkageAnalysis& analysis, int markers, float spacingCm,
                            unsigned seed, double missing) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> u(0, 1);
  const auto& persons = analysis.pedigree.Persons();
  LinkageChromosome data;
  data.calls.assign(persons.size() * static_cast<std::size_t>(markers), kNoCall);
  std::uint32_t v = static_cast<std::uint32_t>(random()) & (analysis.pedigree.VectorCount() - 1);
  for (int m = 0; m < markers; ++m) {
    const float p = static_cast<float>(0.2 + 0.6 * u(random));
    data.markers.push_back({"snp" + std::to_string(m), spacingCm * static_cast<float>(m),
                            0.1f * static_cast<float>(m), p});
    if (m > 0)
      for (int b = 0; b < analysis.pedigree.Bits(); ++b)
        if (u(random) < HaldaneTheta(spacingCm)) v ^= 1u << b;
    const std::vector<int> alleles = OracleDescent(persons, v);
    std::vector<int> states(static_cast<std::size_t>(analysis.pedigree.FounderAlleles()));
    for (int& s : states) s = u(random) < p ? 0 : 1;
    for (std::size_t i = 0; i < persons.size(); ++i) {
      if (persons[i].array < 0 || u(random) < missing) continue;
      const int s1 = states[static_cast<std::size_t>(alleles[2 * i])];
      const int s2 = states[static_cast<std::size_t>(alleles[2 * i + 1])];
      data.calls[i * static_cast<std::size_t>(markers) + static_cast<std::size_t>(m)] =
          static_cast<std::uint8_t>(s1 == s2 ? s1 : kCallAB);
    }
  }
  return data;
}

}  // namespace

TEST(LinkageLikelihood, EveryVectorMatchesEnumerationOfFounderAlleles) {
  CapturedLog log;
  std::mt19937 random(41);
  int checked = 0;
  for (const auto& members : SmallPedigrees()) {
    LinkageAnalysis analysis = Prepared(members);
    const Pedigree& pedigree = analysis.pedigree;
    const auto& persons = pedigree.Persons();
    ASSERT_LE(pedigree.Bits(), 8);
    VectorLikelihood likelihood(pedigree);
    std::vector<float> engine(pedigree.VectorCount());
    for (const float e : {0.0f, 0.01f, 0.2f})
      for (int round = 0; round < 3; ++round) {
        const std::vector<int> calls = RandomCalls(persons.size(), random, 0.25);
        const float p = round == 0 ? 0.5f : 0.15f + 0.3f * static_cast<float>(round);
        const MarkerObservation marker = ObservationOf(calls, p, e);
        likelihood.Evaluate(marker, engine.data());
        for (std::uint32_t v = 0; v < pedigree.VectorCount(); ++v) {
          const std::vector<int> alleles = OracleDescent(persons, v);
          const double brute = BruteMarker(alleles, pedigree.FounderAlleles(), calls, p, e);
          ExpectClose(brute, engine[v], 1e-4, "v " + std::to_string(v));
          ExpectClose(brute, ComponentLikelihood(marker, alleles.data(), pedigree.FounderAlleles()),
                      1e-6, "components, v " + std::to_string(v));
          ++checked;
        }
      }
    // The phenotypes' vector, recessive and dominant, with phenocopies.
    for (const int mode : {kRecessive, kDominant}) {
      analysis.settings.inheritance = mode;
      SetDisease(analysis.settings, 0.05f, 0.9f, 0.02f);
      const std::vector<float> disease = analysis.DiseaseVector();
      for (std::uint32_t v = 0; v < pedigree.VectorCount(); ++v)
        ExpectClose(BruteDisease(OracleDescent(persons, v), pedigree.FounderAlleles(), persons,
                                 analysis.settings),
                    disease[v], 1e-4, "disease, v " + std::to_string(v));
    }
  }
  EXPECT_GT(checked, 1000);
}

TEST(LinkageHmm, PosteriorsAndLikelihoodMatchEveryVectorWithEveryMeiosisFree) {
  CapturedLog log;
  RaisedAnalysisRunning running;
  const std::vector<std::vector<Member>> pedigrees = {Trio(), Nuclear({2, 2}), Nuclear({2, 1, 2})};
  int seed = 7;
  for (const auto& members : pedigrees)
    for (int markers = 2; markers <= 4; ++markers)
      for (const bool oneCrossover : {false, true}) {
        LinkageAnalysis analysis = Prepared(members);
        analysis.settings.oneCrossover = oneCrossover;
        analysis.settings.errorRate = 0.02f;
        SetDisease(analysis.settings, 0.1f, 0.95f, 0.05f);
        LinkageChromosome data = DropGenes(analysis, markers, 7.5f, ++seed, 0.2);
        data.markers[1].centiMorgans = data.markers[0].centiMorgans;  // a zero distance
        const auto& persons = analysis.pedigree.Persons();
        const std::uint32_t n = analysis.pedigree.VectorCount();
        const int e = analysis.pedigree.FounderAlleles();
        std::vector<double> theta(static_cast<std::size_t>(markers), 0);
        for (int m = 1; m < markers; ++m)
          theta[static_cast<std::size_t>(m)] =
              HaldaneTheta(data.markers[static_cast<std::size_t>(m)].centiMorgans -
                           data.markers[static_cast<std::size_t>(m - 1)].centiMorgans);
        const ExactRun exact = ExactLinkage(
            persons, theta, oneCrossover,
            [&](int m, const std::vector<int>& alleles) {
              std::vector<int> calls(persons.size());
              for (std::size_t i = 0; i < persons.size(); ++i)
                calls[i] =
                    data.calls[i * static_cast<std::size_t>(markers) + static_cast<std::size_t>(m)];
              return BruteMarker(alleles, e, calls,
                                 data.markers[static_cast<std::size_t>(m)].frequency,
                                 analysis.settings.errorRate);
            },
            [&](int, const std::vector<int>& alleles) {
              return BruteDisease(alleles, e, persons, analysis.settings);
            },
            n);

        int seen = 0;
        LinkageResult result;
        ASSERT_TRUE(analysis.RunChromosome(data, result, [&](int m, const float* posterior) {
          ++seen;
          for (std::uint32_t v = 0; v < n; ++v)
            EXPECT_NEAR(posterior[v], exact.posterior[static_cast<std::size_t>(m)][v], 1e-5)
                << "marker " << m << " v " << v;
          EXPECT_NEAR(result.lod[static_cast<std::size_t>(m)],
                      exact.lod[static_cast<std::size_t>(m)], 1e-5);
        }));
        EXPECT_EQ(seen, markers);
        EXPECT_NEAR(result.logLikelihood, exact.logLikelihood, 1e-5);
      }
}

TEST(LinkageLod, FullyInformativeRecessiveSibshipsGiveTheHandValue) {
  CapturedLog log;
  RaisedAnalysisRunning running;
  for (const int affected : {2, 3, 4})
    for (const float p : {0.01f, 0.1f}) {
      LinkageAnalysis analysis = Prepared(Nuclear(std::vector<int>(affected, kAffected)));
      analysis.settings.diseaseFrequency = p;
      analysis.settings.errorRate = 0;
      // Father AB over mother AA, then the reverse at the same place: every child's two
      // meioses are seen, and all children received the same alleles.
      LinkageChromosome data;
      data.markers = {{"m1", 10, 1, 0.5f}, {"m2", 10, 1, 0.5f}};
      for (std::size_t i = 0; i < analysis.pedigree.Persons().size(); ++i) {
        const int id = analysis.pedigree.Persons()[i].person;
        data.calls.push_back(static_cast<std::uint8_t>(id == 1 ? kCallAB : kCallAA));
        data.calls.push_back(static_cast<std::uint8_t>(id == 2 ? kCallAB : kCallAA));
      }
      LinkageResult result;
      ASSERT_TRUE(analysis.RunChromosome(data, result));
      // Sibs identical by descent at both alleles: P = p^2. Over all vectors each parent
      // passes one allele to all k sibs with chance 2^-(k - 1), else two, so the mean is
      // (p (2^-(k - 1) + p (1 - 2^-(k - 1))))^2.
      const double once = std::pow(0.5, affected - 1);
      const double hand = -2 * std::log10(once + p * (1 - once));
      EXPECT_NEAR(result.lod[0], hand, 1e-4) << affected << " sibs, p " << p;
      EXPECT_NEAR(result.lod[1], hand, 1e-4);
      EXPECT_EQ(result.chosen[0], 0u);
    }
}

TEST(LinkageSimulation, PlantedLocusGivesTheHighestLodAndRepeatsWithItsSeed) {
  CapturedLog log;
  RaisedAnalysisRunning running;
  LinkageAnalysis analysis = Prepared(Nuclear({2, 2, 2, 1, 1, 1}));
  analysis.settings.diseaseFrequency = 0.01f;
  constexpr int kMarkers = 300;
  constexpr float kSpacing = 0.5f;
  LinkageChromosome base = DropGenes(analysis, kMarkers, kSpacing, 3, 0);
  constexpr std::int64_t kSeed = 4'000'000'123LL;  // past 32 bits: both halves seed

  LinkageChromosome first = base, again = base, other = base;
  LinkageResult simulated, repeated, otherRun;
  ASSERT_TRUE(analysis.Simulate(first, simulated, kSeed));
  ASSERT_TRUE(analysis.Simulate(again, repeated, kSeed));
  ASSERT_TRUE(analysis.Simulate(other, otherRun, kSeed + 1));
  EXPECT_EQ(first.calls, again.calls);
  EXPECT_EQ(simulated.diseaseLocus, repeated.diseaseLocus);
  EXPECT_NE(first.calls, other.calls);
  EXPECT_TRUE(log.Contains("Finished}", kLogBlue));
  const int locus = simulated.diseaseLocus;
  ASSERT_GE(locus, 0);
  EXPECT_FLOAT_EQ(simulated.lod[static_cast<std::size_t>(locus)], 2);

  LinkageResult linked;
  ASSERT_TRUE(analysis.RunChromosome(first, linked));
  // Recombinations that keep the affected sibs alike leave the curve flat over stretches,
  // so the locus must reach the chromosome's top, not stand alone at it.
  const float top = *std::max_element(linked.lod.begin(), linked.lod.end());
  EXPECT_GE(linked.lod[static_cast<std::size_t>(locus)], top - 0.01f) << "locus " << locus;
  EXPECT_GT(top, 1.5f);
  // The disease locus is left uncalled, and every other marker of an array is called.
  for (std::size_t i = 0; i < analysis.pedigree.Persons().size(); ++i)
    for (int m = 0; m < kMarkers; ++m)
      EXPECT_EQ(first.calls[i * kMarkers + static_cast<std::size_t>(m)] == kNoCall, m == locus);

  // The same family on a chromosome that carries no disease locus.
  LinkageResult unlinked;
  ASSERT_TRUE(analysis.RunChromosome(base, unlinked));
  EXPECT_LT(*std::max_element(unlinked.lod.begin(), unlinked.lod.end()), 1.0f)
      << *std::max_element(unlinked.lod.begin(), unlinked.lod.end());

  // Splitting the vectors over threads changes nothing.
  platform::LimitWorkerThreads(1);
  LinkageResult single;
  ASSERT_TRUE(analysis.RunChromosome(first, single));
  platform::LimitWorkerThreads(0);
  EXPECT_EQ(single.lod, linked.lod);
  EXPECT_EQ(single.chosen, linked.chosen);
}

TEST(LinkageReduction, ErrorFreeCallsGiveTheUnreducedValuesFromFewerVectors) {
  CapturedLog log;
  RaisedAnalysisRunning running;
  std::mt19937 random(23);
  std::uniform_real_distribution<double> u(0, 1);
  std::uint64_t evaluated = 0, vectors = 0;
  // Also a sib whose own meioses are free and who has children of her own.
  std::vector<std::vector<Member>> pedigrees = SmallPedigrees();
  pedigrees.push_back({{1, 0, 0, 1, "a1", 0},
                       {2, 0, 0, 2, "a2", 0},
                       {5, 0, 0, 1, "a5", 0},
                       {3, 1, 2, 1, "a3", 0},
                       {4, 1, 2, 2, "a4", 0},
                       {6, 5, 4, 1, "a6", 2},
                       {7, 5, 4, 2, "a7", 1}});
  for (const auto& members : pedigrees) {
    LinkageAnalysis analysis = Prepared(members);
    const Pedigree& pedigree = analysis.pedigree;
    const auto& persons = pedigree.Persons();
    const std::uint32_t n = pedigree.VectorCount();
    VectorLikelihood likelihood(pedigree);
    std::vector<float> full(n), reduced(n);
    // Calls dropped down one vector (consistent) and drawn at random (mostly not).
    for (int round = 0; round < 12; ++round) {
      std::vector<int> calls = RandomCalls(persons.size(), random, 0.25);
      if (round % 2 == 0) {
        const std::vector<int> alleles = OracleDescent(persons, random() & (n - 1));
        std::vector<int> states(static_cast<std::size_t>(pedigree.FounderAlleles()));
        for (int& s : states) s = u(random) < 0.4 ? 0 : 1;
        for (std::size_t i = 0; i < persons.size(); ++i) {
          const int s1 = states[static_cast<std::size_t>(alleles[2 * i])];
          const int s2 = states[static_cast<std::size_t>(alleles[2 * i + 1])];
          if (calls[i] != kNoCall) calls[i] = s1 == s2 ? s1 : kCallAB;
        }
      }
      const MarkerObservation marker = ObservationOf(calls, 0.4f, 0);
      likelihood.Evaluate(marker, full.data());
      const ReductionCount count = likelihood.EvaluateReduced(marker, reduced.data());
      EXPECT_LE(count.evaluated, n);
      EXPECT_GE(count.nodes, count.evaluated);
      evaluated += count.evaluated;
      vectors += n;
      for (std::uint32_t v = 0; v < n; ++v)
        ASSERT_NEAR(reduced[v], full[v], 1e-6 * full[v] + 1e-30)
            << persons.size() << " persons, round " << round << ", v " << v;
    }
  }
  EXPECT_LT(evaluated, vectors / 2);

  // Whole runs: the reduced LOD curve and likelihood are the unreduced ones.
  for (const auto& members : {Nuclear({2, 2, 1, 2}), SmallPedigrees()[4]}) {
    LinkageAnalysis analysis = Prepared(members);
    analysis.settings.errorRate = 0;
    SetDisease(analysis.settings, 0.05f, 0.9f, 0.02f);
    const LinkageChromosome data = DropGenes(analysis, 40, 2.0f, 31, 0.2);
    LinkageResult plain, reduced;
    log.Clear();
    ASSERT_TRUE(analysis.RunChromosome(data, plain));
    EXPECT_FALSE(log.Contains("p(data|v) evaluated", kLogBlack));
    analysis.settings.inheritReduction = true;
    ASSERT_TRUE(analysis.RunChromosome(data, reduced));
    EXPECT_NEAR(reduced.logLikelihood, plain.logLikelihood, 1e-4);
    for (std::size_t m = 0; m < plain.lod.size(); ++m)
      EXPECT_NEAR(reduced.lod[m], plain.lod[m], 1e-4) << "marker " << m;
    platform::LimitWorkerThreads(1);
    LinkageResult single;
    ASSERT_TRUE(analysis.RunChromosome(data, single));
    platform::LimitWorkerThreads(0);
    EXPECT_EQ(single.lod, reduced.lod);
    const std::string all = "(all " + std::to_string(analysis.pedigree.VectorCount()) + ")";
    EXPECT_TRUE(log.Contains("p(data|v) evaluated " + all, kLogBlack));
    EXPECT_TRUE(log.Contains("memory units for each of 40 informative markers", kLogBlack));
  }
}

// LOH mode: persons pair a normal with a tumour, or have a tumour alone. Where the germline
// is uncalled a tumour that retained heterozygosity stands for it, one that lost it only
// says which allele the germline carries; a tumour's loss at the disease locus counts as
// affected and retention as unaffected, and one disease allele makes a carrier. Here the
// rule is written out over every founder-allele state and every vector with all meioses free.
TEST(LinkageLoh, PairedTumoursEnterGenotypesAndCarriersAsEveryPathGives) {
  CapturedLog log;
  RaisedAnalysisRunning running;
  // Sample n is array "an"; 2 is a normal (ploidy 2), 3 and 5 groups of a normal and its
  // tumour, the others tumours alone (6 of unknown ploidy).
  const auto lookup = [](const std::string& name) {
    return name == "NA" ? -1 : 10 * std::stoi(name.substr(1));
  };
  const auto pairing = [](int sample) {
    const int n = sample / 10;
    SamplePairing p;
    p.groupSamples = n == 3 || n == 5 ? 2 : 1;
    p.nextInGroup = p.groupSamples == 2;
    p.ploidy = n == 2 ? 2.0f : n == 6 ? -1.0f : 3.0f;
    return p;
  };
  const std::vector<std::vector<Member>> pedigrees = {Nuclear({2, 1, 2}),
                                                      Nuclear({2, 2, 0, 1}),
                                                      {{1, 0, 0, 1, "a1", 2},
                                                       {2, 0, 0, 2, "a2", 1},
                                                       {3, 1, 2, 1, "a3", 2},
                                                       {4, 0, 0, 2, "NA", 0},
                                                       {5, 3, 4, 1, "a5", 2},
                                                       {6, 3, 4, 2, "a6", 0}}};
  const float threshold = 0.7f;
  int seed = 40;
  int losses = 0, retentions = 0, tumourOnly = 0;
  for (const auto& members : pedigrees) {
    LinkageAnalysis analysis;
    ASSERT_TRUE(analysis.pedigree.ReadText(PedigreeText(members), "ped.txt", lookup));
    analysis.pedigree.PairSamples(pairing);
    ASSERT_TRUE(analysis.PrepareFounders());
    analysis.settings.inheritance = kLohInheritance;
    analysis.settings.errorRate = 0.03f;
    SetDisease(analysis.settings, 0.05f, 0.8f, 0.1f);
    analysis.settings.lohThreshold = threshold;
    const auto& persons = analysis.pedigree.Persons();
    for (const PedigreePerson& p : persons) {
      const int n = p.array / 10;
      const int kind = p.array < 0 || n == 2 ? kPairNormal
                       : n == 3 || n == 5    ? kPairNormalAndTumour
                                             : kPairTumour;
      EXPECT_EQ(p.pairKind, kind) << p.arrayName;
      EXPECT_EQ(p.secondArray, kind == kPairNormal            ? -1
                               : kind == kPairNormalAndTumour ? p.array + 1
                                                              : p.array)
          << p.arrayName;
    }
    const int markers = 3;
    LinkageChromosome data = DropGenes(analysis, markers, 12.0f, ++seed, 0.25);
    std::mt19937 random(static_cast<unsigned>(seed));
    std::uniform_real_distribution<double> u(0, 1);
    data.secondCalls.assign(data.calls.size(), kNoCall);
    data.loh.assign(data.calls.size(), kMissingValueFloat);
    for (std::size_t c = 0; c < data.calls.size(); ++c) {
      const int germline = data.calls[c];
      if (persons[c / markers].pairKind == kPairNormal) continue;
      // A tumour shows its germline, a lost allele or a random call; LOH values spread
      // over loss, retention and the undecided band, some missing.
      const double r = u(random);
      data.secondCalls[c] = static_cast<std::uint8_t>(
          germline == kCallAB && r < 0.4   ? (r < 0.2 ? kCallAA : kCallBB)
          : germline != kNoCall && r < 0.9 ? germline
                                           : static_cast<int>(u(random) * 4));
      if (u(random) > 0.1) data.loh[c] = static_cast<float>(u(random));
    }
    const auto lohClass = [&](std::size_t i, int m) {
      const float x = data.loh[i * markers + static_cast<std::size_t>(m)];
      if (persons[i].pairKind == kPairNormal || IsMissing(x)) return kLohNoCall;
      return x > threshold ? kLohLoss : x < 1 - threshold ? kLohRetention : kLohNoCall;
    };

    const std::uint32_t n = analysis.pedigree.VectorCount();
    const int e = analysis.pedigree.FounderAlleles();
    const double err = analysis.settings.errorRate;
    // The long way: per marker and vector, P(data | v) and P(phenotypes | v) over every
    // founder-allele state.
    const auto terms = [&](int m, const std::vector<int>& alleles, bool phenotypes) {
      const double p = data.markers[static_cast<std::size_t>(m)].frequency;
      const double pd = analysis.settings.diseaseFrequency;
      double marker = 0, disease = 0;
      for (std::uint32_t a = 0; a < (1u << e); ++a) {
        double w = 1, wd = 1;
        for (int x = 0; x < e; ++x) {
          w *= (a >> x & 1u) ? 1 - p : p;
          wd *= (a >> x & 1u) ? 1 - pd : pd;
        }
        for (std::size_t i = 0; i < persons.size(); ++i) {
          const int s1 = static_cast<int>(a >> alleles[2 * i] & 1u);
          const int s2 = static_cast<int>(a >> alleles[2 * i + 1] & 1u);
          const int genotype = s1 == s2 ? s1 : kCallAB;
          const std::size_t c = i * markers + static_cast<std::size_t>(m);
          const int normal = persons[i].pairKind == kPairTumour ? kNoCall : data.calls[c];
          const int tumour = persons[i].pairKind == kPairNormal ? kNoCall : data.secondCalls[c];
          const int state = lohClass(i, m);
          if (normal != kNoCall)
            w *= genotype == normal ? 1 - err : err / 2;
          else if (tumour != kNoCall && state == kLohRetention)
            w *= genotype == tumour ? 1 - err : err / 2;
          else if (tumour != kNoCall && tumour != kCallAB && state == kLohLoss)
            w *= s1 == tumour || s2 == tumour ? 1 - err : err / 2;
          int affection = persons[i].affection;
          if (state == kLohLoss) affection = kAffected;
          if (state == kLohRetention) affection = kUnaffected;
          const bool carrier = s1 == 0 || s2 == 0;
          const auto& st = analysis.settings;
          if (affection == kAffected) wd *= carrier ? st.penetrance : st.phenocopy;
          if (affection == kUnaffected) wd *= carrier ? 1 - st.penetrance : 1 - st.phenocopy;
        }
        marker += w;
        disease += wd;
      }
      return phenotypes ? disease : marker;
    };
    for (int m = 0; m < markers; ++m)
      for (std::size_t i = 0; i < persons.size(); ++i) {
        const int state = lohClass(i, m);
        losses += state == kLohLoss;
        retentions += state == kLohRetention;
        tumourOnly += persons[i].pairKind == kPairTumour &&
                      data.secondCalls[i * markers + static_cast<std::size_t>(m)] != kNoCall;
      }
    const ExactRun exact = ExactLinkage(
        persons, std::vector<double>(markers, HaldaneTheta(12.0f)), false,
        [&](int m, const std::vector<int>& alleles) { return terms(m, alleles, false); },
        [&](int m, const std::vector<int>& alleles) { return terms(m, alleles, true); }, n);

    int seen = 0;
    LinkageResult result;
    ASSERT_TRUE(analysis.RunChromosome(data, result, [&](int m, const float* posterior) {
      ++seen;
      for (std::uint32_t v = 0; v < n; ++v)
        EXPECT_NEAR(posterior[v], exact.posterior[static_cast<std::size_t>(m)][v], 1e-5)
            << "marker " << m << " v " << v;
      EXPECT_NEAR(result.lod[static_cast<std::size_t>(m)], exact.lod[static_cast<std::size_t>(m)],
                  1e-5)
          << "marker " << m;
    }));
    EXPECT_EQ(seen, markers);
    EXPECT_NEAR(result.logLikelihood, exact.logLikelihood, 1e-5);
  }
  // The draws reached every branch of the rule.
  EXPECT_GT(losses, 0);
  EXPECT_GT(retentions, 0);
  EXPECT_GT(tumourOnly, 0);
}

// A large pedigree spends long inside one marker's vectors: the window is pumped and a stop
// polled there too, and a stop ends the run before the marker's LOD is written. Both roads
// of P(data | v): the walk of two founders' nine children, and the founder-allele graph of
// five founders (three children who married in).
TEST(LinkageRun, AStopInsideOneMarkersVectorsEndsTheRunAtOnce) {
  CapturedLog log;
  platform::LimitWorkerThreads(1);
  std::vector<Member> graphRoad = {{1, 0, 0, 1, "a1", 0}, {2, 0, 0, 2, "a2", 0}};
  for (int c = 0; c < 3; ++c) {
    const int child = 3 + 4 * c, spouse = child + 1;
    graphRoad.push_back({child, 1, 2, 1, "a" + std::to_string(child), 2});
    graphRoad.push_back({spouse, 0, 0, 2, "a" + std::to_string(spouse), 1});
    for (int g = 0; g < 2; ++g)
      graphRoad.push_back(
          {child + 2 + g, child, spouse, 1, "a" + std::to_string(child + 2 + g), 2 - g});
  }
  for (const auto& members : {Nuclear({2, 2, 2, 1, 1, 1, 2, 1, 2}), graphRoad}) {
    LinkageAnalysis analysis = Prepared(members);
    ASSERT_GE(analysis.pedigree.Bits(), 13);
    LinkageChromosome data;
    data.markers = {{"m1", 0, 0, 0.4f}};
    data.calls.assign(analysis.pedigree.Persons().size(), kCallAB);
    {
      ScriptedProgress progress;
      LinkageResult result;
      ASSERT_TRUE(analysis.RunChromosome(data, result));
      EXPECT_GT(progress.polls, 4);
      EXPECT_GT(progress.pumps, 4);
    }
    ScriptedProgress progress;
    progress.stopAtPoll = 2;
    LinkageResult result;
    log.Clear();
    EXPECT_FALSE(analysis.RunChromosome(data, result));
    EXPECT_TRUE(log.ContainsRed("User stop command issued"));
    EXPECT_FALSE(log.Contains("Compute backward probabilities", kLogBlack));
    ASSERT_EQ(result.lod.size(), 1u);
    EXPECT_TRUE(IsMissing(result.lod[0]));
    EXPECT_LE(progress.polls, 3);
  }
  platform::LimitWorkerThreads(0);
}

// The linkage engine against the exact likelihood of the disease model: every founder-allele
// state and every inheritance vector with all meioses free, the fixed ones too, on a family
// worked by hand and on many random small pedigrees; and P(data | v) over the founder-allele
// graph against every founder-allele state on pedigrees with many founders and with loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/linkage/founder_allele_graph.hpp"
#include "genome/linkage/inheritance_transition.hpp"
#include "genome/linkage/linkage_analysis.hpp"
#include "genome/tests/linkage_test_support.hpp"

using namespace linkage_test;

namespace {

int CallAt(const LinkageChromosome& data, std::size_t person, int marker) {
  return data.calls[person * data.markers.size() + static_cast<std::size_t>(marker)];
}

// The calls the analysis keeps: a child called against its parents' calls (AA or BB with a
// parent of the other homozygote, AB with both parents of one homozygote) is uncalled.
std::vector<int> KeptCalls(const LinkageChromosome& data,
                           const std::vector<PedigreePerson>& persons, int marker) {
  std::vector<int> calls(persons.size());
  for (std::size_t i = 0; i < persons.size(); ++i) calls[i] = CallAt(data, i, marker);
  for (std::size_t i = 0; i < persons.size(); ++i) {
    if (persons[i].fatherIndex < 0) continue;
    const int f = calls[static_cast<std::size_t>(persons[i].fatherIndex)];
    const int m = calls[static_cast<std::size_t>(persons[i].motherIndex)];
    const int c = calls[i];
    const bool wrong = (c == kCallAA && (f == kCallBB || m == kCallBB)) ||
                       (c == kCallBB && (f == kCallAA || m == kCallAA)) ||
                       (c == kCallAB && f == m && (f == kCallAA || f == kCallBB));
    if (wrong) calls[i] = kNoCall;
  }
  return calls;
}

// The exact run for the analysis' settings over the data.
ExactRun Exact(const LinkageAnalysis& analysis, const LinkageChromosome& data) {
  const auto& persons = analysis.pedigree.Persons();
  const int markers = static_cast<int>(data.markers.size());
  std::vector<double> theta(static_cast<std::size_t>(markers), 0);
  for (int m = 1; m < markers; ++m)
    theta[static_cast<std::size_t>(m)] =
        HaldaneTheta(data.markers[static_cast<std::size_t>(m)].centiMorgans -
                     data.markers[static_cast<std::size_t>(m - 1)].centiMorgans);
  std::vector<std::vector<int>> calls;
  for (int m = 0; m < markers; ++m) calls.push_back(KeptCalls(data, persons, m));
  const int e = analysis.pedigree.FounderAlleles();
  return ExactLinkage(
      persons, theta, analysis.settings.oneCrossover,
      [&](int m, const std::vector<int>& alleles) {
        return BruteMarker(alleles, e, calls[static_cast<std::size_t>(m)],
                           data.markers[static_cast<std::size_t>(m)].frequency,
                           analysis.settings.errorRate);
      },
      [&](int, const std::vector<int>& alleles) {
        return BruteDisease(alleles, e, persons, analysis.settings);
      },
      analysis.pedigree.VectorCount());
}

// Calls dropped along a path of vectors with every meiosis free, some missing; with
// wrongCalls some replaced by a random call.
LinkageChromosome DropAlongFullPath(const LinkageAnalysis& analysis, std::mt19937& random,
                                    double wrongCalls) {
  std::uniform_real_distribution<double> u(0, 1);
  const auto& persons = analysis.pedigree.Persons();
  const int meioses = FullMeioses(persons);
  const int markers = 2 + static_cast<int>(random() % 3);
  LinkageChromosome data;
  data.calls.assign(persons.size() * static_cast<std::size_t>(markers), kNoCall);
  std::uint32_t w = static_cast<std::uint32_t>(random()) & ((1u << meioses) - 1);
  float position = 0;
  for (int m = 0; m < markers; ++m) {
    const float spacing = 1 + 39 * static_cast<float>(u(random));
    if (m > 0) position += spacing;
    const auto p = static_cast<float>(0.1 + 0.8 * u(random));
    data.markers.push_back({"snp" + std::to_string(m), position, position, p});
    if (m > 0)
      for (int b = 0; b < meioses; ++b)
        if (u(random) < HaldaneTheta(spacing)) w ^= 1u << b;
    const std::vector<int> alleles = FullDescent(persons, w);
    std::vector<int> states(static_cast<std::size_t>(analysis.pedigree.FounderAlleles()));
    for (int& s : states) s = u(random) < p ? 0 : 1;
    for (std::size_t i = 0; i < persons.size(); ++i) {
      if (persons[i].array < 0 || u(random) < 0.2) continue;
      const int s1 = states[static_cast<std::size_t>(alleles[2 * i])];
      const int s2 = states[static_cast<std::size_t>(alleles[2 * i + 1])];
      int call = s1 == s2 ? s1 : kCallAB;
      if (u(random) < wrongCalls) call = static_cast<int>(random() % 3);
      data.calls[i * static_cast<std::size_t>(markers) + static_cast<std::size_t>(m)] =
          static_cast<std::uint8_t>(call);
    }
  }
  return data;
}

}  // namespace

// Father affected, mother not, children 3, 5 and 6 affected and 4 not; markers 10 cM apart
// at frequency 0.5; a dominant model without genotyping error.
TEST(LinkageExact, WorkedFamilyGivesTheExactLods) {
  CapturedLog log;
  RaisedAnalysisRunning running;
  LinkageAnalysis analysis = Prepared({{1, 0, 0, 1, "a1", kAffected},
                                       {2, 0, 0, 2, "a2", kUnaffected},
                                       {3, 1, 2, 1, "a3", kAffected},
                                       {4, 1, 2, 2, "a4", kUnaffected},
                                       {5, 1, 2, 1, "a5", kAffected},
                                       {6, 1, 2, 2, "a6", kAffected}});
  analysis.settings.inheritance = kDominant;
  SetDisease(analysis.settings, 0.01f, 0.95f, 0.01f);
  analysis.settings.errorRate = 0;
  LinkageChromosome data;
  data.markers = {{"a", 0, 0, 0.5f}, {"b", 10, 1, 0.5f}, {"c", 20, 2, 0.5f}};
  data.calls = {2, 1, 2, 2, 2, 2, 2, 1, 1, 1, 2, 0, 2, 2, 2, 0, 1, 1};
  LinkageResult result;
  ASSERT_TRUE(analysis.RunChromosome(data, result));
  const ExactRun exact = Exact(analysis, data);
  const std::vector<double> expected = {0.368, 0.648, 0.847};
  for (std::size_t m = 0; m < 3; ++m) {
    EXPECT_NEAR(result.lod[m], expected[m], 5e-4) << "marker " << m;
    EXPECT_NEAR(result.lod[m], exact.lod[m], 1e-6) << "marker " << m;
  }
}

// Nuclear families of 2-4 children and three generations of 7-9 persons, 2-4 markers 1-40 cM
// apart, recessive and dominant models, with and without genotyping error (and then some
// wrong calls), the full and the one-crossover move: the LOD of every marker to 1e-6, and
// the posteriors and the likelihood with it.
TEST(LinkageExact, RandomPedigreesGiveTheLikelihoodWithEveryMeiosisFree) {
  CapturedLog log;
  RaisedAnalysisRunning running;
  std::mt19937 random(4901);
  std::uniform_real_distribution<double> u(0, 1);
  constexpr int kCases = 60;
  for (int round = 0; round < kCases; ++round) {
    LinkageAnalysis analysis = Prepared(RandomPedigree(random, round % 3 != 0));
    LinkageSettings& s = analysis.settings;
    s.inheritance = round % 2 == 0 ? kRecessive : kDominant;
    s.diseaseFrequency = std::array{0.01f, 0.05f, 0.2f}[random() % 3];
    s.penetrance = std::array{0.8f, 0.95f, 1.0f}[random() % 3];
    s.phenocopy = std::array{0.0f, 0.01f, 0.05f}[random() % 3];
    // Full penetrance without phenocopies can make the phenotypes impossible.
    if (s.penetrance == 1.0f && s.phenocopy == 0) s.phenocopy = 0.001f;
    s.errorRate = std::array{0.0f, 0.01f, 0.05f}[random() % 3];
    s.oneCrossover = round % 4 == 3;
    const LinkageChromosome data = DropAlongFullPath(analysis, random, s.errorRate > 0 ? 0.05 : 0);
    const std::string what = "case " + std::to_string(round) + ", " +
                             std::to_string(analysis.pedigree.Persons().size()) + " persons, " +
                             std::to_string(analysis.pedigree.Bits()) + " bits";
    const ExactRun exact = Exact(analysis, data);
    const std::uint32_t n = analysis.pedigree.VectorCount();
    LinkageResult result;
    ASSERT_TRUE(analysis.RunChromosome(data, result, [&](int m, const float* posterior) {
      for (std::uint32_t v = 0; v < n; ++v)
        ASSERT_NEAR(posterior[v], exact.posterior[static_cast<std::size_t>(m)][v], 2e-6)
            << what << ", marker " << m << ", v " << v;
    })) << what;
    EXPECT_FALSE(result.degenerate) << what;
    EXPECT_NEAR(result.logLikelihood, exact.logLikelihood, 1e-5) << what;
    for (std::size_t m = 0; m < data.markers.size(); ++m)
      EXPECT_NEAR(result.lod[m], exact.lod[m], 1e-6) << what << ", marker " << m;
  }
}

// The graph's sum and best states against every founder-allele state, on pedigrees past the
// dense walk's founder-allele count: married-in spouses, cousins who marry (a loop in the
// pedigree), typed parents with four or five typed children (founder-allele graphs where
// every vertex meets three edges), error rates from none to large, and the phenotypes at the
// disease locus.
TEST(LinkageGraph, SumsAndBestStatesMatchEveryFounderAlleleState) {
  CapturedLog log;
  std::mt19937 random(4902);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<std::vector<Member>> pedigrees = {Nuclear({2, 1, 2, 1}), Nuclear({2, 2, 1, 1, 2})};
  // Grandparents 1 and 2; children 3, 4, 5 marry 6, 7, 8; grandchildren 9-13; cousins 9
  // and 12 have child 14; the third couple's child 13 marries in 15 and has 16.
  pedigrees.push_back({{1, 0, 0, 1, "a1", 0},
                       {2, 0, 0, 2, "a2", 1},
                       {3, 1, 2, 1, "a3", 2},
                       {4, 1, 2, 2, "a4", 1},
                       {5, 1, 2, 1, "NA", 0},
                       {6, 0, 0, 2, "a6", 1},
                       {7, 0, 0, 1, "a7", 0},
                       {8, 0, 0, 2, "a8", 1},
                       {9, 3, 6, 1, "a9", 2},
                       {10, 3, 6, 2, "a10", 1},
                       {11, 3, 6, 2, "NA", 2},
                       {12, 7, 4, 2, "a12", 2},
                       {13, 5, 8, 1, "a13", 1},
                       {14, 9, 12, 1, "a14", 2},
                       {15, 0, 0, 2, "a15", 0},
                       {16, 13, 15, 2, "a16", 2}});
  for (int k = 0; k < 6; ++k) pedigrees.push_back(RandomPedigree(random, true));
  int checked = 0;
  for (const auto& members : pedigrees) {
    LinkageAnalysis analysis = Prepared(members);
    const Pedigree& pedigree = analysis.pedigree;
    const auto& persons = pedigree.Persons();
    const int e = pedigree.FounderAlleles();
    const std::uint32_t n = pedigree.VectorCount();
    VectorLikelihood likelihood(pedigree);
    std::vector<float> engine(n);
    for (const float error : {0.0f, 0.01f, 0.3f})
      for (int round = 0; round < 3; ++round) {
        const std::vector<int> calls = RandomCalls(persons.size(), random, round == 0 ? 0 : 0.3);
        const auto p = static_cast<float>(0.1 + 0.8 * u(random));
        MarkerObservation marker;
        marker.p = p;
        for (std::size_t i = 0; i < persons.size(); ++i)
          if (calls[i] != kNoCall)
            marker.observed.push_back({static_cast<int>(i), CallTerm(calls[i], error), calls[i]});
        likelihood.Evaluate(marker, engine.data());
        for (int sample = 0; sample < 40; ++sample) {
          const std::uint32_t v = static_cast<std::uint32_t>(random()) & (n - 1);
          const std::vector<int> alleles = OracleDescent(persons, v);
          const double brute = BruteMarker(alleles, e, calls, p, error);
          EXPECT_NEAR(engine[v], brute, 1e-5 * brute + 1e-37) << "v " << v;
          FounderAlleleGraph graph;
          graph.Reset(e, p);
          for (const ObservedPerson& o : marker.observed)
            graph.Add(alleles[2 * o.person], alleles[2 * o.person + 1], o.term);
          // The terms are floats, the long way's weights doubles.
          EXPECT_NEAR(graph.Sum(), brute, 1e-6 * brute) << "v " << v;

          // The best states against the heaviest assignment; a founder allele no observed
          // person carries has no state.
          std::vector<bool> carried(static_cast<std::size_t>(e), false);
          for (const ObservedPerson& o : marker.observed)
            carried[static_cast<std::size_t>(alleles[2 * o.person])] =
                carried[static_cast<std::size_t>(alleles[2 * o.person + 1])] = true;
          const auto weigh = [&](std::uint32_t a) {
            double w = 1;
            for (int x = 0; x < e; ++x)
              if (carried[static_cast<std::size_t>(x)]) w *= (a >> x & 1u) ? 1.0 - p : p;
            for (const ObservedPerson& o : marker.observed)
              w *= o.term[2 * (a >> alleles[2 * o.person] & 1u) +
                          (a >> alleles[2 * o.person + 1] & 1u)];
            return w;
          };
          double heaviest = 0;
          for (std::uint32_t a = 0; a < (1u << e); ++a) heaviest = std::max(heaviest, weigh(a));
          std::vector<int> best(static_cast<std::size_t>(e));
          const double value = ComponentLikelihood(marker, alleles.data(), e, best.data());
          std::uint32_t chosen = 0;
          for (int x = 0; x < e; ++x) {
            EXPECT_EQ(best[static_cast<std::size_t>(x)] < 0, !carried[static_cast<std::size_t>(x)]);
            if (best[static_cast<std::size_t>(x)] == 1) chosen |= 1u << x;
          }
          EXPECT_NEAR(value, heaviest, 1e-9 * heaviest);
          EXPECT_NEAR(weigh(chosen), heaviest, 1e-12 * heaviest) << "v " << v;
          ++checked;
        }
      }
    // The phenotypes at the disease locus, recessive and dominant.
    for (const int mode : {kRecessive, kDominant}) {
      analysis.settings.inheritance = mode;
      SetDisease(analysis.settings, 0.05f, 0.9f, 0.02f);
      const std::vector<float> disease = analysis.DiseaseVector();
      for (int sample = 0; sample < 40; ++sample) {
        const std::uint32_t v = static_cast<std::uint32_t>(random()) & (n - 1);
        const double brute = BruteDisease(OracleDescent(persons, v), e, persons, analysis.settings);
        EXPECT_NEAR(disease[v], brute, 1e-5 * brute) << "disease, v " << v;
      }
    }
  }
  EXPECT_GT(checked, 3000);
}

// Graphs of any shape with terms that tell the two alleles of a person apart (the pedigree's
// terms never do, so a weight read the wrong way round would go unseen there): loops,
// repeated edges, dense cores that only a split resolves, zero weights.
TEST(LinkageGraph, AnyGraphSumsAndMaximisesAsEveryStateDoes) {
  std::mt19937 random(4903);
  std::uniform_real_distribution<double> u(0, 1);
  int cores = 0;
  for (int round = 0; round < 600; ++round) {
    const int vertices = 1 + static_cast<int>(random() % 12);
    const int edges = static_cast<int>(random() % (FounderAlleleGraph::kMaxEdges + 1));
    const double p = u(random);
    std::vector<std::array<int, 2>> ends;
    std::vector<std::array<float, 4>> terms;
    for (int k = 0; k < edges; ++k) {
      ends.push_back({static_cast<int>(random() % static_cast<unsigned>(vertices)),
                      static_cast<int>(random() % static_cast<unsigned>(vertices))});
      std::array<float, 4> term{};
      for (float& t : term) t = u(random) < 0.1 ? 0.0f : static_cast<float>(u(random));
      terms.push_back(term);
    }
    std::vector<bool> carried(static_cast<std::size_t>(vertices), false);
    for (const auto& [x, y] : ends)
      carried[static_cast<std::size_t>(x)] = carried[static_cast<std::size_t>(y)] = true;
    const auto weigh = [&](std::uint32_t a, bool all) {
      double w = 1;
      for (int x = 0; x < vertices; ++x)
        if (all || carried[static_cast<std::size_t>(x)]) w *= (a >> x & 1u) ? 1 - p : p;
      for (std::size_t k = 0; k < ends.size(); ++k)
        w *= terms[k][2 * (a >> ends[k][0] & 1u) + (a >> ends[k][1] & 1u)];
      return w;
    };
    double sum = 0, heaviest = 0;
    for (std::uint32_t a = 0; a < (1u << vertices); ++a) {
      sum += weigh(a, true);
      heaviest = std::max(heaviest, weigh(a, false));
    }
    const auto build = [&] {
      FounderAlleleGraph graph;
      graph.Reset(vertices, p);
      for (std::size_t k = 0; k < ends.size(); ++k) graph.Add(ends[k][0], ends[k][1], terms[k]);
      return graph;
    };
    FounderAlleleGraph summed = build();
    EXPECT_NEAR(summed.Sum(), sum, 1e-9 * sum + 1e-300) << "round " << round;
    FounderAlleleGraph maximised = build();
    std::vector<int> state(static_cast<std::size_t>(vertices));
    EXPECT_NEAR(maximised.Best(state.data()), heaviest, 1e-9 * heaviest) << "round " << round;
    std::uint32_t chosen = 0;
    for (int x = 0; x < vertices; ++x) {
      EXPECT_EQ(state[static_cast<std::size_t>(x)] < 0, !carried[static_cast<std::size_t>(x)]);
      if (state[static_cast<std::size_t>(x)] == 1) chosen |= 1u << x;
    }
    EXPECT_NEAR(weigh(chosen, false), heaviest, 1e-9 * heaviest) << "round " << round;
    cores += edges > 2 * vertices;
  }
  EXPECT_GT(cores, 100);
}

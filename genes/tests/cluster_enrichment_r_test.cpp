// Branch enrichment after a clustering run, against R's phyper: on planted clusters that
// carry planted terms every p-value agrees, the recorded pairs are exactly those R's
// p-values make significant (sub-branches of a reported branch left out), and each
// planted term is found on a branch holding its whole cluster; with the terms shuffled,
// no more false pairs than the tests' expected share.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/functional_clusters.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

constexpr int kClusters = 8;

struct Outcome {
  int tests = 0;
  int pairs = 0;
};

class ClusterEnrichmentAgainstR : public ::testing::Test {
 protected:
  void TearDown() override {
    FreeClusterTrees();
    ClearGeneInformation();
    FunctionalClusters = FUNCTIONAL_CLUSTERS{};
    Layout = CDF_LAYOUT{};
    GeneList = GENE_LIST{};
    DiscardGroup();
  }

  // Clusters a planted group whose genes carry planted (or shuffled) terms and checks the
  // recorded pairs against R.
  Outcome RunAndCompare(std::uint64_t seed, bool shuffle, double threshold) {
    Outcome outcome;
    platform::testing::TempFolder folder;
    StartGroup(folder.Path().string());
    const synth::PlantedClusterTruth clusters = synth::MakePlantedClusters(
        {.clusters = kClusters, .genesPerCluster = 10, .samples = 10, .noise = 0.1, .seed = seed});
    synth::InstallPlantedClusterGroup(clusters);
    const synth::PlantedTermTruth terms = synth::MakePlantedTerms(
        clusters, synth::PlantedTermOptions{
                      .seed = seed, .vocabulary = 12, .backgroundPerGene = 4, .shuffle = shuffle});
    const std::string infoPath = folder.File("gene info.txt");
    EXPECT_TRUE(synth::WriteGeneInfo(terms.info, infoPath));
    {
      const RaisedAnalysisRunning running;
      EXPECT_TRUE(ReadGeneInfoFile(infoPath, true));
    }
    GroupSettings& s = TheGroup().Settings();
    s.CLUSTER_GENE = 1;
    s.CLUSTER_SAMPLE = 0;
    s.SIG_GENE_PVALUE = threshold;
    s.GENE_LIST_FILE = folder.Write("genes.txt", synth::PlantedGeneListText(clusters));
    mLog.Clear();
    EXPECT_TRUE(RunHierarchicalClustering(true));
    const CLUSTER* tree = GeneTree();
    if (tree == nullptr) return outcome;
    const TERM_TABLE& table = TermTables[0];

    // Each gene's terms and the background counts, from the truth.
    const int n = tree->ItemCount();
    std::vector<std::set<int>> termsOf(static_cast<std::size_t>(n));
    std::vector<int> withTerm(static_cast<std::size_t>(table.Count()), 0);
    int annotatedTotal = 0;
    for (int g = 0; g < n; ++g) {
      for (const std::string& name : terms.info.genes[static_cast<std::size_t>(g)].terms[0])
        termsOf[static_cast<std::size_t>(g)].insert(table.FindName(name));
      for (int t : termsOf[static_cast<std::size_t>(g)]) ++withTerm[static_cast<std::size_t>(t)];
      if (!termsOf[static_cast<std::size_t>(g)].empty()) ++annotatedTotal;
    }
    EXPECT_EQ(table.numAnnotated, annotatedTotal);

    // Every test the branches call for: (node, term, count, annotated).
    std::vector<std::vector<int>> leaves(static_cast<std::size_t>(tree->NodeCount()));
    struct Tested {
      int node, term, count, annotated;
    };
    std::vector<Tested> tests;
    for (int k = 0; k < tree->NodeCount(); ++k) {
      auto& own = leaves[static_cast<std::size_t>(k)];
      if (k < n) {
        own.push_back(tree->Node(k).item);
        continue;
      }
      for (int child : {tree->Node(k).child1, tree->Node(k).child2})
        own.insert(own.end(), leaves[child].begin(), leaves[child].end());
      std::vector<int> count(static_cast<std::size_t>(table.Count()), 0);
      int annotated = 0;
      for (int unit : own) {
        annotated += termsOf[unit].empty() ? 0 : 1;
        for (int t : termsOf[unit]) ++count[t];
      }
      if (annotated < 4) continue;
      for (int t = 0; t < table.Count(); ++t)
        if (count[t] >= 4) tests.push_back({k, t, count[t], annotated});
    }
    outcome.tests = static_cast<int>(tests.size());
    EXPECT_TRUE(mLog.Contains(MessageBuffer(kTermPairsAssessedMessage, outcome.tests,
                                            GeneInfo.columnNames[0].c_str(), threshold),
                              kLogBlack));

    RMatrix q(outcome.tests, 4);
    for (int i = 0; i < outcome.tests; ++i) {
      const Tested& t = tests[i];
      q.At(i, 0) = t.count - 1;
      q.At(i, 1) = withTerm[t.term];
      q.At(i, 2) = annotatedTotal - withTerm[t.term];
      q.At(i, 3) = t.annotated;
    }
    RMatrix p(outcome.tests, 1);
    EXPECT_TRUE(RConnection().SetMatrix("q", q));
    EXPECT_TRUE(RConnection().ExecuteCommand(
        "p <- matrix(phyper(q[,1], q[,2], q[,3], q[,4], lower.tail = FALSE), ncol = 1)"));
    EXPECT_TRUE(RConnection().GetMatrix("p", p));

    // Significant by R's p-values, reported from the root down unless an ancestor was.
    std::set<std::pair<int, int>> significant;
    for (int i = 0; i < outcome.tests; ++i) {
      const Tested& t = tests[i];
      const double ours = TermEnrichmentPValue(table, t.term, t.annotated, t.count);
      EXPECT_NEAR(ours, p.At(i, 0), 1e-9 * p.At(i, 0) + 1e-15) << t.node << ", " << t.term;
      if (p.At(i, 0) < threshold) significant.insert({t.node, t.term});
    }
    std::vector<std::pair<int, int>> expected;
    for (int k = tree->NodeCount() - 1; k >= n; --k) {
      for (int t = 0; t < table.Count(); ++t) {
        if (significant.count({k, t}) == 0) continue;
        bool above = false;
        for (int a = tree->Node(k).parent; a >= 0; a = tree->Node(a).parent)
          above = above ||
                  std::find(expected.begin(), expected.end(), std::pair(a, t)) != expected.end();
        if (!above) expected.push_back({k, t});
      }
    }
    std::vector<std::pair<int, int>> recorded;
    for (int i = 0; i < FunctionalClusters.count; ++i) {
      EXPECT_EQ(FunctionalClusters.isGeneTree[i], 1);
      EXPECT_EQ(FunctionalClusters.column[i], 0);
      recorded.push_back({FunctionalClusters.node[i], FunctionalClusters.term[i]});
    }
    EXPECT_EQ(recorded, expected);
    outcome.pairs = static_cast<int>(recorded.size());

    // Unshuffled, each planted term sits on one branch that holds its whole cluster.
    for (int c = 0; c < kClusters && !shuffle; ++c) {
      const int term = table.FindName(terms.clusterTerms[static_cast<std::size_t>(c)]);
      int found = 0;
      for (const auto& [node, t] : recorded) {
        if (t != term) continue;
        ++found;
        const std::set<int> held(leaves[node].begin(), leaves[node].end());
        for (int g = 0; g < n; ++g)
          if (clusters.clusterOf[static_cast<std::size_t>(g)] == c) {
            EXPECT_EQ(held.count(g), 1u) << "cluster " << c << " gene " << g;
          }
      }
      EXPECT_EQ(found, 1) << "cluster " << c;
    }
    return outcome;
  }

  CapturedLog mLog;
};

TEST_F(ClusterEnrichmentAgainstR, PlantedTermsAreFoundAndShuffledOnesStayWithinChance) {
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";
  for (std::uint64_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    const Outcome planted = RunAndCompare(seed, false, 0.001);
    EXPECT_GE(planted.pairs, kClusters);
  }
  // Each test's p falls below the threshold with chance at most the threshold when no
  // branch is related to its terms, so the false pairs of ten groups are bounded by the
  // tests' expected share plus three Poisson deviations.
  constexpr double kThreshold = 0.01;
  int tests = 0;
  int pairs = 0;
  for (std::uint64_t seed = 11; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    const Outcome shuffled = RunAndCompare(seed, true, kThreshold);
    tests += shuffled.tests;
    pairs += shuffled.pairs;
  }
  const double expected = kThreshold * tests;
  EXPECT_LE(pairs, expected + 3.0 * std::sqrt(expected) + 1.0)
      << pairs << " false pairs in " << tests << " tests";
  EXPECT_GT(tests, 1000) << "enough tests for the bound to mean something";
}

}  // namespace

// Resampling: support for the best-matching branch, deviates scaled by the standard
// errors and repeated by a seed on any number of threads, and the unperturbed trees back
// after a restore, a failure or a stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_triangle.hpp"
#include "genes/tests/cluster_test_support.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

using cluster_test::LinkedTree;

TEST(ClusterSupport, TheBestMatchHoldsMoreThanFourFifthsOfTheMarkedLeaves) {
  struct Case {
    const char* name;
    int leaves;
    std::vector<std::pair<int, int>> merges;
    std::vector<int> marked;
    int best;
    std::vector<int> supported;  // leaves that gain one
  };
  const auto eight = cluster_test::BalancedEight();
  const std::vector<Case> cases = {
      {"no marked leaf counts nothing", 8, eight, {}, -1, {}},
      // Branch 12 holds 4 of the 5 marked leaves, exactly 4/5: only the root qualifies.
      {"four fifths exactly is not enough",
       8,
       eight,
       {0, 1, 2, 3, 4},
       14,
       {0, 1, 2, 3, 4, 5, 6, 7}},
      {"the purest branch wins", 8, eight, {0, 1, 2, 3}, 12, {0, 1, 2, 3}},
      {"one marked leaf: its smallest branch", 8, eight, {3}, 9, {2, 3}},
      // Nodes 20 (leaves 0-9) and 19 (0-8) are both pure; the larger share wins.
      {"equal purity: the larger share",
       12,
       cluster_test::Caterpillar(12),
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
       20,
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto tree = LinkedTree(c.leaves, c.merges);
    for (int leaf = 0; leaf < c.leaves; ++leaf) tree->Node(leaf).support = 3;
    for (int leaf : c.marked) tree->Node(leaf).mark = kSelectedBranchMark;
    // A leaf of another colour is not part of the selection.
    if (c.marked.empty()) tree->Node(0).mark = 0x00FF00;
    tree->CountSupport();
    EXPECT_EQ(tree->bestNode, c.best);
    EXPECT_EQ(tree->markedTotal, static_cast<int>(c.marked.size()));
    for (int leaf = 0; leaf < c.leaves; ++leaf) {
      const bool gains =
          std::find(c.supported.begin(), c.supported.end(), leaf) != c.supported.end();
      EXPECT_EQ(tree->Node(leaf).support, gains ? 4 : 3) << "leaf " << leaf;
    }
  }
}

// A gene tree and a sample tree clustered from planted clusters, current for Resample.
class ClusterResamplingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mTruth = synth::MakePlantedClusters(
        {.clusters = 4, .genesPerCluster = 8, .samples = 10, .noise = 0.3, .missingPercent = 3});
  }
  void TearDown() override { FreeClusterTrees(); }

  // errorScale multiplies the truth's standard errors (0: none).
  void MakeTrees(double errorScale, int threads) {
    ClusterOptions options = cluster_test::PlainOptions(kDistanceCorrelation, kLinkageAverage);
    options.standardizeRows = true;
    options.clusterSamples = true;
    options.threads = threads;
    auto genes = cluster_test::TreeOf(mTruth.values, options);
    for (int g = 0; g < genes->ItemCount(); ++g) {
      CLUSTER_NODE& leaf = genes->Node(g);
      for (int j = 0; j < mTruth.samples; ++j) {
        const double value = mTruth.values[g][j];
        leaf.values[j] = IsMissing(value) ? kMissingValueFloat : static_cast<float>(value);
        leaf.errors[j] = static_cast<float>(errorScale * mTruth.errors[g][j]);
      }
    }
    auto samples = CLUSTER::Create(mTruth.samples, genes->ItemCount(), true);
    samples->options = options;
    ASSERT_TRUE(ClusterTrees(*genes, samples.get()));
    // The selection: the branch of gene 0's cluster-mates above its parent, and the
    // sample branch of the root's first child.
    SelectBranch(*genes, genes->Node(genes->Node(0).parent).parent);
    SelectBranch(*samples, samples->Node(samples->Root()).child1);
    SetClusterTrees(std::move(genes), std::move(samples));
  }
  static void SelectBranch(CLUSTER& tree, int node) {
    tree.currentNode = node;
    std::vector<int> pending{node};
    while (!pending.empty()) {
      const int k = pending.back();
      pending.pop_back();
      if (k < tree.ItemCount()) {
        tree.Node(k).mark = kSelectedBranchMark;
        continue;
      }
      pending.push_back(tree.Node(k).child1);
      pending.push_back(tree.Node(k).child2);
    }
  }

  // Everything a round may change, bit for bit.
  struct Shape {
    std::vector<std::uint64_t> profile;
    std::vector<int> links;
    std::vector<std::uint32_t> heights;
    bool operator==(const Shape&) const = default;
  };
  static Shape ShapeOf(const CLUSTER& tree) {
    Shape shape;
    for (const CLUSTER_NODE& node : tree.nodes) {
      for (double v : node.profile) shape.profile.push_back(std::bit_cast<std::uint64_t>(v));
      shape.links.insert(shape.links.end(),
                         {node.parent, node.child1, node.child2, node.weight, node.rowNode});
      shape.heights.push_back(std::bit_cast<std::uint32_t>(node.height));
    }
    return shape;
  }
  static std::vector<int> Supports(const CLUSTER& tree) {
    std::vector<int> support;
    for (int leaf = 0; leaf < tree.ItemCount(); ++leaf) support.push_back(tree.Node(leaf).support);
    return support;
  }

  synth::PlantedClusterTruth mTruth;
  CapturedLog mLog;
};

TEST_F(ClusterResamplingTest, WithoutErrorsEveryRoundSupportsTheWholeSelection) {
  MakeTrees(0.0, 1);
  CLUSTER& genes = *GeneTree();
  CLUSTER& samples = *SampleTree();
  // An error that is missing, negative or not a number spreads nothing either.
  genes.Node(0).errors[0] = kMissingValueFloat;
  genes.Node(1).errors[1] = -2.0f;
  genes.Node(2).errors[2] = std::numeric_limits<float>::quiet_NaN();
  const Shape genesBefore = ShapeOf(genes);
  const Shape samplesBefore = ShapeOf(samples);
  constexpr int kRounds = 4;
  for (int round = 0; round < kRounds; ++round) ASSERT_TRUE(genes.Resample(false));
  EXPECT_TRUE(genes.Perturbed());
  for (CLUSTER* tree : {&genes, &samples}) {
    EXPECT_EQ(tree->bestNode, tree->currentNode);
    for (int leaf = 0; leaf < tree->ItemCount(); ++leaf) {
      const bool marked = tree->Node(leaf).mark == kSelectedBranchMark;
      EXPECT_EQ(tree->Node(leaf).support, marked ? kRounds : 0) << "leaf " << leaf;
    }
  }
  ASSERT_TRUE(genes.Resample(true));
  EXPECT_FALSE(genes.Perturbed());
  EXPECT_TRUE(ShapeOf(genes) == genesBefore);
  EXPECT_TRUE(ShapeOf(samples) == samplesBefore);
  EXPECT_EQ(Supports(genes)[0], kRounds) << "restoring keeps the support";
}

TEST_F(ClusterResamplingTest, DeviatesFollowTheErrorsAndASeedRepeatsOnAnyThreadCount) {
  // The raw values return to the profile spread by their errors: z-scores of unit
  // variance (320 values, so within 25 %).
  MakeTrees(1.0, 1);
  GeneTree()->options.standardizeRows = false;
  ASSERT_TRUE(GeneTree()->Resample(false));
  double squares = 0.0;
  int count = 0;
  for (int g = 0; g < GeneTree()->ItemCount(); ++g) {
    const CLUSTER_NODE& leaf = GeneTree()->Node(g);
    for (int j = 0; j < mTruth.samples; ++j) {
      if (leaf.values[j] == kMissingValueFloat) {
        EXPECT_TRUE(IsMissing(leaf.profile[j])) << "a missing value stays missing";
        continue;
      }
      const double z = (leaf.profile[j] - leaf.values[j]) / leaf.errors[j];
      squares += z * z;
      ++count;
    }
  }
  EXPECT_NEAR(squares / count, 1.0, 0.25);

  // Errors large enough to move genes between branches, twelve rounds per seed.
  const auto rounds = [&](std::uint64_t seed, int threads) {
    MakeTrees(15.0, threads);
    GeneTree()->SetResampleSeed(seed);
    std::vector<std::vector<int>> seen;
    for (int round = 0; round < 12; ++round) {
      EXPECT_TRUE(GeneTree()->Resample(false));
      seen.push_back(Supports(*GeneTree()));
      seen.back().push_back(GeneTree()->bestNode);
      const std::vector<int> samples = Supports(*SampleTree());
      seen.back().insert(seen.back().end(), samples.begin(), samples.end());
    }
    return seen;
  };
  const auto one = rounds(42, 1);
  EXPECT_EQ(one, rounds(42, 1));
  EXPECT_EQ(one, rounds(42, 4));
  EXPECT_EQ(one, rounds(42, 8));
  EXPECT_NE(one, rounds(43, 4)) << "another seed, other rounds";
  std::vector<int> finalSupport(one.back().begin(), one.back().begin() + mTruth.GeneCount());
  EXPECT_LT(*std::min_element(finalSupport.begin(), finalSupport.end()), 12)
      << "the errors move some genes";
}

TEST_F(ClusterResamplingTest, AFailedOrStoppedRoundLeavesTheUnperturbedTrees) {
  // The stop polls of one gene tree run; the next poll falls in the sample tree's run.
  int genePolls = 0;
  {
    ScriptedProgress count;
    auto probe = cluster_test::TreeOf(
        mTruth.values, cluster_test::PlainOptions(kDistanceCorrelation, kLinkageAverage));
    ASSERT_TRUE(probe->Run(true));
    genePolls = count.polls;
  }
  enum How { kNoTriangle, kStopInGenes, kStopInSamples };
  for (const bool afterARound : {false, true}) {
    for (const How how : {kNoTriangle, kStopInGenes, kStopInSamples}) {
      SCOPED_TRACE(testing::Message() << "after a round " << afterARound << ", case " << how);
      MakeTrees(5.0, 2);
      CLUSTER& genes = *GeneTree();
      const Shape genesBefore = ShapeOf(genes);
      const Shape samplesBefore = ShapeOf(*SampleTree());
      if (afterARound) {
        ASSERT_TRUE(genes.Resample(false));
      }
      const std::vector<int> support = Supports(genes);
      {
        ScriptedProgress progress;
        if (how == kNoTriangle) SetTriangleMemoryLimit(1000);
        progress.stopAtPoll = how == kStopInGenes ? 2 : how == kStopInSamples ? genePolls + 1 : 0;
        mLog.Clear();
        EXPECT_FALSE(genes.Resample(false));
        SetTriangleMemoryLimit(0);
        EXPECT_TRUE(mLog.ContainsRed(how == kNoTriangle ? kTriangleMemoryMessage
                                                        : "User stop command issued"));
      }
      EXPECT_FALSE(genes.Perturbed());
      EXPECT_TRUE(ShapeOf(genes) == genesBefore);
      EXPECT_TRUE(ShapeOf(*SampleTree()) == samplesBefore);
      EXPECT_EQ(genes.bestNode, -1);
      EXPECT_EQ(Supports(genes), support) << "a failed round counts nothing";
      EXPECT_EQ(AnalysisRunning, 0);
    }
  }
}

}  // namespace

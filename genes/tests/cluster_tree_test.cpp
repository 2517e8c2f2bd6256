// The clustering tree: distances and their missing cases, small trees worked by hand
// (merge order, heights, ties, child order, leaf order), larger random sets against the
// plain clustering, one thread against many, and the triangle's memory.
#include "genes/cluster/cluster_tree.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genes/cluster/cluster_distance.hpp"
#include "genes/cluster/cluster_triangle.hpp"
#include "genes/tests/cluster_test_support.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/synth/planted_clusters.hpp"
#include "tools/synth/random.hpp"

namespace {

using cluster_test::PlainOptions;
using cluster_test::Profiles;
using cluster_test::TreeOf;

constexpr double M = MISSING_VALUE;

double Dist(const std::vector<double>& a, const std::vector<double>& b, int measure) {
  return ProfileDistanceOf(a.data(), b.data(), static_cast<int>(a.size()), measure).distance;
}

// The deviation sums take only positions both profiles hold, about the means over those
// positions, and stop at the count when fewer than asked for are shared.
TEST(ClusterDistance, SharedDeviationSumsUseOnlyPositionsBothHold) {
  const double a[] = {1.0, M, 3.0, 5.0, 2.0, M};
  const double b[] = {2.0, 7.0, M, 6.0, 4.0, 9.0};
  // Shared: positions 0, 3 and 4; a = 1, 5, 2 (mean 8/3), b = 2, 6, 4 (mean 4).
  const SharedDeviations sums = SharedDeviationSums(a, b, 6, 3);
  EXPECT_EQ(sums.shared, 3);
  const double da[] = {1.0 - 8.0 / 3, 5.0 - 8.0 / 3, 2.0 - 8.0 / 3};
  const double db[] = {-2.0, 2.0, 0.0};
  double aa = 0, bb = 0, ab = 0;
  for (int k = 0; k < 3; ++k) {
    aa += da[k] * da[k];
    bb += db[k] * db[k];
    ab += da[k] * db[k];
  }
  EXPECT_NEAR(sums.aa, aa, 1e-12);
  EXPECT_NEAR(sums.bb, bb, 1e-12);
  EXPECT_NEAR(sums.ab, ab, 1e-12);
  const SharedDeviations few = SharedDeviationSums(a, b, 6, 4);
  EXPECT_EQ(few.shared, 3);
  EXPECT_EQ(few.aa + few.bb + few.ab, 0.0) << "no sums below the fewest shared";
}

TEST(ClusterDistance, MeasuresOverSharedValuesAndNoDistanceWhenTooFewAreShared) {
  const std::vector<double> a = {1, 2, 3, 4};
  const std::vector<double> up = {2, 4, 6, 8};
  const std::vector<double> down = {8, 6, 4, 2};
  EXPECT_NEAR(Dist(a, up, kDistanceCorrelation), 0.0, 1e-12);
  EXPECT_NEAR(Dist(a, down, kDistanceCorrelation), 2.0, 1e-12);
  EXPECT_NEAR(Dist(a, down, kDistanceAbsoluteCorrelation), 0.0, 1e-12);
  EXPECT_NEAR(Dist(a, down, kDistanceRankCorrelation), 2.0, 1e-12);
  // (1-2)^2 + (2-4)^2 + (3-6)^2 + (4-8)^2 = 30, over 4.
  EXPECT_NEAR(Dist(a, up, kDistanceEuclidean), std::sqrt(7.5), 1e-12);
  // r over the three shared positions only: (1,2,4) against (2,4,8).
  EXPECT_NEAR(Dist({1, 2, M, 4}, {2, 4, 5, 8}, kDistanceCorrelation), 0.0, 1e-12);

  // One or two shared values say nothing about a correlation; none nothing at all.
  for (int measure : {0, 1, 2}) {
    EXPECT_TRUE(IsMissing(Dist({1, M, M, 2}, {3, M, 5, M}, measure))) << "one shared, " << measure;
    EXPECT_TRUE(IsMissing(Dist({1, 2, M, M}, {3, 1, 5, M}, measure))) << "two shared, " << measure;
    EXPECT_TRUE(IsMissing(Dist({1, 2, M, M}, {M, M, 5, 6}, measure))) << "none shared, " << measure;
    EXPECT_TRUE(IsMissing(Dist({5, 5, 5, 5}, a, measure))) << "constant side, " << measure;
  }
  EXPECT_TRUE(IsMissing(Dist({1, 2, M, M}, {M, M, 5, 6}, kDistanceEuclidean)));
  EXPECT_NEAR(Dist({1, M}, {4, 2}, kDistanceEuclidean), 3.0, 1e-12);

  // The prepared correlation of complete profiles is the general one.
  synth::SynthRandom random(7);
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<double> x(13);
    std::vector<double> y(13);
    for (std::size_t k = 0; k < x.size(); ++k) {
      x[k] = random.Normal();
      y[k] = random.Normal() + 0.5 * x[k];
    }
    for (int measure : {0, 1}) {
      bool positive = false;
      const double fast = CenteredCorrelationDistance(
          CenterProfile(x.data(), 13), CenterProfile(y.data(), 13), 13, measure, &positive);
      const ProfileDistance plain = ProfileDistanceOf(x.data(), y.data(), 13, measure);
      EXPECT_NEAR(fast, plain.distance, 1e-12);
      EXPECT_EQ(positive, plain.positive);
    }
  }
}

class ClusterTreeTest : public ::testing::Test {
 protected:
  CapturedLog mLog;
  RaisedAnalysisRunning mRunning;
};

// Euclidean on one value: the distances are plain differences.
TEST_F(ClusterTreeTest, SmallSetsWorkedByHandGiveTheirMergesHeightsAndRows) {
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "kept triangle" : "computed distances");
    ClusterOptions options = PlainOptions(kDistanceEuclidean, kLinkageCentroid);
    options.storeDistance = keep;
    // 0, 1, 5, 7: (0,1) at 1 -> 0.5; (5,7) at 2 -> 6; then both at 5.5.
    auto tree = TreeOf({{0}, {1}, {5}, {7}}, options);
    ASSERT_TRUE(tree->Run(true));
    const int children[][2] = {{0, 1}, {2, 3}, {4, 5}};
    const float heights[] = {1.0f, 2.0f, 5.5f};
    for (int k = 4; k < 7; ++k) {
      EXPECT_EQ(tree->Node(k).child1, children[k - 4][0]) << k;
      EXPECT_EQ(tree->Node(k).child2, children[k - 4][1]) << k;
      EXPECT_FLOAT_EQ(tree->Node(k).height, heights[k - 4]) << k;
    }
    EXPECT_EQ(tree->Root(), 6);
    EXPECT_DOUBLE_EQ(tree->Node(4).profile[0], 0.5);
    EXPECT_EQ(tree->Node(6).weight, 4);
    const float positions[] = {0.5f, 1.5f, 2.5f, 3.5f, 1.0f, 3.0f, 2.0f};
    for (int k = 0; k < 7; ++k) EXPECT_FLOAT_EQ(tree->Node(k).position, positions[k]) << k;
    for (int row = 0; row < 4; ++row) EXPECT_EQ(tree->RowNode(row), row);
  }

  // Ties: 5, 4, 6 has 5 equally near 4 and 6; the lowest node merges with its lowest
  // partner first. 0, 1, 2: 1 is as near 0 as 2; node 0 goes first.
  auto ties = TreeOf({{5}, {4}, {6}}, PlainOptions(kDistanceEuclidean, kLinkageCentroid));
  ASSERT_TRUE(ties->Run(true));
  EXPECT_EQ(ties->Node(3).child1, 0);
  EXPECT_EQ(ties->Node(3).child2, 1);
  EXPECT_FLOAT_EQ(ties->Node(4).height, 1.5f);
  auto chain = TreeOf({{0}, {1}, {2}}, PlainOptions(kDistanceEuclidean, kLinkageCentroid));
  ASSERT_TRUE(chain->Run(true));
  EXPECT_EQ(chain->Node(3).child1, 0);
  EXPECT_EQ(chain->Node(3).child2, 1);
  EXPECT_EQ(chain->Node(4).child1, 2) << "the leaf is below the merged node's number";
  EXPECT_EQ(chain->RowNode(0), 2);

  // Centroid and average linkage part where the centroid is nearer than the pairs.
  const Profiles plane = {{0, 0}, {2, 0}, {1, 3}};
  auto centroid = TreeOf(plane, PlainOptions(kDistanceEuclidean, kLinkageCentroid));
  auto average = TreeOf(plane, PlainOptions(kDistanceEuclidean, kLinkageAverage));
  ASSERT_TRUE(centroid->Run(true));
  ASSERT_TRUE(average->Run(true));
  EXPECT_FLOAT_EQ(centroid->Node(3).height, std::sqrt(2.0f));
  EXPECT_NEAR(centroid->Node(4).height, std::sqrt(4.5), 1e-6);
  EXPECT_NEAR(average->Node(4).height, std::sqrt(5.0), 1e-6);

  // By peaking time the partner whose largest value comes earlier goes first.
  ClusterOptions peaking = PlainOptions(kDistanceEuclidean, kLinkageCentroid);
  peaking.ordering = kOrderByPeakingTime;
  const Profiles peaks = {{0, 0, 1}, {0.2, 0, 0.1}, {10, 10, 10}};
  auto byPeak = TreeOf(peaks, peaking);
  auto byTightness = TreeOf(peaks, PlainOptions(kDistanceEuclidean, kLinkageCentroid));
  ASSERT_TRUE(byPeak->Run(true));
  ASSERT_TRUE(byTightness->Run(true));
  EXPECT_EQ(byPeak->Node(3).child1, 1);
  EXPECT_EQ(byPeak->Node(0).peak, 2);
  EXPECT_EQ(byTightness->Node(3).child1, 0);
}

TEST_F(ClusterTreeTest, PairsWithoutADistanceMergeLastAndAnticorrelatedChildrenAreMirrored) {
  // Gene 3 shares one value with each other gene: under the old rule it would have
  // distance 0 to all of them and merge first.
  const Profiles profiles = {
      {1, 2, 3, 4, M}, {1.1, 2.2, 2.9, 4.2, M}, {4, 3, 2, 1, M}, {M, M, M, M, 7}};
  auto tree = TreeOf(profiles, PlainOptions(kDistanceCorrelation, kLinkageCentroid));
  ASSERT_TRUE(tree->Run(true));
  const CLUSTER_NODE& root = tree->Node(tree->Root());
  EXPECT_TRUE(root.child1 == 3 || root.child2 == 3) << "the gene without distances joins last";
  for (const CLUSTER_NODE& node : tree->nodes) EXPECT_FALSE(std::isnan(node.height));
  EXPECT_EQ(root.height, tree->Node(root.child1 == 3 ? root.child2 : root.child1).height)
      << "a merge without a distance sits at the highest merge so far";
  cluster_test::ExpectSameTree(
      *tree, cluster_test::ReferenceTree(profiles, PlainOptions(kDistanceCorrelation, 0)));

  // Under 1 - |r| a falling gene joins a rising one as its mirror image.
  auto mirrored =
      TreeOf({{1, 2, 3, 4}, {4, 3, 2, 1}}, PlainOptions(kDistanceAbsoluteCorrelation, 0));
  ASSERT_TRUE(mirrored->Run(true));
  EXPECT_FLOAT_EQ(mirrored->Node(2).height, 0.0f);
  // (x + -(5 - x)) / 2: the falling gene turned over.
  const double turned[] = {-1.5, -0.5, 0.5, 1.5};
  for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(mirrored->Node(2).profile[k], turned[k]) << k;
}

TEST_F(ClusterTreeTest, RandomSetsGiveThePlainClusteringsTree) {
  int trial = 0;
  for (int measure : {0, 1, 2, 3}) {
    for (int linkage : {kLinkageCentroid, kLinkageAverage}) {
      for (int ordering : {kOrderByTightness, kOrderByPeakingTime}) {
        synth::SynthRandom random(100 + static_cast<std::uint64_t>(trial++));
        const int n = 40;
        Profiles profiles(n, std::vector<double>(9));
        for (auto& profile : profiles)
          for (double& v : profile) v = random.Chance(8) ? M : random.Normal();
        ClusterOptions options = PlainOptions(measure, linkage);
        options.ordering = ordering;
        SCOPED_TRACE(testing::Message() << "measure " << measure << " linkage " << linkage
                                        << " ordering " << ordering);
        auto tree = TreeOf(profiles, options);
        ASSERT_TRUE(tree->Run(true));
        cluster_test::ExpectSameTree(*tree, cluster_test::ReferenceTree(profiles, options));
        if (linkage == kLinkageCentroid) {
          options.storeDistance = false;
          auto computed = TreeOf(profiles, options);
          ASSERT_TRUE(computed->Run(true));
          cluster_test::ExpectSameTree(*computed, cluster_test::ReferenceTree(profiles, options));
        }
      }
    }
  }
}

// Copies of random profiles, exact or under scale and offset (a falling one too under
// 1 - |r|), placed among them: standardised rows make each copy the same profile, so each
// group ties at 0 and merges by node number, as the plain clustering does, and the tree is
// the one exact copies in their place give.
TEST_F(ClusterTreeTest, CopiesUpToScaleAndOffsetTieAtZero) {
  synth::SynthRandom random(29);
  for (int measure :
       {kDistanceCorrelation, kDistanceAbsoluteCorrelation, kDistanceRankCorrelation}) {
    for (int linkage : {kLinkageCentroid, kLinkageAverage}) {
      for (bool keep : {true, false}) {
        if (!keep && linkage == kLinkageAverage) continue;
        SCOPED_TRACE(testing::Message() << "measure " << measure << " linkage " << linkage
                                        << (keep ? " kept" : " computed"));
        const int m = 5 + random.Between(0, 60);
        Profiles scaled(20, std::vector<double>(static_cast<std::size_t>(m)));
        for (auto& profile : scaled)
          for (double& v : profile) v = 50.0 + 10.0 * random.Normal();
        Profiles exact = scaled;
        int copies = 0;
        for (int c = 0; c < 30; ++c) {
          const std::size_t source = static_cast<std::size_t>(random.Between(0, 19));
          double scale = 0.01 + 20.0 * random.Uniform();
          if (measure == kDistanceAbsoluteCorrelation && random.Chance(40)) scale = -scale;
          const double offset = c % 5 == 0 ? 0.0 : 1000.0 * random.Normal();
          std::vector<double> copy = exact[source];
          for (double& v : copy) v = scale * v + offset;
          const auto at = static_cast<long>(random.Between(0, static_cast<int>(exact.size())));
          exact.insert(exact.begin() + at, exact[source]);
          scaled.insert(scaled.begin() + at, copy);
          ++copies;
        }
        ClusterOptions options = PlainOptions(measure, linkage);
        options.storeDistance = keep;
        options.standardizeRows = true;
        auto tree = TreeOf(scaled, options);
        auto reference = TreeOf(exact, options);
        ASSERT_TRUE(tree->Run(true));
        ASSERT_TRUE(reference->Run(true));
        int zeros = 0;
        for (int k = tree->ItemCount(); k < tree->NodeCount(); ++k) {
          EXPECT_EQ(tree->Node(k).child1, reference->Node(k).child1) << k;
          EXPECT_EQ(tree->Node(k).child2, reference->Node(k).child2) << k;
          zeros += tree->Node(k).height == 0.0f;
        }
        EXPECT_EQ(zeros, copies) << "every copy joins its group at height 0";
        Profiles standardised;
        for (int i = 0; i < tree->ItemCount(); ++i) standardised.push_back(tree->Node(i).profile);
        options.standardizeRows = false;
        cluster_test::ExpectSameTree(*tree, cluster_test::ReferenceTree(standardised, options));
      }
    }
  }
}

// NaN and infinite values are missing ones: the tree is the one with the marker in their
// place, under a correlation and under the Euclidean distance, and their count is said.
TEST_F(ClusterTreeTest, ValuesThatAreNotFiniteAreTakenAsMissing) {
  synth::SynthRandom random(41);
  Profiles profiles(30, std::vector<double>(8));
  for (auto& profile : profiles)
    for (double& v : profile) v = random.Normal();
  Profiles marked = profiles;
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  int count = 0;
  for (int i = 0; count < 9; ++i) {
    const auto leaf = static_cast<std::size_t>(random.Between(0, 29));
    const auto k = static_cast<std::size_t>(random.Between(0, 7));
    if (IsMissing(marked[leaf][k])) continue;
    profiles[leaf][k] = odd[i % 3];
    marked[leaf][k] = M;
    ++count;
  }
  for (int measure : {kDistanceCorrelation, kDistanceEuclidean}) {
    SCOPED_TRACE(measure);
    ClusterOptions options = PlainOptions(measure, kLinkageCentroid);
    options.standardizeRows = true;
    auto tree = TreeOf(profiles, options);
    tree->Node(3).values[1] = std::numeric_limits<float>::quiet_NaN();
    auto clean = TreeOf(marked, options);
    mLog.Clear();
    ASSERT_TRUE(tree->Run(true));
    EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kNonFiniteValuesMessage, count)));
    EXPECT_EQ(tree->Node(3).values[1], kMissingValueFloat);
    ASSERT_TRUE(clean->Run(true));
    for (int k = tree->ItemCount(); k < tree->NodeCount(); ++k) {
      EXPECT_EQ(tree->Node(k).child1, clean->Node(k).child1) << k;
      EXPECT_EQ(tree->Node(k).child2, clean->Node(k).child2) << k;
      EXPECT_EQ(tree->Node(k).height, clean->Node(k).height) << k;
    }
    EXPECT_GT(tree->Node(tree->Root()).height, 0.0f);
  }
}

TEST_F(ClusterTreeTest, OneThreadAndManyGiveThePlainClusteringsTree) {
  const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(
      {.clusters = 6, .genesPerCluster = 30, .samples = 12, .noise = 0.8, .missingPercent = 3});
  // The default choices, and average linkage; both the plain clustering's tree.
  for (int linkage : {kLinkageCentroid, kLinkageAverage}) {
    SCOPED_TRACE(linkage);
    ClusterOptions options = PlainOptions(kDistanceCorrelation, linkage);
    options.standardizeRows = true;
    auto one = TreeOf(truth.values, options);
    options.threads = 4;
    auto many = TreeOf(truth.values, options);
    ASSERT_TRUE(one->Run(true));
    ASSERT_TRUE(many->Run(true));
    for (int k = 0; k < one->NodeCount(); ++k) {
      EXPECT_EQ(one->Node(k).child1, many->Node(k).child1) << k;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(one->Node(k).height),
                std::bit_cast<std::uint32_t>(many->Node(k).height))
          << k;
    }
    Profiles standardised;
    for (int i = 0; i < one->ItemCount(); ++i) standardised.push_back(one->Node(i).profile);
    options.standardizeRows = false;
    cluster_test::ExpectSameTree(*one, cluster_test::ReferenceTree(standardised, options));
  }
}

TEST_F(ClusterTreeTest, FailuresAreLoggedAndStopTheRun) {
  // Average linkage needs the kept distances.
  ClusterOptions options = PlainOptions(kDistanceEuclidean, kLinkageAverage);
  options.storeDistance = false;
  auto average = TreeOf({{0}, {1}, {3}}, options);
  EXPECT_FALSE(average->Run(true));
  EXPECT_TRUE(mLog.ContainsRed(kAverageNeedsTriangleMessage));
  EXPECT_EQ(AnalysisRunning, 0) << "the running flag is cleared however the run ends";

  // The triangle's size is counted in 64 bits and refused past the limit.
  EXPECT_EQ(TriangleBytes(100000), 100000ULL * 99999ULL / 2 * 4);
  EXPECT_EQ(TriangleBytes(1), 0u);
  SetTriangleMemoryLimit(1000);
  auto big = TreeOf(Profiles(30, std::vector<double>{1.0}), PlainOptions(3, 0));
  EXPECT_FALSE(big->Run(true));
  EXPECT_TRUE(mLog.ContainsRed(kTriangleMemoryMessage));
  SetTriangleMemoryLimit(0);
  EXPECT_EQ(DistanceTriangle::Allocate(std::numeric_limits<int>::max()), nullptr)
      << "no machine here holds that";

  // A stop between merges ends the run with its line.
  ScriptedProgress progress;
  progress.stopAtPoll = 1;
  auto stopped = TreeOf(Profiles(50, std::vector<double>{0.0}), PlainOptions(3, 0));
  for (int i = 0; i < 50; ++i) stopped->Node(i).profile[0] = i * i;
  mLog.Clear();
  EXPECT_FALSE(stopped->Run(true));
  EXPECT_TRUE(mLog.ContainsRed("User stop command issued"));
}

TEST_F(ClusterTreeTest, WalksOverAFinishedTree) {
  auto tree = TreeOf({{0}, {1}, {5}, {7}}, PlainOptions(kDistanceEuclidean, kLinkageCentroid));
  ASSERT_TRUE(tree->Run(true));
  tree->ClearLeafList();
  tree->GetChildNode(6, true);
  ASSERT_EQ(tree->leafListCount, 4);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(tree->LeafListEntry(k), k);
  tree->ClearLeafList();
  tree->GetChildNode(6, false);
  ASSERT_EQ(tree->leafListCount, 3);
  EXPECT_EQ(tree->LeafListEntry(0), 6) << "the node itself first";
  EXPECT_EQ(tree->LeafListEntry(1), 4);

  tree->FlipBranch(6);
  ASSERT_TRUE(tree->OrderLeaves());
  int first = 0;
  int last = 0;
  tree->BranchEnds(4, &first, &last);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 3);
  EXPECT_EQ(tree->RowNode(0), 2);

  tree->BranchSpread(5);
  EXPECT_FLOAT_EQ(tree->Node(5).errors[0], std::sqrt(2.0f)) << "5 and 7 about their mean";

  for (int k = 0; k < 7; ++k) tree->Node(k).screenX = 100 * k;
  EXPECT_EQ(tree->NearestNode(149, 0), 1);
  EXPECT_EQ(tree->NearestNode(150, 0), 1) << "ties keep the lower node";
  EXPECT_EQ(tree->NearestNode(50000, 0), -1);

  for (int i = 0; i < kMaxColoredBranches; ++i) EXPECT_TRUE(tree->SetBranchColor(4, 0x00FF00));
  EXPECT_FALSE(tree->SetBranchColor(5, 0x00FF00));
}

TEST_F(ClusterTreeTest, GeneRowsAreStandardisedOnTheReferenceSampleOrByBlocks) {
  ClusterOptions options = PlainOptions(kDistanceEuclidean, kLinkageCentroid);
  auto tree = TreeOf({{1, 2, 3, M}, {4, 4, 4, 4}, {5, M, M, M}}, options);
  tree->StandardizeRows(true);
  const auto& p = tree->Node(0).profile;
  EXPECT_DOUBLE_EQ(p[0], -1.0);
  EXPECT_DOUBLE_EQ(p[2], 1.0);
  EXPECT_TRUE(IsMissing(p[3]));
  EXPECT_DOUBLE_EQ(tree->Node(1).profile[0], 0.0) << "no spread";
  EXPECT_DOUBLE_EQ(tree->Node(2).profile[0], 0.0) << "a single value";

  options.referenceSample = 2;
  auto centred = TreeOf({{1, 2, 3, M}}, options);
  centred->StandardizeRows(true);
  EXPECT_DOUBLE_EQ(centred->Node(0).profile[0], -2.0);
  EXPECT_DOUBLE_EQ(centred->Node(0).profile[2], 0.0);

  options.referenceSample = -1;
  options.blockStarts = {0, 2};
  auto blocks = TreeOf({{1, 3, 10, 20}}, options);
  blocks->StandardizeRows(true);
  const double half = 1.0 / std::sqrt(2.0);
  const double expected[] = {-half, half, -half, half};
  for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(blocks->Node(0).profile[k], expected[k]) << k;
}

}  // namespace

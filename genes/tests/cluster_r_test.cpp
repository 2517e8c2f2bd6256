// Average linkage on complete data against R's hclust on the same correlation distances:
// the same merge heights and the same tree, compared through the height at which every
// pair of genes first shares a branch.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/services/r_link.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/tests/cluster_test_support.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

// The height of the lowest branch holding both leaves.
double JoinHeight(const CLUSTER& tree, int a, int b) {
  std::vector<bool> above(static_cast<std::size_t>(tree.NodeCount()), false);
  for (int node = a; node >= 0; node = tree.Node(node).parent) above[node] = true;
  int node = b;
  while (!above[node]) node = tree.Node(node).parent;
  return tree.Node(node).height;
}

TEST(ClusterAgainstR, AverageLinkageMatchesHclustOnTheSameDistances) {
  CapturedLog log;
  const RaisedAnalysisRunning running;
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";
  const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(
      {.clusters = 5, .genesPerCluster = 8, .samples = 12, .noise = 1.5});
  const int n = truth.GeneCount();

  RMatrix x(n, truth.samples);
  for (int g = 0; g < n; ++g)
    for (int j = 0; j < truth.samples; ++j) x.At(g, j) = truth.values[g][j];
  ASSERT_TRUE(RConnection().SetMatrix("x", x));
  ASSERT_TRUE(
      RConnection().ExecuteCommand("hc <- hclust(as.dist(1 - cor(t(x))), method = \"average\")"));
  ASSERT_TRUE(RConnection().ExecuteCommand("h <- matrix(sort(hc$height), ncol = 1)"));
  ASSERT_TRUE(RConnection().ExecuteCommand("co <- as.matrix(cophenetic(hc))"));
  RMatrix heights(n - 1, 1);
  RMatrix joins(n, n);
  ASSERT_TRUE(RConnection().GetMatrix("h", heights));
  ASSERT_TRUE(RConnection().GetMatrix("co", joins));

  auto tree = cluster_test::TreeOf(
      truth.values, cluster_test::PlainOptions(kDistanceCorrelation, kLinkageAverage));
  ASSERT_TRUE(tree->Run(true));
  std::vector<double> ours;
  for (int k = n; k < tree->NodeCount(); ++k) ours.push_back(tree->Node(k).height);
  std::sort(ours.begin(), ours.end());
  for (int k = 0; k < n - 1; ++k) EXPECT_NEAR(ours[k], heights.At(k, 0), 1e-5) << "merge " << k;
  for (int a = 0; a < n; ++a)
    for (int b = a + 1; b < n; ++b)
      EXPECT_NEAR(JoinHeight(*tree, a, b), joins.At(a, b), 1e-5) << a << ", " << b;
}

}  // namespace

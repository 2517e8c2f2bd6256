// The sample ordering tree: merges by average linkage, and an order in which samples of
// known similarity stand side by side.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/model/sample_order_tree.hpp"
#include "engine/testing/captured_log.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/model_data.hpp"

namespace {

class SampleOrderTreeTest : public ::testing::Test {
 protected:
  // Keeps the rows alive for the pointer table the tree reads.
  bool Load(const std::vector<std::vector<float>>& distances) {
    mRows.clear();
    for (const auto& row : distances) mRows.push_back(row.data());
    return mTree.AllocSampleDistance(mRows.data(), static_cast<int>(distances.size()));
  }

  platform::testing::TempFolder mFolder;
  CapturedLog mLog;
  SampleOrderTree mTree;
  std::vector<const float*> mRows;
};

}  // namespace

TEST_F(SampleOrderTreeTest, TwoItemsMergeOnceLowerIndexFirst) {
  ASSERT_TRUE(Load({{0.0f, 2.5f}, {2.5f, 0.0f}}));
  ASSERT_TRUE(mTree.OrderSamplesByNeighbours());
  EXPECT_EQ(mTree.NodeCount(), 3);
  EXPECT_EQ(mTree.Node(2).left, 0);
  EXPECT_EQ(mTree.Node(2).right, 1);
  EXPECT_FLOAT_EQ(mTree.Node(2).height, 2.5f);
  EXPECT_EQ(mTree.LeafPosition(0), 0);
  EXPECT_EQ(mTree.LeafPosition(1), 1);
  EXPECT_EQ(AnalysisRunning, 0);
}

TEST_F(SampleOrderTreeTest, MergedNodeIsAtTheAverageDistance) {
  // Only the upper triangle counts.
  ASSERT_TRUE(Load({{0.0f, 1.0f, 5.0f}, {99.0f, 0.0f, 3.0f}, {99.0f, 99.0f, 0.0f}}));
  ASSERT_TRUE(mTree.OrderSamplesByNeighbours());
  const SampleOrderNode& first = mTree.Node(3);
  EXPECT_EQ(first.left + first.right, 1);
  EXPECT_FLOAT_EQ(first.height, 1.0f);
  EXPECT_FLOAT_EQ(mTree.Distance(2, 3), 4.0f);
  EXPECT_FLOAT_EQ(mTree.Node(4).height, 4.0f);
  EXPECT_EQ(mTree.Node(4).size, 3);
  EXPECT_EQ(mTree.Node(mTree.Root()).parent, -1);
}

TEST_F(SampleOrderTreeTest, SimilarSamplesStandSideBySide) {
  // Three families of five samples: each family shares a profile over 20 genes (its own
  // probe effects), samples differ by level and noise. Members are interleaved by index.
  constexpr int kFamilies = 3;
  constexpr int kMembers = 5;
  std::vector<std::vector<double>> profiles(kFamilies * kMembers);
  for (int f = 0; f < kFamilies; ++f) {
    const auto family =
        synth::MakeModelData(synth::ModelDataOptions{.arrays = kMembers,
                                                     .probes = 20,
                                                     .seed = 40 + static_cast<std::uint64_t>(f),
                                                     .lowestTheta = 900.0,
                                                     .highestTheta = 1100.0,
                                                     .lowestPhi = 0.1,
                                                     .highestPhi = 10.0,
                                                     .noise = 10.0});
    for (int m = 0; m < kMembers; ++m)
      for (int g = 0; g < 20; ++g)
        profiles[static_cast<std::size_t>(m * kFamilies + f)].push_back(family.Value(m, g));
  }
  const int n = kFamilies * kMembers;
  std::vector<std::vector<float>> distances(static_cast<std::size_t>(n),
                                            std::vector<float>(static_cast<std::size_t>(n)));
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) {
      double sum = 0.0;
      for (int g = 0; g < 20; ++g) {
        const double d = profiles[static_cast<std::size_t>(a)][static_cast<std::size_t>(g)] -
                         profiles[static_cast<std::size_t>(b)][static_cast<std::size_t>(g)];
        sum += d * d;
      }
      distances[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] =
          static_cast<float>(std::sqrt(sum));
    }
  ASSERT_TRUE(Load(distances));
  ASSERT_TRUE(mTree.OrderSamplesByNeighbours());

  const std::vector<int> order = mTree.LeafOrder();
  ASSERT_EQ(static_cast<int>(order.size()), n);
  for (int k = 0; k < n; ++k) {
    ASSERT_GE(order[static_cast<std::size_t>(k)], 0);
    EXPECT_EQ(mTree.LeafPosition(order[static_cast<std::size_t>(k)]), k);
  }
  // Each family fills one run of five positions.
  for (int start = 0; start < n; start += kMembers)
    for (int k = start; k < start + kMembers; ++k)
      EXPECT_EQ(order[static_cast<std::size_t>(k)] % kFamilies,
                order[static_cast<std::size_t>(start)] % kFamilies)
          << k;
}

TEST_F(SampleOrderTreeTest, EscapeStopsTheOrdering) {
  ASSERT_TRUE(Load({{0, 1, 2}, {1, 0, 3}, {2, 3, 0}}));
  auto previous = SetPumpHook([] { AnalysisRunning = 0; });
  EXPECT_FALSE(mTree.OrderSamplesByNeighbours());
  SetPumpHook(previous);
  EXPECT_TRUE(mLog.ContainsRed(kTreeStopMessage));
  EXPECT_EQ(AnalysisRunning, 0);
}

TEST_F(SampleOrderTreeTest, SingleItemHasNoNeighbour) {
  const std::vector<std::vector<float>> one = {{0.0f}};
  ASSERT_TRUE(Load(one));
  EXPECT_FALSE(mTree.OrderSamplesByNeighbours());
  EXPECT_TRUE(mLog.ContainsRed("min_dist not found in FindNearNeighbor()"));
}

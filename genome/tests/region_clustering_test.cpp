// Clustering along the chromosomes on a generated SNP group with planted losses and gains:
// group distances of every data type, with and without regions, and both trees against the
// sample-ordering tree built on distances worked out here; and the groups, regions and
// markers the clustering cannot use.
#include "genome/jobs/region_clustering.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_snp_group.hpp"
#include "tools/synth/random.hpp"

namespace {

using Matrix = std::vector<std::vector<float>>;
std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

class RegionClusteringTest : public GenomeFixture {
 protected:
  void SetUp() override {
    GenomeFixture::SetUp();
    ArrayType = 1;
    chromosome = CHROMOSOME{};
    RegionsMode = ShowSampleTree = ShowRegionTree = false;
  }
  void TearDown() override {
    chromosome.Clear();
    chro_region.Clear();
    RegionsMode = ShowSampleTree = ShowRegionTree = false;
    GenomeFixture::TearDown();
  }

  // Five normals, three tumours paired with the first three and three alone: two lose the
  // first chromosome's first half, two gain on the second, one loses on the last. Calls as
  // drawn, LOH codes near 0 where a copy is lost and near 1 elsewhere, inferred copies near
  // the planted ones; LOH curve significant over the first chromosome's first half.
  void Load() {
    synth::SnpGroupPlan plan;
    plan.markersPerChro = {120, 90, 60};
    plan.normals = 5;
    plan.pairs = 3;
    plan.singles = 3;
    plan.stretches = {
        {5, 0, 50, 1}, {8, 10, 59, 1}, {6, 130, 190, 4}, {9, 125, 200, 3}, {7, 215, 260, 1}};
    mTruth = synth::MakeSnpGroup(plan);
    for (const synth::SnpGroupArray& array : mTruth.arrays) {
      TheGroup().NextArraySlot() = ArraySlot{};
      TheGroup().NextArraySlot().name = array.name;
      ASSERT_TRUE(TheGroup().CountArray());
    }
    SampleGrouping.ReadArrayListFile(WriteFile("list.txt", synth::SnpGroupArrayListText(mTruth)));
    const int markers = mTruth.MarkerCount();
    genome_info.Unit.assign(At(markers), UNIT_POS{});
    for (int i = 0; i < markers; ++i) {
      genome_info.Unit[At(i)].chro = static_cast<std::int16_t>(mTruth.chro[At(i)]);
      genome_info.posList[At(mTruth.chro[At(i)])].push_back(
          {static_cast<float>(mTruth.pos[At(i)]), i});
    }
    genome_info.NumChro = 3;
    const int samples = SampleGrouping.SampleCount();
    ASSERT_TRUE(chromosome.Allocate(samples, markers, TablesFor(kChroCopyNumber, true, false)));
    synth::SynthRandom random(9);
    for (int s = 0; s < samples; ++s) {
      const synth::SnpGroupArray& array = mTruth.arrays[At(SampleGrouping.GetSampleArray(s))];
      for (int i = 0; i < markers; ++i) {
        chromosome.calls.Row(s)[i] = static_cast<std::uint8_t>(array.calls[At(i)]);
        const double code = (array.copies[At(i)] < 2 ? 0.1 : 0.9) + 0.05 * random.Normal();
        chromosome.lohCodes.Row(s)[i] = static_cast<float>(std::clamp(code, 0.0, 1.0));
        chromosome.inferred.Row(s)[i] =
            static_cast<float>(array.copies[At(i)] + 0.1 * random.Normal());
        chromosome.markerStats[At(i)].summary[kDataLohCall] = i < 60 ? 1.0f : 0.0f;
      }
    }
    chromosome.Threshold[kDataLohCall] = 0.5f;
    chromosome.Min[kDataCopyNumber] = 1.5f;
    chromosome.Max[kDataCopyNumber] = 2.5f;
  }
  // Regions as (chromosome, first, last) of its marker list; first -1 holds no marker.
  static void SetRegions(const std::vector<std::array<int, 3>>& stretches) {
    chro_region.Clear();
    for (const auto& [chro, first, last] : stretches) {
      chro_region.items.emplace_back();
      chro_region.items.back().chromosomeIndex = chro;
      chro_region.items.back().first = first;
      chro_region.items.back().last = last;
    }
  }
  static int Row(int group) {
    return SampleGrouping.GroupFirstSample(group) + (SampleGrouping.GroupSize(group) > 1 ? 1 : 0);
  }
  // The units the distances run over: the regions' with RegionsMode, else every
  // chromosome's but the last one's.
  static std::vector<int> DistanceUnits() {
    std::vector<int> units;
    for (const CHRO_REGION_ITEM& r : chro_region.items)
      for (int i = r.first; RegionsMode && r.first >= 0 && i <= r.last; ++i)
        units.push_back(genome_info.posList[At(r.chromosomeIndex)][At(i)].index);
    for (int c = 0; !RegionsMode && c + 1 < genome_info.NumChro; ++c)
      for (const PositionEntry& e : genome_info.posList[At(c)]) units.push_back(e.index);
    return units;
  }
  static float ExpectedDistance(int g1, int g2) {
    double sum = 0;
    int counted = 0;
    for (const int u : DistanceUnits()) {
      const int type = chromosome.dataType;
      const int a = chromosome.calls.Row(Row(g1))[u];
      const int b = chromosome.calls.Row(Row(g2))[u];
      const float x =
          (type == kDataLohCall ? chromosome.lohCodes : chromosome.inferred).Row(Row(g1))[u];
      const float y =
          (type == kDataLohCall ? chromosome.lohCodes : chromosome.inferred).Row(Row(g2))[u];
      const auto outside = [](float v) { return v <= 1.5f || v >= 2.5f; };
      if (type == kDataCall && a <= 2 && b <= 2) {
        sum += a != b;
      } else if (type == kDataLohCall &&
                 (RegionsMode || chromosome.markerStats[At(u)].summary[kDataLohCall] >= 0.5f)) {
        sum += std::fabs(x - y);
      } else if (type == kDataCopyNumber && (outside(x) || outside(y))) {
        sum += std::max(x, y) > 0 ? std::fabs(x - y) / std::max(x, y) : 0;
      } else {
        continue;
      }
      ++counted;
    }
    return counted > 0 ? static_cast<float>(sum / counted) : 1.0f;
  }

  // The tree's order and its nodes' places against a sample-ordering tree built here.
  static void ExpectTree(const OrderedTree& got, const Matrix& distances,
                         const std::vector<float>& rows) {
    std::vector<const float*> lines;
    for (const auto& line : distances) lines.push_back(line.data());
    SampleOrderTree tree;
    ASSERT_TRUE(tree.AllocSampleDistance(lines.data(), static_cast<int>(lines.size())));
    ASSERT_TRUE(tree.OrderSamplesByNeighbours());
    EXPECT_EQ(got.order, tree.LeafOrder());
    float start = 0;
    for (const int item : tree.LeafOrder()) {
      EXPECT_FLOAT_EQ(got.position[At(item)], start + rows[At(item)] / 2) << item;
      start += rows[At(item)];
    }
    float highest = 0;
    for (int node = tree.ItemCount(); node < tree.NodeCount(); ++node) {
      const SampleOrderNode& merged = tree.Node(node);
      EXPECT_FLOAT_EQ(got.position[At(node)],
                      (got.position[At(merged.left)] + got.position[At(merged.right)]) / 2);
      highest = std::max(highest, merged.height);
    }
    EXPECT_FLOAT_EQ(got.maxHeight, highest);
  }

  synth::SnpGroupTruth mTruth;
  CapturedLog mLog;
};

TEST_F(RegionClusteringTest, TreesMatchTheSampleOrderingTreeOnDistancesWorkedOutHere) {
  Load();
  const int groups = SampleGrouping.GroupCount();
  ASSERT_EQ(groups, 8);
  std::vector<float> sizes;
  for (int g = 0; g < groups; ++g) sizes.push_back(static_cast<float>(SampleGrouping.GroupSize(g)));
  SetRegions({{0, 0, 40}, {0, 70, 119}, {1, 5, 60}, {2, 10, 50}, {1, 70, 89}});
  for (const bool regions : {false, true})
    for (const int type : {kDataCall, kDataLohCall, kDataCopyNumber}) {
      SCOPED_TRACE(testing::Message() << regions << " " << type);
      RegionsMode = regions;
      chromosome.dataType = type;
      chromosome.useMinMax = 7;
      Matrix distances(At(groups), std::vector<float>(At(groups), 0));
      for (int i = 0; i < groups; ++i)
        for (int j = 0; j < groups; ++j) {
          if (i == j) continue;
          distances[At(i)][At(j)] = ExpectedDistance(i, j);
          EXPECT_NEAR(SampleDistance(i, j), distances[At(i)][At(j)], 1e-6);
        }
      EXPECT_EQ(chromosome.useMinMax, 7);
      ShowSampleTree = ShowRegionTree = true;
      ASSERT_TRUE(ClusterSamplesAndRegions());
      EXPECT_TRUE(ShowSampleTree && ShowRegionTree);
      ExpectTree(GroupTree(), distances, sizes);
      if (type == kDataCall) continue;  // no region means: every region alike

      // Region means from the same cells, then their mean absolute differences.
      Matrix means;
      for (const CHRO_REGION_ITEM& r : chro_region.items) {
        means.emplace_back();
        for (int g = 0; g < groups; ++g) {
          double sum = 0;
          for (int i = r.first; i <= r.last; ++i) {
            const int u = genome_info.posList[At(r.chromosomeIndex)][At(i)].index;
            sum += type == kDataLohCall ? 1 - chromosome.lohCodes.Row(Row(g))[u]
                                        : chromosome.inferred.Row(Row(g))[u];
          }
          means.back().push_back(static_cast<float>(sum / (r.last - r.first + 1)));
          EXPECT_NEAR(r.groupMeans[At(g)], means.back().back(), 1e-5);
        }
      }
      Matrix between(5, std::vector<float>(5, 0));
      for (std::size_t i = 0; i < 5; ++i)
        for (std::size_t j = 0; j < 5; ++j)
          for (std::size_t g = 0; g < At(groups); ++g)
            between[i][j] += std::fabs(means[i][g] - means[j][g]) / static_cast<float>(groups);
      ExpectTree(RegionTree(), between, std::vector<float>(5, 1.0f));
    }
  // The tumours that lost the first chromosome's first half stand together.
  chromosome.dataType = kDataLohCall;
  RegionsMode = false;
  EXPECT_LT(SampleDistance(0, 5), SampleDistance(0, 1));
}

TEST_F(RegionClusteringTest, GroupsRegionsAndMarkersThatCannotBeUsed) {
  ShowSampleTree = true;
  EXPECT_FALSE(ClusterSamplesAndRegions());
  EXPECT_TRUE(mLog.ContainsRed(kNoChromosomeDataMessage));
  EXPECT_FALSE(ShowSampleTree);

  Load();
  chromosome.dataType = kDataCall;
  // Groups 0 and 1 differ only on the last chromosome, which the distances leave out.
  for (const int g : {0, 1})
    for (int i = 0; i < mTruth.MarkerCount(); ++i)
      chromosome.calls.Row(Row(g))[i] = static_cast<std::uint8_t>(mTruth.chro[At(i)] == 2 ? g : 2);
  EXPECT_EQ(SampleDistance(0, 1), 0.0f);
  RegionsMode = true;
  SetRegions({{2, 0, 59}});
  EXPECT_EQ(SampleDistance(0, 1), 1.0f);
  // No genotype in common: distance 1; a region without markers adds nothing.
  std::fill_n(chromosome.calls.Row(Row(2)), mTruth.MarkerCount(), 3);
  SetRegions({{0, 0, 119}, {1, -1, -1}});
  EXPECT_EQ(SampleDistance(1, 2), 1.0f);
  EXPECT_LT(SampleDistance(1, 3), 1.0f);
  // Copy number 0 in both cells is no difference, not 0 / 0.
  chromosome.dataType = kDataCopyNumber;
  for (const int g : {3, 4})
    std::fill_n(chromosome.inferred.Row(Row(g)), mTruth.MarkerCount(), 0.0f);
  EXPECT_EQ(SampleDistance(3, 4), 0.0f);
  ComputeRegionMeans();
  EXPECT_EQ(chro_region.items[1].groupMeans, std::vector<float>(8, 0.0f));
  EXPECT_EQ(SampleDistance(0, 99), 1.0f);

  // One region, then one group, cannot be ordered: the tree is dropped and said why.
  SetRegions({{0, 0, 119}});
  ShowSampleTree = ShowRegionTree = true;
  EXPECT_FALSE(ClusterSamplesAndRegions());
  EXPECT_TRUE(ShowSampleTree && !ShowRegionTree);
  EXPECT_TRUE(mLog.ContainsRed("Region clustering needs at least two chromosome regions; 1"));
  SampleGrouping.ReadArrayListFile(WriteFile("one.txt", mTruth.arrays[0].name + "\n"));
  EXPECT_FALSE(ClusterSamplesAndRegions());
  EXPECT_FALSE(ShowSampleTree);
  EXPECT_TRUE(mLog.ContainsRed("Sample clustering needs at least two sample groups; 1"));
}

}  // namespace

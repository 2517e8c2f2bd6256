// Clustering along the chromosomes on a generated SNP group with planted losses and gains:
// group distances of every data type, with and without regions, and both trees against the
// sample-ordering tree built on distances worked out here; and the groups, regions and
// markers the clustering cannot use.
#include "genome/jobs/region_clustering.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
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

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

class RegionClusteringTest : public GenomeFixture {
 protected:
  void SetUp() override {
    GenomeFixture::SetUp();
    ArrayType = 1;
    chromosome = CHROMOSOME{};
    chro_region.Clear();
    RegionsMode = ShowSampleTree = ShowRegionTree = false;
    GroupTree().Clear();
    RegionTree().Clear();
  }
  void TearDown() override {
    chromosome.Clear();
    chro_region.Clear();
    RegionsMode = ShowSampleTree = ShowRegionTree = false;
    GenomeFixture::TearDown();
  }

  // The generated group as the open group's samples and groups, its markers on their
  // chromosomes, calls as drawn, LOH codes near 0 where a tumour lost a copy and near 1
  // elsewhere, and inferred copies near the planted ones.
  void Load(const synth::SnpGroupPlan& plan) {
    mTruth = synth::MakeSnpGroup(plan);
    for (const synth::SnpGroupArray& array : mTruth.arrays) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot = ArraySlot{};
      slot.name = array.name;
      ASSERT_TRUE(TheGroup().CountArray());
    }
    SampleGrouping.ReadArrayListFile(WriteFile("list.txt", synth::SnpGroupArrayListText(mTruth)));
    const int markers = mTruth.MarkerCount();
    genome_info.Unit.assign(At(markers), UNIT_POS{});
    for (int i = 0; i < markers; ++i) {
      UNIT_POS& unit = genome_info.Unit[At(i)];
      unit.chro = static_cast<std::int16_t>(mTruth.chro[At(i)]);
      unit.pos = static_cast<float>(mTruth.pos[At(i)]);
      genome_info.posList[At(unit.chro)].push_back({unit.pos, i});
    }
    genome_info.NumChro = static_cast<int>(plan.markersPerChro.size());
    const int samples = SampleGrouping.SampleCount();
    ASSERT_TRUE(chromosome.Allocate(samples, markers, TablesFor(kChroCopyNumber, true, false)));
    synth::SynthRandom random(plan.seed + 100);
    for (int s = 0; s < samples; ++s) {
      const synth::SnpGroupArray& array = mTruth.arrays[At(SampleGrouping.GetSampleArray(s))];
      for (int i = 0; i < markers; ++i) {
        const int copies = array.copies[At(i)];
        chromosome.calls.Row(s)[i] = static_cast<std::uint8_t>(array.calls[At(i)]);
        const double code = (copies < 2 ? 0.1 : 0.9) + 0.05 * random.Normal();
        chromosome.lohCodes.Row(s)[i] = static_cast<float>(std::clamp(code, 0.0, 1.0));
        chromosome.inferred.Row(s)[i] = static_cast<float>(copies + 0.1 * random.Normal());
      }
    }
    // LOH-call summaries significant over the first chromosome's first half.
    chromosome.Threshold[kDataLohCall] = 0.5f;
    chromosome.Min[kDataCopyNumber] = 1.5f;
    chromosome.Max[kDataCopyNumber] = 2.5f;
    for (int i = 0; i < markers; ++i)
      chromosome.markerStats[At(i)].summary[kDataLohCall] =
          mTruth.chro[At(i)] == 0 && i < plan.markersPerChro[0] / 2 ? 1.0f : 0.0f;
  }

  // The regions, each a stretch of one chromosome's marker list.
  void SetRegions(const std::vector<std::array<int, 3>>& stretches) {
    chro_region.Clear();
    for (const auto& [chro, first, last] : stretches) {
      CHRO_REGION_ITEM item;
      item.chromosomeIndex = chro;
      item.first = first;
      item.last = last;
      item.markerCount = first < 0 ? 0 : last - first + 1;
      chro_region.items.push_back(item);
    }
    chro_region.count = static_cast<int>(chro_region.items.size());
  }

  int Row(int group) const {
    return SampleGrouping.GroupFirstSample(group) + (SampleGrouping.GroupSize(group) > 1 ? 1 : 0);
  }
  // The units the distances run over, worked out from the genome's lists.
  std::vector<int> DistanceUnits() const {
    std::vector<int> units;
    if (RegionsMode) {
      for (const CHRO_REGION_ITEM& r : chro_region.items)
        for (int i = r.first; r.first >= 0 && i <= r.last; ++i)
          units.push_back(genome_info.posList[At(r.chromosomeIndex)][At(i)].index);
    } else {
      for (int c = 0; c + 1 < genome_info.NumChro; ++c)
        for (const PositionEntry& e : genome_info.posList[At(c)]) units.push_back(e.index);
    }
    return units;
  }
  float ExpectedDistance(int g1, int g2) const {
    const int a = Row(g1);
    const int b = Row(g2);
    double sum = 0;
    int counted = 0;
    for (const int u : DistanceUnits()) {
      if (chromosome.dataType == kDataCall) {
        const int x = chromosome.calls.Row(a)[u];
        const int y = chromosome.calls.Row(b)[u];
        if (x > 2 || y > 2) continue;
        sum += x != y;
      } else if (chromosome.dataType == kDataLohCall) {
        if (!RegionsMode && chromosome.markerStats[At(u)].summary[kDataLohCall] < 0.5f) continue;
        sum += std::fabs(chromosome.lohCodes.Row(a)[u] - chromosome.lohCodes.Row(b)[u]);
      } else {
        const float x = chromosome.inferred.Row(a)[u];
        const float y = chromosome.inferred.Row(b)[u];
        const auto outside = [](float v) { return v <= 1.5f || v >= 2.5f; };
        if (!outside(x) && !outside(y)) continue;
        sum += std::max(x, y) > 0 ? std::fabs(x - y) / std::max(x, y) : 0;
      }
      ++counted;
    }
    return counted > 0 ? static_cast<float>(sum / counted) : 1.0f;
  }

  // The tree's order and its nodes' places against a sample-ordering tree built here.
  static void ExpectTree(const OrderedTree& got, const std::vector<std::vector<float>>& distances,
                         const std::vector<float>& rows) {
    const int n = static_cast<int>(distances.size());
    std::vector<const float*> lines;
    for (const auto& line : distances) lines.push_back(line.data());
    SampleOrderTree tree;
    ASSERT_TRUE(tree.AllocSampleDistance(lines.data(), n));
    ASSERT_TRUE(tree.OrderSamplesByNeighbours());
    ASSERT_TRUE(got.Built());
    EXPECT_EQ(got.order, tree.LeafOrder());
    float start = 0;
    for (const int item : tree.LeafOrder()) {
      EXPECT_FLOAT_EQ(got.position[At(item)], start + rows[At(item)] / 2) << item;
      start += rows[At(item)];
    }
    for (int node = n; node < tree.NodeCount(); ++node) {
      const SampleOrderNode& merged = tree.Node(node);
      EXPECT_FLOAT_EQ(got.position[At(node)],
                      (got.position[At(merged.left)] + got.position[At(merged.right)]) / 2);
      EXPECT_LE(merged.height, got.maxHeight);
    }
    EXPECT_EQ(got.maxHeight, tree.Node(tree.Root()).height);
  }

  static synth::SnpGroupPlan Plan() {
    synth::SnpGroupPlan plan;
    plan.markersPerChro = {120, 90, 60};
    plan.normals = 5;
    plan.pairs = 3;
    plan.singles = 3;
    // Tumours 5..7 paired, 8..10 alone: two lose the first chromosome's first half, two
    // gain on the second chromosome, one loses the last chromosome, one stays whole.
    plan.stretches = {
        {5, 0, 50, 1}, {8, 10, 59, 1}, {6, 130, 190, 4}, {9, 125, 200, 3}, {7, 215, 260, 1}};
    plan.seed = 5;
    return plan;
  }

  synth::SnpGroupTruth mTruth;
  CapturedLog mLog;
};

TEST_F(RegionClusteringTest, TreesMatchTheSampleOrderingTreeOnDistancesWorkedOutHere) {
  Load(Plan());
  const int groups = SampleGrouping.GroupCount();
  ASSERT_EQ(groups, 8);
  for (const bool regions : {false, true})
    for (const int type : {kDataCall, kDataLohCall, kDataCopyNumber}) {
      SCOPED_TRACE(testing::Message() << regions << " " << type);
      RegionsMode = regions;
      SetRegions({{0, 0, 40}, {0, 70, 119}, {1, 5, 60}, {2, 10, 50}, {1, 70, 89}});
      chromosome.dataType = type;
      chromosome.useMinMax = 7;
      std::vector<std::vector<float>> distances(At(groups), std::vector<float>(At(groups), 0));
      for (int i = 0; i < groups; ++i)
        for (int j = 0; j < groups; ++j)
          if (i != j) {
            distances[At(i)][At(j)] = ExpectedDistance(i, j);
            EXPECT_NEAR(SampleDistance(i, j), distances[At(i)][At(j)], 1e-6) << i << " " << j;
          }
      EXPECT_EQ(chromosome.useMinMax, 7);
      ShowSampleTree = true;
      ShowRegionTree = true;
      ASSERT_TRUE(ClusterSamplesAndRegions());
      EXPECT_TRUE(ShowSampleTree && ShowRegionTree);
      std::vector<float> sizes;
      for (int g = 0; g < groups; ++g)
        sizes.push_back(static_cast<float>(SampleGrouping.GroupSize(g)));
      ExpectTree(GroupTree(), distances, sizes);

      // Region means from the same cells, then their mean absolute differences.
      const int regionCount = static_cast<int>(chro_region.items.size());
      std::vector<std::vector<float>> means;
      for (const CHRO_REGION_ITEM& r : chro_region.items) {
        std::vector<float> perGroup;
        for (int g = 0; g < groups; ++g) {
          double sum = 0;
          for (int i = r.first; i <= r.last; ++i) {
            const int u = genome_info.posList[At(r.chromosomeIndex)][At(i)].index;
            sum += type == kDataLohCall      ? 1 - chromosome.lohCodes.Row(Row(g))[u]
                   : type == kDataCopyNumber ? chromosome.inferred.Row(Row(g))[u]
                                             : 0;
          }
          perGroup.push_back(static_cast<float>(sum / (r.last - r.first + 1)));
          EXPECT_NEAR(r.groupMeans[At(g)], perGroup.back(), 1e-5);
        }
        means.push_back(perGroup);
      }
      std::vector<std::vector<float>> between(At(regionCount),
                                              std::vector<float>(At(regionCount), 0));
      for (int i = 0; i < regionCount; ++i)
        for (int j = 0; j < regionCount; ++j) {
          double sum = 0;
          for (int g = 0; g < groups; ++g)
            sum += std::fabs(means[At(i)][At(g)] - means[At(j)][At(g)]);
          between[At(i)][At(j)] = static_cast<float>(sum / groups);
        }
      if (type != kDataCall) ExpectTree(RegionTree(), between, std::vector<float>(5, 1.0f));
    }
  // The planted losses on the first chromosome bring their tumours together.
  chromosome.dataType = kDataLohCall;
  RegionsMode = false;
  EXPECT_LT(SampleDistance(0, 5), SampleDistance(0, 1));
}

TEST_F(RegionClusteringTest, GroupsRegionsAndMarkersThatCannotBeUsed) {
  // Without chromosome data nothing is clustered.
  ShowSampleTree = true;
  EXPECT_FALSE(ClusterSamplesAndRegions());
  EXPECT_TRUE(mLog.ContainsRed(kNoChromosomeDataMessage));
  EXPECT_FALSE(ShowSampleTree);

  Load(Plan());
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
  // A region without markers has means of 0; groups beyond the grouping are far.
  ComputeRegionMeans();
  EXPECT_EQ(chro_region.items[1].groupMeans, std::vector<float>(8, 0.0f));
  EXPECT_EQ(SampleDistance(0, 99), 1.0f);

  // One region cannot be ordered: the region tree is dropped and said why.
  SetRegions({{0, 0, 119}});
  ShowSampleTree = true;
  ShowRegionTree = true;
  EXPECT_FALSE(ClusterSamplesAndRegions());
  EXPECT_TRUE(ShowSampleTree);
  EXPECT_FALSE(ShowRegionTree);
  EXPECT_TRUE(mLog.ContainsRed("Region clustering needs at least two chromosome regions; 1"));

  // One group cannot be ordered either.
  SampleGrouping.ReadArrayListFile(WriteFile("one.txt", mTruth.arrays[0].name + "\n"));
  ASSERT_EQ(SampleGrouping.GroupCount(), 1);
  ShowSampleTree = true;
  EXPECT_FALSE(ClusterSamplesAndRegions());
  EXPECT_FALSE(ShowSampleTree);
  EXPECT_TRUE(mLog.ContainsRed("Sample clustering needs at least two sample groups; 1"));
}

}  // namespace

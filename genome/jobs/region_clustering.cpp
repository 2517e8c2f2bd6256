// Distances between sample groups and between regions along the chromosomes, and the two
// sample-ordering trees built from them.
#include "genome/jobs/region_clustering.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "engine/base/missing_value.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/info/genome_info.hpp"

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

// The row a group's distances and means read: its tumour's (the second sample) or its only
// sample's; -1 for a group without samples or beyond the chromosome data.
int GroupRow(int group) {
  if (group < 0 || group >= SampleGrouping.GroupCount()) return -1;
  const int size = SampleGrouping.GroupSize(group);
  if (size < 1) return -1;
  const int row = SampleGrouping.GroupFirstSample(group) + (size > 1 ? 1 : 0);
  return row >= 0 && row < chromosome.sampleCount ? row : -1;
}

bool Usable(float v) {
  return !IsMissing(v) && std::isfinite(v);
}

// Calls the visitor with the unit of every marker the distances run over: the markers of
// every region with RegionsMode, else every chromosome's but the last one's.
template <typename Visit>
void ForEachDistanceMarker(Visit&& visit) {
  const auto visitList = [&](const std::vector<PositionEntry>& list, int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, static_cast<int>(list.size()) - 1);
    for (int i = first; i <= last; ++i) {
      const int unit = list[At(i)].index;
      if (unit >= 0 && unit < chromosome.unitCount) visit(unit);
    }
  };
  if (RegionsMode) {
    for (const CHRO_REGION_ITEM& region : chro_region.items) {
      if (region.chromosomeIndex < 0 || region.chromosomeIndex >= MAX_CHRO_NUM || region.first < 0)
        continue;
      visitList(genome_info.posList[At(region.chromosomeIndex)], region.first, region.last);
    }
    return;
  }
  const int chromosomes = std::min(genome_info.NumChro, MAX_CHRO_NUM);
  for (int c = 0; c + 1 < chromosomes; ++c) {
    const auto& list = genome_info.posList[At(c)];
    visitList(list, 0, static_cast<int>(list.size()) - 1);
  }
}

// Sets useMinMax for the span of a distance and gives the old value back.
class MinMaxSwitch {
 public:
  explicit MinMaxSwitch(int value) : mSaved(chromosome.useMinMax) { chromosome.useMinMax = value; }
  ~MinMaxSwitch() { chromosome.useMinMax = mSaved; }
  MinMaxSwitch(const MinMaxSwitch&) = delete;
  MinMaxSwitch& operator=(const MinMaxSwitch&) = delete;

 private:
  int mSaved;
};

// Builds one tree over n items from their distances and places its nodes; rows gives each
// item's rows along the axis. False, with the tree's reason logged, when it cannot be built.
bool BuildOrderedTree(OrderedTree& out, const std::vector<float>& distances, int n,
                      const std::vector<float>& rows) {
  out.Clear();
  std::vector<const float*> lines(At(n));
  for (int i = 0; i < n; ++i) lines[At(i)] = distances.data() + At(i) * At(n);
  if (!out.tree.AllocSampleDistance(lines.data(), n) || !out.tree.OrderSamplesByNeighbours()) {
    out.Clear();
    return false;
  }
  out.order = out.tree.LeafOrder();
  out.position.assign(At(out.tree.NodeCount()), 0.0f);
  float start = 0;
  for (const int item : out.order) {
    out.position[At(item)] = start + rows[At(item)] / 2;
    start += rows[At(item)];
  }
  // Merges are numbered after both their children.
  for (int node = n; node < out.tree.NodeCount(); ++node) {
    const SampleOrderNode& merged = out.tree.Node(node);
    out.position[At(node)] = (out.position[At(merged.left)] + out.position[At(merged.right)]) / 2;
    out.maxHeight = std::max(out.maxHeight, merged.height);
  }
  return true;
}

bool HasChromosomeData() {
  if (chromosome.sampleCount > 0 && chromosome.unitCount > 0 && !chromosome.calls.Empty())
    return true;
  LogMessage(kNoChromosomeDataMessage, 0, kLogRed);
  return false;
}

bool ClusterGroups() {
  const int n = SampleGrouping.GroupCount();
  if (n < 2) {
    LogMessage(MessageBuffer(kTooFewGroupsMessage, n), 0, kLogRed);
    return false;
  }
  std::vector<float> distances(At(n) * At(n), 0.0f);
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) {
      const float d = SampleDistance(i, j);
      distances[At(i) * At(n) + At(j)] = d;
      distances[At(j) * At(n) + At(i)] = d;
    }
  std::vector<float> rows(At(n));
  for (int g = 0; g < n; ++g) rows[At(g)] = static_cast<float>(SampleGrouping.GroupSize(g));
  return BuildOrderedTree(GroupTree(), distances, n, rows);
}

bool ClusterRegions() {
  const int n = static_cast<int>(chro_region.items.size());
  const int groups = SampleGrouping.GroupCount();
  if (n < 2) {
    LogMessage(MessageBuffer(kTooFewRegionsMessage, n), 0, kLogRed);
    return false;
  }
  if (groups < 1) {
    LogMessage(MessageBuffer(kTooFewGroupsMessage, groups), 0, kLogRed);
    return false;
  }
  ComputeRegionMeans();
  std::vector<float> distances(At(n) * At(n), 0.0f);
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) {
      const auto& a = chro_region.items[At(i)].groupMeans;
      const auto& b = chro_region.items[At(j)].groupMeans;
      double sum = 0;
      for (int g = 0; g < groups; ++g) sum += std::fabs(a[At(g)] - b[At(g)]);
      const auto d = static_cast<float>(sum / groups);
      distances[At(i) * At(n) + At(j)] = d;
      distances[At(j) * At(n) + At(i)] = d;
    }
  return BuildOrderedTree(RegionTree(), distances, n, std::vector<float>(At(n), 1.0f));
}

}  // namespace

void OrderedTree::Clear() {
  tree = SampleOrderTree{};
  position.clear();
  order.clear();
  maxHeight = 0.0f;
  highlighted = -1;
}

bool OrderedTree::InBranch(int node, int branch) const {
  if (!ValidNode(branch)) return false;
  // Each step goes one merge up; no path is longer than the tree.
  int n = node;
  for (int steps = 0; ValidNode(n) && steps < tree.NodeCount(); ++steps, n = tree.Node(n).parent)
    if (n == branch) return true;
  return false;
}

std::vector<int> OrderedTree::BranchItems(int node) const {
  std::vector<int> items;
  if (!ValidNode(node)) return items;
  // Depth first, the left branch first.
  std::vector<int> pending{node};
  while (!pending.empty()) {
    const int n = pending.back();
    pending.pop_back();
    const SampleOrderNode& at = tree.Node(n);
    if (n < tree.ItemCount()) {
      items.push_back(n);
      continue;
    }
    if (ValidNode(at.right)) pending.push_back(at.right);
    if (ValidNode(at.left)) pending.push_back(at.left);
  }
  return items;
}

OrderedTree& GroupTree() {
  static OrderedTree tree;
  return tree;
}

OrderedTree& RegionTree() {
  static OrderedTree tree;
  return tree;
}

float SampleDistance(int group1, int group2) {
  const int s1 = GroupRow(group1);
  const int s2 = GroupRow(group2);
  const int type = chromosome.dataType;
  if (s1 < 0 || s2 < 0) return 1.0f;
  double sum = 0;
  long counted = 0;
  if (type == kDataLohCall && !chromosome.lohCodes.Empty()) {
    const MinMaxSwitch minMax(0);
    const float* a = chromosome.lohCodes.Row(s1);
    const float* b = chromosome.lohCodes.Row(s2);
    ForEachDistanceMarker([&](int unit) {
      if (!RegionsMode && !chromosome.IsSignificant(unit, 0.0f)) return;
      if (!Usable(a[unit]) || !Usable(b[unit])) return;
      sum += std::fabs(a[unit] - b[unit]);
      ++counted;
    });
  } else if (type == kDataCopyNumber && !chromosome.inferred.Empty()) {
    const MinMaxSwitch minMax(1);
    const float* a = chromosome.inferred.Row(s1);
    const float* b = chromosome.inferred.Row(s2);
    ForEachDistanceMarker([&](int unit) {
      const float x = a[unit];
      const float y = b[unit];
      if (!Usable(x) || !Usable(y)) return;
      if (!chromosome.IsSignificant(-1, x) && !chromosome.IsSignificant(-1, y)) return;
      const float larger = std::max(x, y);
      // Two cells without copies are alike; the ratio would be 0 / 0.
      if (larger > 0) sum += std::fabs(x - y) / larger;
      ++counted;
    });
  } else if (type == kDataCall) {
    const std::uint8_t* a = chromosome.calls.Row(s1);
    const std::uint8_t* b = chromosome.calls.Row(s2);
    ForEachDistanceMarker([&](int unit) {
      if (a[unit] > 2 || b[unit] > 2) return;
      if (a[unit] != b[unit]) sum += 1;
      ++counted;
    });
  }
  return counted > 0 ? static_cast<float>(sum / static_cast<double>(counted)) : 1.0f;
}

void ComputeRegionMeans() {
  const int groups = SampleGrouping.GroupCount();
  const int type = chromosome.dataType;
  for (CHRO_REGION_ITEM& region : chro_region.items) {
    region.groupMeans.assign(At(std::max(groups, 0)), 0.0f);
    if (region.chromosomeIndex < 0 || region.chromosomeIndex >= MAX_CHRO_NUM || region.first < 0)
      continue;
    const auto& list = genome_info.posList[At(region.chromosomeIndex)];
    const int last = std::min(region.last, static_cast<int>(list.size()) - 1);
    const SampleMatrix<float>* table = type == kDataLohCall      ? &chromosome.lohCodes
                                       : type == kDataCopyNumber ? &chromosome.inferred
                                                                 : nullptr;
    if (table == nullptr || table->Empty()) continue;
    for (int g = 0; g < groups; ++g) {
      const int row = GroupRow(g);
      if (row < 0) continue;
      const float* values = table->Row(row);
      double sum = 0;
      int counted = 0;
      for (int i = region.first; i <= last; ++i) {
        const int unit = list[At(i)].index;
        if (unit < 0 || unit >= chromosome.unitCount || !Usable(values[unit])) continue;
        sum += type == kDataLohCall ? 1.0 - values[unit] : values[unit];
        ++counted;
      }
      if (counted > 0) region.groupMeans[At(g)] = static_cast<float>(sum / counted);
    }
  }
}

bool ClusterSamplesAndRegions() {
  if ((ShowSampleTree || ShowRegionTree) && !HasChromosomeData()) {
    ShowSampleTree = false;
    ShowRegionTree = false;
    return false;
  }
  if (ShowSampleTree && !ClusterGroups()) {
    ShowSampleTree = false;
    return false;
  }
  if (ShowRegionTree && !ClusterRegions()) {
    ShowRegionTree = false;
    return false;
  }
  return true;
}

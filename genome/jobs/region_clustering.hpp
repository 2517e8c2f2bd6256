// Orders the sample groups, and the regions of the region file, by how alike their
// chromosome data are, with two sample-ordering trees: one over the groups and one over
// the regions. The chromosome view draws samples and regions in the trees' order and
// draws both dendrograms from the placements kept here.
#pragma once

#include <vector>

#include "engine/model/sample_order_tree.hpp"

// Said when a tree has fewer than two items to order.
inline constexpr const char* kTooFewGroupsMessage =
    "    Sample clustering needs at least two sample groups; %d found";
inline constexpr const char* kTooFewRegionsMessage =
    "    Region clustering needs at least two chromosome regions; %d found";
inline constexpr const char* kNoChromosomeDataMessage =
    "    No chromosome data to cluster; gather the chromosome data first";

// One tree with where its nodes stand along the axis the view draws it against: a
// leaf's place is the middle of its rows (its running start in tree order plus half its
// size), an inner node's the mean of its two children's; depth is the merge height.
struct OrderedTree {
  SampleOrderTree tree;
  // Per node of the tree (leaves first, then the merges, the root last), in rows of the
  // axis: samples for the group tree, regions for the region tree.
  std::vector<float> position;
  // The items (groups or regions) in the tree's order.
  std::vector<int> order;
  // The largest merge height, 0 for a tree not built.
  float maxHeight = 0.0f;
  // The node of the branch the user highlighted; -1 none.
  int highlighted = -1;
  bool Built() const { return !order.empty(); }
  bool ValidNode(int node) const { return node >= 0 && node < tree.NodeCount(); }
  // The items (leaves) under a node, the left branch first; none for a node not in the tree.
  std::vector<int> BranchItems(int node) const;
  // Whether a node lies in the branch below (or at) another.
  bool InBranch(int node, int branch) const;
  void Clear();
};

// The two trees of the last clustering; empty until ClusterSamplesAndRegions succeeds
// for them.
OrderedTree& GroupTree();
OrderedTree& RegionTree();

// The distance between the tumour (or only) samples of two sample groups over the markers
// of every region of the region file with RegionsMode, else over every chromosome but the
// last, by the current data type: for LOH calls the mean absolute code difference (only
// significant markers without regions), for copy number the mean relative difference of
// the inferred values where either is significant, for calls the share of differing
// genotypes where both are genotyped. 1 when no marker counts.
float SampleDistance(int group1, int group2);

// Each region's mean per sample group (into chro_region's groupMeans): 1 - the LOH code
// (LOH calls) or the inferred value (copy number) of the group's tumour (or only) sample
// over the region's markers; 0 for other types and regions without markers.
void ComputeRegionMeans();

// With ShowSampleTree the group tree, with ShowRegionTree the region tree. A tree that
// cannot be built clears its flag, and the call returns false.
bool ClusterSamplesAndRegions();

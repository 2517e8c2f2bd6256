// An average-linkage tree over n items (arrays) built from their distances, used to put
// arrays in a display order in which similar arrays stand side by side: after a
// successful ordering each item's leaf position is its place in that order.
#pragma once

#include <vector>

#include "engine/numerics/tree_order_messages.hpp"

inline constexpr const char* kSampleDistanceMemoryMessage =
    "    Not enough memroy for variable Distance[]";
inline constexpr const char* kNearNeighbourMessage =
    "    min_dist not found in FindNearNeighbor(); proper 'array list file' may need to be "
    "specified";
// Our own: ordering nothing.
inline constexpr const char* kNoSamplesMessage = "    Error: %d samples cannot be ordered";

struct SampleOrderNode {
  bool active = false;
  int size = 0;  // leaves below
  int parent = -1;
  int left = -1;
  int right = -1;
  float height = 0.0f;  // the distance at which the node's two children merged
  int nearest = -1;
  float nearestDistance = 0.0f;
  int position = -1;  // a leaf's place in the order
};

class SampleOrderTree {
 public:
  // Forgets any earlier tree and takes the n x n distances (the upper triangle, mirrored).
  // False, with kSampleDistanceMemoryMessage in black, when memory runs out.
  [[nodiscard]] bool AllocSampleDistance(const float* const* distances, int n);
  // Builds the tree and gives every leaf its position. Raises AnalysisRunning while it
  // runs and stops with a red line when it is cleared.
  [[nodiscard]] bool OrderSamplesByNeighbours();

  int ItemCount() const { return mItems; }
  int NodeCount() const { return static_cast<int>(mNodes.size()); }
  int Root() const { return NodeCount() - 1; }
  const SampleOrderNode& Node(int node) const { return mNodes[Index(node)]; }
  int LeafPosition(int item) const { return mNodes[Index(item)].position; }
  // The items in their order.
  std::vector<int> LeafOrder() const;
  float Distance(int a, int b) const { return mDistance[Index(a) * mNodes.size() + Index(b)]; }

 private:
  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  float& At(int a, int b) { return mDistance[Index(a) * mNodes.size() + Index(b)]; }
  // Makes the active node below limit (other than a) closest to a its nearest neighbour;
  // false when there is none.
  bool FindNearNeighbor(int a, int limit);
  bool BuildTree();
  bool AssignLeafPositions();

  int mItems = 0;
  std::vector<SampleOrderNode> mNodes;
  std::vector<float> mDistance;  // (2n - 1) x (2n - 1)
};

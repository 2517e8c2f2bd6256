// Test support for the clustering: trees made straight from profiles, and a plain
// clustering written from the rules alone (every active pair compared at every merge),
// against which the engine's neighbour bookkeeping is checked.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "genes/cluster/cluster_distance.hpp"
#include "genes/cluster/cluster_tree.hpp"

namespace cluster_test {

using Profiles = std::vector<std::vector<double>>;

inline std::unique_ptr<CLUSTER> TreeOf(const Profiles& profiles, const ClusterOptions& options) {
  const int n = static_cast<int>(profiles.size());
  const int m = n > 0 ? static_cast<int>(profiles[0].size()) : 0;
  auto tree = CLUSTER::Create(n, m, false);
  tree->options = options;
  for (int i = 0; i < n; ++i) {
    tree->Node(i).profile = profiles[static_cast<std::size_t>(i)];
    tree->Node(i).item = i;
  }
  return tree;
}

inline ClusterOptions PlainOptions(int distance, int linkage) {
  ClusterOptions options;
  options.distance = distance;
  options.linkage = linkage;
  options.standardizeRows = false;
  options.storeDistance = true;
  options.threads = 1;
  return options;
}

struct ReferenceNode {
  std::vector<double> profile;
  int weight = 1;
  int child1 = -1;
  int child2 = -1;
  float height = 0.0f;
};

// No distance ranks after every distance.
inline bool RefCloser(float a, float b) {
  if (a == kMissingValueFloat) return false;
  if (b == kMissingValueFloat) return true;
  return a < b;
}

inline float RefDistance(const std::vector<double>& a, const std::vector<double>& b, int measure) {
  const double d =
      ProfileDistanceOf(a.data(), b.data(), static_cast<int>(a.size()), measure).distance;
  return IsMissing(d) ? kMissingValueFloat : static_cast<float>(d);
}

// The whole tree, O(n^3): at each merge the closest active pair, the lower node first
// and then its lower partner on ties.
inline std::vector<ReferenceNode> ReferenceTree(const Profiles& profiles,
                                                const ClusterOptions& options) {
  const int n = static_cast<int>(profiles.size());
  const int nodes = 2 * n - 1;
  std::vector<ReferenceNode> tree(static_cast<std::size_t>(nodes));
  std::vector<std::vector<float>> d(static_cast<std::size_t>(nodes),
                                    std::vector<float>(static_cast<std::size_t>(nodes)));
  std::vector<bool> active(static_cast<std::size_t>(nodes), false);
  for (int i = 0; i < n; ++i) {
    tree[static_cast<std::size_t>(i)].profile = profiles[static_cast<std::size_t>(i)];
    active[static_cast<std::size_t>(i)] = true;
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) d[i][j] = RefDistance(profiles[i], profiles[j], options.distance);
  float highest = 0.0f;
  for (int k = n; k < nodes; ++k) {
    int g = -1;
    int f = -1;
    for (int a = 0; a < k; ++a) {
      if (!active[a]) continue;
      for (int b = 0; b < k; ++b) {
        if (b == a || !active[b]) continue;
        if (g < 0 || RefCloser(d[a][b], d[g][f])) {
          g = a;
          f = b;
        }
      }
    }
    const float distance = d[g][f] == kMissingValueFloat ? highest : d[g][f];
    ReferenceNode& node = tree[k];
    const ReferenceNode& fn = tree[f];
    const ReferenceNode& gn = tree[g];
    bool fFirst = gn.height > fn.height;
    if (options.ordering == kOrderByPeakingTime) {
      const auto peak = [](const std::vector<double>& p) {
        int best = -1;
        for (int i = 0; i < static_cast<int>(p.size()); ++i)
          if (!IsMissing(p[i]) && (best < 0 || p[i] > p[best])) best = i;
        return std::max(best, 0);
      };
      fFirst = peak(fn.profile) < peak(gn.profile);
    }
    node.child1 = fFirst ? f : g;
    node.child2 = fFirst ? g : f;
    const ReferenceNode& c1 = tree[node.child1];
    const ReferenceNode& c2 = tree[node.child2];
    double sign = 1.0;
    if (options.distance == kDistanceAbsoluteCorrelation) {
      const ProfileDistance pd = ProfileDistanceOf(c1.profile.data(), c2.profile.data(),
                                                   static_cast<int>(c1.profile.size()), 1);
      if (!IsMissing(pd.distance) && !pd.positive) sign = -1.0;
    }
    node.weight = c1.weight + c2.weight;
    for (std::size_t v = 0; v < c1.profile.size(); ++v) {
      const double x = c1.profile[v];
      const double y = c2.profile[v];
      if (IsMissing(x) && IsMissing(y))
        node.profile.push_back(MISSING_VALUE);
      else if (IsMissing(x))
        node.profile.push_back(sign * y);
      else if (IsMissing(y))
        node.profile.push_back(x);
      else
        node.profile.push_back((x * c1.weight + sign * y * c2.weight) / node.weight);
    }
    node.height = std::max({fn.height, gn.height, distance});
    highest = std::max(highest, node.height);
    active[f] = false;
    active[g] = false;
    active[k] = true;
    for (int j = 0; j < k; ++j) {
      if (!active[j]) continue;
      float dj = 0.0f;
      if (options.linkage == kLinkageAverage) {
        const float a = d[j][f];
        const float b = d[j][g];
        if (a == kMissingValueFloat)
          dj = b;
        else if (b == kMissingValueFloat)
          dj = a;
        else
          dj = static_cast<float>(
              (static_cast<double>(a) * fn.weight + static_cast<double>(b) * gn.weight) /
              (fn.weight + gn.weight));
      } else {
        dj = RefDistance(tree[j].profile, node.profile, options.distance);
      }
      d[j][k] = dj;
      d[k][j] = dj;
    }
  }
  return tree;
}

// The leaves in drawing order: child 1's leaves before child 2's.
inline std::vector<int> ReferenceLeafOrder(const std::vector<ReferenceNode>& tree, int n) {
  std::vector<int> order;
  std::vector<int> pending{static_cast<int>(tree.size()) - 1};
  while (!pending.empty()) {
    const int node = pending.back();
    pending.pop_back();
    if (node < n) {
      order.push_back(node);
      continue;
    }
    pending.push_back(tree[node].child2);
    pending.push_back(tree[node].child1);
  }
  return order;
}

// Same merges, heights (to float rounding), weights and leaf rows.
inline void ExpectSameTree(const CLUSTER& tree, const std::vector<ReferenceNode>& reference) {
  ASSERT_EQ(tree.NodeCount(), static_cast<int>(reference.size()));
  for (int k = tree.ItemCount(); k < tree.NodeCount(); ++k) {
    const CLUSTER_NODE& node = tree.Node(k);
    ASSERT_EQ(node.child1, reference[k].child1) << "node " << k;
    ASSERT_EQ(node.child2, reference[k].child2) << "node " << k;
    EXPECT_EQ(node.weight, reference[k].weight) << "node " << k;
    EXPECT_NEAR(node.height, reference[k].height, 1e-5) << "node " << k;
  }
  const std::vector<int> order = ReferenceLeafOrder(reference, tree.ItemCount());
  for (int row = 0; row < tree.ItemCount(); ++row)
    EXPECT_EQ(tree.RowNode(row), order[static_cast<std::size_t>(row)]) << "row " << row;
}

}  // namespace cluster_test

namespace cluster_test {

// A tree linked by hand over n leaves of one value: internal node n + k joins the two
// nodes of merges[k] at height k + 1. Leaf i carries item i.
inline std::unique_ptr<CLUSTER> LinkedTree(int n, const std::vector<std::pair<int, int>>& merges) {
  auto tree = CLUSTER::Create(n, 1, false);
  for (int i = 0; i < n; ++i) tree->Node(i).item = i;
  for (std::size_t k = 0; k < merges.size(); ++k) {
    const int node = n + static_cast<int>(k);
    CLUSTER_NODE& merged = tree->Node(node);
    merged.child1 = merges[k].first;
    merged.child2 = merges[k].second;
    merged.weight = tree->Node(merged.child1).weight + tree->Node(merged.child2).weight;
    merged.height = static_cast<float>(k + 1);
    tree->Node(merged.child1).parent = node;
    tree->Node(merged.child2).parent = node;
  }
  EXPECT_TRUE(tree->OrderLeaves());
  return tree;
}

// Eight leaves paired: 8 = (0,1), 9 = (2,3), 10 = (4,5), 11 = (6,7), 12 = (8,9),
// 13 = (10,11), root 14 = (12,13).
inline std::vector<std::pair<int, int>> BalancedEight() {
  return {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {8, 9}, {10, 11}, {12, 13}};
}

// Node n + k holds leaves 0 to k + 1.
inline std::vector<std::pair<int, int>> Caterpillar(int n) {
  std::vector<std::pair<int, int>> merges{{0, 1}};
  for (int k = 1; k < n - 1; ++k) merges.push_back({n + k - 1, k + 1});
  return merges;
}

}  // namespace cluster_test

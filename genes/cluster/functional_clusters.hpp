// The significant branch-term pairs that the enrichment step of hierarchical clustering
// finds; the clustering command adds one navigation-tree item per pair.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kMaxFunctionalClusters = 1000;
inline constexpr const char* kTooManyFunctionalClustersMessage =
    "    Number of significant functional clusters exceeds limit; you may set a more stringent "
    "treshold at 'Tools/Options/Clustering/P value threshold'";

struct FUNCTIONAL_CLUSTERS {
  std::array<int, kMaxFunctionalClusters> node{};
  std::array<std::uint8_t, kMaxFunctionalClusters> isGeneTree{};
  // A term of the gene information, or a category of the sample information.
  std::array<std::int16_t, kMaxFunctionalClusters> term{};
  std::array<std::int16_t, kMaxFunctionalClusters> column{};
  int count = 0;
};

extern FUNCTIONAL_CLUSTERS FunctionalClusters;

// Appends one pair; at 1000 pairs logs the limit in red and returns false.
[[nodiscard]] bool AddFunctionalCluster(int node, std::uint8_t isGeneTree, int term, int column);

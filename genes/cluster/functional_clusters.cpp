// The list of significant branch-term pairs.
#include "genes/cluster/functional_clusters.hpp"

#include "engine/services/log_channel.hpp"

FUNCTIONAL_CLUSTERS FunctionalClusters;

bool AddFunctionalCluster(int node, std::uint8_t isGeneTree, int term, int column) {
  FUNCTIONAL_CLUSTERS& clusters = FunctionalClusters;
  if (clusters.count >= kMaxFunctionalClusters) {
    LogMessage(kTooManyFunctionalClustersMessage, 0, kLogRed);
    return false;
  }
  const auto at = static_cast<std::size_t>(clusters.count++);
  clusters.node[at] = node;
  clusters.isGeneTree[at] = isGeneTree;
  clusters.term[at] = static_cast<std::int16_t>(term);
  clusters.column[at] = static_cast<std::int16_t>(column);
  return true;
}

// Building the sample ordering tree by repeated merging of the closest pair and reading
// its leaf order.
#include "engine/model/sample_order_tree.hpp"

#include <new>
#include <tuple>

#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"

bool SampleOrderTree::AllocSampleDistance(const float* const* distances, int n) {
  mItems = 0;
  std::vector<SampleOrderNode>().swap(mNodes);
  std::vector<float>().swap(mDistance);
  if (n < 1) {
    LogMessage(MessageBuffer(kNoSamplesMessage, n), 0, kLogRed);
    return false;
  }
  const auto nodes = static_cast<std::size_t>(2 * n - 1);
  try {
    mNodes.resize(nodes);
    mDistance.assign(nodes * nodes, 0.0f);
  } catch (const std::bad_alloc&) {
    std::vector<SampleOrderNode>().swap(mNodes);
    std::vector<float>().swap(mDistance);
    LogMessage(kSampleDistanceMemoryMessage);
    return false;
  }
  mItems = n;
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) {
      At(i, j) = distances[i][j];
      At(j, i) = distances[i][j];
    }
  return true;
}

bool SampleOrderTree::FindNearNeighbor(int a, int limit) {
  int best = -1;
  float bestDistance = 0.0f;
  for (int i = 0; i < limit; ++i) {
    if (i == a || !mNodes[Index(i)].active) continue;
    const float distance = At(a, i);
    if (best >= 0 && !(distance < bestDistance)) continue;
    best = i;
    bestDistance = distance;
  }
  SampleOrderNode& node = mNodes[Index(a)];
  node.nearest = best;
  if (best < 0) return false;
  node.nearestDistance = bestDistance;
  return true;
}

bool SampleOrderTree::OrderSamplesByNeighbours() {
  Progress().SetRunning(true);
  const bool ordered = mItems > 0 && BuildTree() && AssignLeafPositions();
  Progress().SetRunning(false);
  return ordered;
}

bool SampleOrderTree::BuildTree() {
  const int n = mItems;
  for (int k = 0; k < NodeCount(); ++k) {
    mNodes[Index(k)] = SampleOrderNode{};
    if (k < n) {
      mNodes[Index(k)].active = true;
      mNodes[Index(k)].size = 1;
    }
  }
  for (int j = 0; j < n; ++j) {
    if (!FindNearNeighbor(j, n)) {
      LogMessage(kNearNeighbourMessage, 0, kLogRed);
      return false;
    }
  }

  for (int k = n; k < 2 * n - 1; ++k) {
    int first = -1;
    for (int i = 0; i < k; ++i) {
      const SampleOrderNode& node = mNodes[Index(i)];
      if (!node.active || node.nearest < 0) continue;
      if (first < 0 || node.nearestDistance < mNodes[Index(first)].nearestDistance) first = i;
    }
    if (first < 0) {
      LogMessage(kNoClosestPairMessage, 0, kLogRed);
      return false;
    }
    const int second = mNodes[Index(first)].nearest;
    SampleOrderNode& a = mNodes[Index(first)];
    SampleOrderNode& b = mNodes[Index(second)];
    SampleOrderNode& merged = mNodes[Index(k)];
    std::tie(merged.left, merged.right) =
        b.height >= a.height ? std::pair(first, second) : std::pair(second, first);
    merged.size = a.size + b.size;
    merged.height = a.nearestDistance;
    merged.active = true;
    a.parent = k;
    b.parent = k;
    a.active = false;
    b.active = false;

    for (int j = 0; j < k; ++j) {
      SampleOrderNode& node = mNodes[Index(j)];
      if (!node.active) continue;
      const float distance = (At(j, first) * a.size + At(j, second) * b.size) / (a.size + b.size);
      At(j, k) = distance;
      At(k, j) = distance;
      if (node.nearest != first && node.nearest != second && distance < node.nearestDistance) {
        node.nearest = k;
        node.nearestDistance = distance;
      }
    }
    // After the last merge the root stands alone and has no neighbour to find.
    const bool lastMerge = k == 2 * n - 2;
    if (!FindNearNeighbor(k, k + 1) && !lastMerge) {
      LogMessage(kNearNeighbourMessage, 0, kLogRed);
      return false;
    }
    for (int j = 0; j < k; ++j) {
      SampleOrderNode& node = mNodes[Index(j)];
      if (!node.active || (node.nearest != first && node.nearest != second)) continue;
      if (!FindNearNeighbor(j, k + 1)) {
        LogMessage(kNearNeighbourMessage, 0, kLogRed);
        return false;
      }
    }
    // Without a pump the Escape key would never get through.
    Progress().Pump();
    if (Progress().Stopped(kTreeStopMessage)) return false;
  }
  return true;
}

bool SampleOrderTree::AssignLeafPositions() {
  struct Range {
    int node;
    int start;
    int end;
  };
  std::vector<Range> pending{{Root(), 0, mItems - 1}};
  while (!pending.empty()) {
    const Range range = pending.back();
    pending.pop_back();
    SampleOrderNode& node = mNodes[Index(range.node)];
    if (range.node < mItems) {
      if (range.start != range.end) {
        LogMessage(MessageBuffer(kOrderRangeMessage, range.node), 0, kLogRed);
        LogMessage(kAssignOrderFailedMessage, 0, kLogRed);
        return false;
      }
      node.position = range.start;
      continue;
    }
    if (node.size != range.end - range.start + 1 || node.left < 0 || node.right < 0) {
      LogMessage(MessageBuffer(kOrderWeightMessage, range.node), 0, kLogRed);
      LogMessage(kAssignOrderFailedMessage, 0, kLogRed);
      return false;
    }
    const int leftSize = mNodes[Index(node.left)].size;
    pending.push_back({node.right, range.start + leftSize, range.end});
    pending.push_back({node.left, range.start, range.start + leftSize - 1});
  }
  return true;
}

std::vector<int> SampleOrderTree::LeafOrder() const {
  std::vector<int> order(Index(mItems), -1);
  for (int item = 0; item < mItems; ++item) {
    const int position = mNodes[Index(item)].position;
    if (position >= 0 && position < mItems) order[Index(position)] = item;
  }
  return order;
}

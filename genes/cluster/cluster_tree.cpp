// Building a clustering tree: neighbours, merges and the leaf order, and the walks over a
// finished tree.
#include "genes/cluster/cluster_tree.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "engine/base/missing_value.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_distance.hpp"
#include "genes/cluster/cluster_triangle.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

// Progress lines and pumping come every this many rows or nodes.
constexpr int kProgressStep = 20;

bool IsMissingDistance(float d) {
  return d == kMissingValueFloat;
}

// Whether distance a ranks before b: a missing distance ranks after every real one.
bool Closer(float a, float b) {
  if (IsMissingDistance(a)) return false;
  if (IsMissingDistance(b)) return true;
  return a < b;
}

// Whether node at distance d is a nearer neighbour than best at bestDistance: closer, or
// as close and numbered lower.
bool Nearer(float d, int node, float bestDistance, int best) {
  if (best < 0 || Closer(d, bestDistance)) return true;
  return !Closer(bestDistance, d) && node < best;
}

float AsStored(double d) {
  return IsMissing(d) ? kMissingValueFloat : static_cast<float>(d);
}

std::int16_t PeakIndex(const std::vector<double>& profile) {
  int peak = -1;
  for (std::size_t k = 0; k < profile.size(); ++k) {
    if (IsMissing(profile[k])) continue;
    if (peak < 0 || profile[k] > profile[static_cast<std::size_t>(peak)])
      peak = static_cast<int>(k);
  }
  return static_cast<std::int16_t>(std::max(peak, 0));
}

// Clears the running flag and frees the triangle and the prepared profiles however Run
// ends.
class RunScope {
 public:
  RunScope(std::unique_ptr<DistanceTriangle>& triangle, std::vector<CenteredProfile>& centred)
      : mTriangle(triangle), mCentred(centred) {}
  ~RunScope() {
    mTriangle.reset();
    mCentred.clear();
    mCentred.shrink_to_fit();
    Progress().SetRunning(false);
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  std::unique_ptr<DistanceTriangle>& mTriangle;
  std::vector<CenteredProfile>& mCentred;
};

}  // namespace

CLUSTER::CLUSTER(int items, int values, bool withoutValues)
    : n(items), m(values), nodeCount(items > 0 ? 2 * items - 1 : 0) {
  nodes.resize(static_cast<std::size_t>(nodeCount));
  for (CLUSTER_NODE& node : nodes) {
    node.profile.assign(static_cast<std::size_t>(m), MISSING_VALUE);
    if (!withoutValues) {
      node.values.assign(static_cast<std::size_t>(m), kMissingValueFloat);
      node.errors.assign(static_cast<std::size_t>(m), kMissingValueFloat);
    }
  }
}

CLUSTER::~CLUSTER() = default;

std::unique_ptr<CLUSTER> CLUSTER::Create(int n, int m, bool withoutValues) {
  if (n < 1 || m < 0) return nullptr;
  try {
    return std::make_unique<CLUSTER>(n, m, withoutValues);
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

void CLUSTER::TakeNonFiniteAsMissing() {
  int count = 0;
  for (int leaf = 0; leaf < n; ++leaf) {
    CLUSTER_NODE& node = Node(leaf);
    for (double& value : node.profile) {
      if (std::isfinite(value)) continue;
      value = MISSING_VALUE;
      ++count;
    }
    for (float& value : node.values)
      if (!std::isfinite(value)) value = kMissingValueFloat;
  }
  if (count > 0) LogMessage(MessageBuffer(kNonFiniteValuesMessage, count), 0, kLogRed);
}

void CLUSTER::StandardizeRows(bool geneRows) {
  static const std::vector<int> kWholeRow;
  for (int leaf = 0; leaf < n; ++leaf)
    StandardizeGeneRow(Node(leaf).profile.data(), m, geneRows ? options.blockStarts : kWholeRow,
                       geneRows ? options.referenceSample : -1);
}

double CLUSTER::Distance(int a, int b) {
  const ProfileDistance d =
      ProfileDistanceOf(Node(a).profile.data(), Node(b).profile.data(), m, options.distance);
  signFlag = d.positive;
  return d.distance;
}

float CLUSTER::StoredDistance(int a, int b) const {
  if (mTriangle) return mTriangle->Get(a, b);
  return NodeDistance(a, b);
}

// The distance of two nodes' profiles as the tree keeps it: one product when both are
// prepared, else the general routine over shared values.
float CLUSTER::NodeDistance(int a, int b) const {
  if (!mCentred.empty()) {
    const CenteredProfile& x = mCentred[static_cast<std::size_t>(a)];
    const CenteredProfile& y = mCentred[static_cast<std::size_t>(b)];
    if (!x.unit.empty() && !y.unit.empty()) {
      bool positive = false;
      return static_cast<float>(CenteredCorrelationDistance(x, y, m, options.distance, &positive));
    }
  }
  return AsStored(
      ProfileDistanceOf(Node(a).profile.data(), Node(b).profile.data(), m, options.distance)
          .distance);
}

void CLUSTER::CenterNode(int node) {
  if (!mCentred.empty())
    mCentred[static_cast<std::size_t>(node)] = CenterProfile(Node(node).profile.data(), m);
}

bool CLUSTER::FindNearNeighbor(int node, int count) {
  int best = -1;
  float bestDistance = kMissingValueFloat;
  if (mTriangle) {
    // Slot order is not node order, so ties are settled by the node number itself.
    mTriangle->ForEachOther(node, node, [&](int other, float d, float) {
      if (other < count && Nearer(d, other, bestDistance, best)) {
        best = other;
        bestDistance = d;
      }
    });
  } else {
    const int limit = std::min(count, nodeCount);
    for (int i = 0; i < limit; ++i) {
      if (i == node || !Node(i).active) continue;
      const float d = StoredDistance(node, i);
      if (best < 0 || Closer(d, bestDistance)) {
        best = i;
        bestDistance = d;
      }
    }
  }
  CLUSTER_NODE& self = Node(node);
  self.nearest = best;
  if (best < 0) return false;
  self.nearestDistance = bestDistance;
  return true;
}

bool CLUSTER::ComputeDistances() {
  JobProgress& progress = Progress();
  LogMessage("    Calculate distance");
  // Row j holds the distances of leaf j to every leaf below it.
  const auto fillRow = [&](int j) {
    float* row = mTriangle->SlotRow(j);
    for (int i = 0; i < j; ++i) row[i] = NodeDistance(i, j);
  };
  const int threads = options.threads > 0 ? options.threads : platform::WorkerThreadCount();
  for (int start = 0; start < n; start += kProgressStep) {
    const int rows = std::min(kProgressStep, n - start);
    platform::RunTasks(rows, threads, [&](int task, bool) { fillRow(start + task); });
    if (start > 0) progress.ShowProgress(MessageBuffer("    Calculate distance %d", start));
    progress.Pump();
    if (progress.Stopped(kTreeStopMessage)) return false;
  }
  return true;
}

bool CLUSTER::FindAllNeighbors() {
  JobProgress& progress = Progress();
  LogMessage("    Find nearest neighbor");
  if (mTriangle) {
    // One pass over the triangle in row order meets each leaf's candidates in index order
    // (its own row below it, then the rows above), as a search of every leaf would.
    for (int j = 0; j < n; ++j) {
      CLUSTER_NODE& self = Node(j);
      const float* row = mTriangle->SlotRow(j);
      for (int i = 0; i < j; ++i) {
        const float d = row[i];
        if (self.nearest < 0 || Closer(d, self.nearestDistance)) {
          self.nearest = i;
          self.nearestDistance = d;
        }
        CLUSTER_NODE& other = Node(i);
        if (other.nearest < 0 || Closer(d, other.nearestDistance)) {
          other.nearest = j;
          other.nearestDistance = d;
        }
      }
      if (j % kProgressStep == 0 && j > 0) {
        progress.ShowProgress(MessageBuffer("    Find nearest neighbor %d", j));
        progress.Pump();
        if (progress.Stopped(kTreeStopMessage)) return false;
      }
    }
  } else {
    for (int i = 0; i < n; ++i) {
      if (!FindNearNeighbor(i, n) && n > 1) {
        LogMessage(kNearNeighborFailedMessage, 0, kLogRed);
        return false;
      }
      if (i % kProgressStep == 0 && i > 0) {
        progress.ShowProgress(MessageBuffer("    Find nearest neighbor %d", i));
        progress.Pump();
        if (progress.Stopped(kTreeStopMessage)) return false;
      }
    }
  }
  return true;
}

void CLUSTER::MergeProfiles(int node) {
  CLUSTER_NODE& merged = Node(node);
  const CLUSTER_NODE& first = Node(merged.child1);
  const CLUSTER_NODE& second = Node(merged.child2);
  double sign = 1.0;
  if (options.distance == kDistanceAbsoluteCorrelation) {
    const double d = Distance(merged.child1, merged.child2);
    // Anti-correlated children are merged as mirror images of one another.
    if (!IsMissing(d) && !signFlag) sign = -1.0;
  }
  const double w1 = first.weight;
  const double w2 = second.weight;
  merged.weight = first.weight + second.weight;
  for (std::size_t k = 0; k < merged.profile.size(); ++k) {
    const double a = first.profile[k];
    const double b = second.profile[k];
    if (IsMissing(a) && IsMissing(b)) {
      merged.profile[k] = MISSING_VALUE;
    } else if (IsMissing(a)) {
      merged.profile[k] = sign * b;
    } else if (IsMissing(b)) {
      merged.profile[k] = a;
    } else {
      merged.profile[k] = (a * w1 + sign * b * w2) / (w1 + w2);
    }
  }
}

bool CLUSTER::MergeNode(int k) {
  if (options.linkage == kLinkageAverage && !mTriangle) {
    LogMessage(kAverageNeedsTriangleMessage, 0, kLogRed);
    return false;
  }
  // The closest pair: the active node with the closest stored neighbour. A node whose
  // neighbour has since merged keeps that distance, which bounds its true one from below
  // (its distances to the nodes that remain never change, and a new node nearer than
  // that became its neighbour), so it searches again only when it comes first, which
  // gives the pair that searching at once would; most such nodes never come first.
  int g = -1;
  for (;;) {
    g = -1;
    for (int i : mActive) {
      const CLUSTER_NODE& node = Node(i);
      if (node.nearest < 0) continue;
      if (g < 0 || Closer(node.nearestDistance, Node(g).nearestDistance)) g = i;
    }
    if (g < 0) {
      LogMessage(kNoClosestPairMessage, 0, kLogRed);
      return false;
    }
    if (Node(Node(g).nearest).active) break;
    if (!FindNearNeighbor(g, k)) {
      LogMessage(kNearNeighborFailedMessage, 0, kLogRed);
      return false;
    }
  }
  const int f = Node(g).nearest;
  const float mergeDistance = Node(g).nearestDistance;

  CLUSTER_NODE& merged = Node(k);
  bool fFirst = false;
  if (options.ordering == kOrderByPeakingTime) {
    Node(f).peak = PeakIndex(Node(f).profile);
    Node(g).peak = PeakIndex(Node(g).profile);
    fFirst = Node(f).peak < Node(g).peak;
  } else {
    fFirst = Node(g).height > Node(f).height;
  }
  merged.child1 = fFirst ? f : g;
  merged.child2 = fFirst ? g : f;
  merged.parent = -1;
  merged.item = -1;
  MergeProfiles(k);
  CenterNode(k);

  merged.active = true;
  // A pair merged without a distance sits at the highest merge so far.
  const float distance = IsMissingDistance(mergeDistance) ? mHighestHeight : mergeDistance;
  merged.height = std::max({Node(f).height, Node(g).height, distance});
  mHighestHeight = std::max(mHighestHeight, merged.height);
  Node(f).parent = k;
  Node(g).parent = k;
  Node(f).active = false;
  Node(g).active = false;
  mActive.erase(
      std::remove_if(mActive.begin(), mActive.end(), [&](int i) { return i == f || i == g; }),
      mActive.end());

  // Distances of the new node, and the nodes it is strictly nearer to than their stored
  // neighbour (on a tie the older, lower-numbered neighbour stays). One whose neighbour
  // was f or g and is not nearer to k keeps its old distance as a lower bound.
  const double wf = Node(f).weight;
  const double wg = Node(g).weight;
  int nearest = -1;
  float nearestDistance = kMissingValueFloat;
  const auto update = [&](int j, float d) {
    CLUSTER_NODE& other = Node(j);
    if (Closer(d, other.nearestDistance)) {
      other.nearest = k;
      other.nearestDistance = d;
    }
    if (Nearer(d, j, nearestDistance, nearest)) {
      nearest = j;
      nearestDistance = d;
    }
  };
  if (mTriangle && options.linkage != kLinkageAverage) {
    // The distances come from k's profile alone, so g's column is not walked at all.
    mTriangle->TakeSlot(k, f);
    mTriangle->Release(g);
    mTriangle->ForEachOther(k, k, [&](int j, float& entry, float) {
      entry = NodeDistance(j, k);
      update(j, entry);
    });
  } else if (mTriangle) {
    mTriangle->TakeSlot(k, f);
    // entry is j's distance to f, which becomes its distance to k.
    mTriangle->ForEachOther(k, g, [&](int j, float& entry, float dg) {
      const float df = entry;
      float d = 0.0f;
      if (IsMissingDistance(df)) {
        d = dg;
      } else if (IsMissingDistance(dg)) {
        d = df;
      } else {
        d = static_cast<float>((static_cast<double>(df) * wf + static_cast<double>(dg) * wg) /
                               (wf + wg));
      }
      entry = d;
      update(j, d);
    });
    mTriangle->Release(g);
  } else {
    for (int j : mActive) update(j, NodeDistance(j, k));
  }
  // Neither child is looked at again.
  if (!mCentred.empty()) {
    mCentred[static_cast<std::size_t>(f)] = {};
    mCentred[static_cast<std::size_t>(g)] = {};
  }
  merged.nearest = nearest;
  merged.nearestDistance = nearestDistance;
  mActive.push_back(k);

  if (Progress().StopRequested()) {
    LogMessage(kTreeStopMessage, 0, kLogRed);
    return false;
  }
  return true;
}

bool CLUSTER::Run(bool geneTree) {
  RunScope scope(mTriangle, mCentred);
  if (options.storeDistance) {
    mTriangle = DistanceTriangle::Allocate(n);
    if (!mTriangle) {
      LogMessage(kTriangleMemoryMessage, 0, kLogRed);
      return false;
    }
  }
  JobProgress& progress = Progress();
  progress.SetRunning(true);
  // A NaN would poison its row's standardisation and every distance it enters.
  TakeNonFiniteAsMissing();
  if (geneTree && options.standardizeRows) StandardizeRows(true);
  if (!geneTree && options.standardizeColumns) StandardizeRows(false);

  mActive.clear();
  mActive.reserve(static_cast<std::size_t>(n));
  mHighestHeight = 0.0f;
  for (int i = 0; i < nodeCount; ++i) {
    CLUSTER_NODE& node = Node(i);
    node.active = i < n;
    node.parent = -1;
    node.nearest = -1;
    node.nearestDistance = kMissingValueFloat;
    if (i < n) {
      node.weight = 1;
      node.height = 0.0f;
      node.child1 = -1;
      node.child2 = -1;
      mActive.push_back(i);
    }
  }
  mCentred.clear();
  if (options.distance == kDistanceCorrelation ||
      options.distance == kDistanceAbsoluteCorrelation) {
    mCentred.resize(static_cast<std::size_t>(nodeCount));
    for (int i = 0; i < n; ++i) CenterNode(i);
  }
  if (mTriangle && !ComputeDistances()) return false;
  if (!FindAllNeighbors()) return false;

  LogMessage("    Merge node");
  for (int k = n; k < nodeCount; ++k) {
    if (!MergeNode(k)) return false;
    if (k % kProgressStep == 0) {
      progress.ShowProgress(MessageBuffer("    Merge node %d", k - n));
      progress.Pump();
      if (progress.Stopped()) return false;
    }
  }
  progress.ShowProgress(MessageBuffer("    Merge node %d", nodeCount - n));
  return OrderLeaves();
}

bool CLUSTER::OrderLeaves() {
  struct Span {
    int node;
    int first;
    int last;
  };
  std::vector<Span> pending{{Root(), 0, n - 1}};
  bool ok = true;
  // Links come from files too, so a walk that meets a node twice is stopped.
  std::size_t visits = 0;
  while (!pending.empty() && ok) {
    const Span span = pending.back();
    pending.pop_back();
    if (!ValidNode(span.node) || ++visits > static_cast<std::size_t>(nodeCount)) {
      ok = false;
      break;
    }
    CLUSTER_NODE& node = Node(span.node);
    if (span.node < n) {
      if (span.first != span.last || span.first < 0 || span.first >= n) {
        LogMessage(MessageBuffer(kOrderRangeMessage, span.node), 0, kLogRed);
        ok = false;
        break;
      }
      node.position = static_cast<float>(span.first) + 0.5f;
      Node(span.first).rowNode = span.node;
      continue;
    }
    if (node.weight != span.last - span.first + 1 || !ValidNode(node.child1) ||
        !ValidNode(node.child2)) {
      LogMessage(MessageBuffer(kOrderWeightMessage, span.node), 0, kLogRed);
      ok = false;
      break;
    }
    const int split = span.first + Node(node.child1).weight;
    pending.push_back({node.child2, split, span.last});
    pending.push_back({node.child1, span.first, split - 1});
  }
  if (!ok) {
    LogMessage(kAssignOrderFailedMessage, 0, kLogRed);
    return false;
  }
  for (int k = n; k < nodeCount; ++k) {
    CLUSTER_NODE& node = Node(k);
    node.position = (Node(node.child1).position + Node(node.child2).position) / 2.0f;
  }
  return true;
}

void CLUSTER::GetChildNode(int node, bool leaves) {
  std::vector<int> pending{node};
  while (!pending.empty()) {
    const int current = pending.back();
    pending.pop_back();
    if (!ValidNode(current)) continue;
    const bool isLeaf = current < n;
    if (isLeaf == leaves) {
      if (leafListCount >= nodeCount) {
        LogMessage(kChildNodeOverflowMessage, 0, kLogRed);
        return;
      }
      Node(leafListCount++).leafListSlot = current;
    }
    if (isLeaf) continue;
    pending.push_back(Node(current).child2);
    pending.push_back(Node(current).child1);
  }
}

void CLUSTER::BranchEnds(int node, int* first, int* last) const {
  int low = node;
  int high = node;
  while (ValidNode(low) && low >= n) low = Node(low).child1;
  while (ValidNode(high) && high >= n) high = Node(high).child2;
  *first = ValidNode(low) ? static_cast<int>(Node(low).position) : -1;
  *last = ValidNode(high) ? static_cast<int>(Node(high).position) : -1;
}

void CLUSTER::FlipBranch(int node) {
  if (!ValidNode(node) || node < n) return;
  std::swap(Node(node).child1, Node(node).child2);
}

void CLUSTER::BranchSpread(int node) {
  CLUSTER_NODE& branch = Node(node);
  if (branch.errors.empty()) return;
  const int saved = leafListCount;
  leafListCount = 0;
  GetChildNode(node, true);
  const int leaves = leafListCount;
  std::vector<double> column(static_cast<std::size_t>(leaves));
  for (int k = 0; k < m; ++k) {
    for (int i = 0; i < leaves; ++i)
      column[static_cast<std::size_t>(i)] =
          Node(LeafListEntry(i)).profile[static_cast<std::size_t>(k)];
    const double mean = MeanMissing(column.data(), leaves);
    const double spread =
        IsMissing(mean) ? MISSING_VALUE : StdDevMissing(column.data(), mean, leaves, false);
    branch.errors[static_cast<std::size_t>(k)] =
        IsMissing(spread) ? kMissingValueFloat : static_cast<float>(spread);
  }
  leafListCount = saved;
}

int CLUSTER::NearestNode(int x, int y) const {
  int best = -1;
  int bestDistance = 10000;
  for (int i = 0; i < nodeCount; ++i) {
    const CLUSTER_NODE& node = Node(i);
    const int d = std::abs(node.screenX - x) + std::abs(node.screenY - y);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

bool CLUSTER::SetBranchColor(int node, COLORREF colour) {
  if (coloredCount >= kMaxColoredBranches) return false;
  coloredNodes[static_cast<std::size_t>(coloredCount)] = node;
  coloredColors[static_cast<std::size_t>(coloredCount)] = colour;
  ++coloredCount;
  return true;
}

void CLUSTER::ClearMarks() {
  for (CLUSTER_NODE& node : nodes) {
    node.mark = 0;
    node.markedCount = 0;
    node.support = 0;
  }
  markedTotal = 0;
  currentNode = -1;
  bestNode = -1;
}

// Resampling a selected gene branch: the values perturbed by their standard errors, the
// trees run again, and support counted for the branch that best matches the selection.
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/numerics/polar_normal.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

std::uint64_t Mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// Normal deviates of one gene in one round. The process-wide generator is one stream for
// all callers, so genes drawn on several threads would take each other's deviates; each
// gene draws from its own stream instead, fixed by the seed, the round and the gene.
class DeviateStream {
 public:
  DeviateStream(std::uint64_t seed, std::uint64_t round, std::uint64_t gene)
      : mState(Mix(Mix(Mix(seed) + round) + gene)) {}

  // Polar Box-Muller; the pair's second deviate serves the next call.
  double Normal() {
    if (mHasSpare) {
      mHasSpare = false;
      return mSpare;
    }
    const NormalPair pair = PolarNormalPair([this] { return Uniform(); });
    mSpare = pair.second;
    mHasSpare = true;
    return pair.first;
  }

 private:
  double Uniform() {
    mState += 0x9e3779b97f4a7c15ULL;
    return static_cast<double>(Mix(mState) >> 11) * 0x1.0p-53;
  }

  std::uint64_t mState;
  double mSpare = 0.0;
  bool mHasSpare = false;
};

// A standard error that cannot spread a value (missing, negative, not a number) leaves it.
double UsableError(float se) {
  if (se == kMissingValueFloat || !std::isfinite(se) || se <= 0.0f) return 0.0;
  return se;
}

}  // namespace

void CLUSTER::SetResampleSeed(std::uint64_t seed) {
  mResampleSeed = seed;
  mResampleRound = 0;
}

void CLUSTER::CountSupport() {
  for (CLUSTER_NODE& node : nodes) node.markedCount = 0;
  int total = 0;
  for (int leaf = 0; leaf < n; ++leaf) {
    if (Node(leaf).mark != kSelectedBranchMark) continue;
    ++total;
    // Links may come from a tree file, so a walk longer than the tree ends.
    int steps = 0;
    for (int p = Node(leaf).parent; ValidNode(p) && steps < nodeCount; p = Node(p).parent, ++steps)
      ++Node(p).markedCount;
  }
  markedTotal = total;
  bestNode = -1;
  if (total == 0) return;

  for (int k = n; k < nodeCount; ++k) {
    const CLUSTER_NODE& node = Node(k);
    const std::int64_t count = node.markedCount;
    if (count * kBestMatchShareOf <= std::int64_t{total} * kBestMatchShareAbove) continue;
    if (bestNode < 0) {
      bestNode = k;
      continue;
    }
    const CLUSTER_NODE& best = Node(bestNode);
    // count / weight against best's, without rounding.
    const std::int64_t purer = count * best.weight;
    const std::int64_t bestPurity = std::int64_t{best.markedCount} * node.weight;
    if (purer > bestPurity || (purer == bestPurity && count > best.markedCount)) bestNode = k;
  }
  if (bestNode < 0) return;

  std::vector<int> pending{bestNode};
  int visits = 0;
  while (!pending.empty() && visits++ < nodeCount) {
    const int current = pending.back();
    pending.pop_back();
    if (!ValidNode(current)) continue;
    if (current < n) {
      ++Node(current).support;
      continue;
    }
    pending.push_back(Node(current).child1);
    pending.push_back(Node(current).child2);
  }
}

bool CLUSTER::Resample(bool restore) {
  CLUSTER* samples = this == GeneTree() ? SampleTree() : nullptr;
  if (restore) {
    RestoreOriginal(samples);
    return true;
  }
  if (n < 1 || Node(0).values.empty()) return false;
  try {
    if (mOriginal.empty()) {
      std::vector<CLUSTER_NODE> genesKept(nodes);
      std::vector<CLUSTER_NODE> samplesKept;
      if (samples != nullptr) samplesKept = samples->nodes;
      mOriginal.swap(genesKept);
      if (samples != nullptr) samples->mOriginal.swap(samplesKept);
    }
    if (PerturbedRound(samples)) return true;
  } catch (const std::bad_alloc&) {
    // Falls through to the unperturbed trees.
  }
  RestoreOriginal(samples);
  return false;
}

bool CLUSTER::PerturbedRound(CLUSTER* samples) {
  const std::uint64_t round = mResampleRound++;
  // The drawn values, gene by gene: the sample tree's profiles take them as they are
  // when its columns are standardised, as they take the raw values otherwise.
  std::vector<double> drawn(static_cast<std::size_t>(n) * static_cast<std::size_t>(m));
  const int threads = options.threads > 0 ? options.threads : platform::WorkerThreadCount();
  platform::RunTasks(n, threads, [&](int gene, bool) {
    DeviateStream stream(mResampleSeed, round, static_cast<std::uint64_t>(gene));
    CLUSTER_NODE& leaf = Node(gene);
    double* row = drawn.data() + static_cast<std::size_t>(gene) * static_cast<std::size_t>(m);
    for (int j = 0; j < m; ++j) {
      const auto k = static_cast<std::size_t>(j);
      const float value = leaf.values[k];
      if (value == kMissingValueFloat) {
        row[j] = MISSING_VALUE;
      } else {
        const double deviate = stream.Normal();
        row[j] = value + UsableError(leaf.errors[k]) * deviate;
      }
      leaf.profile[k] = row[j];
    }
  });

  if (options.clusterGenes) {
    if (!Run(true)) return false;
  } else if (options.standardizeRows) {
    StandardizeRows(true);
  }
  // Support is counted once both trees stand, so a failed round counts nothing.
  const bool withSamples = samples != nullptr && options.clusterSamples;
  if (withSamples && !RunSampleRound(*samples, drawn)) return false;
  if (options.clusterGenes) CountSupport();
  if (withSamples) samples->CountSupport();
  return true;
}

bool CLUSTER::RunSampleRound(CLUSTER& samples, const std::vector<double>& drawn) {
  const bool raw = samples.options.standardizeColumns;
  for (int i = 0; i < samples.ItemCount() && i < m; ++i) {
    CLUSTER_NODE& sample = samples.Node(i);
    for (int j = 0; j < samples.ValueCount() && j < n; ++j) {
      const std::size_t at =
          static_cast<std::size_t>(j) * static_cast<std::size_t>(m) + static_cast<std::size_t>(i);
      sample.profile[static_cast<std::size_t>(j)] =
          raw ? drawn[at] : Node(j).profile[static_cast<std::size_t>(i)];
    }
  }
  return samples.Run(false);
}

void CLUSTER::RestoreOriginal(CLUSTER* samples) {
  for (CLUSTER* tree : {this, samples}) {
    if (tree == nullptr || tree->mOriginal.size() != tree->nodes.size()) continue;
    // The marks, support and leaf list belong to the view, not to the perturbed tree.
    for (std::size_t k = 0; k < tree->nodes.size(); ++k) {
      const CLUSTER_NODE& now = tree->nodes[k];
      CLUSTER_NODE& was = tree->mOriginal[k];
      was.mark = now.mark;
      was.support = now.support;
      was.leafListSlot = now.leafListSlot;
    }
    tree->nodes.swap(tree->mOriginal);
    tree->mOriginal.clear();
    tree->bestNode = -1;
  }
}

// Resampling a selected branch: 1,000 genes of planted clusters over 100 samples with
// their standard errors, clustered with the default choices, then 100 perturbed rounds
// (each one new gene tree and its support count) and the restore, on one thread (arg 1)
// and on all cores (arg 0). The selection is one planted cluster's branch.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_support.hpp"
#include "engine/base/missing_value.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

constexpr int kRounds = 100;

std::unique_ptr<CLUSTER> ClusteredGenes(const synth::PlantedClusterTruth& truth, int threads) {
  auto tree = CLUSTER::Create(truth.GeneCount(), truth.samples, false);
  tree->options = ClusterOptions{};
  tree->options.threads = threads;
  for (int g = 0; g < truth.GeneCount(); ++g) {
    CLUSTER_NODE& leaf = tree->Node(g);
    const auto gene = static_cast<std::size_t>(g);
    leaf.profile = truth.values[gene];
    for (int j = 0; j < truth.samples; ++j) {
      const auto k = static_cast<std::size_t>(j);
      leaf.values[k] = static_cast<float>(truth.values[gene][k]);
      leaf.errors[k] = static_cast<float>(truth.errors[gene][k]);
    }
  }
  if (!tree->Run(true)) return nullptr;
  // The smallest branch above gene 0 that holds at least its cluster's number of genes.
  const int clusterSize = truth.GeneCount() / 20;
  int branch = tree->Node(0).parent;
  while (tree->Node(branch).weight < clusterSize && tree->Node(branch).parent >= 0)
    branch = tree->Node(branch).parent;
  tree->currentNode = branch;
  std::vector<int> pending{branch};
  while (!pending.empty()) {
    const int k = pending.back();
    pending.pop_back();
    if (k < tree->ItemCount()) {
      tree->Node(k).mark = kSelectedBranchMark;
      continue;
    }
    pending.push_back(tree->Node(k).child1);
    pending.push_back(tree->Node(k).child2);
  }
  return tree;
}

void BM_ClusterResampling(benchmark::State& state) {
  bench::SilenceLog();
  const int threads = static_cast<int>(state.range(0));
  synth::PlantedClusterOptions planted;
  planted.clusters = 20;
  planted.genesPerCluster = 50;
  planted.samples = 100;
  planted.noise = 0.5;
  const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(planted);
  double support = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tree = ClusteredGenes(truth, threads);
    if (!tree) {
      state.SkipWithError("the clustering failed");
      break;
    }
    tree->SetResampleSeed(7);
    state.ResumeTiming();
    for (int round = 0; round < kRounds; ++round) {
      if (!tree->Resample(false)) {
        state.SkipWithError("a round failed");
        break;
      }
    }
    if (!tree->Resample(true)) state.SkipWithError("the restore failed");
    state.PauseTiming();
    support = 0.0;
    for (int leaf = 0; leaf < tree->ItemCount(); ++leaf) support += tree->Node(leaf).support;
    tree.reset();
    state.ResumeTiming();
  }
  state.counters["threads"] = threads > 0 ? threads : platform::WorkerThreadCount();
  // The same on any number of threads (the test suite checks that).
  state.counters["support_total"] = support;
}

}  // namespace

BENCHMARK(BM_ClusterResampling)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);

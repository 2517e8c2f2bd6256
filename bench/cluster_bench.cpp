// Clustering genes of planted clusters with the default choices (1 - r, centroid
// linkage, rows standardised, the triangle kept), and with average linkage instead, on
// one thread: the time, and the memory the run adds to the profiles it starts from
// (peak_bytes), counted by this program's own allocation functions.
#include <benchmark/benchmark.h>

#include "bench/counted_allocation.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "genes/cluster/cluster_triangle.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

// The log lines of a run are not what is measured.
class QuietSink final : public LogSink {
 public:
  void AddText(std::string_view, bool, COLORREF) override {}
};

void ClusterGenes(benchmark::State& state, int linkage) {
  synth::PlantedClusterOptions planted;
  planted.clusters = 50;
  planted.genesPerCluster = static_cast<int>(state.range(0)) / planted.clusters;
  planted.samples = 100;
  planted.noise = 1.0;
  planted.missingPercent = 0;
  const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(planted);
  QuietSink quiet;
  LogSink* previous = SetLogSink(&quiet);
  std::size_t added = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tree = CLUSTER::Create(truth.GeneCount(), truth.samples, false);
    tree->options = ClusterOptions{};
    tree->options.linkage = linkage;
    tree->options.threads = 1;
    for (int g = 0; g < truth.GeneCount(); ++g)
      tree->Node(g).profile = truth.values[static_cast<std::size_t>(g)];
    const std::size_t before = bench::StartPeak();
    state.ResumeTiming();
    if (!tree->Run(true)) state.SkipWithError("the clustering failed");
    state.PauseTiming();
    added = bench::gPeak.load() - before;
    tree.reset();
    state.ResumeTiming();
  }
  SetLogSink(previous);
  state.counters["peak_bytes"] = static_cast<double>(added);
  state.counters["triangle_bytes"] = static_cast<double>(TriangleBytes(truth.GeneCount()));
}

void BM_ClusterGenes(benchmark::State& state) {
  ClusterGenes(state, ClusterOptions{}.linkage);
}

void BM_ClusterGenesAverage(benchmark::State& state) {
  ClusterGenes(state, kLinkageAverage);
}

}  // namespace

// 5,000 genes is the target's size (2 s with the default choices); 20,000 must run within
// 3 GB.
BENCHMARK(BM_ClusterGenes)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ClusterGenesAverage)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The ANOVA filter on a reference group: 22,000 genes of 100 samples (one array each) in
// the 4 x 2 cells of two factors, tested for their interaction, the table written.
// Target: at most 200 ms on one thread, and close to linear on more. Argument: threads
// (0 for all).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genes/filter/factor_filter.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/synth/factor_data.hpp"
#include "tools/synth/genome_files.hpp"

namespace {

constexpr int kGenes = 22000;

struct ReferenceGroup {
  bench::ScratchGroup folder{"anova"};

  ReferenceGroup() {
    synth::FactorDataOptions options;
    options.seed = 7;
    options.cellSamples = {13, 12};
    options.genesPerEffect = {kGenes - 1500, 500, 500, 500};
    options.missingPercent = 1;
    const synth::FactorData data = synth::MakeFactorData(options);
    bench::AddSampleArrays(
        data.samples, kGenes, "s",
        [&data](std::size_t sample, std::size_t gene) {
          return VALUE_TRIPLE{data.values[sample][gene], 0.0f,
                              data.missing[sample][gene] ? kArrayOutlierWord : 0};
        },
        [](std::size_t, ArraySlot&) {});
    Group& group = TheGroup();
    group.Modelled = true;
    GroupSettings& settings = group.Settings();
    settings.ALLOW_MISSING = 1;
    settings.ARRAY_LIST_FILE = "";
    settings.CONSIDER_ERROR = 0;
    settings.ANOVA_FACTOR = "Treatment, Batch";
    settings.ANOVA_PVALUE = 0.001;
    SampleGrouping.SetDefaultGrouping();
    const std::string info = folder.File("info.txt");
    if (!synth::WriteText(info, data.SampleInfoText("s"))) std::abort();
    if (!SampleInfo.ReadSampleInfoFile(info)) std::abort();
  }
};

void BM_AnovaFilter(benchmark::State& state) {
  ReferenceGroup& reference = bench::Shared<ReferenceGroup>();
  platform::LimitWorkerThreads(static_cast<int>(state.range(0)));
  const int threads = platform::WorkerThreadCount();
  const std::string path = reference.folder.File("anova.xls");
  for (auto _ : state)
    if (!FilterGenesByFactor(path)) std::abort();
  platform::LimitWorkerThreads(0);
  state.counters["genes_per_s"] =
      benchmark::Counter(kGenes, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["threads"] = threads;
}
BENCHMARK(BM_AnovaFilter)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

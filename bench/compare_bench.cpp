// Compare Samples on a reference group: 22,000 genes of 100 samples (one array each),
// two comparisons of 50 against 50 samples with the t test and the fold change joined
// by "or", the result file written and 100 rounds of permuted labels. Target: the whole
// run (1 + 100 label sets) under 2 s on one thread. Argument: threads (0 for all).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genes/compare/compare_samples.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/runtime_rand.hpp"
#include "tools/synth/compare_data.hpp"

namespace {

constexpr int kGenes = 22000;
constexpr int kSide = 50;
constexpr int kRounds = 100;

struct ReferenceGroup {
  bench::ScratchGroup folder{"compare"};
  COMPARE_CRITERIA criteria;

  ReferenceGroup() {
    synth::CompareDataOptions options;
    options.seed = 3;
    options.baselineSamples = options.experimentSamples = kSide;
    // A tenth of the genes planted, the rest noise.
    options.genesPerKind = {400, 400, 400, 400, 400, 200, kGenes - 2200};
    const synth::CompareData data = synth::MakeCompareData(options);
    bench::AddSampleArrays(
        data.samples, kGenes, "s",
        [&data](std::size_t sample, std::size_t gene) {
          return VALUE_TRIPLE{data.values[sample][gene], data.stdErrs[sample][gene], 0};
        },
        [&data](std::size_t sample, ArraySlot& slot) { slot.calls = data.calls[sample]; });
    Group& group = TheGroup();
    group.Modelled = group.HasCalls = group.HasStdErrors = true;
    group.Settings().ARRAY_LIST_FILE = "";
    group.Settings().FILTER_INPUT_LIST = "None";
    // Plain means: the replicate-weighted mean perturbs every set 20 times over.
    group.Settings().CONSIDER_ERROR = 0;
    SampleGrouping.SetDefaultGrouping();

    // The generator's halves, and the even samples against the odd ones.
    COMPARE_CRITERION halves;
    COMPARE_CRITERION alternate;
    for (int s = 0; s < 2 * kSide; ++s) {
      (s < kSide ? halves.baseline : halves.experiment).push_back(s);
      (s % 2 == 0 ? alternate.baseline : alternate.experiment).push_back(s);
    }
    for (COMPARE_CRITERION* c : {&halves, &alternate}) {
      c->usePvalue = 1;
      c->useEminusB = c->useBminusE = 0;
      c->UpdateShowStdErr();
    }
    alternate.combine = kCombineOr;
    criteria.entries[0] = halves;
    criteria.entries[1] = alternate;
    criteria.count = 2;
    criteria.PermuteSamples = 1;
    criteria.PermutationCount = kRounds;
  }
};

void BM_CompareSamples(benchmark::State& state) {
  ReferenceGroup& reference = bench::Shared<ReferenceGroup>();
  platform::LimitWorkerThreads(static_cast<int>(state.range(0)));
  CompareSamplesInputs inputs = CompareInputsFromSettings(reference.criteria);
  inputs.resultPath = reference.folder.File("compare result.xls");
  const int threads = platform::WorkerThreadCount();
  int found = 0;
  for (auto _ : state) {
    platform::SeedRand(1);
    COMPARE_CRITERIA criteria = reference.criteria;
    if (!RunCompareSamples(criteria, inputs)) std::abort();
    found = criteria.genesObtained;
  }
  platform::LimitWorkerThreads(0);
  state.counters["gene_tests_per_s"] = benchmark::Counter(
      2.0 * kGenes * (1 + kRounds), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["genes_found"] = found;
  state.counters["threads"] = threads;
}
BENCHMARK(BM_CompareSamples)
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false);

}  // namespace

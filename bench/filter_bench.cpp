// Filter Genes on a reference group: 22,000 genes of 100 samples in 4 sample groups,
// each sample of two replicate arrays, with all four filters on at the generator's
// bounds. Target: at most 50 ms on one thread. Arguments: 1 writes the filtered gene list
// file as well, 0 filters only; then 0 for the generator's variation bound, which most
// genes fail, or 1 for a lower bound of 0, so that every gene meets every criterion.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/bench_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genes/filter/filter_genes.hpp"
#include "tools/synth/filter_data.hpp"
#include "tools/synth/genome_files.hpp"

namespace {

constexpr int kGenes = 22000;

struct ReferenceGroup {
  bench::ScratchGroup folder{"filter"};

  ReferenceGroup() {
    synth::FilterDataOptions options;
    options.seed = 5;
    options.groups = 4;
    options.samplesPerGroup = 25;
    options.replicates = 2;
    // A tenth of the genes planted, the rest noise.
    options.genesPerKind = {440, 440, 440, 440, 440, kGenes - 2200};
    const synth::FilterData data = synth::MakeFilterData(options);
    bench::AddSampleArrays(
        data.Arrays(), kGenes, "a",
        [&data](std::size_t array, std::size_t gene) {
          const float v = data.values[array][gene];
          return VALUE_TRIPLE{v, 0.05f * v, 0};
        },
        [&data](std::size_t array, ArraySlot& slot) { slot.calls = data.calls[array]; });
    Group& group = TheGroup();
    group.Modelled = group.HasCalls = group.HasStdErrors = true;
    GroupSettings& s = group.Settings();
    s.ARRAY_LIST_FILE = folder.File("arrays.txt");
    if (!synth::WriteText(s.ARRAY_LIST_FILE, data.ArrayListText())) std::abort();
    SampleGrouping.ReadArrayListFile(s.ARRAY_LIST_FILE);
    using B = synth::FilterBounds;
    s.USE_CV_FILTER = s.USE_CALL_FILTER = s.USE_REP_FILTER = s.USE_EXPR_FILTER = 1;
    s.FILTER_VAR_METHOD = 0;
    s.USE_STD_SEP = 0;
    s.CV_LOWER = B::kVariationLower;
    s.CV_UPPER = B::kVariationUpper;
    s.FILTER_PRESENCE = B::kPresencePercent;
    s.REP_FILTER_LOW = B::kReplicateLower;
    s.REP_FILTER_HIGH = B::kReplicateUpper;
    s.EXPR_FILTER_VALUE = B::kExpressionLevel;
    s.EXPR_FILTER_PCT = B::kExpressionPercent;
    s.FILTER_INPUT_LIST = "None";
    s.OMIT_VOSK = 1;
  }
};

void BM_FilterGenes(benchmark::State& state) {
  ReferenceGroup& reference = bench::Shared<ReferenceGroup>();
  GroupSettings& s = TheGroup().Settings();
  s.FILTER_OUTPUT_LIST =
      state.range(0) != 0 ? reference.folder.File("filtered gene.xls") : std::string();
  s.CV_LOWER = state.range(1) != 0 ? 0.0 : synth::FilterBounds::kVariationLower;
  for (auto _ : state)
    if (!FilterGenes()) std::abort();
  state.counters["genes_kept"] = GeneList.NumInteresting;
  state.counters["values_per_s"] =
      benchmark::Counter(2.0 * 100 * kGenes, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FilterGenes)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

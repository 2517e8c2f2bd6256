// Gene stretches: a list of 2,000 genes on a 30,000-gene genome of 24 chromosomes, every
// chromosome assessed on one thread (the assessment of Analysis/Genome).
#include <benchmark/benchmark.h>

#include "bench/bench_support.hpp"
#include "bench/stretch_genome.hpp"
#include "genome/stretch/gene_stretch.hpp"
#include "tools/synth/gene_stretch_data.hpp"

namespace {

void BM_GeneStretches(benchmark::State& state) {
  bench::SilenceLog();
  synth::StretchGenomeOptions options;
  options.planted = 12;
  bench::InstallStretchGenome(synth::MakeStretchGenome(options));
  for (auto _ : state) {
    benchmark::DoNotOptimize(GetAllChroPValue(0.01));
    benchmark::DoNotOptimize(gene_stretches.stretchCount);
  }
  state.counters["assessments"] = gene_stretches.assessmentCount;
  state.counters["stretches"] = gene_stretches.stretchCount;
}
BENCHMARK(BM_GeneStretches)->Unit(benchmark::kMillisecond);

}  // namespace

// Gene stretches: a list of 2,000 genes on a 30,000-gene genome of 24 chromosomes, every
// chromosome assessed on one thread (the assessment of Analysis/Genome).
#include <benchmark/benchmark.h>

#include "bench/bench_support.hpp"
#include "engine/group/gene_list.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/stretch/gene_stretch.hpp"
#include "tools/synth/gene_stretch_data.hpp"

namespace {

void InstallStretchGenome(const synth::StretchGenome& genome) {
  const int count = static_cast<int>(genome.chro.size());
  bench::NameProbeSets(count);
  genome_info.Clear();
  genome_info.Unit.assign(static_cast<std::size_t>(count), UNIT_POS{});
  GeneList = GENE_LIST{};
  GeneList.FitLayout();
  genome_info.NumChro = static_cast<int>(genome.lengths.size());
  for (int g = 0; g < count; ++g) {
    const auto i = static_cast<std::size_t>(g);
    UNIT_POS& unit = genome_info.Unit[i];
    unit.chro = static_cast<std::int16_t>(genome.chro[i]);
    unit.pos = static_cast<float>(genome.pos[i]);
    unit.strand = genome.strand[i];
    GeneList.SetListed(g, genome.listed[i]);
  }
  genome_info.ComputeChroLengths();
}

void BM_GeneStretches(benchmark::State& state) {
  bench::SilenceLog();
  synth::StretchGenomeOptions options;
  options.planted = 12;
  InstallStretchGenome(synth::MakeStretchGenome(options));
  for (auto _ : state) {
    benchmark::DoNotOptimize(GetAllChroPValue(0.01));
    benchmark::DoNotOptimize(gene_stretches.stretchCount);
  }
  state.counters["assessments"] = gene_stretches.assessmentCount;
  state.counters["stretches"] = gene_stretches.stretchCount;
}
BENCHMARK(BM_GeneStretches)->Unit(benchmark::kMillisecond);

}  // namespace

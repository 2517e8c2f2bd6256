// Allele sharing on 20 single samples (all 190 pairs) over 50,000 SNP markers on 22
// chromosomes, on one thread: the four-state forward-backward of every pair along every
// chromosome, as the Allele sharing method runs it.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/allele_sharing.hpp"
#include "genome/info/genome_info.hpp"
#include "tools/synth/genome_sharing.hpp"

namespace {

constexpr int kPairs = 10;  // siblings, drawn pair by pair
constexpr int kMarkers = 50000;
constexpr int kChromosomes = 22;

void BM_AlleleSharing(benchmark::State& state) {
  bench::ScratchGroup folder("allele_sharing");
  ArrayType = 1;
  for (int i = 0; i < 2 * kPairs; ++i) {
    bench::AddArray("s" + std::to_string(i + 1), [](ArraySlot&) {});
  }
  SampleGrouping.SetDefaultGrouping();
  GroupSettings& settings = TheGroup().Settings();
  settings.SNP_ERROR_RATE = 0.01;
  settings.HMM_LENGTH = 10000;
  genome_info.Unit.assign(kMarkers, UNIT_POS{});
  const int perChromosome = kMarkers / kChromosomes + 1;
  for (int i = 0; i < kMarkers; ++i) {
    UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(i)];
    unit.chro = static_cast<std::int16_t>(i / perChromosome);
    unit.pos = 1000.0f + 60000.0f * static_cast<float>(i % perChromosome);
    genome_info.posList[static_cast<std::size_t>(unit.chro)].push_back({unit.pos, i});
  }
  genome_info.NumChro = kChromosomes;
  if (!chromosome.Allocate(2 * kPairs, kMarkers, TablesFor(kChroAlleleSharing, true, false)))
    std::abort();
  for (int p = 0; p < kPairs; ++p) {
    synth::SharingPlan plan;
    plan.markers = kMarkers;
    plan.stretches = {{0, 2}, {15000, 1}, {30000, 0}};
    plan.seed = 20 + static_cast<std::uint64_t>(p);
    const synth::SharingPair pair = synth::DrawSharingPair(plan);
    for (int i = 0; i < kMarkers; ++i) {
      chromosome.calls.Row(2 * p)[i] =
          static_cast<std::uint8_t>(pair.first[static_cast<std::size_t>(i)]);
      chromosome.calls.Row(2 * p + 1)[i] =
          static_cast<std::uint8_t>(pair.second[static_cast<std::size_t>(i)]);
    }
  }
  for (auto _ : state) {
    if (!chromosome.InferAlleleSharing()) state.SkipWithError("inference not completed");
    benchmark::DoNotOptimize(chromosome.inferred.Row(0)[kMarkers / 2]);
  }
  const int samples = 2 * kPairs;
  state.counters["pair_markers_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * samples * (samples - 1) / 2 * kMarkers,
      benchmark::Counter::kIsRate);
  chromosome.Clear();
  genome_info.Clear();
  DiscardGroup();
}
BENCHMARK(BM_AlleleSharing)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// The whole LOH inference step as the gathering runs it with the default method: 20
// single samples (each inferred, none beside a normal) over 50,000 SNPs on 22 chromosomes,
// losses planted in stretches, rates estimated, the two-state model run stretch by
// stretch, the rows written back. One thread.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/even_markers.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/hmm.hpp"
#include "genome/inference/loh_inference.hpp"
#include "genome/info/genome_info.hpp"
#include "tools/synth/genome_loh.hpp"

namespace {

constexpr int kSamples = 20;
constexpr int kMarkers = 50000;
constexpr int kChromosomes = 22;

struct LohData {
  GENOME_INFO info;
  std::unique_ptr<CHROMOSOME> chro = std::make_unique<CHROMOSOME>();
  LohRun run;
};

LohData& Data() {
  static LohData data = [] {
    LohData d;
    bench::PlaceMarkersEvenly(d.info, kMarkers, kChromosomes);
    d.chro->Allocate(kSamples, kMarkers, TablesFor(kChroLoh, true, false));
    for (int s = 0; s < kSamples; ++s) {
      synth::LohPlan plan;
      plan.markers = kMarkers;
      plan.lost = {{1000 * s, 1000 * s + 3000}, {30000, 32000 + 500 * s}};
      plan.seed = 500 + static_cast<std::uint64_t>(s);
      const synth::LohCalls calls = synth::DrawLohCalls(plan);
      for (int u = 0; u < kMarkers; ++u)
        d.chro->calls.Row(s)[u] = static_cast<std::uint8_t>(calls.tumour[u]);
      d.run.groups.push_back({s, 1, 'F', "S" + std::to_string(s)});
    }
    d.run.info = &d.info;
    return d;
  }();
  return data;
}

void BM_LohInference(benchmark::State& state) {
  bench::SilenceLog();
  LohData& data = Data();
  for (auto _ : state) {
    LohRun run = data.run;
    if (!data.chro->InferLoh(run)) state.SkipWithError("LOH inference failed");
    benchmark::DoNotOptimize(data.chro->lohCodes.Row(kSamples - 1)[kMarkers / 2]);
  }
  state.counters["markers_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kSamples * kMarkers, benchmark::Counter::kIsRate);
  // What LOH holds on 200 samples x 500,000 SNPs, from the sizes: the chromosome tables
  // and one model over the longest stretch of the four-state method.
  state.counters["bytes_200x500k"] =
      static_cast<double>(CHROMOSOME::HeldBytes(200, 500000, TablesFor(kChroLoh, true, false)) +
                          HMM::StretchBytes(4, 10000, false, false));
}

BENCHMARK(BM_LohInference)->Unit(benchmark::kMillisecond);

}  // namespace

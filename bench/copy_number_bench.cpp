// Copy number by the hidden Markov model as the gathering runs it: 20 samples x 50,000
// markers on 22 chromosomes, 15 copy states, the generator's planted gains and losses.
// BM_CopyNumberHmm is the whole per-sample inference (scaling, stretches, the Viterbi by
// change of state); BM_CopyNumberParentSpecific the same on the A and B signals of two
// samples with the parent-specific model (120 states with step 1); and
// BM_CopyNumberPairwiseViterbi times the O(N^2) search of HMM::Viterbi on one stretch
// against the Viterbi by change of state (argument 1).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/even_markers.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/copy_number.hpp"
#include "genome/inference/copy_number_viterbi.hpp"
#include "genome/inference/hmm.hpp"
#include "genome/info/genome_info.hpp"
#include "tools/synth/genome_copy_number.hpp"

namespace {

constexpr int kSamples = 20;
constexpr int kMarkers = 50000;
constexpr int kChromosomes = 22;

constexpr int kParentSpecificSamples = 2;

struct CopyWork {
  GENOME_INFO genome;
  std::unique_ptr<CHROMOSOME> chro = std::make_unique<CHROMOSOME>();
};

CopyWork Make(bool parentSpecific) {
  CopyWork w;
  const int samples = parentSpecific ? kParentSpecificSamples : kSamples;
  synth::CopyPlan plan;
  plan.markers = kMarkers;
  plan.samples = samples;
  plan.spread = 0.25;
  plan.parentSpecific = parentSpecific;
  for (int s = 0; s < samples; ++s) {
    plan.segments.push_back(
        {s, 1000 + 500 * s, 3000 + 500 * s, s % 2 == 0 ? 1.0 : 3.0, 0, s % 2 == 0 ? 1.0 : 2.0});
    plan.segments.push_back({s, 30000 + 100 * s, 30200 + 100 * s, 5.0, 2, 3});
  }
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  bench::PlaceMarkersEvenly(w.genome, kMarkers, kChromosomes);
  CHROMOSOME& chro = *w.chro;
  chro.Allocate(samples, kMarkers, TablesFor(kChroCopyNumber, true, parentSpecific));
  chro.SetCopyLayout(parentSpecific, 1.0f);
  for (int s = 0; s < samples; ++s) {
    for (int u = 0; u < kMarkers; ++u) {
      chro.signal.Row(s)[u] = arrays.signal[s][u];
      if (parentSpecific) chro.secondSignal.Row(s)[u] = arrays.signalB[s][u];
    }
  }
  for (int u = 0; u < kMarkers; ++u) {
    MarkerStats& stats = chro.markerStats[u];
    stats.mean = stats.meanA = stats.meanB = arrays.mean[u];
    stats.sd = stats.sdA = stats.sdB = arrays.sd[u];
  }
  return w;
}

CopyWork& Work() {
  static CopyWork work = Make(false);
  return work;
}

void BM_CopyNumberParentSpecific(benchmark::State& state) {
  bench::SilenceLog();
  static CopyWork work = Make(true);
  CopyNumberRun run;
  run.genome = &work.genome;
  run.parentSpecific = true;
  for (auto _ : state) {
    for (int s = 0; s < kParentSpecificSamples; ++s) {
      if (!work.chro->InferCopyNumber(s, run)) state.SkipWithError("inference failed");
    }
  }
  state.counters["markers_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kParentSpecificSamples * kMarkers,
      benchmark::Counter::kIsRate);
  const int parental = work.chro->ParentalStateCount();
  state.counters["states"] = parental * (parental + 1) / 2;
}

void BM_CopyNumberHmm(benchmark::State& state) {
  bench::SilenceLog();
  CopyWork& work = Work();
  CopyNumberRun run;
  run.genome = &work.genome;
  for (auto _ : state) {
    for (int s = 0; s < kSamples; ++s) {
      if (!work.chro->InferCopyNumber(s, run)) state.SkipWithError("inference failed");
    }
    benchmark::DoNotOptimize(work.chro->inferred.Row(0)[kMarkers / 2]);
  }
  state.counters["markers_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kSamples * kMarkers, benchmark::Counter::kIsRate);
  state.counters["states"] = work.chro->CopyStateCount();
}

// One sample's stretches through the model's own O(N^2) Viterbi.
void BM_CopyNumberPairwiseViterbi(benchmark::State& state) {
  bench::SilenceLog();
  CopyWork& work = Work();
  CHROMOSOME& chro = *work.chro;
  auto hmm = std::make_unique<HMM>();
  const int states = chro.CopyStateCount();
  for (int s = 0; s < states; ++s) hmm->copyLevel.push_back(chro.CopyLevel(s));
  const int length = kMarkers / kChromosomes;
  hmm->Init(states, 2, length, true);
  for (int s = 0; s < states; ++s) hmm->SetStart(s, s == 2 ? 0.9f : 0.1f / (states - 1));
  for (int t = 0; t < length; ++t) {
    const MarkerStats& stats = chro.markerStats[t];
    hmm->x[t] = 2 * chro.signal.Row(0)[t] / stats.mean;
    hmm->sdX[t] = 2 * stats.sd / stats.mean;
    if (t > 0) hmm->SetDistance(t - 1, 0.06f);
  }
  const bool byChange = state.range(0) != 0;
  for (auto _ : state) {
    if (byChange) {
      ViterbiByChange(*hmm);
    } else {
      hmm->Viterbi();
    }
    benchmark::DoNotOptimize(hmm->path[length / 2]);
  }
  state.counters["markers_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * length, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_CopyNumberHmm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyNumberParentSpecific)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyNumberPairwiseViterbi)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

// The hidden Markov model on LOH-shaped work: two states (loss, retention), heterozygous
// or homozygous calls drawn from a known chain, stretches of 10,000 markers. One run
// covers 20 samples x 50,000 markers on one thread, forward-backward as the LOH
// inference uses it, and Viterbi for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench/bench_support.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/hmm.hpp"
#include "tools/synth/genome_chain.hpp"

namespace {

constexpr int kSamples = 20;
constexpr int kMarkers = 50000;
constexpr int kStretch = 10000;

struct LohWork {
  synth::ChainModel model;
  std::vector<synth::Chain> chains;  // one per sample
};

const LohWork& Work() {
  static const LohWork work = [] {
    LohWork w;
    // Markers some 60 kb apart; loss in a tenth of the genome; calls wrong 1 in 100.
    w.model.start = {0.1, 0.9};
    w.model.emission = {{0.98, 0.01, 0.01}, {0.66, 0.33, 0.01}};
    w.model.distanceMb.assign(kMarkers - 1, 0.06);
    for (int s = 0; s < kSamples; ++s) w.chains.push_back(synth::DrawChain(w.model, 100 + s));
    return w;
  }();
  return work;
}

void Run(benchmark::State& state, bool viterbi) {
  bench::SilenceLog();
  const LohWork& work = Work();
  auto hmm = std::make_unique<HMM>();
  for (auto _ : state) {
    float retained = 0;
    for (int s = 0; s < kSamples; ++s) {
      const synth::Chain& chain = work.chains[static_cast<std::size_t>(s)];
      for (int first = 0; first < kMarkers; first += kStretch) {
        const int n = std::min(kStretch, kMarkers - first);
        hmm->Init(2, 3, n, false);
        for (int i = 0; i < 2; ++i) {
          hmm->SetStart(i, static_cast<float>(work.model.start[i]));
          for (int k = 0; k < 3; ++k)
            hmm->logEmission[i][k] = static_cast<float>(std::log10(work.model.emission[i][k]));
        }
        for (int t = 0; t < n; ++t) {
          hmm->obs[t] = static_cast<std::int16_t>(chain.symbols[first + t]);
          hmm->marker[t] = first + t;
          if (t > 0)
            hmm->SetDistance(t - 1, static_cast<float>(work.model.distanceMb[first + t - 1]));
        }
        if (viterbi) {
          hmm->Viterbi();
          retained += hmm->path[n / 2];
        } else {
          hmm->ForwardBackward();
          retained += hmm->Posterior(n / 2, 1);
        }
      }
    }
    benchmark::DoNotOptimize(retained);
  }
  state.counters["markers_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kSamples * kMarkers, benchmark::Counter::kIsRate);
  // What the chromosome data hold for LOH on 200 samples x 500,000 SNPs, from the sizes.
  state.counters["bytes_200x500k"] =
      static_cast<double>(CHROMOSOME::HeldBytes(200, 500000, TablesFor(kChroLoh, true, false)));
  state.counters["stretch_bytes"] =
      static_cast<double>(HMM::StretchBytes(2, kStretch, viterbi, false));
}

void BM_HmmForwardBackward(benchmark::State& state) {
  Run(state, false);
}
void BM_HmmViterbi(benchmark::State& state) {
  Run(state, true);
}

BENCHMARK(BM_HmmForwardBackward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HmmViterbi)->Unit(benchmark::kMillisecond);

}  // namespace

// The permutation of a chromosome curve: 1000 rounds of circular shifts of 20 groups'
// LOH probabilities over 50,000 markers on one thread, each round one shifted curve and
// its extremes, as the significance thresholds need them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench/bench_support.hpp"
#include "genome/inference/chromosome_curve.hpp"
#include "tools/synth/genome_curve.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

namespace {

constexpr int kGroups = 20;
constexpr int kMarkers = 50000;
constexpr int kRounds = 1000;

const CurveTracks& Tracks() {
  static const CurveTracks tracks = [] {
    synth::CurvePlan plan;
    plan.groups = kGroups;
    plan.markers = kMarkers;
    plan.planted = {{20000, 20500}};
    const synth::CurveData data = synth::DrawCurveData(plan);
    CurveTracks t;
    t.Reset(kGroups, kMarkers);
    for (int g = 0; g < kGroups; ++g)
      std::copy(data.lohProbability[static_cast<std::size_t>(g)].begin(),
                data.lohProbability[static_cast<std::size_t>(g)].end(), t.Track(g));
    return t;
  }();
  return tracks;
}

void BM_CurvePermutation(benchmark::State& state) {
  bench::SilenceLog();
  const CurveTracks& tracks = Tracks();
  std::vector<int> shifts;
  std::vector<float> scratch;
  set_seed(1, 2);
  for (auto _ : state) {
    float highest = 0;
    for (int round = 0; round < kRounds; ++round) {
      tracks.DrawShifts(shifts);
      float low = 0, high = 0;
      tracks.Extremes(shifts, scratch, &low, &high);
      highest = std::max(highest, high);
    }
    benchmark::DoNotOptimize(highest);
  }
  state.counters["rounds_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kRounds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CurvePermutation)->Unit(benchmark::kMillisecond);

}  // namespace

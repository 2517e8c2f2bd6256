// The whole-group model fit and its staging of the cells on the reference group: 100 arrays of a
// 712 x 712 chip with 22,000 probe sets of 11 probe pairs, the default outlier steps, one thread,
// probe-level data held by the group.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "bench/bench_support.hpp"
#include "bench/chip_setup.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "engine/model/staged_cells.hpp"
#include "engine/services/log_channel.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/model_data.hpp"

namespace {

constexpr int kArrays = 100;
constexpr int kUnits = 22000;
constexpr int kPairs = 11;
constexpr int kDimension = 712;
constexpr int kMismatchLevel = 200;

// One group for the whole run: the chip written and loaded once, every array's plane
// filled with model data per probe set (present and absent genes, noise, a few outliers).
struct ReferenceGroup {
  bench::ScratchGroup mFolder{"model"};

  ReferenceGroup() {
    synth::ChipOptions options;
    options.dimension = kDimension;
    options.unitCount = kUnits;
    options.minPairs = kPairs;
    options.maxPairs = kPairs;
    options.seed = 7;
    bench::SetUpChip(mFolder, options);

    Group& group = TheGroup();
    const auto cells =
        static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
    for (int i = 0; i < kArrays; ++i) {
      bench::AddArray("array" + std::to_string(i), [cells](ArraySlot& slot) {
        slot.intensities.assign(cells, kMismatchLevel);
        slot.calls.assign(kUnits, 'P');
      });
    }
    for (int u = 0; u < kUnits; ++u) {
      synth::ModelDataOptions data;
      data.arrays = kArrays;
      data.probes = kPairs;
      data.seed = static_cast<std::uint64_t>(u) + 1;
      const bool present = u % 5 < 3;
      data.lowestTheta = present ? 100.0 : 2.0;
      data.highestTheta = present ? 3000.0 : 40.0;
      data.noise = 15.0;
      data.singleOutliers = u % 3;
      data.badArray = u % 17 == 0 ? u % kArrays : -1;
      const auto truth = synth::MakeModelData(data);
      const auto positions = Layout.Positions(u);
      for (int i = 0; i < kArrays; ++i) {
        ArraySlot& slot = group.Array(i);
        slot.calls[static_cast<std::size_t>(u)] = present ? 'P' : 'A';
        for (int j = 0; j < kPairs; ++j) {
          const PairPositions& pair = positions[static_cast<std::size_t>(j)];
          const double pm =
              std::clamp(std::round(kMismatchLevel + truth.Value(i, j)), 0.0, 65535.0);
          slot.intensities[Layout.CellIndex(pair[1].x, pair[1].y)] = static_cast<std::uint16_t>(pm);
        }
      }
    }
    group.HasProbeData = true;
    GroupSettings& settings = group.Settings();
    settings.LOAD_PROBE_DATA = 1;
    settings.MODEL_METHOD = kModelPmMmDifference;
    settings.DETECT_SINGLE_OUTLIER = 1;
    settings.DETECT_ARRAY_OUTLIER = 1;
    settings.DETECT_PROBE_OUTLIER = 1;
    settings.HANDLE_IMAGE_SPIKE = 0;
    settings.PSI_MODE = 0;
    Model.SetDisplayMode(false);
  }
  ~ReferenceGroup() { DiscardGroup(); }
};

void BM_ModelFitGroup(benchmark::State& state) {
  bench::Shared<ReferenceGroup>();
  double passes = 0.0;
  for (auto _ : state) {
    passes = 0.0;
    for (int u = 0; u < kUnits; ++u) {
      if (!Model.GetData(u)) std::abort();
      passes += Model.Passes();
      benchmark::DoNotOptimize(Model.ResultTheta(0));
    }
  }
  state.counters["probe_sets_per_s"] =
      benchmark::Counter(kUnits, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["passes_per_probe_set"] = passes / kUnits;
}
BENCHMARK(BM_ModelFitGroup)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false);

// The model job's staging alone: every probe set's cells copied out of the hundred planes
// run by run, as the one-thread job reads them, in runs of at most the argument's values.
void BM_StageGroupCells(benchmark::State& state) {
  bench::Shared<ReferenceGroup>();
  const Group& group = TheGroup();
  const auto limit = static_cast<std::size_t>(state.range(0));
  StagedCells staged;
  for (auto _ : state) {
    staged.Clear();
    for (int u = 0; u < kUnits; ++u) {
      if (!staged.Covers(u)) staged.Gather(group, u, kUnits, limit);
      benchmark::DoNotOptimize(staged.Find(u));
    }
  }
  state.counters["cells_per_s"] =
      benchmark::Counter(static_cast<double>(kUnits) * 2 * kPairs * kArrays,
                         benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StageGroupCells)
    ->Arg(kStagedCellLimit / 4)
    ->Arg(kStagedCellLimit)
    ->Arg(kStagedCellLimit * 2)
    ->Arg(kStagedCellLimit * 4)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5);

}  // namespace

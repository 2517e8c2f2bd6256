// Normalising one full-size array (1164 x 1164) against a baseline by the invariant set
// (with the baseline's ranking prepared once, as the normalisation job does) and by
// matched quantiles, and writing and reading its QVF file, each against a plain
// write or read of the same number of bytes in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/chip_setup.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/array/invariant_baseline.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/job_cell_kinds.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "tools/synth/array_group.hpp"

namespace {

// One chip and one pair of arrays for the whole run, in a scratch folder.
struct FullGroup {
  bench::ScratchGroup mFolder{"normalize"};
  CHIP_DATA baseline;
  CHIP_DATA array;
  InvariantBaseline ranked;

  FullGroup() {
    AnalysisRunning = 1;
    const bench::ChipSetUp chip = bench::SetUpChip(mFolder, bench::FullSizeChip());

    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = 2;
    groupOptions.seed = 3;
    const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip.chip, groupOptions);
    Fill(baseline, group.arrays[0], mFolder.File("baseline.CEL"));
    Fill(array, group.arrays[1], mFolder.File("array.CEL"));
    if (!ranked.Prepare(baseline)) std::abort();
  }
  ~FullGroup() { DiscardGroup(); }
  static void Fill(CHIP_DATA& chip, const synth::SynthesisedArray& source,
                   const std::string& path) {
    chip.dimension = Layout.dimension;
    chip.plane1 = source.intensities;
    chip.plane2 = source.standardErrors;
    chip.AllocateUnitTables();
    chip.dataPath = path;
    chip.medianIntensity = static_cast<std::int32_t>(chip.GetQuantile(0.5, false));
  }
};

void Normalize(benchmark::State& state, int method) {
  FullGroup& group = bench::Shared<FullGroup>();
  TheGroup().Settings().NORM_METHOD = method;
  // As every array of a normalisation job: the job's table of the cells is made.
  const JobCellKinds job;
  static_cast<void>(LayoutCellKinds());
  for (auto _ : state) {
    if (!group.array.NormalizeCel(&group.baseline, true, false, false, &group.ranked))
      state.SkipWithError("normalisation failed");
    benchmark::DoNotOptimize(group.array.plane2.data());
  }
  state.counters["cells"] = static_cast<double>(group.array.plane1.size());
}

void BM_NormalizeInvariantSet(benchmark::State& state) {
  Normalize(state, 0);
}

void BM_NormalizeQuantiles(benchmark::State& state) {
  Normalize(state, 1);
}

using bench::Clock;
using bench::Seconds;

// Each iteration times a plain write (or read) of as many bytes as the QVF file holds,
// through one buffer that stays in use, and then the QVF write (or read); the ratio is
// that of the sums.
void TimeQvf(benchmark::State& state, bool write) {
  FullGroup& group = bench::Shared<FullGroup>();
  CHIP_DATA& array = group.array;
  const std::string qvfPath = array.QvfPath();
  const std::string plainPath = group.mFolder.File("plain.bin");
  const auto size = static_cast<std::size_t>(QvfFileSize(Layout.dimension, Layout.unitCount));
  bench::PlainIo plainIo;
  plainIo.Write(plainPath, size);
  if (!array.WriteQvf()) state.SkipWithError("QVF write failed");
  CHIP_DATA read;
  double plain = 0.0;
  double total = 0.0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (write)
      plainIo.Write(plainPath, size);
    else
      benchmark::DoNotOptimize(plainIo.Read(plainPath));
    plain += Seconds(Clock::now() - start);
    start = Clock::now();
    const bool done = write ? array.WriteQvf() : read.ReadExisting(qvfPath.c_str(), false, false);
    total += Seconds(Clock::now() - start);
    if (!done) state.SkipWithError("QVF failed");
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["ratio_to_plain_read"] = total / plain;
  state.counters[write ? "plain_write_ms" : "plain_read_ms"] = plain / iterations * 1000;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(size));
}

void BM_QvfWrite(benchmark::State& state) {
  TimeQvf(state, true);
}

void BM_QvfRead(benchmark::State& state) {
  TimeQvf(state, false);
}

}  // namespace

BENCHMARK(BM_NormalizeInvariantSet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NormalizeQuantiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QvfWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QvfRead)->Unit(benchmark::kMillisecond);

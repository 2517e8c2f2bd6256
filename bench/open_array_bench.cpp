// The steps of a group's open on one array of the group benchmark's shape (712 x 712
// cells, 22,000 probe sets of 11 pairs): the decode of its binary cell file from the page
// cache, the presence calls from its intensities, and the whole read of the array as the
// open makes it (the decode, its median, its calls and its QVF file written), each on one
// thread, with the table of the layout's cells that the open's arrays share made before.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/bench_support.hpp"
#include "bench/chip_setup.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/job_cell_kinds.hpp"
#include "engine/group/group.hpp"
#include "engine/services/running_scope.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/array_writers.hpp"

namespace {

// One scanned array of the chip, written once as a binary cell file and read into an
// array object whose planes the presence calls take.
struct OpenedArray {
  OpenedArray() : folder("open-array") {
    bench::SilenceLog();
    synth::ChipOptions options;
    options.dimension = 712;
    options.unitCount = 22000;
    options.minPairs = 11;
    options.maxPairs = 11;
    options.seed = 5;
    const bench::ChipSetUp chip = bench::SetUpChip(folder, options);
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = 1;
    groupOptions.seed = 8;
    const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip.chip, groupOptions);
    cellPath = folder.File("array001.CEL");
    const synth::ArrayTruth scanned =
        synth::ScannedArray(chip.chip, group, 0, "array001", "01/02/03 00:00:00");
    if (!synth::WriteCel(scanned, synth::CelForm::kBinary, cellPath)) std::abort();
    AnalysisRunning = 1;
    StartGroup(folder.File("work"));
    TheGroup().Settings().DATA_PATH = folder.File("");
    TheGroup().Settings().CDF_FILE = chip.path;
    if (!array.ReadBinaryCel(cellPath.c_str())) std::abort();
    array.AllocateUnitTables();
  }
  bench::ScratchFolder folder;
  std::string cellPath;
  CHIP_DATA array;
};

void BM_OpenArrayBinaryDecode(benchmark::State& state) {
  OpenedArray& opened = bench::Shared<OpenedArray>();
  platform::LimitWorkerThreads(1);
  CHIP_DATA data;
  bench::TimeAgainstPlainRead(state, opened.cellPath, [&] {
    if (!data.ReadBinaryCel(opened.cellPath.c_str())) state.SkipWithError("read failed");
  });
  platform::LimitWorkerThreads(0);
}

void BM_OpenArrayPresenceCalls(benchmark::State& state) {
  OpenedArray& opened = bench::Shared<OpenedArray>();
  // As every array of an open after its first: the job's table of the cells is made.
  const JobCellKinds job;
  static_cast<void>(LayoutCellKinds());
  for (auto _ : state) {
    opened.array.ComputePresenceCalls();
    benchmark::DoNotOptimize(opened.array.calls.data());
  }
}

void BM_OpenArrayWholeRead(benchmark::State& state) {
  OpenedArray& opened = bench::Shared<OpenedArray>();
  platform::LimitWorkerThreads(1);
  CHIP_DATA data;
  const JobCellKinds job;
  static_cast<void>(LayoutCellKinds());
  for (auto _ : state)
    if (!data.ReadArray(opened.cellPath.c_str(), true, false)) state.SkipWithError("read failed");
  platform::LimitWorkerThreads(0);
}

}  // namespace

BENCHMARK(BM_OpenArrayBinaryDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenArrayPresenceCalls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenArrayWholeRead)->Unit(benchmark::kMillisecond);

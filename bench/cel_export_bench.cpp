// Writing one array of the largest kind (2560 x 2560 cells) as a text CEL file, beside a
// plain write of as many bytes in 1 MB pieces from one buffer in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_support.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/cel_export.hpp"
#include "engine/services/running_scope.hpp"

namespace {

constexpr int kSide = 2560;
constexpr int kUnits = 100;

// A started group of one array whose plane is held, and the array's QVF file, which the
// export reads for the data file's header.
struct LargeGroup {
  bench::ScratchFolder folder{"cel-export"};

  LargeGroup() {
    bench::SilenceLog();
    if (!AllocateCellTable(kSide, "cells") || !AllocateUnitTable(kUnits, "units")) std::abort();
    Layout.dimension = kSide;
    StartGroup(folder.Path().string());
    Group& group = TheGroup();
    group.Settings().LOAD_PROBE_DATA = 1;
    group.Settings().QVF_IN_WORKING = 0;
    group.Settings().WORKING_DIR = folder.Path().string();
    ArraySlot& slot = group.NextArraySlot();
    slot.name = "large";
    slot.dataFile = folder.File("large.CEL");
    const auto cells = static_cast<std::size_t>(kSide) * kSide;
    slot.intensities.resize(cells);
    // Intensities of every length, as a scan gives them: mostly three and four digits.
    std::uint32_t state = 12345;
    for (std::uint16_t& value : slot.intensities) {
      state = state * 1664525U + 1013904223U;
      value = static_cast<std::uint16_t>(40 + (state >> 16) % 20000);
    }
    if (!group.CountArray()) std::abort();
    group.HasProbeData = true;
    CHIP_DATA array;
    array.AllocatePlanes(kSide);
    array.plane1 = slot.intensities;
    array.AllocateUnitTables();
    array.dataPath = slot.dataFile;
    array.headerText = "large.CEL";
    if (!array.WriteQvf()) std::abort();
  }
};

using bench::Clock;
using bench::Seconds;

void BM_CelExport(benchmark::State& state) {
  LargeGroup& group = bench::Shared<LargeGroup>();
  const std::string path = group.folder.File("export.cel");
  const std::string plainPath = group.folder.File("plain.bin");
  // The export runs as the command runs it, and stops when nothing is running.
  const RaisedAnalysisRunning running;
  if (!WriteCelFile(0, path)) {
    state.SkipWithError("CEL export failed");
    return;
  }
  const auto size = static_cast<std::size_t>(std::filesystem::file_size(path));
  bench::PlainIo plainIo;
  plainIo.Write(plainPath, size);
  double plain = 0.0;
  double total = 0.0;
  for (auto _ : state) {
    auto start = Clock::now();
    plainIo.Write(plainPath, size);
    plain += Seconds(Clock::now() - start);
    start = Clock::now();
    const bool written = WriteCelFile(0, path);
    total += Seconds(Clock::now() - start);
    if (!written) state.SkipWithError("CEL export failed");
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["ratio_to_plain_write"] = total / plain;
  state.counters["plain_write_ms"] = plain / iterations * 1000;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(size));
}

}  // namespace

BENCHMARK(BM_CelExport)->Unit(benchmark::kMillisecond);

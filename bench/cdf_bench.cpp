// Chip description loading on a full-size chip (1164 x 1164, about 54,000 probe sets):
// converting the text chip description and writing the cache, and loading the cache,
// each against a plain read of the same file's bytes in the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/chip_setup.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/load_cdf.hpp"
#include "engine/services/log_channel.hpp"
#include "tools/synth/chip_model.hpp"

namespace {

// One chip for the whole run, written once into a scratch folder.
struct FullChip {
  std::string textPath;
  std::string cachePath;

  FullChip() : mFolder("cdf") {
    bench::SilenceLog();
    textPath = bench::SetUpChip(mFolder, bench::FullSizeChip()).path;
    cachePath = textPath + ".bin";
  }
  bench::ScratchFolder mFolder;
};

using bench::TimeAgainstPlainRead;

void BM_CdfTextPlainRead(benchmark::State& state) {
  const FullChip& chip = bench::Shared<FullChip>();
  bench::TimePlainRead(state, chip.textPath);
}

void BM_CdfTextConvert(benchmark::State& state) {
  const FullChip& chip = bench::Shared<FullChip>();
  CdfLoadSettings settings;
  TimeAgainstPlainRead(state, chip.textPath, [&] {
    if (!LoadCdf(chip.textPath, true, "", settings)) state.SkipWithError("conversion failed");
  });
}

void BM_CdfCachePlainRead(benchmark::State& state) {
  const FullChip& chip = bench::Shared<FullChip>();
  bench::TimePlainRead(state, chip.cachePath);
}

void BM_CdfCacheLoad(benchmark::State& state) {
  const FullChip& chip = bench::Shared<FullChip>();
  CdfLoadSettings settings;  // probe-level data on: the whole cell table is read
  TimeAgainstPlainRead(state, chip.cachePath, [&] {
    if (!LoadCdf(chip.textPath, false, "", settings)) state.SkipWithError("cache load failed");
  });
}

}  // namespace

BENCHMARK(BM_CdfTextPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CdfTextConvert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CdfCachePlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CdfCacheLoad)->Unit(benchmark::kMillisecond);

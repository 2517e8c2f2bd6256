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

#include "engine/cdf_layout.hpp"
#include "engine/load_cdf.hpp"
#include "engine/log_channel.hpp"
#include "platform/byte_reader.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/chip_writers.hpp"

namespace {

class SilentLog final : public LogSink {
 public:
  void AddText(std::string_view, bool, COLORREF) override {}
};

// One chip for the whole run, written once into a scratch folder.
class FullChip {
 public:
  static const FullChip& Get() {
    static const FullChip chip;
    return chip;
  }
  std::string textPath;
  std::string cachePath;

 private:
  FullChip() {
    static SilentLog silent;
    SetLogSink(&silent);
    mFolder = std::filesystem::temp_directory_path() / ("zelko-cdf-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(mFolder);
    synth::ChipOptions options;
    options.dimension = 1164;
    options.unitCount = 54000;
    options.seed = 7;
    const auto chip = synth::MakeChip(options);
    textPath = (mFolder / synth::FileNameFor(*chip, synth::ChipForm::kTextCdf)).string();
    cachePath = textPath + ".bin";
    if (!synth::WriteTextCdf(*chip, textPath)) std::abort();
    CdfLoadSettings settings;
    if (!LoadCdf(textPath, true, "", settings)) std::abort();
  }
  ~FullChip() {
    std::error_code error;
    std::filesystem::remove_all(mFolder, error);
  }
  std::filesystem::path mFolder;
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration span) {
  return std::chrono::duration<double>(span).count();
}

// The best of a few plain reads of the file, in seconds.
double PlainReadSeconds(const std::string& path) {
  double best = 1e9;
  for (int i = 0; i < 5; ++i) {
    const auto start = Clock::now();
    const auto bytes = platform::ReadWholeFile(path);
    benchmark::DoNotOptimize(bytes);
    best = std::min(best, Seconds(Clock::now() - start));
  }
  return best;
}

template <typename Work>
void TimeAgainstPlainRead(benchmark::State& state, const std::string& path, Work work) {
  const double plain = PlainReadSeconds(path);
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    work();
    total += Seconds(Clock::now() - start);
  }
  const double perIteration = total / static_cast<double>(state.iterations());
  state.counters["ratio_to_plain_read"] = perIteration / plain;
  state.counters["plain_read_ms"] = plain * 1000;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

void BM_CdfTextPlainRead(benchmark::State& state) {
  const FullChip& chip = FullChip::Get();
  for (auto _ : state) benchmark::DoNotOptimize(platform::ReadWholeFile(chip.textPath));
}

void BM_CdfTextConvert(benchmark::State& state) {
  const FullChip& chip = FullChip::Get();
  CdfLoadSettings settings;
  TimeAgainstPlainRead(state, chip.textPath, [&] {
    if (!LoadCdf(chip.textPath, true, "", settings)) state.SkipWithError("conversion failed");
  });
}

void BM_CdfCachePlainRead(benchmark::State& state) {
  const FullChip& chip = FullChip::Get();
  for (auto _ : state) benchmark::DoNotOptimize(platform::ReadWholeFile(chip.cachePath));
}

void BM_CdfCacheLoad(benchmark::State& state) {
  const FullChip& chip = FullChip::Get();
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

// Shared pieces of the benchmarks: a silent log, a scratch folder for the run's synthetic
// files, and timing of a reader against a plain read of the same file's bytes.
#pragma once

#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "engine/services/log_channel.hpp"
#include "platform/byte_reader.hpp"

namespace bench {

// Benchmarks measure the work, not the writing of log lines to standard error.
inline void SilenceLog() {
  class SilentLog final : public LogSink {
   public:
    void AddText(std::string_view, bool, COLORREF) override {}
  };
  static SilentLog silent;
  SetLogSink(&silent);
}

// A folder under the temporary folder for one benchmark program's files, removed at exit.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view name)
      : mPath(std::filesystem::temp_directory_path() /
              ("zelko-" + std::string(name) + "-bench-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(mPath);
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(mPath, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return mPath; }
  std::string File(std::string_view name) const { return (mPath / name).string(); }

 private:
  std::filesystem::path mPath;
};

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration span) {
  return std::chrono::duration<double>(span).count();
}

// Each iteration times a plain read of the file's bytes and then the work, so that both
// see the same machine; `ratio_to_plain_read` is the ratio of the sums.
template <typename Work>
void TimeAgainstPlainRead(benchmark::State& state, const std::string& path, Work work) {
  double plain = 0;
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto start = Clock::now();
    benchmark::DoNotOptimize(platform::ReadWholeFile(path));
    plain += Seconds(Clock::now() - start);
    state.ResumeTiming();
    start = Clock::now();
    work();
    total += Seconds(Clock::now() - start);
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["ratio_to_plain_read"] = total / plain;
  state.counters["plain_read_ms"] = plain / iterations * 1000;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

}  // namespace bench

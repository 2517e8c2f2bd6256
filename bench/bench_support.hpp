// Shared pieces of the benchmarks: a silent log, a scratch folder for the run's synthetic
// files (and one with the group started in it), arrays appended to the group, and timing of a
// reader against a plain read of the same file's bytes.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"

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

// A layout of the probe sets named names for benchmarks of gene-level work, which needs
// the names and nothing of the cells.
inline void NameProbeSets(const std::vector<std::string>& names) {
  Layout.units.assign(names.size(), UNIT_RECORD{});
  for (std::size_t g = 0; g < names.size(); ++g) Layout.units[g].SetName(names[g]);
  Layout.unitCount = static_cast<int>(names.size());
}

// The same with count probe sets named ps_0, ps_1, ...
inline void NameProbeSets(int count) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(count));
  for (int g = 0; g < count; ++g) names.push_back("ps_" + std::to_string(g));
  NameProbeSets(names);
}

// count probe set names as an expression chip's files write them: 200000_at, 200001_at, ...
inline std::vector<std::string> ExpressionProbeSetNames(int count) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) names.push_back(std::to_string(200000 + i) + "_at");
  return names;
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

// The one T of a benchmark program, made on first use and kept to the end of the run: the
// synthetic files, group or window its benchmarks share.
template <typename T>
T& Shared() {
  static T value;
  return value;
}

// A scratch folder with the group started in it and the log silenced: where a benchmark
// builds the group it measures.
class ScratchGroup : public ScratchFolder {
 public:
  explicit ScratchGroup(std::string_view name) : ScratchFolder(name) {
    SilenceLog();
    StartGroup(Path().string());
  }
};

// Appends an array named name to the group, its slot filled by fill(slot), and counts it;
// a group that takes no more ends the program.
template <typename Fill>
void AddArray(std::string name, Fill fill) {
  Group& group = TheGroup();
  ArraySlot& slot = group.NextArraySlot();
  slot = ArraySlot{};
  slot.name = std::move(name);
  fill(slot);
  if (!group.CountArray()) std::abort();
}

// Names genes probe sets (as NameProbeSets) and appends one array per sample, named
// prefix1, prefix2, ...: probe set g of sample s holds value(s, g), and more(s, slot) adds
// what else the array holds.
template <typename Value, typename More>
void AddSampleArrays(int samples, int genes, std::string_view prefix, Value value, More more) {
  NameProbeSets(genes);
  for (int s = 0; s < samples; ++s) {
    const auto sample = static_cast<std::size_t>(s);
    AddArray(std::string(prefix) + std::to_string(s + 1), [&](ArraySlot& slot) {
      for (int g = 0; g < genes; ++g)
        slot.values.push_back(value(sample, static_cast<std::size_t>(g)));
      more(sample, slot);
    });
  }
}

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration span) {
  return std::chrono::duration<double>(span).count();
}

// The plain input and output a reader is measured against: the bytes moved between the
// system's cache and one buffer of 1 MB that stays in use and was touched before, as a
// file copy program moves them. Fresh memory is not part of it: on a virtual machine a
// first touch of a page costs more than copying it many times over.
class PlainIo {
 public:
  static constexpr std::size_t kChunk = 1 << 20;

  PlainIo() : mBuffer(new char[kChunk]) { std::memset(mBuffer.get(), 0x5A, kChunk); }

  // Reads the whole file; the number of bytes read.
  std::size_t Read(const std::string& path) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) std::abort();
    std::size_t total = 0;
    for (ssize_t got; (got = read(file, mBuffer.get(), kChunk)) > 0;)
      total += static_cast<std::size_t>(got);
    close(file);
    benchmark::DoNotOptimize(mBuffer.get());
    return total;
  }

  // Writes size bytes of the buffer, over and over, as the file at path (replacing it).
  void Write(const std::string& path, std::size_t size) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0) std::abort();
    for (std::size_t done = 0; done < size;) {
      const ssize_t put = write(file, mBuffer.get(), std::min(kChunk, size - done));
      if (put <= 0) std::abort();
      done += static_cast<std::size_t>(put);
    }
    if (close(file) != 0) std::abort();
  }

 private:
  std::unique_ptr<char[]> mBuffer;
};

// Times the plain read of a file alone, as a reference line in the output.
inline void TimePlainRead(benchmark::State& state, const std::string& path) {
  PlainIo plain;
  for (auto _ : state) benchmark::DoNotOptimize(plain.Read(path));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

// Each iteration times a plain read of the file's bytes and then the work, so that both
// see the same machine; `ratio_to_plain_read` is the ratio of the sums.
template <typename Work>
void TimeAgainstPlainRead(benchmark::State& state, const std::string& path, Work work) {
  PlainIo plainIo;
  double plain = 0;
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto start = Clock::now();
    benchmark::DoNotOptimize(plainIo.Read(path));
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

// Converting the gene information (GIN) file of a full-size expression chip (54,000 probe
// sets with long descriptions) into the three load files of the gene information step,
// against a plain read of the same file's bytes in the same run. The load files repeat a
// row's description for each of its classifications, so they are several times the GIN
// file's size: the run also reports the time against a plain read plus a plain write of
// as many bytes as the load files hold, and converts a second file whose rows hold one
// classification each, so that the load files are about the GIN file's size. The rows are
// converted on all worker threads and on one; the parse alone is timed with the load files
// sent to /dev/null.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_support.hpp"
#include "installer/steps/gin_reader.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/library_folder.hpp"

namespace {

constexpr int kProbeSets = 54000;
constexpr std::size_t kDescriptionLength = 600;

class FullGin {
 public:
  // The file whose rows keep at most `classifications` of their classification values.
  static const FullGin& Get(int classifications) {
    static const FullGin all(libgen::kGinClassificationCount);
    static const FullGin one(1);
    return classifications == 1 ? one : all;
  }
  bench::ScratchFolder folder;
  std::string source;
  std::string path;

 private:
  explicit FullGin(int classifications) : folder("gin-convert-" + std::to_string(classifications)) {
    source = folder.File("source");
    path = source + "/Chip_A/LibFiles/" + libgen::GinFileName("Chip_A");
    libgen::GinFile gin = libgen::StandardGin(kProbeSets, kDescriptionLength, 7);
    for (libgen::GinRow& row : gin.rows)
      for (std::size_t i = static_cast<std::size_t>(classifications);
           i < row.classifications.size(); ++i)
        row.classifications[i].clear();
    if (!libgen::WriteTextFile(path, libgen::GinText(gin))) std::abort();
  }
};

void BM_GinPlainRead(benchmark::State& state) {
  bench::TimePlainRead(state, FullGin::Get(libgen::kGinClassificationCount).path);
}

// The conversion on `threads` worker threads (0: all), its load files written or, for the
// parse alone, sent to /dev/null.
void ConvertGin(benchmark::State& state, const FullGin& gin, int threads, bool parseOnly) {
  platform::LimitWorkerThreads(threads);
  quellbrook::GinReader reader;
  reader.sourceFolder = gin.source;
  reader.typeName = "Chip_A";
  reader.typeFolder = "Chip_A";
  reader.urlFile = gin.folder.File("gin.krx");
  reader.headerFile = gin.folder.File("gin.hdr");
  reader.descriptionFile = gin.folder.File("gin.des");
  const std::string plainOut = gin.folder.File("plain.out");
  // The step deletes the load files before each read. Their names are copied, as the parse
  // alone points the reader at /dev/null.
  const std::array<std::string, 3> outputs = {reader.urlFile, reader.headerFile,
                                              reader.descriptionFile};
  const auto removeOutputs = [&] {
    for (const std::string& file : outputs) std::remove(file.c_str());
  };
  removeOutputs();
  if (reader.RunGinRead() != 0 || reader.rowCount != kProbeSets) {
    state.SkipWithError("GIN conversion failed");
    return;
  }
  std::size_t outputBytes = 0;
  for (const std::string& file : outputs) outputBytes += std::filesystem::file_size(file);
  if (parseOnly) {
    removeOutputs();
    reader.urlFile = reader.headerFile = reader.descriptionFile = "/dev/null";
  }

  bench::PlainIo plainIo;
  double plainRead = 0;
  double plainWrite = 0;
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    removeOutputs();
    auto start = bench::Clock::now();
    benchmark::DoNotOptimize(plainIo.Read(gin.path));
    plainRead += bench::Seconds(bench::Clock::now() - start);
    std::remove(plainOut.c_str());
    start = bench::Clock::now();
    plainIo.Write(plainOut, outputBytes);
    plainWrite += bench::Seconds(bench::Clock::now() - start);
    std::remove(plainOut.c_str());
    state.ResumeTiming();
    start = bench::Clock::now();
    if (reader.RunGinRead() != 0) state.SkipWithError("GIN conversion failed");
    total += bench::Seconds(bench::Clock::now() - start);
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["ratio_to_plain_read"] = total / plainRead;
  state.counters["ratio_to_plain_io"] = total / (plainRead + plainWrite);
  state.counters["plain_read_ms"] = plainRead / iterations * 1000;
  state.counters["plain_write_ms"] = plainWrite / iterations * 1000;
  state.counters["output_mb"] = static_cast<double>(outputBytes) / (1 << 20);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(gin.path)));
  platform::LimitWorkerThreads(0);
}

void BM_GinConvert(benchmark::State& state) {
  ConvertGin(state, FullGin::Get(libgen::kGinClassificationCount), 0, false);
}

void BM_GinConvertOneThread(benchmark::State& state) {
  ConvertGin(state, FullGin::Get(libgen::kGinClassificationCount), 1, false);
}

void BM_GinConvertOneClassification(benchmark::State& state) {
  ConvertGin(state, FullGin::Get(1), 0, false);
}

void BM_GinParse(benchmark::State& state) {
  ConvertGin(state, FullGin::Get(libgen::kGinClassificationCount), 0, true);
}

void BM_GinParseOneThread(benchmark::State& state) {
  ConvertGin(state, FullGin::Get(libgen::kGinClassificationCount), 1, true);
}

}  // namespace

BENCHMARK(BM_GinPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GinConvert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GinConvertOneThread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GinConvertOneClassification)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GinParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GinParseOneThread)->Unit(benchmark::kMillisecond);

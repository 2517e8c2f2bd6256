// Opening, normalising and modelling a group of 100 binary cell files of 712 x 712 cells
// with 22,000 probe sets, default settings, the way Open Group, Normalize and Model-based
// Expression run them: once with every job on one thread and once on all cores, against a
// plain read of the group's files. A second open that takes the QVF files written by the
// first is timed against a plain read of those files.
//
// ZELKO_BENCH_LOG set in the environment lets the log through, to see what the jobs say.
// The chip and the cell files are written once into a folder under the temporary folder
// named after their sizes and seeds, and reused by later runs; delete it to make them anew.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bench/bench_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/load_cdf.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/model_expression.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/jobs/open_group.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/byte_writer.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/chip_writers.hpp"

namespace {

constexpr int kArrays = 100;
constexpr int kDimension = 712;
constexpr int kUnits = 22000;
constexpr int kPairs = 11;
constexpr std::uint64_t kChipSeed = 5;
constexpr std::uint64_t kGroupSeed = 8;

namespace fs = std::filesystem;

// The group's files, made on the first run only: a marker file written last says they
// are complete, so a run stopped half way makes them again.
class GroupFiles {
 public:
  fs::path folder;    // the cell files, and the QVF files the open writes beside them
  fs::path cdfPath;   // the chip description, apart so the open finds only cell files
  fs::path workPath;  // the group's working folder
  std::vector<std::string> cells;
  std::vector<std::string> qvfs;

  void RemoveQvfFiles() const {
    std::error_code error;
    for (const std::string& qvf : qvfs) fs::remove(qvf, error);
  }

  GroupFiles() {
    const fs::path root = fs::temp_directory_path() /
                          ("zelko-open-group-bench-" + std::to_string(kArrays) + "x" +
                           std::to_string(kDimension) + "x" + std::to_string(kUnits) + "-" +
                           std::to_string(kChipSeed) + "-" + std::to_string(kGroupSeed));
    folder = root / "cells";
    workPath = root / "work";
    synth::ChipOptions chipOptions;
    chipOptions.dimension = kDimension;
    chipOptions.unitCount = kUnits;
    chipOptions.minPairs = kPairs;
    chipOptions.maxPairs = kPairs;
    chipOptions.seed = kChipSeed;
    std::string error;
    const auto chip = synth::MakeChip(chipOptions, &error);
    if (!chip) std::abort();
    cdfPath = root / synth::FileNameFor(*chip, synth::ChipForm::kTextCdf);
    for (int a = 0; a < kArrays; ++a) {
      char name[16];
      std::snprintf(name, sizeof name, "array%03d", a + 1);
      cells.push_back((folder / (std::string(name) + ".CEL")).string());
      qvfs.push_back((folder / (std::string(name) + ".qvf")).string());
    }
    const fs::path marker = root / "complete";
    if (fs::exists(marker)) return;
    std::error_code removed;
    fs::remove_all(root, removed);
    fs::create_directories(folder);
    fs::create_directories(workPath);
    if (!synth::WriteTextCdf(*chip, cdfPath.string())) std::abort();
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = kArrays;
    groupOptions.seed = kGroupSeed;
    const synth::ArrayGroupTruth group = synth::MakeArrayGroup(*chip, groupOptions);
    for (int a = 0; a < kArrays; ++a) {
      // Each scan its own time, or the open would take them for one scan.
      char scanTime[32];
      std::snprintf(scanTime, sizeof scanTime, "01/02/03 %02d:%02d:00", a / 60, a % 60);
      const synth::ArrayTruth scanned = synth::ScannedArray(
          *chip, group, a, fs::path(cells[static_cast<std::size_t>(a)]).stem(), scanTime);
      if (!synth::WriteCel(scanned, synth::CelForm::kBinary, cells[static_cast<std::size_t>(a)]))
        std::abort();
    }
    if (!platform::WriteWholeFile(marker.string(), {})) std::abort();
  }
};

// A group started on the files with default settings and the chip loaded, for one run.
class ChipOpened {
 public:
  ChipOpened() {
    const GroupFiles& files = bench::Shared<GroupFiles>();
    if (std::getenv("ZELKO_BENCH_LOG") == nullptr) bench::SilenceLog();
    AnalysisRunning = 1;
    StartGroup(files.workPath.string());
    TheGroup().SetName("bench");
    GroupSettings& settings = TheGroup().Settings();
    settings.DATA_PATH = files.folder.string();
    settings.WORKING_DIR = files.workPath.string();
    settings.CDF_FILE = files.cdfPath.string();
    // The batch normalisation, without the review of each array's plot.
    settings.VIEW_NORM_PLOT = 0;
    CdfLoadSettings load;
    if (!LoadCdf(files.cdfPath.string(), true, "", load)) std::abort();
  }
  ~ChipOpened() { DiscardGroup(); }
};

bool Open() {
  if (!SearchDataFiles()) return false;
  // As the Open Group command marks a group read from its data files.
  TheGroup().HasProbeData = true;
  return true;
}

// Processor seconds of every thread of the process: on a machine shared with other work,
// the one-thread run's processor time tells its speed better than the clock.
double ProcessorSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Seconds of the open, the normalisation and the model job, and the processor seconds
// of all three.
struct StageSeconds {
  double open = 0.0;
  double normalize = 0.0;
  double model = 0.0;
  double processor = 0.0;
  double Total() const { return open + normalize + model; }
  void Add(const StageSeconds& other) {
    open += other.open;
    normalize += other.normalize;
    model += other.model;
    processor += other.processor;
  }
};

StageSeconds OpenNormalizeModel() {
  StageSeconds stages;
  const double processorStart = ProcessorSeconds();
  auto start = bench::Clock::now();
  if (!Open()) std::abort();
  stages.open = bench::Seconds(bench::Clock::now() - start);
  start = bench::Clock::now();
  if (!NormalizeArrays(false)) std::abort();
  stages.normalize = bench::Seconds(bench::Clock::now() - start);
  start = bench::Clock::now();
  if (!ComputeModelExpression()) std::abort();
  stages.model = bench::Seconds(bench::Clock::now() - start);
  stages.processor = ProcessorSeconds() - processorStart;
  return stages;
}

double PlainReadOf(const std::vector<std::string>& paths) {
  bench::PlainIo plain;
  const auto start = bench::Clock::now();
  for (const std::string& path : paths) benchmark::DoNotOptimize(plain.Read(path));
  return bench::Seconds(bench::Clock::now() - start);
}

void BM_OpenNormalizeModel(benchmark::State& state) {
  const GroupFiles& files = bench::Shared<GroupFiles>();
  const ChipOpened chip;
  StageSeconds oneThread;
  StageSeconds allCores;
  double plain = 0.0;
  double reopen = 0.0;
  double plainQvf = 0.0;
  for (auto _ : state) {
    files.RemoveQvfFiles();
    plain += PlainReadOf(files.cells);
    platform::LimitWorkerThreads(1);
    oneThread.Add(OpenNormalizeModel());
    platform::LimitWorkerThreads(0);
    files.RemoveQvfFiles();
    allCores.Add(OpenNormalizeModel());
    // The second open takes the QVF files the first one wrote.
    plainQvf += PlainReadOf(files.qvfs);
    const auto start = bench::Clock::now();
    if (!Open()) std::abort();
    reopen += bench::Seconds(bench::Clock::now() - start);
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["seconds_one_thread"] = oneThread.Total() / runs;
  state.counters["seconds_all_cores"] = allCores.Total() / runs;
  state.counters["processor_seconds_one_thread"] = oneThread.processor / runs;
  state.counters["processor_seconds_all_cores"] = allCores.processor / runs;
  state.counters["ratio_to_plain_read"] = allCores.Total() / plain;
  state.counters["open_one_thread"] = oneThread.open / runs;
  state.counters["normalize_one_thread"] = oneThread.normalize / runs;
  state.counters["model_one_thread"] = oneThread.model / runs;
  state.counters["open_all_cores"] = allCores.open / runs;
  state.counters["normalize_all_cores"] = allCores.normalize / runs;
  state.counters["model_all_cores"] = allCores.model / runs;
  state.counters["reopen_seconds"] = reopen / runs;
  state.counters["reopen_ratio_to_plain_read"] = reopen / plainQvf;
  state.counters["threads"] = platform::WorkerThreadCount();
}
BENCHMARK(BM_OpenNormalizeModel)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(3);

}  // namespace

// Reading the gene information of a full-size expression chip (54,000 probe sets, four
// term columns shaped like the annotation import's: gene-ontology and protein-domain
// numbers backed by annotation index files, pathway and chromosome names), against a
// plain read of the same file's bytes in the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/cdf_layout.hpp"
#include "engine/group.hpp"
#include "engine/log_channel.hpp"
#include "genes/gene_info.hpp"
#include "platform/byte_reader.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

class SilentLog final : public LogSink {
 public:
  void AddText(std::string_view, bool, COLORREF) override {}
};

constexpr int kProbeSets = 54000;

// One layout, group and gene information file for the whole run.
class FullGeneInfo {
 public:
  static const FullGeneInfo& Get() {
    static const FullGeneInfo info;
    return info;
  }
  std::string path;

 private:
  FullGeneInfo() {
    static SilentLog silent;
    SetLogSink(&silent);
    mFolder = std::filesystem::temp_directory_path() /
              ("zelko-gene-info-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(mFolder);
    StartGroup(mFolder.string());

    std::vector<std::string> names;
    names.reserve(kProbeSets);
    for (int i = 0; i < kProbeSets; ++i) names.push_back(std::to_string(200000 + i) + "_at");
    Layout.units.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) Layout.units[i].SetName(names[i]);
    Layout.unitCount = kProbeSets;

    synth::GeneInfoOptions options;
    options.seed = 3;
    options.vocabulary = 1200;
    options.maxTermsPerColumn = {12, 4, 3, 3};
    options.indexBacked = {true, true, false, false};
    // The annotation import writes the probe sets in chip order.
    const synth::GeneInfoTruth truth = synth::MakeGeneInfo(names, options);
    path = (mFolder / "genes.txt").string();
    if (!synth::WriteGeneInfo(truth, path)) std::abort();
  }
  ~FullGeneInfo() {
    DiscardGroup();
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

void BM_GeneInfoPlainRead(benchmark::State& state) {
  const FullGeneInfo& info = FullGeneInfo::Get();
  for (auto _ : state) benchmark::DoNotOptimize(platform::ReadWholeFile(info.path));
}

void BM_GeneInfoRead(benchmark::State& state) {
  const FullGeneInfo& info = FullGeneInfo::Get();
  const double plain = PlainReadSeconds(info.path);
  double total = 0;
  for (auto _ : state) {
    AnalysisRunning = 1;
    const auto start = Clock::now();
    if (!ReadGeneInfoFile(info.path, true)) state.SkipWithError("gene information read failed");
    total += Seconds(Clock::now() - start);
  }
  AnalysisRunning = 0;
  const double perIteration = total / static_cast<double>(state.iterations());
  state.counters["ratio_to_plain_read"] = perIteration / plain;
  state.counters["plain_read_ms"] = plain * 1000;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(info.path)));
}

}  // namespace

BENCHMARK(BM_GeneInfoPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneInfoRead)->Unit(benchmark::kMillisecond);

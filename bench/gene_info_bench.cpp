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

#include "bench/bench_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/info/gene_info.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

constexpr int kProbeSets = 54000;

// One layout, group and gene information file for the whole run.
struct FullGeneInfo {
  std::string path;

  FullGeneInfo() : mFolder("gene-info") {
    const std::vector<std::string> names = bench::ExpressionProbeSetNames(kProbeSets);
    bench::NameProbeSets(names);

    synth::GeneInfoOptions options;
    options.seed = 3;
    options.vocabulary = 1200;
    options.maxTermsPerColumn = {12, 4, 3, 3};
    options.indexBacked = {true, true, false, false};
    // The annotation import writes the probe sets in chip order.
    const synth::GeneInfoTruth truth = synth::MakeGeneInfo(names, options);
    path = mFolder.File("genes.txt");
    if (!synth::WriteGeneInfo(truth, path)) std::abort();
  }
  ~FullGeneInfo() { DiscardGroup(); }
  bench::ScratchGroup mFolder;
};

void BM_GeneInfoPlainRead(benchmark::State& state) {
  const FullGeneInfo& info = bench::Shared<FullGeneInfo>();
  bench::TimePlainRead(state, info.path);
}

void BM_GeneInfoRead(benchmark::State& state) {
  const FullGeneInfo& info = bench::Shared<FullGeneInfo>();
  bench::TimeAgainstPlainRead(state, info.path, [&] {
    AnalysisRunning = 1;
    if (!ReadGeneInfoFile(info.path, true)) state.SkipWithError("gene information read failed");
  });
  AnalysisRunning = 0;
}

// The same read on the calling thread alone: the work the threads share.
void BM_GeneInfoReadOneThread(benchmark::State& state) {
  const GeneInfoReadSplit split = GeneInfoSplit;
  GeneInfoSplit.threads = 1;
  BM_GeneInfoRead(state);
  GeneInfoSplit = split;
}

}  // namespace

BENCHMARK(BM_GeneInfoPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneInfoRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneInfoReadOneThread)->Unit(benchmark::kMillisecond);

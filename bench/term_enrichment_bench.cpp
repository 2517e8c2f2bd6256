// Classifying a gene list of 500 genes by the terms of gene information for 22,000 probe
// sets whose four term columns hold full tables (1300 terms each), on one thread: the
// list read with its lines, every term's count and p-value, and the file written.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/annotation/term_enrichment.hpp"
#include "genes/info/gene_info.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

constexpr int kProbeSets = 22000;
constexpr int kListGenes = 500;
constexpr int kTermsPerColumn = kMaxTerms;

struct EnrichmentSetup {
  std::string listPath;
  std::string outputPath;

  EnrichmentSetup() : mFolder("term-enrichment") {
    bench::NameProbeSets(kProbeSets);
    std::vector<std::string> names;
    for (int g = 0; g < kProbeSets; ++g) names.push_back("ps_" + std::to_string(g));

    synth::GeneInfoOptions options;
    options.seed = 11;
    options.vocabulary = kTermsPerColumn;
    options.maxTermsPerColumn = {30, 8, 6, 2};
    options.indexBacked = {true, true, false, false};
    synth::GeneInfoTruth truth = synth::MakeGeneInfo(names, options);
    synth::PlantOptions plant;
    plant.listSize = kListGenes;
    const synth::PlantedList list = synth::PlantEnrichedList(truth, plant);
    const std::string info = mFolder.File("genes.txt");
    listPath = mFolder.File("list.txt");
    outputPath = mFolder.File("list classified.xls");
    GroupSettings& settings = TheGroup().Settings();
    settings.MASK_REDUNDANT = 0;
    settings.SIG_GENE_PVALUE = 0.05;
    AnalysisRunning = 1;
    if (!synth::WriteGeneInfo(truth, info) || !synth::WriteGeneList(list, listPath) ||
        !ReadGeneInfoFile(info, true))
      std::abort();
    AnalysisRunning = 0;
    for (int c = 0; c < kMaxTermColumns; ++c)
      if (TermTables[static_cast<std::size_t>(c)].Count() != kTermsPerColumn) std::abort();
  }
  ~EnrichmentSetup() { DiscardGroup(); }
  bench::ScratchGroup mFolder;
};

void BM_TermEnrichment(benchmark::State& state) {
  const EnrichmentSetup& setup = bench::Shared<EnrichmentSetup>();
  for (auto _ : state) {
    AnalysisRunning = 1;
    if (!ClassifyGenesByTerms(setup.listPath, setup.outputPath, false))
      state.SkipWithError("classification failed");
  }
  AnalysisRunning = 0;
  state.counters["genes"] = kProbeSets;
  state.counters["list_genes"] = kListGenes;
  state.counters["terms"] = kMaxTermColumns * kTermsPerColumn;
  state.counters["target_ms"] = 100;
}

}  // namespace

BENCHMARK(BM_TermEnrichment)->Unit(benchmark::kMillisecond);

// The annotation import of a full-size expression chip: an annotation CSV file of 54,000
// probe sets with 30 Gene Ontology terms each into the gene information file, with the
// made-up ontology graph, against a plain read of the CSV file's bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "platform/path.hpp"
#include "tools/synth/annotation_data.hpp"
#include "tools/synth/ontology_data.hpp"

namespace {

constexpr int kProbeSets = 54000;
constexpr int kTermsPerProbeSet = 30;

// One annotation CSV file and ontology for the whole run.
struct FullAnnotation {
  std::string csv;
  std::string ontology;
  // The same shape of file whose terms fit a set without the graph (fewer than 5000).
  std::string plainCsv;

  FullAnnotation() : mFolder("annotation-import") {
    bench::SilenceLog();
    synth::OntologyOptions ontologyOptions;
    ontologyOptions.seed = 9;
    ontologyOptions.terms = 12000;
    // Most terms have one or two parents, as in the real ontology.
    ontologyOptions.maxParents = 2;
    ontologyOptions.siblingParents = true;
    const synth::OntologyTruth graph = synth::MakeOntology(ontologyOptions);
    if (!synth::WriteOntologyFiles(graph, mFolder.Path().string(), ".ontology")) std::abort();
    ontology = mFolder.File("process.ontology");
    std::vector<synth::AnnotationTerm> terms;
    for (const synth::OntologyTerm& term : graph.terms) terms.push_back({term.idText, term.name});
    const std::vector<std::string> names = bench::ExpressionProbeSetNames(kProbeSets);
    synth::AnnotationOptions options;
    options.seed = 4;
    options.minGoTerms = kTermsPerProbeSet;
    options.maxGoTerms = kTermsPerProbeSet;
    options.domains = 3000;
    const synth::AnnotationTruth truth = synth::MakeAnnotation(names, terms, options);
    csv = mFolder.File("annotation.csv");
    if (!synth::WriteTextFile(csv, truth.text)) std::abort();
    terms.resize(4000);
    plainCsv = mFolder.File("plain terms.csv");
    if (!synth::WriteTextFile(plainCsv, synth::MakeAnnotation(names, terms, options).text))
      std::abort();
  }
  bench::ScratchFolder mFolder;
};

void BM_AnnotationImportPlainRead(benchmark::State& state) {
  bench::TimePlainRead(state, bench::Shared<FullAnnotation>().csv);
}

void ImportAgainstPlainRead(benchmark::State& state, const std::string& csv,
                            const std::string& ontology) {
  bench::TimeAgainstPlainRead(state, csv, [&] {
    AnalysisRunning = 1;
    AnnotImport = ANNOT_IMPORT{};
    AnnotImport.csvPath = csv;
    AnnotImport.ontologyPath = ontology;
    AnnotImport.type = kGeneInfoFileType;
    if (!ReadCsvHeader(AnnotImport)) state.SkipWithError("annotation CSV header refused");
    MakeInfoFileName(AnnotImport);
    if (!MakeInformationFile(AnnotImport)) state.SkipWithError("annotation import failed");
  });
  AnalysisRunning = 0;
}

void BM_AnnotationImport(benchmark::State& state) {
  const FullAnnotation& annotation = bench::Shared<FullAnnotation>();
  ImportAgainstPlainRead(state, annotation.csv, annotation.ontology);
}

// Without the graph the terms are taken as the file names them: the reading, the term
// sets and the writing apart from completing each probe set's terms with their ancestors.
void BM_AnnotationImportWithoutGraph(benchmark::State& state) {
  ImportAgainstPlainRead(state, bench::Shared<FullAnnotation>().plainCsv, "None");
}

}  // namespace

BENCHMARK(BM_AnnotationImportPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnnotationImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnnotationImportWithoutGraph)->Unit(benchmark::kMillisecond);

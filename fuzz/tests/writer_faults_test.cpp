// Every writer of the program's libraries and tools on a full disk and in a read-only
// folder: each reports the failure (false, and its red line naming the file with the
// system's reason, or the system's error number to the caller that words it), and the file
// an earlier run wrote stays byte for byte as it was, with nothing left beside it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/jobs/array_summary.hpp"
#include "engine/jobs/cel_export.hpp"
#include "engine/jobs/current_array_qvf.hpp"
#include "engine/jobs/expression_data_file.hpp"
#include "engine/jobs/probe_export.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/redirected_process.hpp"
#include "engine/services/run_external_program.hpp"
#include "engine/services/user_prompt.hpp"
#include "fuzz/fuzz_state.hpp"
#include "fuzz/made_arrays.hpp"
#include "genes/annotation/annotation_gene_lists.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "genes/annotation/ontology_browser_link.hpp"
#include "genes/annotation/term_enrichment.hpp"
#include "genes/annotation/term_set.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/lda/lda_result.hpp"
#include "genes/lda/lda_result_file.hpp"
#include "genes/pathway/pathway.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/files/curve_file.hpp"
#include "genome/files/region_summary.hpp"
#include "genome/info/snp_info.hpp"
#include "genome/linkage/merlin_interface.hpp"
#include "genome/linkage/pedigree.hpp"
#include "installer/framework/hidden_wait.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/report_headers.hpp"
#include "installer/steps/cif_scanner_section.hpp"
#include "installer/steps/data_line_copy.hpp"
#include "installer/steps/registry_key_step.hpp"
#include "installer/steps/scan_parameter_step.hpp"
#include "platform/byte_reader.hpp"
#include "platform/registry.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/failing_writes.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/synth/annotation_data.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

using platform::testing::TempFolder;
using platform::testing::WriteFailureCase;

// The red lines a writer logs.
class RedLines : public LogSink {
 public:
  RedLines() : mPrevious(SetLogSink(this)) {}
  ~RedLines() override { SetLogSink(mPrevious); }
  RedLines(const RedLines&) = delete;
  RedLines& operator=(const RedLines&) = delete;
  // Every line goes on to the sink before, so that a writer's own lines reach the loop's.
  void AddText(std::string_view text, bool newLine, COLORREF colour) override {
    if (colour == kLogRed) lines.emplace_back(text);
    if (mPrevious != nullptr) mPrevious->AddText(text, newLine, colour);
  }
  std::vector<std::string> lines;

 private:
  LogSink* mPrevious;
};

// The texts of the message boxes a writer shows; every box is answered OK.
class BoxTexts : public UserPrompt {
 public:
  BoxTexts() : mPrevious(SetUserPrompt(this)) {}
  ~BoxTexts() override { SetUserPrompt(mPrevious); }
  BoxTexts(const BoxTexts&) = delete;
  BoxTexts& operator=(const BoxTexts&) = delete;
  // Every box goes on to the prompt before too, for the loop's.
  int MessageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                 MessageIcon icon) override {
    texts.emplace_back(text);
    if (mPrevious != nullptr) mPrevious->MessageBox(text, caption, buttons, icon);
    return kAnswerOk;
  }
  std::optional<std::string> FileName(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> FolderName(std::string_view) override { return std::nullopt; }
  std::vector<std::string> texts;

 private:
  UserPrompt* mPrevious;
};

// How a writer tells of a failure.
enum class Says {
  kRedLine,      // a red line naming one of its files, with the system's reason
  kErrorNumber,  // the system's error number, for the caller's own message
  kBox,          // a message box with the system's reason
  kInstallLog,   // a line of the installation log (kept apart) naming a file, with the reason
  kNowhere       // nothing: it is the log the failures go to; its earlier lines stay
};

// A writer: it writes its files into folder (the first call must succeed); false when it
// could not, with the system's error number in error for kErrorNumber writers.
struct Writer {
  const char* name;
  FuzzLayout layout;
  Says says;
  // The files it writes, in folder.
  std::vector<const char*> files;
  std::function<bool(const std::string& folder, int& error)> write;
  // False for a file made anew on each run, whose earlier copy the writer removes first so
  // that a failed run never leaves it for its reader.
  bool keepsEarlier = true;
};

std::string In(const std::string& folder, const char* name) {
  return folder + "/" + name;
}

// Runs write with errno cleared: whether it wrote, with the error number it left in error.
bool WithErrorNumber(int& error, const std::function<bool()>& write) {
  errno = 0;
  const bool written = write();
  error = written ? 0 : errno;
  return written;
}

std::optional<std::vector<std::uint8_t>> Bytes(const std::string& path) {
  return platform::ReadWholeFile(path);
}

// The installation log of the installer's steps, in a folder of its own that the faults
// leave alone, so that it can tell why a step's file was not written.
std::string InstallLog() {
  static const TempFolder logs;
  return (logs.Path() / "install.log").string();
}

// The registry file the process uses, for a scope.
class ScopedRegistry {
 public:
  explicit ScopedRegistry(const std::string& path) {
    const char* previous = std::getenv(platform::kRegistryPathVariable);
    if (previous != nullptr) mPrevious = previous;
    setenv(platform::kRegistryPathVariable, path.c_str(), 1);
  }
  ~ScopedRegistry() {
    if (mPrevious)
      setenv(platform::kRegistryPathVariable, mPrevious->c_str(), 1);
    else
      unsetenv(platform::kRegistryPathVariable);
  }
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

 private:
  std::optional<std::string> mPrevious;
};

std::vector<std::string> UnitNames() {
  std::vector<std::string> names;
  for (int u = 0; u < Layout.unitCount; ++u)
    names.emplace_back(Layout.units[static_cast<std::size_t>(u)].Name());
  return names;
}

// Generated gene information of the loaded layout's probe sets read into use, with a gene
// list enriched in some of its terms beside it (written once into folder).
bool LoadGeneInformation(const std::string& folder) {
  const std::string info = In(folder, "genes.txt");
  if (!std::filesystem::exists(info)) {
    synth::GeneInfoOptions options;
    options.vocabulary = 6;
    options.maxTermsPerGene = 2;
    synth::GeneInfoTruth truth = synth::MakeGeneInfo(UnitNames(), options);
    const synth::PlantedList list = synth::PlantEnrichedList(truth, {7, 5, 1, 80});
    if (!synth::WriteGeneInfo(truth, info) || !synth::WriteGeneList(list, In(folder, "list.txt")))
      return false;
  }
  return ReadGeneInfoFile(info, true);
}

// One array of the loaded layout in the group, from a cell file the generator wrote into
// folder, its intensities held as an open from data files holds them.
bool AddGeneratedArray(const std::string& folder) {
  const auto chip = synth::MakeChip(synth::ChipOptions{});
  if (!chip) return false;
  const auto array = synth::MakeArray(*chip, synth::ArrayOptions{});
  const std::string cel = In(folder, "source.CEL");
  if (!array || !synth::WriteCel(*array, synth::CelForm::kText, cel)) return false;
  ArraySlot& slot = TheGroup().NextArraySlot();
  slot.name = "source";
  slot.dataFile = cel;
  slot.values.assign(static_cast<std::size_t>(Layout.unitCount), VALUE_TRIPLE{});
  for (std::size_t u = 0; u < slot.values.size(); ++u)
    slot.values[u] = VALUE_TRIPLE{MadeValue(static_cast<int>(u), 1) * 10.0f, 0.5f, 0};
  slot.intensities.assign(
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension), 0);
  for (std::size_t c = 0; c < slot.intensities.size(); ++c)
    slot.intensities[c] = static_cast<std::uint16_t>(50 + c % 900);
  return TheGroup().CountArray();
}

// The three samples of the genome state, one to a person of a family of three.
std::vector<PedigreePerson> Trio() {
  std::vector<PedigreePerson> persons(3);
  for (int p = 0; p < 3; ++p) {
    PedigreePerson& person = persons[static_cast<std::size_t>(p)];
    person.family = 1;
    person.person = p + 1;
    person.sex = p == 1 ? 2 : 1;
    person.affection = p == 2 ? 2 : 1;
    person.array = p;
    person.arrayName = "S" + std::to_string(p + 1);
    person.generation = p == 2 ? 1 : 0;
  }
  persons[2].father = 1;
  persons[2].mother = 2;
  persons[2].fatherIndex = 0;
  persons[2].motherIndex = 1;
  return persons;
}

// The writers of the engine: arrays, the chip, the group, its jobs and the outside programs it
// runs.
const std::vector<Writer>& EngineWriters() {
  static const std::vector<Writer> writers = {
      {"QVF file",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"a.qvf"},
       [](const std::string& folder, int& error) {
         CHIP_DATA chip = MadeArray(In(folder, "a.CEL"), false);
         return chip.WriteQvf(&error);
       }},
      {"model's QVF store",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"a.qvf"},
       [](const std::string& folder, int&) {
         const std::string cel = In(folder, "a.CEL");
         if (!std::filesystem::exists(In(folder, "a.qvf")) && !MadeArray(cel, false).WriteQvf())
           return false;
         std::vector<VALUE_TRIPLE> triples(static_cast<std::size_t>(Layout.unitCount));
         for (std::size_t u = 0; u < triples.size(); ++u)
           triples[u] = VALUE_TRIPLE{MadeValue(static_cast<int>(u), 2), 0.5f, 2};
         return StoreQvfValues(cel, triples, 0.125f, 0.25f) == QvfStore::kStored;
       }},
      {"PSI file",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"a.psi"},
       [](const std::string& folder, int&) {
         PSI_FILE psi;
         return psi.AllocPsiPlanes() && psi.WritePsiFile(In(folder, "a.psi"));
       }},
      {"chip cache",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"chip.cache"},
       [](const std::string& folder, int&) {
         Layout.cachePath = In(folder, "chip.cache");
         return SaveCdfCache();
       }},
      {"Export CEL",
       FuzzLayout::kLoaded,
       Says::kErrorNumber,
       {"export.cel"},
       [](const std::string& folder, int& error) {
         if (TheGroup().NumArrays() == 0 && !AddGeneratedArray(folder)) return false;
         return WriteCelFile(0, In(folder, "export.cel"), &error);
       }},
      {"Save QVF File",
       FuzzLayout::kLoaded,
       Says::kErrorNumber,
       {"source.qvf"},
       [](const std::string& folder, int& error) {
         if (TheGroup().NumArrays() == 0 && !AddGeneratedArray(folder)) return false;
         TheGroup().Settings().CUR_ARRAY = 0;
         return WriteCurrentArrayQvf(&error);
       }},
      {"expression table",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"values.xls"},
       [](const std::string& folder, int&) {
         if (TheGroup().NumArrays() == 0 && !AddGeneratedArray(folder)) return false;
         SampleGrouping.SetDefaultGrouping();
         for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample)
           SampleGrouping.SetSelected(sample, true);
         return WriteExpressionData(In(folder, "values.xls"));
       }},
      {"expression table appended to",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"appended.xls"},
       [](const std::string& folder, int&) {
         if (TheGroup().NumArrays() == 0 && !AddGeneratedArray(folder)) return false;
         SampleGrouping.SetDefaultGrouping();
         for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample)
           SampleGrouping.SetSelected(sample, true);
         TheGroup().RunOptions().appendExpressionExport = true;
         const bool written = WriteExpressionData(In(folder, "appended.xls"));
         TheGroup().RunOptions().appendExpressionExport = false;
         return written;
       }},
      {"probe intensity table",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"probes.xls"},
       [](const std::string& folder, int&) {
         if (TheGroup().NumArrays() == 0 && !AddGeneratedArray(folder)) return false;
         SampleGrouping.SetDefaultGrouping();
         return ExportProbeValues(In(folder, "probes.xls"), false);
       }},
      {"settings file",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"writers.ini"},
       [](const std::string& folder, int&) {
         StartGroup(folder);
         TheGroup().SetName("writers");
         return TheGroup().WriteGroupSettings();
       }},
      {"class file",
       FuzzLayout::kGenome,
       Says::kRedLine,
       {"samples.cls"},
       [](const std::string& folder, int&) {
         const std::string info = In(folder, "info.txt");
         if ((!std::filesystem::exists(info) &&
              !synth::WriteTextFile(info,
                                    "Array\tName\tTissue\nS1\t\tliver\nS2\t\tbrain\n"
                                    "S3\t\tliver\n")) ||
             !SampleInfo.ReadSampleInfoFile(info))
           return false;
         for (int sample = 0; sample < 3; ++sample) SampleGrouping.SetSelected(sample, true);
         return SampleInfo.WriteClassFile(In(folder, "samples.cls"), 0);
       }},
      {"array summary",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"writers arrays.xls"},
       [](const std::string& folder, int&) {
         if (TheGroup().NumArrays() == 0 && !AddGeneratedArray(folder)) return false;
         TheGroup().SetName("writers");
         TheGroup().Settings().WORKING_DIR = folder;
         const RedLines red;
         WriteArraySummary(false);
         return red.lines.empty();
       }},
      {"outside program's output copy",
       FuzzLayout::kEmpty,
       Says::kRedLine,
       {"result.txt"},
       [](const std::string& folder, int&) {
         const std::string script = In(folder, "scores.sh");
         if (!std::filesystem::exists(script) &&
             (!synth::WriteTextFile(script,
                                    "#!/bin/sh\ni=0; while [ $i -lt 3000 ]; do echo \"m$i 1.5\"; "
                                    "i=$((i+1)); done\n") ||
              ::chmod(script.c_str(), 0755) != 0))
           return false;
         // More than one read's worth of output, so that a copy cut short after its first
         // pieces would show.
         const std::string copy = In(folder, "result.txt");
         return RunExternalProgram(script, "", copy) &&
                std::filesystem::file_size(copy) > 2 * kRedirectReadBytes;
       }},
  };
  return writers;
}

// The writers of the gene libraries: annotation, clustering, pathways, samples on a plane.
const std::vector<Writer>& GeneWriters() {
  static const std::vector<Writer> writers = {
      {"ontology browser's INI file",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {kOntoroamIniName},
       [](const std::string& folder, int& error) {
         OntoroamRun run;
         run.folder = folder;
         run.infoFile = In(folder, "genes.txt");
         run.geneList1 = In(folder, "list.txt");
         return WriteOntoroamIni(run, error);
       }},
      {"tree file",
       FuzzLayout::kLoaded,
       Says::kErrorNumber,
       {"genes.tree"},
       [](const std::string& folder, int& error) {
         auto genes = CLUSTER::Create(3, 2, false);
         if (!genes) return false;
         for (int g = 0; g < 3; ++g) {
           CLUSTER_NODE& leaf = genes->Node(g);
           leaf.item = g;
           for (std::size_t j = 0; j < 2; ++j) {
             leaf.profile[j] = MadeValue(g, static_cast<int>(j)) - 2.0;
             leaf.values[j] = static_cast<float>(leaf.profile[j]);
           }
         }
         genes->options.clusterGenes = true;
         if (!ClusterTrees(*genes, nullptr)) return false;
         TreeFileNames names;
         names.geneName = [](int item) { return "g" + std::to_string(item); };
         names.sampleName = [](int sample) { return "s" + std::to_string(sample); };
         return WithErrorNumber(error, [&] {
           return WriteTreeFile(In(folder, "genes.tree"), *genes, nullptr, names);
         });
       }},
      {"pathway file",
       FuzzLayout::kEmpty,
       Says::kBox,
       {"path.pwy"},
       [](const std::string& folder, int&) {
         ClearPathway();
         if (!AddNode() || !AddNode()) return false;
         SetNodeName(0, "GENE1");
         SetNodeName(1, "GENE2");
         if (!EditArrow(0, 1, 1, true, kActivation)) return false;
         return WritePathwayFile(In(folder, "path.pwy"));
       }},
      {"LDA/PCA result",
       FuzzLayout::kGenome,
       Says::kRedLine,
       {"classes.lda"},
       [](const std::string& folder, int&) {
         InitLdaResult();
         if (!AssignClass(0, "1,3") || !AssignClass(1, "2")) return false;
         TheGroup().Settings().LDA_FILE = In(folder, "classes.lda");
         return WriteLdaResultFile();
       }},
      {"gene information and its term tables",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"import.txt", "import Gene Ontology.xls", "import Protein Domain.xls"},
       [](const std::string& folder, int&) {
         std::vector<std::string> names;
         for (int u = 0; u < Layout.unitCount; ++u)
           names.emplace_back(Layout.units[static_cast<std::size_t>(u)].Name());
         synth::AnnotationOptions options;
         options.minGoTerms = 1;
         options.domains = 4;
         ANNOT_IMPORT record;
         record.csvPath = In(folder, "import.csv");
         if (!std::filesystem::exists(record.csvPath) &&
             !synth::WriteTextFile(record.csvPath, synth::MakeAnnotation(names, {}, options).text))
           return false;
         if (!ReadCsvHeader(record)) return false;
         MakeInfoFileName(record);
         record.outputPath = In(folder, "import.txt");
         return MakeInformationFile(record);
       }},
      {"genome information from the annotation",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"genome.txt"},
       [](const std::string& folder, int&) {
         ANNOT_IMPORT record;
         record.csvPath = In(folder, "import.csv");
         if (!std::filesystem::exists(record.csvPath) &&
             !synth::WriteTextFile(record.csvPath, synth::MakeAnnotation(UnitNames(), {}, {}).text))
           return false;
         if (!ReadCsvHeader(record)) return false;
         record.type = kGenomeInfoFileType;
         record.outputPath = In(folder, "genome.txt");
         return MakeInformationFile(record);
       }},
      {"term enrichment of a gene list",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"enriched.txt"},
       [](const std::string& folder, int&) {
         return LoadGeneInformation(folder) &&
                ClassifyGenesByTerms(In(folder, "list.txt"), In(folder, "enriched.txt"), false);
       }},
      {"gene list by terms",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"by terms.txt"},
       [](const std::string& folder, int&) {
         // Every probe set: the intersection of no terms.
         return LoadGeneInformation(folder) &&
                OutputGeneListByTerms(In(folder, "by terms.txt"), {}, 0, true);
       }},
      {"gene list by keywords",
       FuzzLayout::kLoaded,
       Says::kBox,
       {"by keywords.txt"},
       [](const std::string& folder, int&) {
         if (!LoadGeneInformation(folder)) return false;
         const BoxTexts boxes;
         ExportGeneListByKeywords(In(folder, "by keywords.txt"), "*");
         return boxes.texts.size() == 1 &&
                boxes.texts[0].find("are exported to file") != std::string::npos;
       }},
      {"common probe set pairs",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"common.xls"},
       [](const std::string& folder, int&) {
         const synth::OrthologTruth pairs = synth::MakeOrthologs(UnitNames(), {});
         ANNOT_IMPORT record;
         record.csvPath = In(folder, "orthologs.csv");
         record.outputPath = In(folder, "common.xls");
         record.chipType = pairs.chipType;
         record.otherArrayType = pairs.otherChipType;
         return (std::filesystem::exists(record.csvPath) ||
                 synth::WriteTextFile(record.csvPath, pairs.text)) &&
                MakeCommonProbeSetFile(record) && record.pairCount > 0;
       }},
      {"term frequency table",
       FuzzLayout::kEmpty,
       Says::kRedLine,
       {"chip gene info Protein Domain.xls"},
       [](const std::string& folder, int&) {
         TERM_SET domains("Protein Domain", kPlainTermSetCapacity);
         for (int id = 1; id <= 3; ++id)
           domains.Entry(domains.FindOrAddTerm(std::to_string(id), "domain", true)).geneCount = id;
         domains.SelectFrequentTerms();
         return domains.WriteTermFrequency(In(folder, "chip gene info.xls"));
       }},
  };
  return writers;
}

// The writers of the genome library: the chromosome data's files and the SNP filter.
const std::vector<Writer>& GenomeWriters() {
  static const std::vector<Writer> writers = {
      {"region file",
       FuzzLayout::kGenome,
       Says::kRedLine,
       {"regions.txt"},
       [](const std::string& folder, int&) {
         CHRO_REGION_ITEM region;
         region.chromosomeIndex = 0;
         region.begin = 1000;
         region.end = 900000;
         region.name = "first";
         return WriteRegionFile(In(folder, "regions.txt"), {region, region});
       }},
      {"curve file",
       FuzzLayout::kGenome,
       Says::kRedLine,
       {"scores.curve"},
       [](const std::string& folder, int&) {
         CHROMOSOME curve;
         if (!curve.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                             TablesFor(kChroLinkage, true, false)))
           return false;
         curve.dataType = kDataCall;
         for (int u = 0; u < Layout.unitCount; ++u)
           curve.markerStats[static_cast<std::size_t>(u)].summary[kDataCall] = MadeValue(u, 0);
         return WriteCurveFile(curve, In(folder, "scores.curve"));
       }},
      {"inferred copy number export",
       FuzzLayout::kGenome,
       Says::kRedLine,
       {"copies.txt"},
       [](const std::string& folder, int&) {
         CHROMOSOME copies;
         copies.method = kChroCopyNumber;
         copies.dataType = kDataCopyNumber;
         if (!copies.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                              TablesFor(kChroCopyNumber, true, false)) ||
             !copies.SetCopyLayout(false, 1.0f))
           return false;
         for (int u = 0; u < Layout.unitCount; ++u)
           for (int s = 0; s < SampleGrouping.SampleCount(); ++s) {
             copies.signal.Row(s)[u] = 20.0f + MadeValue(u, s);
             copies.inferred.Row(s)[u] = MadeValue(u, s);
           }
         copies.displayInferred = true;
         return ExportData(copies, In(folder, "copies.txt"));
       }},
      {"MERLIN input files",
       FuzzLayout::kGenome,
       Says::kRedLine,
       {"trio_merlin_ped.txt", "trio_merlin_dat.txt", "trio_merlin_map.txt"},
       [](const std::string& folder, int&) {
         CHROMOSOME chro;
         if (!chro.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                            TablesFor(kChroLinkage, true, false)))
           return false;
         const std::vector<int> markers = ChromosomeMarkers(chro, 0);
         return !markers.empty() &&
                WriteMerlinInputs(Trio(), chro, 0, markers, MerlinFileNames(folder, "trio"));
       }},
      {"SNP quality filter",
       FuzzLayout::kGenome,
       Says::kRedLine,
       {"snps.txt"},
       [](const std::string& folder, int&) {
         const std::string list = In(folder, "arrays.txt");
         if (!std::filesystem::exists(list) &&
             !synth::WriteTextFile(list, "S1\nStandardize\nS2\nS3\n"))
           return false;
         SampleGrouping.ReadArrayListFile(list);
         MaxFragmentLength = 100000;
         MinCallRatePercent = 0;
         TheGroup().Settings().FILTER_OUTPUT_LIST = In(folder, "snps.txt");
         return FilterSnpsByQuality();
       }},
      {"region summary",
       FuzzLayout::kGenome,
       Says::kRedLine,
       {"summary.xls"},
       [](const std::string& folder, int&) {
         CHROMOSOME chro;
         chro.method = kChroLoh;
         chro.dataType = kDataLohCall;
         if (!chro.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                            TablesFor(kChroLoh, true, false)))
           return false;
         chro.Threshold[kDataLohCall] = 0.5f;
         for (int u = 0; u < Layout.unitCount; ++u)
           chro.markerStats[static_cast<std::size_t>(u)].summary[kDataLohCall] =
               u % 5 == 0 ? 0.1f : 0.9f;
         return chro.FindSignificantRegions(false) &&
                WriteRegionSummary(chro, In(folder, "summary.xls"));
       }},
  };
  return writers;
}

// The writers of platform/ itself.
const std::vector<Writer>& PlatformWriters() {
  static const std::vector<Writer> writers = {
      {"registry",
       FuzzLayout::kEmpty,
       Says::kRedLine,
       {"registry"},
       [](const std::string& folder, int&) {
         std::string error;
         const bool written = platform::UpdateRegistryFile(
             In(folder, "registry"),
             [](platform::RegistryStore& store) {
               return store.SetNumber(platform::kHkeyCurrentUser, "Software\\Writers", "Runs", 3);
             },
             &error);
         if (!written) LogMessage(error, 0, kLogRed);
         return written;
       }},
  };
  return writers;
}

// The writers of the installer: its steps, reports, logs and batch files.
const std::vector<Writer>& InstallerWriters() {
  static const std::vector<Writer> writers = {
      {"installer's CIF section",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {"chip.cif"},
       [](const std::string& folder, int& error) {
         const std::string cif = In(folder, "chip.cif");
         if (!std::filesystem::exists(cif) &&
             !libgen::WriteTextFile(cif, "[Analysis]\nMode=1\n[Other]\nKey=2\n"))
           return false;
         return WithErrorNumber(error, [&] {
           return quellbrook::InsertSectionIntoFile(cif, "Analysis", "Scanner", {{"Name", "S1"}}) ==
                  quellbrook::SectionInsert::kInserted;
         });
       }},
      {"installer's load file",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {"load.dat"},
       [](const std::string& folder, int& error) {
         const std::string source = In(folder, "source.txt");
         if (!std::filesystem::exists(source) && !libgen::WriteTextFile(source, "a;b\nc;d\n"))
           return false;
         const std::string load = In(folder, "load.dat");
         int count = 0;
         std::string refusal;
         return WithErrorNumber(error,
                                [&] {
                                  return quellbrook::CopyDataLines(source, load.c_str(), 2, count,
                                                                   refusal);
                                }) &&
                refusal.empty();
       },
       false},
      {"installation report",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {"audit.txt"},
       [](const std::string& folder, int& error) {
         return WithErrorNumber(error, [&] {
           return quellbrook::CreateAuditReport(In(folder, "audit.txt"), "Install", "All", "1.0") ==
                  1;
         });
       }},
      {"installer's batch file",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {},  // made in the current folder for one command and removed after it
       [](const std::string& folder, int& error) {
         const std::filesystem::path previous = std::filesystem::current_path();
         std::filesystem::current_path(folder);
         const bool ran =
             WithErrorNumber(error, [] { return quellbrook::RunCommandBatch("true") == 1; });
         std::filesystem::current_path(previous);
         return ran;
       }},
      {"installation log and report lines",
       FuzzLayout::kEmpty,
       Says::kNowhere,
       {"install.log", "report.txt"},
       [](const std::string& folder, int&) {
         // The log and the report are where the installer's failures go: a line that
         // cannot be added is lost, and the lines before it stay.
         bool added = true;
         for (const char* name : {"install.log", "report.txt"}) {
           const std::string file = In(folder, name);
           const std::size_t before = Bytes(file).value_or(std::vector<std::uint8_t>{}).size();
           if (file.ends_with(".log"))
             quellbrook::WriteLogLine(file, "a line", quellbrook::kLogInfo);
           else
             quellbrook::AppendFormattedLine(file, "%d rows", 3);
           added = added && Bytes(file).value_or(std::vector<std::uint8_t>{}).size() > before;
         }
         return added;
       }},
      {"installer's registry entries",
       FuzzLayout::kEmpty,
       Says::kInstallLog,
       {"registry"},
       [](const std::string& folder, int&) {
         const ScopedRegistry registry(In(folder, "registry"));
         quellbrook::RegistryKeyStep step;
         step.logPath = InstallLog();
         return step.WriteRegistryEntries({{platform::kHkeyCurrentUser, "Software\\Writers", "Runs",
                                            quellbrook::kRegistryNumber, "3"}});
       }},
      {"installer's scanner parameters",
       FuzzLayout::kEmpty,
       Says::kInstallLog,
       {"chip.CIF"},
       [](const std::string& folder, int&) {
         const std::string cif = In(folder, "chip.CIF");
         if (!std::filesystem::exists(cif) &&
             !libgen::WriteTextFile(cif, "[HP]\nWidth=20\n[Scan7G]\nWidth=24\n"))
           return false;
         quellbrook::ScanParamStep step;
         step.logPath = InstallLog();
         return step.WriteScannerParams({{"Width", "30", ""}}, "chip", "Scan7G", cif) == 1;
       }},
  };
  return writers;
}

// The writers of the tools: the library generator and the data generator.
const std::vector<Writer>& ToolWriters() {
  static const std::vector<Writer> writers = {
      {"library generator's files",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {"types.ini"},
       [](const std::string& folder, int& error) {
         return WithErrorNumber(error, [&] {
           return libgen::WriteTextFile(In(folder, "types.ini"), "[Types]\nA=1\n");
         });
       }},
      {"generator's text files",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {"made.txt"},
       [](const std::string& folder, int& error) {
         return WithErrorNumber(
             error, [&] { return synth::WriteTextFile(In(folder, "made.txt"), "made\n"); });
       }},
      {"generator's cell files",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {"made.CEL"},
       [](const std::string& folder, int& error) {
         const auto chip = synth::MakeChip(synth::ChipOptions{});
         const auto array = chip ? synth::MakeArray(*chip, synth::ArrayOptions{}) : std::nullopt;
         return WithErrorNumber(error, [&] {
           return array && synth::WriteCel(*array, synth::CelForm::kText, In(folder, "made.CEL"));
         });
       }},
  };
  return writers;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool NamesOneOf(const std::string& line, const std::string& folder,
                const std::vector<const char*>& files) {
  return std::any_of(files.begin(), files.end(), [&](const char* file) {
    return line.find(In(folder, file)) != std::string::npos;
  });
}

// Runs every writer once to make its files, then under each fault.
void ExpectEveryWriterReportsAFailedWriteAndKeepsItsEarlierFiles(
    const std::vector<Writer>& writers) {
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.name);
    FuzzStart(writer.layout);
    AnalysisRunning = 1;  // as the commands run them, with no stop asked for
    const TempFolder temp;
    const std::string folder = temp.Path().string();
    int error = 0;
    {
      const RedLines red;
      ASSERT_TRUE(writer.write(folder, error)) << (red.lines.empty() ? "" : red.lines.front());
    }
    std::vector<std::vector<std::uint8_t>> earlier;
    for (const char* file : writer.files) {
      const auto bytes = Bytes(In(folder, file));
      ASSERT_TRUE(bytes && !bytes->empty()) << file << " was not written";
      earlier.push_back(*bytes);
    }
    const std::vector<std::string> entries = Entries(folder);
    for (const WriteFailureCase& failure : platform::testing::kWriteFailureCases) {
      SCOPED_TRACE(failure.what);
      const RedLines red;
      const BoxTexts boxes;
      error = 0;
      bool written = true;
      const auto logBefore = Bytes(InstallLog());
      {
        // The installation log lies outside the folder and is written as usual.
        const platform::testing::FailingWrites failing(
            failure, writer.says == Says::kInstallLog ? folder : std::string());
        written = writer.write(folder, error);
      }
      EXPECT_FALSE(written);
      const std::string reason = "(" + platform::SystemErrorText(failure.error) + ")";
      if (writer.says == Says::kErrorNumber) {
        EXPECT_EQ(error, failure.error) << platform::SystemErrorText(error);
      } else if (writer.says == Says::kBox) {
        EXPECT_TRUE(std::any_of(
            boxes.texts.begin(), boxes.texts.end(),
            [&](const std::string& box) { return box.find(reason) != std::string::npos; }))
            << "no box gives " << reason;
      } else if (writer.says == Says::kInstallLog) {
        const auto logAfter = Bytes(InstallLog()).value_or(std::vector<std::uint8_t>{});
        const std::size_t start = logBefore ? logBefore->size() : 0;
        const std::string added(logAfter.begin() + static_cast<std::ptrdiff_t>(start),
                                logAfter.end());
        EXPECT_TRUE(added.find(reason) != std::string::npos &&
                    NamesOneOf(added, folder, writer.files))
            << "the installation log names no file with " << reason << ": " << added;
      } else if (writer.says == Says::kRedLine) {
        EXPECT_TRUE(std::any_of(red.lines.begin(), red.lines.end(),
                                [&](const std::string& line) {
                                  return line.find(reason) != std::string::npos &&
                                         NamesOneOf(line, folder, writer.files);
                                }))
            << "no red line names the file with " << reason
            << "; red lines: " << (red.lines.empty() ? std::string("none") : red.lines.front());
      }
      for (std::size_t f = 0; f < writer.files.size(); ++f)
        EXPECT_EQ(Bytes(In(folder, writer.files[f])),
                  writer.keepsEarlier ? std::optional(earlier[f]) : std::nullopt)
            << writer.files[f];
      std::vector<std::string> kept = entries;
      if (!writer.keepsEarlier)
        for (const char* file : writer.files) std::erase(kept, std::string(file));
      EXPECT_EQ(Entries(folder), kept) << "something was left beside the files";
    }
    ClearGeneInformation();
  }
}

TEST(WriterFaults, TheEngineWritersReportAFailedWriteWithItsReasonAndKeepTheirEarlierFiles) {
  ExpectEveryWriterReportsAFailedWriteAndKeepsItsEarlierFiles(EngineWriters());
}

TEST(WriterFaults, TheGeneWritersReportAFailedWriteWithItsReasonAndKeepTheirEarlierFiles) {
  ExpectEveryWriterReportsAFailedWriteAndKeepsItsEarlierFiles(GeneWriters());
}

TEST(WriterFaults, TheGenomeWritersReportAFailedWriteWithItsReasonAndKeepTheirEarlierFiles) {
  ExpectEveryWriterReportsAFailedWriteAndKeepsItsEarlierFiles(GenomeWriters());
}

TEST(WriterFaults, ThePlatformWritersReportAFailedWriteWithItsReasonAndKeepTheirEarlierFiles) {
  ExpectEveryWriterReportsAFailedWriteAndKeepsItsEarlierFiles(PlatformWriters());
}

TEST(WriterFaults, TheInstallerWritersReportAFailedWriteWithItsReasonAndKeepTheirEarlierFiles) {
  ExpectEveryWriterReportsAFailedWriteAndKeepsItsEarlierFiles(InstallerWriters());
}

TEST(WriterFaults, TheToolWritersReportAFailedWriteWithItsReasonAndKeepTheirEarlierFiles) {
  ExpectEveryWriterReportsAFailedWriteAndKeepsItsEarlierFiles(ToolWriters());
}

}  // namespace

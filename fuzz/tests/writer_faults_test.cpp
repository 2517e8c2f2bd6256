// Every writer of the program's libraries and tools on a full disk and in a read-only
// folder: each reports the failure (false, and its red line naming the file with the
// system's reason, or the system's error number to the caller that words it), and the file
// an earlier run wrote stays byte for byte as it was, with nothing left beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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
#include "engine/jobs/cel_export.hpp"
#include "engine/jobs/current_array_qvf.hpp"
#include "engine/jobs/expression_data_file.hpp"
#include "engine/jobs/probe_export.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "fuzz/fuzz_state.hpp"
#include "fuzz/made_arrays.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "genes/annotation/ontology_browser_link.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "genes/lda/lda_result.hpp"
#include "genes/lda/lda_result_file.hpp"
#include "genes/pathway/pathway.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/files/curve_file.hpp"
#include "genome/linkage/merlin_interface.hpp"
#include "genome/linkage/pedigree.hpp"
#include "installer/steps/cif_scanner_section.hpp"
#include "installer/steps/data_line_copy.hpp"
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
  void AddText(std::string_view text, bool, COLORREF colour) override {
    if (colour == kLogRed) lines.emplace_back(text);
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
  int MessageBox(std::string_view text, std::string_view, MessageButtons, MessageIcon) override {
    texts.emplace_back(text);
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
  kBox           // a message box with the system's reason
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

const std::vector<Writer>& Writers() {
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
      {"probe intensity table",
       FuzzLayout::kLoaded,
       Says::kRedLine,
       {"probes.xls"},
       [](const std::string& folder, int&) {
         if (TheGroup().NumArrays() == 0 && !AddGeneratedArray(folder)) return false;
         SampleGrouping.SetDefaultGrouping();
         return ExportProbeValues(In(folder, "probes.xls"), false);
       }},
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
         const bool written = WriteTreeFile(In(folder, "genes.tree"), *genes, nullptr, names);
         error = written ? 0 : errno;
         return written;
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
      {"installer's CIF section",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {"chip.cif"},
       [](const std::string& folder, int& error) {
         const std::string cif = In(folder, "chip.cif");
         if (!std::filesystem::exists(cif) &&
             !libgen::WriteTextFile(cif, "[Analysis]\nMode=1\n[Other]\nKey=2\n"))
           return false;
         errno = 0;
         const bool inserted =
             quellbrook::InsertSectionIntoFile(cif, "Analysis", "Scanner", {{"Name", "S1"}}) ==
             quellbrook::SectionInsert::kInserted;
         error = inserted ? 0 : errno;
         return inserted;
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
         errno = 0;
         const bool copied = quellbrook::CopyDataLines(source, load.c_str(), 2, count, refusal);
         error = copied ? 0 : errno;
         return copied && refusal.empty();
       },
       false},
      {"library generator's files",
       FuzzLayout::kEmpty,
       Says::kErrorNumber,
       {"types.ini"},
       [](const std::string& folder, int& error) {
         errno = 0;
         const bool written = libgen::WriteTextFile(In(folder, "types.ini"), "[Types]\nA=1\n");
         error = written ? 0 : errno;
         return written;
       }},
  };
  return writers;
}

std::optional<std::vector<std::uint8_t>> Bytes(const std::string& path) {
  return platform::ReadWholeFile(path);
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

TEST(WriterFaults, EveryWriterReportsAFailedWriteWithItsReasonAndKeepsItsEarlierFiles) {
  for (const Writer& writer : Writers()) {
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
      {
        const platform::testing::FailingWrites failing(failure);
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
      } else {
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
  }
}

}  // namespace

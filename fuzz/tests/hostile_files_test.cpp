// Every reader of the program and its libraries, with a named pipe, a socket, a link to
// /dev/zero or a folder where its file should be: each refuses it at once, with its red
// line naming the reason where the reader has a line, and none waits on the pipe (a
// watchdog writes into the pipes after 30 s, so that a reader that waits fails the test
// instead of hanging it).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/array/cel_file_data.hpp"
#include "engine/array/cel_reader.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/array/dat_reader.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/chip/binary_cdf_reader.hpp"
#include "engine/chip/cdf_file_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/chip/probe_set_mask.hpp"
#include "engine/chip/probe_tab_reader.hpp"
#include "engine/chip/text_cdf_reader.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/jobs/data_file_search.hpp"
#include "engine/jobs/external_data.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/services/log_channel.hpp"
#include "fuzz/fuzz_state.hpp"
#include "fuzz/installer_entries.hpp"
#include "fuzz/reader_entries.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "genes/annotation/go_graph.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/term_table.hpp"
#include "genes/lda/lda_result.hpp"
#include "genes/pathway/pathway.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/files/curve_file.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/snp_info.hpp"
#include "genome/linkage/merlin_interface.hpp"
#include "genome/linkage/pedigree.hpp"
#include "platform/path.hpp"
#include "platform/tests/hostile_files.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

using platform::testing::Hostile;

// The red lines a reader writes.
class RedLines : public LogSink {
 public:
  void AddText(std::string_view text, bool, COLORREF colour) override {
    if (colour == kLogRed) lines.emplace_back(text);
  }
  bool Holds(std::string_view part) const {
    for (const std::string& line : lines)
      if (line.find(part) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> lines;
};

// What a reader says when its file is refused.
enum class Says {
  kReason,  // a red line ending in the reason
  kNothing  // false alone: a cache or a probe whose caller decides what to tell
};

struct Reader {
  const char* name;
  FuzzLayout layout;
  Says says;
  // Reads the file at path; whether it read it.
  std::function<bool(const std::string& path)> read;
};

// A reader reached through its fuzz entry: the entry writes the scratch file, which the
// test then swaps for the hostile kind.
using Entry = bool (*)(const std::uint8_t*, std::size_t);

// Fuzz entries of the readers, by target: the swap puts the hostile file where the entry
// wrote its input.
struct EntryReader {
  const char* name;
  FuzzLayout layout;
  Says says;
  Entry entry;
};

const std::vector<EntryReader>& EntryReaders() {
  static const std::vector<EntryReader> readers = {
      {"annotation index", FuzzLayout::kLoaded, Says::kReason, FuzzReadAnnotationIndex},
      {"array list", FuzzLayout::kLoaded, Says::kReason, FuzzReadArrayListFile},
      {"binary chip description", FuzzLayout::kEmpty, Says::kNothing, FuzzExtractBinaryCDF},
      {"binary cell file", FuzzLayout::kLoaded, Says::kNothing, FuzzReadBinaryCel},
      {"chip cache", FuzzLayout::kEmpty, Says::kNothing, FuzzReadCdfCache},
      {"chip description data", FuzzLayout::kEmpty, Says::kNothing, FuzzCdfFileData},
      {"cell file data", FuzzLayout::kLoaded, Says::kNothing, FuzzCelFileData},
      {"CIF", FuzzLayout::kEmpty, Says::kNothing, FuzzConvertCif},
      {"CIF definition", FuzzLayout::kEmpty, Says::kNothing, FuzzConvertCifDefinition},
      {"compare result", FuzzLayout::kLoaded, Says::kNothing, FuzzReadCompareResultFile},
      {"curve file", FuzzLayout::kGenome, Says::kReason, FuzzReadCurveFile},
      {"cytoband", FuzzLayout::kLoaded, Says::kReason, FuzzReadCytoband},
      {"scanner image", FuzzLayout::kLoaded, Says::kNothing, FuzzExtractDat},
      {"scanner image header", FuzzLayout::kLoaded, Says::kNothing, FuzzReadDataFileHeader},
      {"data file list", FuzzLayout::kLoaded, Says::kReason, FuzzReadDataFileList},
      {"data lines", FuzzLayout::kEmpty, Says::kNothing, FuzzCopyDataLines},
      {"external data", FuzzLayout::kLoaded, Says::kReason, FuzzReadExternalData},
      {"gene information", FuzzLayout::kLoaded, Says::kReason, FuzzReadGeneInfoFile},
      {"gene list", FuzzLayout::kLoaded, Says::kReason, FuzzReadGeneList},
      {"genome information", FuzzLayout::kLoaded, Says::kReason, FuzzReadGenomeInfo},
      {"genotype calls", FuzzLayout::kLoaded, Says::kReason, FuzzReadGenotypeCallFile},
      {"inferred copy numbers", FuzzLayout::kGenome, Says::kReason, FuzzReadInferredCopyFile},
      {"probe groups", FuzzLayout::kEmpty, Says::kNothing, FuzzReadPgfWithoutCache},
      {"probe set mask", FuzzLayout::kLoaded, Says::kNothing, FuzzApplyProbeSetMask},
      {"probe tab", FuzzLayout::kLoaded, Says::kNothing, FuzzReadProbeTabFile},
      {"PSI", FuzzLayout::kLoaded, Says::kNothing, FuzzReadPsiFile},
      {"QVF", FuzzLayout::kLoaded, Says::kNothing, FuzzReadExisting},
      {"reference genotypes", FuzzLayout::kLoaded, Says::kReason, FuzzReadRefGenotypeFile},
      {"refGene", FuzzLayout::kLoaded, Says::kReason, FuzzReadRefGene},
      {"region file", FuzzLayout::kGenome, Says::kReason, FuzzReadRegionFile},
      {"result text", FuzzLayout::kLoaded, Says::kNothing, FuzzReadResultTextFile},
      {"sample information", FuzzLayout::kLoaded, Says::kReason, FuzzReadSampleInfoFile},
      {"group settings", FuzzLayout::kEmpty, Says::kReason, FuzzReadSettingsFile},
      {"SNP information", FuzzLayout::kLoaded, Says::kReason, FuzzReadSnpInfo},
      {"text chip description", FuzzLayout::kEmpty, Says::kNothing, FuzzReadTextCdf},
      {"text cell file", FuzzLayout::kLoaded, Says::kNothing, FuzzReadTextCel},
      {"tree file", FuzzLayout::kLoaded, Says::kReason, FuzzReadTreeFile},
  };
  return readers;
}

// The readers without a fuzz entry that takes a file, run on the path itself.
std::vector<Reader> PathReaders(const std::string& folder) {
  return {
      {"pathway file", FuzzLayout::kEmpty, Says::kReason,
       [](const std::string& path) { return ReadPathwayFile(path); }},
      {"pedigree file", FuzzLayout::kEmpty, Says::kReason,
       [](const std::string& path) {
         Pedigree pedigree;
         return pedigree.Read(path, [](const std::string&) { return 0; });
       }},
      {"LDA/PCA result file", FuzzLayout::kLoaded, Says::kReason,
       [](const std::string& path) {
         TheGroup().Settings().LDA_FILE = path;
         return ReadLdaResult(false);
       }},
      {"MERLIN result file", FuzzLayout::kGenome, Says::kReason,
       [](const std::string& path) {
         CHROMOSOME chro;
         return chro.Allocate(0, Layout.unitCount, TablesFor(kChroLinkage, true, false)) &&
                ReadMerlinResult(path, chro, {0, 1});
       }},
      {"ontology file", FuzzLayout::kEmpty, Says::kReason,
       [](const std::string& path) {
         GO_GRAPH graph;
         return graph.ReadGeneOntologyFile(path);
       }},
      {"annotation CSV header", FuzzLayout::kEmpty, Says::kNothing,
       [](const std::string& path) {
         ANNOT_IMPORT record;
         record.csvPath = path;
         return ReadCsvHeader(record);
       }},
      {"ortholog CSV", FuzzLayout::kEmpty, Says::kReason,
       [folder](const std::string& path) {
         ANNOT_IMPORT record;
         record.csvPath = path;
         record.outputPath = folder + "/common.xls";
         return MakeCommonProbeSetFile(record);
       }},
      {"group settings at the start", FuzzLayout::kEmpty, Says::kReason,
       [](const std::string& path) {
         // The home folder's default settings file, read when the group starts.
         StartGroup(platform::ParentFolder(path));
         return TheGroup().SettingsReadFault().empty();
       }},
  };
}

class HostileFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FuzzStart(FuzzLayout::kEmpty);  // makes the fuzz state, and its quiet log, once
    mPrevious = SetLogSink(&mRed);
  }
  void TearDown() override {
    SetScratchFileSwap({});
    SetLogSink(mPrevious);
  }

  // Runs the reader with each kind in its file's place and checks the refusal.
  void Check(const char* name, Says says, const std::function<bool()>& read,
             const std::function<bool(Hostile)>& place) {
    for (const Hostile kind : platform::testing::kHostileKinds) {
      SCOPED_TRACE(std::string(name) + " with a " + platform::testing::HostileName(kind));
      mRed.lines.clear();
      mPlaced = false;
      ASSERT_TRUE(place(kind));
      EXPECT_FALSE(read()) << "read as if it were its file";
      EXPECT_TRUE(mPlaced) << "the reader opened no file of its own";
      if (says == Says::kReason) {
        EXPECT_TRUE(mRed.Holds(platform::testing::HostileReason(kind)))
            << (mRed.lines.empty() ? std::string("no red line") : mRed.lines.front());
      }
    }
  }

  platform::testing::TempFolder mFolder;
  platform::testing::PipeWatchdog mWatchdog;
  RedLines mRed;
  LogSink* mPrevious = nullptr;
  bool mPlaced = false;
};

TEST_F(HostileFiles, EveryReaderRefusesAPipeASocketADeviceAndAFolder) {
  static constexpr std::uint8_t kInput[] = "x\tline\n";
  for (const EntryReader& reader : EntryReaders()) {
    Hostile placing = Hostile::kPipe;
    SetScratchFileSwap([&](const std::string& path) {
      // A reader may read more than one scratch file; only its own input is swapped.
      if (mPlaced) return;
      mPlaced = platform::testing::MakeHostile(placing, path);
      if (placing == Hostile::kPipe) mWatchdog.Watch(path);
    });
    Check(
        reader.name, reader.says,
        [&] {
          FuzzStart(reader.layout);
          SetLogSink(&mRed);
          return reader.entry(kInput, sizeof kInput - 1);
        },
        [&](Hostile kind) {
          placing = kind;
          return true;
        });
  }
  SetScratchFileSwap({});

  for (const Reader& reader : PathReaders(mFolder.Path().string())) {
    const std::string path = mFolder.File(kDefaultGroupName + std::string(".ini"));
    Check(
        reader.name, reader.says,
        [&] {
          FuzzStart(reader.layout);
          SetLogSink(&mRed);
          return reader.read(path);
        },
        [&](Hostile kind) {
          mPlaced = platform::testing::MakeHostile(kind, path);
          if (kind == Hostile::kPipe) mWatchdog.Watch(path);
          return mPlaced;
        });
  }
  EXPECT_FALSE(mWatchdog.Fired()) << "a reader waited on a named pipe";
}

}  // namespace

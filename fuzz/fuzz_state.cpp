#include "fuzz/fuzz_state.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/load_cdf.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/compare/compare_criteria.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/chip_writers.hpp"
#include "tools/synth/genome_files.hpp"

namespace {

// Red lines are the expected answer to a damaged file; printing them would only slow
// the run down.
class QuietSink : public LogSink {
 public:
  void AddText(std::string_view, bool, COLORREF) override {}
};

struct ChipGlobals {
  CDF_LAYOUT layout;
  int arrayType = 0, rotated = 0, exon = 0, pmOnly = 0, probesPerPair = 2, custom = 0;

  static ChipGlobals Take() {
    return {Layout, ArrayType, RotatedLayout, ExonArray, PmOnly, ProbesPerPair, CustomCdf};
  }
  void Put() const {
    Layout = layout;
    ArrayType = arrayType;
    RotatedLayout = rotated;
    ExonArray = exon;
    PmOnly = pmOnly;
    ProbesPerPair = probesPerPair;
    CustomCdf = custom;
    UnitSearchStart = 0;
  }
};

struct Saved {
  ChipGlobals empty;
  ChipGlobals loaded;
  ChipGlobals genome;
  GroupSettings settings;
  GENOME_INFO genomeInfo;
  bool probeLevel = false;
};

constexpr int kGenomeSamples = 3;

// Loads the chip's text CDF written into folder; the layout globals it leaves.
ChipGlobals InstallChip(const synth::ChipTruth& chip, const std::string& folder) {
  const std::string cdf = folder + "/" + synth::FileNameFor(chip, synth::ChipForm::kTextCdf);
  CdfLoadSettings load;
  if (!synth::WriteTextCdf(chip, cdf) || !LoadCdf(cdf, false, "", load)) std::abort();
  TheGroup().Settings().CDF_FILE = cdf;
  return ChipGlobals::Take();
}

// The genome information of the loaded layout's units, placed by the generator.
GENOME_INFO PlaceUnits(const std::string& folder) {
  std::vector<std::string> names;
  for (int u = 0; u < Layout.unitCount; ++u)
    names.emplace_back(Layout.units[static_cast<std::size_t>(u)].Name());
  synth::GenomeOptions options;
  options.snpArray = true;
  const std::string path = folder + "/genome_info.txt";
  if (!synth::WriteText(path, synth::GenomeInfoText(synth::MakeGenome(names, options))))
    std::abort();
  GENOME_INFO placed;
  if (!placed.ReadGenomeInfoFile(path) || !placed.GetUnitPos()) std::abort();
  return placed;
}

// Empties the slots the last input filled (the counted ones and the next) and the group's
// state flags; the tables keep their memory.
void ClearArrays() {
  Group& group = TheGroup();
  for (int a = 0; a <= group.NumArrays() && a < MAX_ARRAY_NUM; ++a) group.Array(a) = ArraySlot{};
  group.ClearGroup();
  group.Adjusted = false;
  group.OpenedFromDataFiles = false;
  group.BaselineArray = 0;
  group.NormPlot = {};
}

void RemoveFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

Saved& State() {
  static const std::unique_ptr<Saved> saved = [] {
    static QuietSink sink;
    SetLogSink(&sink);
    auto made = std::make_unique<Saved>();
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("zelko-fuzz-" + std::to_string(::getpid())))
            .string();
    std::filesystem::create_directories(folder);
    StartGroup(folder);
    made->empty = ChipGlobals::Take();
    made->probeLevel = ProbeLevelFlag;

    synth::ChipOptions options;  // 20 x 20, ten probe sets
    auto chip = synth::MakeChip(options);
    if (!chip) std::abort();
    options.kind = synth::ChipKind::kSnp2;
    const auto snpChip = synth::MakeChip(options);
    if (!snpChip) std::abort();
    made->genome = InstallChip(*snpChip, folder);
    made->genomeInfo = PlaceUnits(folder);
    made->loaded = InstallChip(*chip, folder);
    made->settings = TheGroup().Settings();
    made->empty.Put();
    // libFuzzer may leave by _Exit, so nothing is left on disk to clean up: the loaded
    // layout lives in memory, and a reader that writes into the folder only fails.
    RemoveFolder(folder);
    return made;
  }();
  return *saved;
}

}  // namespace

void FuzzStart(FuzzLayout layout) {
  const Saved& saved = State();
  switch (layout) {
    case FuzzLayout::kEmpty:
      saved.empty.Put();
      break;
    case FuzzLayout::kLoaded:
      saved.loaded.Put();
      break;
    case FuzzLayout::kGenome:
      saved.genome.Put();
      break;
  }
  TheGroup().Settings() = saved.settings;
  ProbeLevelFlag = saved.probeLevel;
  AnalysisRunning = 0;
  ChipData = CHIP_DATA{};
  ClearArrays();
  SampleGrouping = SAMPLE_GROUPING{};
  if (layout == FuzzLayout::kGenome) {
    for (int a = 0; a < kGenomeSamples; ++a) {
      TheGroup().NextArraySlot().name = "S" + std::to_string(a + 1);
      if (!TheGroup().CountArray()) std::abort();
    }
    SampleGrouping.SetDefaultGrouping();
    genome_info = saved.genomeInfo;
  } else {
    genome_info = GENOME_INFO{};
  }
  SampleInfo = SAMPLE_INFO{};
  GeneList = GENE_LIST{};
  CompareCriteria = COMPARE_CRITERIA{};
  ReferenceGenotypes.Clear();
}

#include "fuzz/fuzz_state.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/array/chip_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/load_cdf.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/compare_criteria.hpp"
#include "genome/reference_genotypes.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/chip_writers.hpp"

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
  GroupSettings settings;
  bool probeLevel = false;
};

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
    const auto chip = synth::MakeChip(options);
    if (!chip) std::abort();
    const std::string cdf = folder + "/" + synth::FileNameFor(*chip, synth::ChipForm::kTextCdf);
    CdfLoadSettings load;
    if (!synth::WriteTextCdf(*chip, cdf) || !LoadCdf(cdf, false, "", load)) std::abort();
    TheGroup().Settings().CDF_FILE = cdf;
    made->settings = TheGroup().Settings();
    made->loaded = ChipGlobals::Take();
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
  (layout == FuzzLayout::kLoaded ? saved.loaded : saved.empty).Put();
  TheGroup().Settings() = saved.settings;
  ProbeLevelFlag = saved.probeLevel;
  AnalysisRunning = 0;
  ChipData = CHIP_DATA{};
  SampleGrouping = SAMPLE_GROUPING{};
  SampleInfo = SAMPLE_INFO{};
  GeneList = GENE_LIST{};
  CompareCriteria = COMPARE_CRITERIA{};
  ReferenceGenotypes.Clear();
}

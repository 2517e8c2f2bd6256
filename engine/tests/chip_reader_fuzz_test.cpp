// Every chip description reader on damaged copies of generated files: truncations and
// byte flips from a fixed seed. None may crash (the sanitizer build catches memory
// faults), a refusal must say why in red, and what a reader accepts must hang together.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/chip/binary_cdf_reader.hpp"
#include "engine/chip/cdf_file_data.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/chip/pgf_reader.hpp"
#include "engine/chip/probe_set_mask.hpp"
#include "engine/chip/probe_tab_reader.hpp"
#include "engine/chip/text_cdf_reader.hpp"
#include "engine/testing/byte_variants.hpp"
#include "engine/tests/chip_test_support.hpp"
#include "platform/byte_reader.hpp"

namespace {

// Every cell that claims a unit names a pair that unit has.
bool LayoutHangsTogether() {
  if (Layout.unitCount != static_cast<int>(Layout.units.size())) return false;
  if (Layout.HasCells() && Layout.cells.size() != static_cast<std::size_t>(Layout.dimension) *
                                                      static_cast<std::size_t>(Layout.dimension))
    return false;
  for (const CELL_RECORD& cell : Layout.cells) {
    if (cell.kind == kCellNoUnit) continue;
    if (cell.kind > kCellNoUnit || cell.unit >= Layout.units.size()) return false;
    if (cell.pair < 0 || cell.pair >= Layout.units[cell.unit].pairCount) return false;
  }
  return true;
}

}  // namespace

class ChipReaderFuzzTest : public ChipTest {
 protected:
  Bytes Seed(const std::string& path) { return platform::ReadWholeFile(path).value_or(Bytes{}); }

  // Runs the entry on every variant, starting each from the same globals.
  template <typename Entry, typename Prepare>
  // layoutReader: the entry fills the layout, and logs why when it refuses.
  void Run(const Bytes& seed, int count, Entry entry, Prepare prepare, bool layoutReader) {
    ASSERT_FALSE(seed.empty());
    int index = 0;
    for (const Bytes& variant :
         ByteVariants(seed, count, 20240611, "0123456789-\t\n=_[]CellNamex")) {
      SCOPED_TRACE(index++);
      prepare();
      mLog.Clear();
      const bool accepted = entry(variant.data(), variant.size());
      if (!layoutReader) continue;
      if (!accepted) {
        EXPECT_GT(mLog.CountInColour(kLogRed), 0);
      }
      if (accepted) {
        EXPECT_TRUE(LayoutHangsTogether());
      }
    }
  }

  void Kind(const synth::ChipTruth& chip) {
    ResetChipGlobals();
    ArrayType = chip.arrayType;
    RotatedLayout = chip.rotated ? 1 : 0;
    PmOnly = chip.pmOnly ? 1 : 0;
    ProbesPerPair = chip.pmOnly ? 1 : 2;
  }
};

TEST_F(ChipReaderFuzzTest, TextChipDescriptions) {
  for (synth::ChipKind kind : {synth::ChipKind::kExpression, synth::ChipKind::kSnp3}) {
    const auto chip = MakeChip(kind, 20, 6);
    Run(
        Seed(Write(chip, synth::ChipForm::kTextCdf)), 300, FuzzReadTextCdf, [&] { Kind(chip); },
        true);
  }
}

TEST_F(ChipReaderFuzzTest, BinaryChipDescriptions) {
  for (synth::ChipKind kind : {synth::ChipKind::kExpression, synth::ChipKind::kSnp3Rotated}) {
    const auto chip = MakeChip(kind, 20, 6);
    const Bytes seed = Seed(Write(chip, synth::ChipForm::kBinaryCdf));
    Run(
        seed, 300, FuzzExtractBinaryCDF, [&] { Kind(chip); }, true);
    Run(
        seed, 300, FuzzCdfFileData, [] {}, false);
  }
}

TEST_F(ChipReaderFuzzTest, TextFormOfTheParser) {
  const auto chip = MakeChip(synth::ChipKind::kSnp2, 20, 6);
  const std::string path = mFolder.File("chip.cdf");
  ASSERT_TRUE(synth::WriteTextCdf(chip, path, 3));
  Run(
      Seed(path), 300, FuzzCdfFileData, [] {}, false);
}

TEST_F(ChipReaderFuzzTest, ProbeGroupFiles) {
  // Each run holds the fixed 2560 x 2560 grid, so fewer variants.
  const auto chip = MakeChip(synth::ChipKind::kExon, 20, 4);
  Run(
      Seed(Write(chip, synth::ChipForm::kPgf)), 30, FuzzReadPgfFile, [&] { Kind(chip); }, true);
}

TEST_F(ChipReaderFuzzTest, LayoutCaches) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 6);
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
  const Bytes seed = Seed(Layout.cachePath);
  Run(
      seed, 300, FuzzReadCdfCache, [] { ResetChipGlobals(); }, true);
}

TEST_F(ChipReaderFuzzTest, ProbeTabsAndMasksOnALoadedLayout) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 12);
  const std::string cdf = Write(chip, synth::ChipForm::kTextCdf);
  const std::string table = mFolder.File("table");
  const std::string mask = mFolder.File("mask");
  ASSERT_TRUE(synth::WriteProbeTab(synth::MakeProbeTab(chip, 2, true), table));
  ASSERT_TRUE(synth::WriteMask(synth::MakeMask(chip, 2), mask));
  const auto reload = [&] {
    ResetChipGlobals();
    ASSERT_TRUE(Load(cdf));
  };
  Run(Seed(table), 300, FuzzReadProbeTabFile, reload, true);
  Run(Seed(mask), 300, FuzzApplyProbeSetMask, reload, true);
}

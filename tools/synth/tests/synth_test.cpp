// The chip generator: reproducible, its chips obey each kind's cell rules, and the
// program writes the forms it is asked for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/expected_layout.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

synth::ChipTruth Make(synth::ChipKind kind, int dimension, int units, std::uint64_t seed = 3) {
  return synth::testing::ChipWithShape(kind, dimension, units, seed);
}

std::vector<std::pair<int, int>> AllCells(const synth::ChipTruth& chip) {
  std::vector<std::pair<int, int>> cells;
  for (const auto& unit : chip.units)
    for (const auto& block : unit.blocks)
      for (const auto& pair : block.pairs) {
        cells.emplace_back(pair.pm.x, pair.pm.y);
        if (pair.mm.x >= 0) cells.emplace_back(pair.mm.x, pair.mm.y);
      }
  return cells;
}

}  // namespace

TEST(SynthChip, TheSameSeedGivesTheSameChip) {
  const auto first = Make(synth::ChipKind::kExpression, 30, 12, 9);
  const auto again = Make(synth::ChipKind::kExpression, 30, 12, 9);
  const auto other = Make(synth::ChipKind::kExpression, 30, 12, 10);
  EXPECT_EQ(AllCells(first), AllCells(again));
  EXPECT_NE(AllCells(first), AllCells(other));
}

TEST(SynthChip, EveryCellLiesOnTheChipAndIsUsedOnce) {
  for (synth::ChipKind kind : synth::AllChipKinds()) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    const auto chip = Make(kind, 40, 30);
    std::set<std::pair<int, int>> seen;
    for (const auto& [x, y] : AllCells(chip)) {
      EXPECT_TRUE(x >= 0 && x < 40 && y >= 0 && y < 40);
      EXPECT_TRUE(seen.insert({x, y}).second) << x << "," << y;
    }
  }
}

TEST(SynthChip, PairsSitInTheRowsTheirKindAllows) {
  // Mismatch rows of SNP kind 1 on the first twelve rows.
  const std::set<int> kind1Mismatch = {3, 6, 7, 10, 11};
  for (const auto& unit : Make(synth::ChipKind::kSnp1, 12, 4).units)
    for (const auto& pair : unit.blocks[0].pairs) {
      EXPECT_EQ(kind1Mismatch.count(pair.pm.y), 0u) << pair.pm.y;
      EXPECT_EQ(kind1Mismatch.count(pair.mm.y), 1u) << pair.mm.y;
    }
  for (synth::ChipKind kind :
       {synth::ChipKind::kSnp2, synth::ChipKind::kSnp3, synth::ChipKind::kSnp3Rotated})
    for (const auto& unit : Make(kind, 20, 6).units)
      for (const auto& block : unit.blocks)
        for (const auto& pair : block.pairs) {
          EXPECT_EQ(pair.pm.y % 2, 1);
          EXPECT_EQ(pair.mm.y % 2, 0);
        }
  for (const auto& unit : Make(synth::ChipKind::kExpression, 20, 6).units)
    for (const auto& pair : unit.blocks[0].pairs) {
      EXPECT_EQ(pair.mm.x, pair.pm.x);
      EXPECT_EQ(pair.mm.y, pair.pm.y + 1);  // the probe tab's mismatch partner
    }
  for (const auto& unit : Make(synth::ChipKind::kExon, 20, 6).units)
    for (const auto& pair : unit.blocks[0].pairs) EXPECT_EQ(pair.mm.x, -1);
}

TEST(SynthChip, Kind3ProbeSetsHaveFourEqualBlocksWithTheOffsetInTheSecondAndFourth) {
  for (const auto& unit : Make(synth::ChipKind::kSnp3, 30, 8).units) {
    ASSERT_EQ(unit.blocks.size(), 4u);
    const auto half = static_cast<int>(unit.blocks[0].pairs.size());
    for (std::size_t b = 0; b < 4; ++b) {
      ASSERT_EQ(static_cast<int>(unit.blocks[b].pairs.size()), half);
      const bool offset = b == 1 || b == 3;
      for (const auto& pair : unit.blocks[b].pairs) {
        if (offset) {
          EXPECT_EQ(pair.pm.value, -half);
        } else {
          EXPECT_GT(pair.pm.value, 0);
        }
      }
    }
  }
}

TEST(SynthChip, NamesAreUniqueWithControlsAndOneLongestName) {
  const auto chip = Make(synth::ChipKind::kExpression, 200, 400);
  std::set<std::string> names;
  int controls = 0;
  std::size_t longest = 0;
  for (const auto& unit : chip.units) {
    EXPECT_TRUE(names.insert(unit.name).second) << unit.name;
    controls += unit.name.rfind("KORX", 0) == 0 ? 1 : 0;
    longest = std::max(longest, unit.name.size());
  }
  EXPECT_EQ(controls, 20);
  EXPECT_EQ(longest, 49u);
}

TEST(SynthChip, AFullSizeChipFitsAndSizesAreKept) {
  synth::ChipOptions options;
  options.dimension = 1164;
  options.unitCount = 54000;
  std::string error;
  const auto chip = synth::MakeChip(options, &error);
  ASSERT_TRUE(chip.has_value()) << error;
  EXPECT_EQ(chip->units.size(), 54000u);

  options.dimension = 20;
  options.unitCount = 5;
  options.minPairs = 3;
  options.maxPairs = 4;
  const auto small = synth::MakeChip(options, &error);
  ASSERT_TRUE(small.has_value());
  for (const auto& unit : small->units) {
    EXPECT_GE(unit.PairCount(), 3);
    EXPECT_LE(unit.PairCount(), 4);
  }
}

TEST(SynthChip, UnitsThatDoNotFitAreRefused) {
  synth::ChipOptions options;
  options.dimension = 10;
  options.unitCount = 10;
  options.minPairs = options.maxPairs = 6;  // 60 pairs on a chip of 50 pair places
  std::string error;
  EXPECT_FALSE(synth::MakeChip(options, &error).has_value());
  EXPECT_NE(error.find("holds 50"), std::string::npos) << error;
}

TEST(SynthChip, RotatedKindsAreWrittenSoThatTheTurnRestoresTheCell) {
  const auto chip = Make(synth::ChipKind::kSnp3Rotated, 10, 2);
  int fileX = 0;
  int fileY = 0;
  synth::ToFileCoordinates(chip, 10, 2, 7, fileX, fileY);
  // Readers keep a cell given as (x, y) at (dimension-1-y, x).
  EXPECT_EQ(10 - 1 - fileY, 2);
  EXPECT_EQ(fileX, 7);
}

TEST(SynthMask, TheExpectedLayoutLosesMaskedPairsAndEmptiedSets) {
  const auto chip = Make(synth::ChipKind::kExpression, 20, 3);
  synth::MaskPlan plan;
  plan.lines.push_back({chip.units[0].name, "1", {1}, true});
  std::vector<int> every;
  for (int p = 1; p <= chip.units[1].PairCount(); ++p) every.push_back(p);
  plan.lines.push_back({chip.units[1].name, "all", every, true});
  synth::ExpectedLayout layout = synth::Expect(chip);
  synth::ApplyMask(layout, plan);
  ASSERT_EQ(layout.names.size(), 2u);
  EXPECT_EQ(layout.pairCounts[0], chip.units[0].PairCount() - 1);
  EXPECT_EQ(layout.names[1], chip.units[2].name);
  const auto& first = chip.units[0].blocks[0].pairs[0].pm;
  EXPECT_EQ(layout.Cell(first.x, first.y).kind, 2);
  const auto& moved = chip.units[2].blocks[0].pairs[0].pm;
  EXPECT_EQ(layout.Cell(moved.x, moved.y).unit, 1);
}

TEST(SynthProgram, WritesTheFormsItIsAskedFor) {
  platform::testing::TempFolder folder;
  const std::string program = ZELKO_SYNTH_PROGRAM;
  EXPECT_EQ(std::system((program + " --help > /dev/null").c_str()), 0);
  EXPECT_EQ(std::system((program + " chip --help > /dev/null").c_str()), 0);
  EXPECT_NE(std::system((program + " chip --kind nonsense > /dev/null 2>&1").c_str()), 0);
  const std::string command = program + " chip --kind exon --dim 30 --units 5 --seed 4 --out " +
                              folder.Path().string() +
                              " --forms text-cdf,binary-cdf,pgf,probe-tab,mask,truth > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name :
       {"SynthExonScan.cdf", "SynthExonScan.bin.cdf", "SynthExonScan.pgf",
        "SynthExonScan_probe_tab", "SynthExonScan_mask.txt", "SynthExonScan.truth.txt"})
    EXPECT_TRUE(platform::FileExists(folder.File(name))) << name;
}

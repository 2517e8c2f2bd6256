// The array generator: reproducible, its model holds (brightness scales the signal,
// noise centres on the model), the special cells are as many as asked, the header text
// carries the chip type and scan time where readers look, images are painted as
// described, and the program writes the files it is asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/array_writers.hpp"

namespace {

synth::ChipTruth Chip(synth::ChipKind kind = synth::ChipKind::kExpression, int dimension = 40,
                      int units = 20) {
  synth::ChipOptions options;
  options.kind = kind;
  options.dimension = dimension;
  options.unitCount = units;
  options.seed = 2;
  auto chip = synth::MakeChip(options);
  EXPECT_TRUE(chip.has_value());
  return chip.value_or(synth::ChipTruth{});
}

synth::ArrayTruth Array(const synth::ChipTruth& chip, synth::ArrayOptions options = {}) {
  std::string error;
  auto array = synth::MakeArray(chip, options, &error);
  EXPECT_TRUE(array.has_value()) << error;
  return array.value_or(synth::ArrayTruth{});
}

bool IsProbeCell(const synth::ArrayTruth& array, std::size_t index) {
  return array.affinities[index] > 0;
}

}  // namespace

TEST(SynthArray, TheSameSeedGivesTheSameArray) {
  const auto chip = Chip();
  synth::ArrayOptions options;
  options.seed = 9;
  const auto first = Array(chip, options);
  const auto again = Array(chip, options);
  options.seed = 10;
  const auto other = Array(chip, options);
  int same = 0;
  int differ = 0;
  for (std::size_t i = 0; i < first.cells.size(); ++i) {
    same += first.cells[i].mean == again.cells[i].mean ? 1 : 0;
    differ += first.cells[i].mean != other.cells[i].mean ? 1 : 0;
  }
  EXPECT_EQ(same, 1600);
  EXPECT_GT(differ, 1500);
  EXPECT_EQ(first.scanTime, again.scanTime);
  EXPECT_NE(first.scanTime, other.scanTime);
}

TEST(SynthArray, BrightnessScalesEveryProbesSignalAndLeavesTheBackground) {
  const auto chip = Chip();
  synth::ArrayOptions options;
  const auto dim = Array(chip, options);
  options.brightness = 2.0;
  const auto bright = Array(chip, options);
  int probes = 0;
  for (std::size_t i = 0; i < dim.cells.size(); ++i) {
    const double signal = dim.cells[i].model - options.background;
    const double brighter = bright.cells[i].model - options.background;
    if (!IsProbeCell(dim, i)) {
      EXPECT_EQ(signal, 0.0);
      continue;
    }
    ++probes;
    if (brighter < synth::kBrightestCell - options.background) {
      EXPECT_NEAR(brighter, 2 * signal, 1e-9);
    }
  }
  // Every probe of every probe set has a cell with an affinity.
  int expected = 0;
  for (const auto& unit : chip.units) expected += unit.PairCount() * chip.CellsPerPair();
  EXPECT_EQ(probes, expected);
}

TEST(SynthArray, NoiseScattersAroundTheModel) {
  const auto chip = Chip(synth::ChipKind::kExpression, 120, 200);
  const auto array = Array(chip);
  double background = 0;
  int backgroundCells = 0;
  std::vector<double> ratios;
  for (std::size_t i = 0; i < array.cells.size(); ++i) {
    const synth::CellTruth& cell = array.cells[i];
    if (cell.flag != synth::CellFlag::kNormal) continue;
    // Means are printed with one decimal.
    EXPECT_EQ(cell.mean, static_cast<float>(std::round(cell.mean * 10.0) / 10.0));
    if (IsProbeCell(array, i)) {
      if (cell.model > 1000) ratios.push_back(cell.mean / cell.model);
      continue;
    }
    background += cell.mean - cell.model;
    ++backgroundCells;
  }
  ASSERT_GT(backgroundCells, 1000);
  // Additive noise of deviation 6: the mean difference lies well within 1.
  EXPECT_NEAR(background / backgroundCells, 0.0, 1.0);
  ASSERT_GT(ratios.size(), 100u);
  std::nth_element(ratios.begin(), ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2),
                   ratios.end());
  EXPECT_NEAR(ratios[ratios.size() / 2], 1.0, 0.05);
}

TEST(SynthArray, SpecialCellsAreAsManyAsAskedAndApart) {
  const auto chip = Chip();
  synth::ArrayOptions options;
  options.saturatedCells = 5;
  options.outlierCells = 7;
  options.maskedCells = 9;
  const auto array = Array(chip, options);
  int saturated = 0;
  int outliers = 0;
  int masked = 0;
  for (const auto& cell : array.cells) {
    saturated += cell.flag == synth::CellFlag::kSaturated ? 1 : 0;
    outliers += cell.flag == synth::CellFlag::kOutlier ? 1 : 0;
    masked += cell.masked ? 1 : 0;
    EXPECT_FALSE(cell.masked && cell.flag != synth::CellFlag::kNormal);
    if (cell.flag == synth::CellFlag::kSaturated) {
      EXPECT_EQ(cell.mean, 65535.0f);
      EXPECT_EQ(synth::ExpectedIntensity(cell), 65535);
    } else {
      EXPECT_LE(cell.mean, synth::kBrightestCell);
    }
  }
  EXPECT_EQ(saturated, 5);
  EXPECT_EQ(outliers, 7);
  EXPECT_EQ(masked, 9);
}

TEST(SynthArray, TheHeaderTextCarriesWidthScanTimeAndArrayType) {
  const auto chip = Chip(synth::ChipKind::kSnp2);
  synth::ArrayOptions options;
  options.scanTime = "03/04/05 06:07:08";
  const auto array = Array(chip, options);
  const std::string text = array.ScannerHeader(4660);
  // Read as the readers do: the width at header offset 37 (text offset 4), the chip type
  // two characters after the second 0x14 up to '.', the time two before the first '/'.
  EXPECT_EQ(std::atoi(text.c_str() + 4), 4660);
  const std::size_t second = text.find('\x14', text.find('\x14') + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(text.substr(second + 2, text.find('.', second) - second - 2), chip.chipType);
  EXPECT_EQ(text.substr(text.find('/') - 2, 17), "03/04/05 06:07:08");
}

TEST(SynthArray, OptionsThatWouldBreakTheFilesAreRefused) {
  const auto chip = Chip(synth::ChipKind::kExpression, 10, 4);
  std::string error;
  synth::ArrayOptions options;
  options.scanTime = "3/4/05 6:07:08";
  EXPECT_FALSE(synth::MakeArray(chip, options, &error));
  EXPECT_NE(error.find("MM/DD/YY"), std::string::npos);
  options = {};
  options.name = "a/b";
  EXPECT_FALSE(synth::MakeArray(chip, options, &error));
  options = {};
  options.maskedCells = 60;
  EXPECT_FALSE(synth::MakeArray(chip, options, &error));
  auto dotted = chip;
  dotted.chipType = "chip.v2";
  EXPECT_FALSE(synth::MakeArray(dotted, {}, &error));
}

TEST(SynthImage, CellsAreSquaresWithDarkBordersAndTheirCentreGivesTheValue) {
  const auto array = Array(Chip(synth::ChipKind::kExpression, 12, 6));
  synth::DatOptions options;
  options.pixelsPerCell = 9;
  options.margin = 4;
  std::string error;
  const auto image = synth::MakeDatImage(array, options, &error);
  ASSERT_TRUE(image.has_value()) << error;
  EXPECT_EQ(image->width, 4 + 12 * 9 + 4);
  EXPECT_EQ(image->corners[2][0], 4 + 12 * 9 - 1);
  const std::uint16_t dark = image->Pixel(0, 0);
  EXPECT_EQ(dark, 40);  // half the background
  // Cell (3, 2): its square starts at (31, 22); the centre of a nine-pixel cell is
  // offsets 2 to 6 (the border and one more pixel each side left out).
  const int left = 4 + 9 * 3;
  const int top = 4 + 9 * 2;
  std::vector<std::uint16_t> centre;
  for (int offset = 0; offset < 9; ++offset) {
    const bool inner = offset >= 2 && offset <= 6;
    if (!inner) {
      EXPECT_EQ(image->Pixel(left + offset, top + 4), dark);
      EXPECT_EQ(image->Pixel(left + 4, top + offset), dark);
    }
  }
  for (int dy = 2; dy <= 6; ++dy)
    for (int dx = 2; dx <= 6; ++dx) centre.push_back(image->Pixel(left + dx, top + dy));
  std::sort(centre.begin(), centre.end());
  EXPECT_EQ(image->values[3 * 12 + 2], centre[18]);  // 25 pixels: index floor(18.75)
  EXPECT_FALSE(synth::MakeDatImage(array, synth::DatOptions{2, 10, 1}, &error));
  EXPECT_FALSE(synth::MakeDatImage(array, synth::DatOptions{64, 40000, 1}, &error));
}

TEST(SynthProgram, WritesCellFilesAndImages) {
  platform::testing::TempFolder folder;
  const std::string program = ZELKO_SYNTH_PROGRAM;
  const std::string out = " --out " + folder.Path().string() + " > /dev/null 2>&1";
  EXPECT_EQ(std::system((program + " cel --help > /dev/null").c_str()), 0);
  EXPECT_EQ(std::system((program + " dat --help > /dev/null").c_str()), 0);
  ASSERT_EQ(
      std::system(
          (program + " cel --dim 16 --units 4 --arrays 2 --form binary --truth" + out).c_str()),
      0);
  for (const char* name : {"array01.CEL", "array02.CEL", "array01.truth.txt", "array02.truth.txt"})
    EXPECT_TRUE(platform::FileExists(folder.File(name))) << name;
  ASSERT_EQ(
      std::system(
          (program + " dat --kind exon --dim 16 --units 4 --name scan --pixels-per-cell 4" + out)
              .c_str()),
      0);
  EXPECT_TRUE(platform::FileExists(folder.File("scan01.DAT")));
  ASSERT_EQ(std::system((program + " cel --kind snp1 --dim 16 --units 2" + out).c_str()), 0);
  EXPECT_TRUE(platform::FileExists(folder.File("array01B.CEL")));
  EXPECT_NE(std::system((program + " cel --form nonsense" + out).c_str()), 0);
  EXPECT_NE(
      std::system((program + " cel --arrays 2 --scan-time '01/02/03 04:05:06'" + out).c_str()), 0);
  EXPECT_NE(std::system((program + " dat --pixels-per-cell 2" + out).c_str()), 0);
}

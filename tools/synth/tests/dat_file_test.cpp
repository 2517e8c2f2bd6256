// The scanner image of a synthetic array says what its truth says. The file is read back
// here from its bytes: the width where readers find it, the header text, the corners of
// the grid; each cell's window is worked out from the corners by the bilinear mapping
// readers use, and its upper quartile and standard error are those the image claims.
// The painted pixels scatter around each cell's mean by its deviation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using synth::testing::FileBytes;

struct Corner {
  double x = 0;
  double y = 0;
};

// A cell's pixel window from the grid corners (upper-left, upper-right, lower-right,
// lower-left): the cell's area on the bilinear grid, its border left out, shrunk
// evenly to at most six pixels a side.
void Window(const Corner (&p)[4], int n, int i, int j, int& xStart, int& xEnd, int& yStart,
            int& yEnd) {
  const double area = static_cast<double>(n) * n;
  const auto gx = [&](double u, double v) {
    return ((p[2].x + p[0].x - p[1].x - p[3].x) * u * v + (p[1].x - p[0].x + 1) * n * u +
            (p[3].x - p[0].x) * n * v) /
           area;
  };
  const auto gy = [&](double u, double v) {
    return ((p[2].y + p[0].y - p[1].y - p[3].y) * u * v + (p[3].y - p[0].y + 1) * n * v +
            (p[1].y - p[0].y) * n * u) /
           area;
  };
  xStart = static_cast<int>(gx(i, j) + p[0].x + 1.5);
  yStart = static_cast<int>(gy(i, j) + p[0].y + 1.5);
  xEnd = static_cast<int>(gx(i + 1, j + 1) + p[0].x - 1.5);
  yEnd = static_cast<int>(gy(i + 1, j + 1) + p[0].y - 1.5);
  while (xEnd - xStart > 5) {
    --xEnd;
    ++xStart;
  }
  while (yEnd - yStart > 5) {
    --yEnd;
    ++yStart;
  }
}

synth::ArrayTruth Array(synth::ChipKind kind, int dimension, std::uint64_t seed) {
  synth::ChipOptions chipOptions;
  chipOptions.kind = kind;
  chipOptions.dimension = dimension;
  chipOptions.unitCount = dimension / 2;
  std::string error;
  const auto chip = synth::MakeChip(chipOptions, &error);
  EXPECT_TRUE(chip.has_value()) << error;
  synth::ArrayOptions options;
  options.seed = seed;
  options.name = "imaged";
  options.scanTime = "05/06/07 08:09:10";
  options.saturatedCells = 5;
  options.outlierCells = 5;
  auto array = synth::MakeArray(chip.value_or(synth::ChipTruth{}), options, &error);
  EXPECT_TRUE(array.has_value()) << error;
  return array.value_or(synth::ArrayTruth{});
}

}  // namespace

TEST(SynthDatFile, TheImageGivesEachCellTheValueAndErrorItClaims) {
  platform::testing::TempFolder folder;
  struct Case {
    synth::ChipKind kind;
    int dimension;
    int pixelsPerCell;
    int margin;
  };
  for (const Case& c :
       {Case{synth::ChipKind::kExpression, 24, 8, 10},
        Case{synth::ChipKind::kSnp3Rotated, 20, 13, 3}, Case{synth::ChipKind::kPmOnly, 30, 3, 0},
        Case{synth::ChipKind::kExon, 16, 5, 7}}) {
    SCOPED_TRACE(std::to_string(c.pixelsPerCell) + " pixels per cell");
    const synth::ArrayTruth array = Array(c.kind, c.dimension, 8);
    std::string error;
    const auto image =
        synth::MakeDatImage(array, synth::DatOptions{c.pixelsPerCell, c.margin, 9}, &error);
    ASSERT_TRUE(image.has_value()) << error;
    const std::string path = folder.File(synth::DatFileName(array));
    ASSERT_TRUE(synth::WriteDat(array, *image, path));
    const std::vector<std::uint8_t> bytes = FileBytes(path);

    // The header: the width as a number at offset 37, the header text from 33 on, the
    // corners at 340; then the square of pixels.
    ASSERT_GE(bytes.size(), 512u);
    const std::string header(bytes.begin(), bytes.begin() + 512);
    const int width = std::atoi(header.c_str() + 37);
    EXPECT_EQ(width, c.margin * 2 + c.dimension * c.pixelsPerCell);
    ASSERT_EQ(bytes.size(),
              512u + 2u * static_cast<std::size_t>(width) * static_cast<std::size_t>(width));
    EXPECT_EQ(std::string(header.c_str() + 33), array.ScannerHeader(width));
    const std::size_t second = header.find('\x14', header.find('\x14') + 1);
    EXPECT_EQ(header.substr(second + 2, header.find('.', second) - second - 2), array.chipType);
    EXPECT_EQ(header.substr(header.find('/') - 2, 17), "05/06/07 08:09:10");
    Corner corners[4];
    for (int k = 0; k < 4; ++k) {
      corners[k].x = platform::LoadU16(bytes.data() + 340 + 4 * k);
      corners[k].y = platform::LoadU16(bytes.data() + 342 + 4 * k);
    }
    const auto pixel = [&](int px, int py) {
      return platform::LoadU16(bytes.data() + 512 +
                               2 * (static_cast<std::size_t>(py) * width + px));
    };
    const std::uint16_t dark = static_cast<std::uint16_t>(std::lround(array.background / 2));

    std::vector<double> standardised;
    int lighted = 0;
    for (int i = 0; i < c.dimension; ++i)
      for (int j = 0; j < c.dimension; ++j) {
        int xStart = 0;
        int xEnd = 0;
        int yStart = 0;
        int yEnd = 0;
        Window(corners, c.dimension, i, j, xStart, xEnd, yStart, yEnd);
        std::vector<double> window;
        for (int py = yStart; py <= yEnd; ++py)
          for (int px = xStart; px <= xEnd; ++px) window.push_back(pixel(px, py));
        ASSERT_FALSE(window.empty());
        lighted += static_cast<int>(window.size());
        double sum = 0;
        for (double v : window) sum += v;
        const double mean = sum / static_cast<double>(window.size());
        double squares = 0;
        for (double v : window) squares += (v - mean) * (v - mean);
        const double deviation =
            window.size() > 1 ? std::sqrt(squares / static_cast<double>(window.size() - 1)) : 0.0;
        std::vector<double> sorted = window;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t index =
            static_cast<std::size_t>(j) + static_cast<std::size_t>(i) * c.dimension;
        EXPECT_EQ(image->values[index],
                  sorted[static_cast<std::size_t>(0.75 * static_cast<double>(sorted.size()))])
            << i << "," << j;
        EXPECT_EQ(
            image->errors[index],
            static_cast<std::uint16_t>(deviation / std::sqrt(static_cast<double>(window.size()))))
            << i << "," << j;
        const synth::CellTruth& cell = array.Cell(i, j);
        if (cell.flag == synth::CellFlag::kSaturated) {
          EXPECT_EQ(sorted.front(), 65535.0);
          continue;
        }
        if (cell.deviation > 0)
          for (double v : window) standardised.push_back((v - cell.mean) / cell.deviation);
        // The cell's border, outside the window, is dark.
        const int left = c.margin + i * c.pixelsPerCell;
        const int top = c.margin + j * c.pixelsPerCell;
        EXPECT_EQ(pixel(left, top + c.pixelsPerCell / 2), dark);
        EXPECT_EQ(pixel(left + c.pixelsPerCell / 2, top + c.pixelsPerCell - 1), dark);
      }
    // Every pixel outside the windows is dark: the windows hold every painted pixel.
    int painted = 0;
    for (int py = 0; py < width; ++py)
      for (int px = 0; px < width; ++px) painted += pixel(px, py) != dark ? 1 : 0;
    EXPECT_LE(painted, lighted);
    EXPECT_GT(painted, lighted * 9 / 10);
    // Pixels are the cell's mean plus its deviation times a standard normal deviate,
    // rounded: over many pixels, mean 0 and spread 1 once standardised.
    double sum = 0;
    double squares = 0;
    for (double v : standardised) {
      sum += v;
      squares += v * v;
    }
    const double n = static_cast<double>(standardised.size());
    ASSERT_GT(n, 500);
    EXPECT_NEAR(sum / n, 0.0, 4.0 / std::sqrt(n));
    EXPECT_NEAR(std::sqrt(squares / n - (sum / n) * (sum / n)), 1.0, 0.05);
  }
}

TEST(SynthDatFile, TheSameSeedsPaintTheSameImageAndOtherSeedsAnother) {
  const synth::ArrayTruth array = Array(synth::ChipKind::kExpression, 12, 3);
  const auto first = synth::MakeDatImage(array, synth::DatOptions{6, 4, 1});
  const auto again = synth::MakeDatImage(array, synth::DatOptions{6, 4, 1});
  const auto otherNoise = synth::MakeDatImage(array, synth::DatOptions{6, 4, 2});
  const auto otherArray =
      synth::MakeDatImage(Array(synth::ChipKind::kExpression, 12, 4), synth::DatOptions{6, 4, 1});
  ASSERT_TRUE(first && again && otherNoise && otherArray);
  EXPECT_EQ(first->pixels, again->pixels);
  EXPECT_NE(first->pixels, otherNoise->pixels);
  EXPECT_NE(first->pixels, otherArray->pixels);
}

TEST(SynthDatFile, TheLongestChipTypeAndNameStillFitTheHeader) {
  platform::testing::TempFolder folder;
  synth::ChipOptions chipOptions;
  chipOptions.dimension = 20;
  chipOptions.unitCount = 4;
  chipOptions.chipType = std::string(100, 'c');
  const auto chip = synth::MakeChip(chipOptions);
  ASSERT_TRUE(chip.has_value());
  synth::ArrayOptions options;
  options.name = std::string(64, 'n');
  std::string error;
  const auto array = synth::MakeArray(*chip, options, &error);
  ASSERT_TRUE(array.has_value()) << error;
  // The text field runs from offset 33 to the corners at 340, with room for its end
  // mark, even at the widest image.
  EXPECT_LT(array->ScannerHeader(65535).size(), 340u - 33u);
  const auto image = synth::MakeDatImage(*array, synth::DatOptions{3, 0, 1}, &error);
  ASSERT_TRUE(image.has_value()) << error;
  ASSERT_TRUE(synth::WriteDat(*array, *image, folder.File("long.DAT")));
  const std::vector<std::uint8_t> bytes = FileBytes(folder.File("long.DAT"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 33),
            array->ScannerHeader(image->width));

  synth::ChipTruth longer = *chip;
  longer.chipType += 'c';
  EXPECT_FALSE(synth::MakeArray(longer, options, &error));
  EXPECT_EQ(error, "the chip type must be at most 100 characters");
}

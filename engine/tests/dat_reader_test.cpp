// DAT: cell intensities from generated scanner images against the truth the images were
// painted from, the pixel window of a cell on straight and slanted grids, damaged images,
// and the data-file check that opening a group runs on DAT, CEL and QVF files.
#include "engine/array/dat_reader.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <functional>

#include "engine/group/group.hpp"
#include "engine/tests/array_file_test_support.hpp"
#include "platform/byte_writer.hpp"

namespace {

using Corners = std::array<std::array<std::uint16_t, 2>, 4>;

// A straight grid of `side` cells of `pixels` pixels each, starting at pixel `first`.
Corners StraightGrid(int first, int side, int pixels) {
  const auto low = static_cast<std::uint16_t>(first);
  const auto high = static_cast<std::uint16_t>(first + side * pixels - 1);
  return {{{low, low}, {high, low}, {high, high}, {low, high}}};
}

DAT WithGrid(const Corners& corners, int dimension, int width) {
  DAT reader;
  for (std::size_t i = 0; i < 4; ++i) reader.corners[i] = {corners[i][0], corners[i][1]};
  reader.dimension = dimension;
  reader.imageWidth = width;
  return reader;
}

}  // namespace

class DatReaderTest : public ArrayFileTest {
 protected:
  // A scanner image with the given header text (from offset 33), width, corners and
  // pixel values, cut to `keep` bytes when that is not negative.
  std::string WriteImage(const std::string& name, const std::string& text, int width,
                         const Corners& corners,
                         const std::function<std::uint16_t(int, int)>& pixel, long keep = -1) {
    std::vector<std::uint8_t> header(kDatHeaderSize, 0);
    std::copy(text.begin(), text.end(), header.begin() + kDatTextOffset);
    platform::ByteWriter out;
    out.WriteBytes(header);
    platform::ByteWriter points;
    for (const auto& corner : corners) {
      points.WriteUInt16(corner[0]);
      points.WriteUInt16(corner[1]);
    }
    std::vector<std::uint8_t> bytes = out.Bytes();
    std::copy(points.Bytes().begin(), points.Bytes().end(), bytes.begin() + kDatCornersOffset);
    platform::ByteWriter image;
    image.WriteBytes(bytes);
    for (int py = 0; py < width; ++py)
      for (int px = 0; px < width; ++px) image.WriteUInt16(pixel(px, py));
    std::vector<std::uint8_t> all = image.Bytes();
    if (keep >= 0) all.resize(static_cast<std::size_t>(keep));
    const std::string path = mFolder.File(name);
    EXPECT_TRUE(platform::WriteWholeFile(path, all));
    return path;
  }

  std::string WriteDat(const synth::ArrayTruth& array, const synth::DatImage& image) {
    const std::string path = mFolder.File(synth::DatFileName(array));
    EXPECT_TRUE(synth::WriteDat(array, image, path));
    return path;
  }

  static synth::DatImage MakeImage(const synth::ArrayTruth& array, int pixelsPerCell) {
    synth::DatOptions options;
    options.pixelsPerCell = pixelsPerCell;
    options.seed = 3;
    std::string error;
    auto image = synth::MakeDatImage(array, options, &error);
    EXPECT_TRUE(image.has_value()) << error;
    return image.value_or(synth::DatImage{});
  }

  DAT mReader;
};

TEST_F(DatReaderTest, GeneratedImagesGiveEachCellTheUpperQuartileOfItsCentre) {
  for (const auto kind : {synth::ChipKind::kExpression, synth::ChipKind::kExon}) {
    const auto chip = MakeChip(kind, 20, 6);
    UseChip(chip);
    const auto array = MakeArray(chip, 21);
    for (int pixels : {3, 4, 5, 8, 11}) {
      SCOPED_TRACE(std::string(synth::ChipKindName(kind)) + ", pixels " + std::to_string(pixels));
      const synth::DatImage image = MakeImage(array, pixels);
      ASSERT_TRUE(mReader.ExtractDat(WriteDat(array, image).c_str()));
      EXPECT_EQ(mReader.imageWidth, image.width);
      EXPECT_EQ(mReader.dimension, 20);
      ASSERT_EQ(mReader.cellValues.size(), image.values.size());
      int wrongValues = 0;
      int wrongErrors = 0;
      for (std::size_t i = 0; i < image.values.size(); ++i) {
        wrongValues += mReader.cellValues[i] != image.values[i] ? 1 : 0;
        // The error is truncated; sums taken in another order may land one lower.
        wrongErrors += std::abs(mReader.cellErrors[i] - image.errors[i]) > 1 ? 1 : 0;
      }
      EXPECT_EQ(wrongValues, 0);
      EXPECT_EQ(wrongErrors, 0);
      // Saturated cells are white, whatever the window.
      int saturated = 0;
      for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 20; ++y) {
          if (array.Cell(x, y).flag != synth::CellFlag::kSaturated) continue;
          EXPECT_EQ(mReader.cellValues[static_cast<std::size_t>(20 * x + y)], 65535);
          ++saturated;
        }
      EXPECT_EQ(saturated, 3);
    }
  }
}

TEST_F(DatReaderTest, ACellsWindowLeavesItsBorderOutAndIsCentredToSixPixels) {
  const DAT reader = WithGrid({{{10, 10}, {1009, 10}, {1009, 1009}, {10, 1009}}}, 100, 1020);
  // Cell (0, 0) spans pixels 11 to 18 and is shrunk to 12 to 17.
  PixelWindow window = reader.CellWindow(0, 0);
  EXPECT_EQ(window.xStart, 12);
  EXPECT_EQ(window.xEnd, 17);
  EXPECT_EQ(window.yStart, 12);
  EXPECT_EQ(window.yEnd, 17);
  EXPECT_EQ(window.Count(), 36);
  window = reader.CellWindow(1, 0);
  EXPECT_EQ(window.xStart, 22);
  EXPECT_EQ(window.xEnd, 27);
  EXPECT_EQ(window.yStart, 12);

  // A slanted grid: x moves 10 pixels a column and 2 a row, y 10 pixels a row.
  const DAT slanted = WithGrid({{{10, 10}, {109, 10}, {129, 109}, {30, 109}}}, 10, 200);
  window = slanted.CellWindow(0, 5);
  EXPECT_EQ(window.xStart, 23);  // 21 to 30, shrunk
  EXPECT_EQ(window.xEnd, 28);
  EXPECT_EQ(window.yStart, 62);  // 61 to 68, shrunk
  EXPECT_EQ(window.yEnd, 67);
}

TEST_F(DatReaderTest, TheIntensityIsThePixelAtThreeQuartersOfTheSortedWindow) {
  Layout.dimension = 10;
  // Pixel values that tell where they lie: 400 per row plus the column.
  const std::string path = WriteImage("encoded.DAT", "DAT 130 px", 130, StraightGrid(10, 10, 10),
                                      [](int px, int py) { return py * 400 + px; });
  ASSERT_TRUE(mReader.ExtractDat(path.c_str()));
  // Window 12..17 in both directions: 36 values in rows of six; index 27 is the fourth
  // value of the fifth row.
  EXPECT_EQ(mReader.cellValues[0], 16 * 400 + 15);
  EXPECT_EQ(mReader.cellValues[10], 16 * 400 + 25);  // cell (1, 0)
  EXPECT_EQ(mReader.cellValues[1], 26 * 400 + 15);   // cell (0, 1)
  EXPECT_GT(mReader.cellErrors[0], 0);
}

TEST_F(DatReaderTest, FourEqualPixelsGiveTheirValueAndNoError) {
  Layout.dimension = 2;
  const std::string path =
      WriteImage("equal.DAT", "DAT 8 px", 8, StraightGrid(0, 2, 4), [](int px, int py) {
        const bool inside = px % 4 != 0 && px % 4 != 3 && py % 4 != 0 && py % 4 != 3;
        return static_cast<std::uint16_t>(inside ? 1234 : 9);
      });
  ASSERT_TRUE(mReader.ExtractDat(path.c_str()));
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(mReader.cellValues[i], 1234);
    EXPECT_EQ(mReader.cellErrors[i], 0);
  }
}

TEST_F(DatReaderTest, WindowsStayInsideTheImageWhateverTheCorners) {
  Layout.dimension = 8;
  const auto bright = [](int, int) { return static_cast<std::uint16_t>(500); };
  // A grid of 7.5-pixel cells reaching past a 40-pixel image: the last cells lie outside.
  std::string path =
      WriteImage("wide.DAT", "DAT 40", 40, {{{0, 0}, {59, 0}, {59, 59}, {0, 59}}}, bright);
  ASSERT_TRUE(mReader.ExtractDat(path.c_str()));
  EXPECT_EQ(mReader.cellValues[0], 500);
  EXPECT_EQ(mReader.cellValues[5 * 8], 500);  // cell (5, 0) keeps the image's last column
  EXPECT_EQ(mReader.cellValues[7 * 8 + 7], 0);
  // Corners the wrong way round, a grid of two pixels per cell, and one far beyond the
  // image: no cell has a pixel.
  for (const Corners& corners :
       {Corners{{{39, 39}, {0, 39}, {0, 0}, {39, 0}}}, StraightGrid(0, 8, 2),
        Corners{{{0, 0}, {60000, 0}, {60000, 60000}, {0, 60000}}}}) {
    path = WriteImage("odd.DAT", "DAT 40", 40, corners, bright);
    ASSERT_TRUE(mReader.ExtractDat(path.c_str()));
    for (std::uint16_t value : mReader.cellValues) EXPECT_EQ(value, 0);
  }
}

TEST_F(DatReaderTest, DamagedImagesAreRefusedWithTheirReason) {
  Layout.dimension = 4;
  const auto dark = [](int, int) { return static_cast<std::uint16_t>(7); };
  const Corners grid = StraightGrid(0, 4, 5);

  std::string path = mFolder.File("absent.DAT");
  EXPECT_FALSE(mReader.ExtractDat(path.c_str()));
  EXPECT_TRUE(mLog.ContainsRed("      Reading file '" + path + "' failed"));

  mLog.Clear();
  path = WriteImage("short.DAT", "DAT 20", 20, grid, dark, 300);
  EXPECT_FALSE(mReader.ExtractDat(path.c_str()));
  EXPECT_TRUE(mLog.ContainsRed("ends inside its header (300 of 512 bytes)"));

  for (const char* text : {"DAT x20", "DAT -20", "DAT 0", "DAT 99999999", ""}) {
    SCOPED_TRACE(text);
    mLog.Clear();
    path = WriteImage("width.DAT", text, 20, grid, dark);
    EXPECT_FALSE(mReader.ExtractDat(path.c_str()));
    EXPECT_TRUE(mLog.ContainsRed("gives no image width at header offset 37"));
  }

  mLog.Clear();
  path = WriteImage("cut.DAT", "DAT 20", 20, grid, dark, kDatHeaderSize + 20 * 19 * 2);
  EXPECT_FALSE(mReader.ExtractDat(path.c_str()));
  EXPECT_TRUE(mLog.ContainsRed("holds 760 of the 800 pixel bytes of its 20 x 20 image"));

  mLog.Clear();
  path = WriteImage("whole.DAT", "DAT 20", 20, grid, dark);
  AnalysisRunning = 0;
  EXPECT_FALSE(mReader.ExtractDat(path.c_str()));
  EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
}

class DataFileHeaderTest : public DatReaderTest {
 protected:
  void TearDown() override {
    if (GroupStarted()) DiscardGroup();
  }
  void SetUp() override {
    mChip = MakeChip(synth::ChipKind::kExpression, 12, 4);
    UseChip(mChip);
    mArray = MakeArray(mChip, 8, "scan01");
  }
  bool Check(const std::string& path) {
    mTimeTag = "unset";
    return mReader.ReadDataFileHeader(path.c_str(), mTimeTag);
  }
  // A file of another kind than DAT and CEL: its first 1000 bytes are header text.
  std::string WriteStoredHeader(const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> bytes(1200, 0);
    std::copy(text.begin(), text.end(), bytes.begin());
    const std::string path = mFolder.File(name);
    EXPECT_TRUE(platform::WriteWholeFile(path, bytes));
    return path;
  }

  synth::ChipTruth mChip;
  synth::ArrayTruth mArray;
  std::string mTimeTag;
};

TEST_F(DataFileHeaderTest, EveryDataFileFormGivesTheChipTypeAndScanTime) {
  const synth::DatImage image = MakeImage(mArray, 5);
  const std::string dat = WriteDat(mArray, image);
  ASSERT_TRUE(Check(dat));
  EXPECT_EQ(mTimeTag, mArray.scanTime);
  EXPECT_EQ(mReader.headerText, mArray.ScannerHeader(image.width));

  for (const auto form :
       {synth::CelForm::kText, synth::CelForm::kOldText, synth::CelForm::kBinary}) {
    SCOPED_TRACE(static_cast<int>(form));
    ASSERT_TRUE(Check(WriteCel(mArray, form)));
    EXPECT_EQ(mTimeTag, mArray.scanTime);
    EXPECT_TRUE(mReader.headerText.starts_with("DatHeader=DAT ")) << mReader.headerText;
  }

  ASSERT_TRUE(Check(WriteStoredHeader("scan01.qvf", mReader.headerText)));
  EXPECT_EQ(mTimeTag, mArray.scanTime);

  // Letter case of the chip type does not matter; another chip type is refused quietly.
  for (char& ch : Layout.chipType)
    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  EXPECT_TRUE(Check(dat));
  Layout.chipType = "OtherChip";
  mLog.Clear();
  EXPECT_FALSE(Check(dat));
  EXPECT_EQ(mTimeTag, "unset");
  EXPECT_TRUE(mLog.Lines().empty());
}

TEST_F(DataFileHeaderTest, TheHeaderLineOfACelFileIsLookedForInItsFirst99Lines) {
  std::string text;
  for (int i = 1; i < 99; ++i) text += "line " + std::to_string(i) + "\n";
  const std::string header = "DatHeader=" + mArray.ScannerHeader(100) + "\n";
  EXPECT_TRUE(Check(WriteText("line99.CEL", text + header)));
  EXPECT_EQ(mTimeTag, mArray.scanTime);

  const std::string path = WriteText("line100.CEL", text + "line 99\n" + header);
  EXPECT_FALSE(Check(path));
  EXPECT_TRUE(mLog.ContainsRed("  Cannot find header line in " + path + ", ignored"));
}

TEST_F(DataFileHeaderTest, HeadersWithoutAChipTypeOrTimeAreTold) {
  std::string path = WriteText("nodot.CEL", "DatHeader=01/02/03 04:05:06 \x14 a \x14 chip");
  EXPECT_FALSE(Check(path));
  EXPECT_TRUE(mLog.ContainsRed("    File type " + path + " is incorrect"));

  path = WriteText("nomark.CEL", "DatHeader=01/02/03 04:05:06 " + mChip.chipType + ".1sq");
  EXPECT_FALSE(Check(path));
  EXPECT_TRUE(mLog.ContainsRed("    No chip type in the header of " + path));

  const std::string marks = std::string("\x14 a \x14 ") + mChip.chipType + ".1sq";
  EXPECT_TRUE(Check(WriteText("notime.CEL", "DatHeader=" + marks)));
  EXPECT_EQ(mTimeTag, kNoTimeTag);
  // A date at the very start, and one cut by the end of the line.
  EXPECT_TRUE(Check(WriteStoredHeader("early.qvf", "/02/03 04:05:06 xyz " + marks)));
  EXPECT_EQ(mTimeTag, "/02/03 04:05:06 x");
  EXPECT_TRUE(Check(WriteText("late.CEL", "DatHeader=" + marks + " 01/02")));
  EXPECT_EQ(mTimeTag, "01/02");
}

TEST_F(DataFileHeaderTest, ShortAndMissingFilesAreRefusedInRed) {
  std::string path = mFolder.File("absent.CEL");
  EXPECT_FALSE(Check(path));
  EXPECT_TRUE(mLog.ContainsRed("    Reading CEL file " + path + " failed"));

  path = WriteText("short.DAT", "DAT 20 px");
  EXPECT_FALSE(Check(path));
  EXPECT_TRUE(mLog.ContainsRed("    Reading DAT file " + path + " failed"));

  path = mFolder.File("absent.qvf");
  EXPECT_FALSE(Check(path));
  EXPECT_TRUE(mLog.ContainsRed("    Reading file " + path + " failed"));
}

TEST_F(DataFileHeaderTest, TheHeaderTextIsKeptToItsField) {
  const std::string marks =
      std::string("01/02/03 04:05:06 \x14 a \x14 ") + mChip.chipType + ".1sq ";
  ASSERT_TRUE(Check(WriteStoredHeader("long.qvf", marks + std::string(1000, 'z'))));
  EXPECT_EQ(mReader.headerText.size(), kDatHeaderTextLength);
  // A DAT header without a terminator ends with the header.
  std::vector<std::uint8_t> bytes(kDatHeaderSize + 64, 'w');
  std::copy(marks.begin(), marks.end(), bytes.begin() + kDatTextOffset);
  const std::string path = mFolder.File("full.DAT");
  ASSERT_TRUE(platform::WriteWholeFile(path, bytes));
  ASSERT_TRUE(Check(path));
  EXPECT_EQ(mReader.headerText.size(), static_cast<std::size_t>(kDatHeaderSize - kDatTextOffset));
}

TEST_F(DataFileHeaderTest, OnArraysOfKindOneOnlyBFilesCount) {
  ArrayType = 1;
  const std::string text = "DatHeader=" + mArray.ScannerHeader(100);
  mLog.Clear();
  EXPECT_FALSE(Check(WriteText("scan01A.CEL", text)));
  EXPECT_TRUE(mLog.Lines().empty());
  EXPECT_TRUE(Check(WriteText("scan01B.CEL", text)));
  EXPECT_TRUE(Check(WriteText("scan02b.cel", text)));
}

TEST_F(DataFileHeaderTest, OlderChipFilesJoinAMaskedGroupOfTheNewerChip) {
  Layout.chipType = "qx_t52av2";
  const std::string path =
      WriteText("old.CEL", "DatHeader=01/02/03 04:05:06 \x14 a \x14 qx_t52a.1sq");
  EXPECT_FALSE(Check(path));  // no group, so no mask
  StartGroup(mFolder.Path().string());
  TheGroup().Settings().MASK_FILE = "/masks/qx_t52av2 probe set mask.txt";
  EXPECT_TRUE(Check(path));
  EXPECT_EQ(mTimeTag, "01/02/03 04:05:06");
  TheGroup().Settings().MASK_FILE = "/masks/other mask.txt";
  EXPECT_FALSE(Check(path));
  DiscardGroup();
  EXPECT_FALSE(mReader.IsMaskedOlderChip("qx_t52av2"));
}

// The CEL readers' faster paths against plain references. The text reader scans its cell
// lines in pieces on helper threads; whatever the pieces and threads, damaged and
// duplicated files must give what reading them line by line gives: the same planes, the
// same first unreadable line, the same log, the same stop. The binary reader decodes
// files a tile of rows at a time as it reads them, two cells at a time; every kind of
// value and grid must give the planes the cell conversion gives, and the same as the
// whole-file path it takes for files it does not stream.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "engine/array/cel_file_data.hpp"
#include "engine/array/cel_reader.hpp"
#include "engine/tests/array_file_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/line_reader.hpp"

namespace {

struct Planes {
  std::vector<std::uint16_t> mean;
  std::vector<std::uint16_t> error;
};

// What reading a text file line by line gives: the planes after `stopAfter` lines at most
// (0: no stop), whether it read, and the line it refused (0: none).
struct LineByLine {
  bool read = false;
  int refusedLine = 0;
  Planes planes;
};

std::size_t PlaneIndex(int x, int y, int side, bool rotated) {
  if (rotated) {
    const int turnedX = side - 1 - y;
    y = x;
    x = turnedX;
  }
  return static_cast<std::size_t>(x) * static_cast<std::size_t>(side) + static_cast<std::size_t>(y);
}

LineByLine ReadLineByLine(const std::string& text, int side, bool rotated, int stopAfter = 0) {
  LineByLine result;
  const auto cells = static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
  result.planes = {std::vector<std::uint16_t>(cells), std::vector<std::uint16_t>(cells)};
  platform::LineReader lines;
  lines.OpenBuffer(text);
  std::string_view line;
  int announced = 0;
  do {
    if (lines.Next(line) == platform::LineStatus::kEnd) return result;
    if (line.starts_with("NumberCells="))
      announced = std::atoi(std::string(line.substr(12)).c_str());
  } while (line.find("CellHeader") == std::string_view::npos);
  CelLineFields fields;
  int cellLines = 0;
  for (int count = 1;; ++count) {
    const bool end = lines.Next(line) == platform::LineStatus::kEnd;
    if (end || (!line.empty() && line.front() == '[')) {
      // A file that ends before the cells its intensity section announces is cut short.
      result.read = !end || cellLines >= announced;
      return result;
    }
    if (line.size() > 3) {
      ++cellLines;
      if (!ParseCelLine(line, fields)) {
        result.refusedLine = count;
        return result;
      }
      if (fields.x >= 0 && fields.x < side && fields.y >= 0 && fields.y < side) {
        const std::size_t index = PlaneIndex(fields.x, fields.y, side, rotated);
        result.planes.mean[index] = CelIntensity(fields.mean);
        result.planes.error[index] =
            CelStandardError(fields.deviation, CelRootOfPixels(fields.pixels));
      }
    }
    if (count == stopAfter) return result;
  }
}

// Sets how the text reader shares out its lines for one scope.
class SplitScope {
 public:
  SplitScope(std::size_t pieceBytes, int helpers) : mSaved(TextCelSplitting) {
    TextCelSplitting = {pieceBytes, helpers};
  }
  ~SplitScope() { TextCelSplitting = mSaved; }
  SplitScope(const SplitScope&) = delete;
  SplitScope& operator=(const SplitScope&) = delete;

 private:
  TextCelSplit mSaved;
};

struct Split {
  std::size_t pieceBytes;
  int helpers;
};
// One piece on the calling thread, as reading line by line does; then pieces of one
// line, of a few lines and of many, on one to three helpers.
const Split kSplits[] = {{SIZE_MAX, 0}, {1, 3}, {97, 2}, {1000, 1}, {4096, 3}};

}  // namespace

class CelReaderSplitTest : public ArrayFileTest {
 protected:
  void UseSide(int side, bool rotated) {
    Layout.dimension = side;
    RotatedLayout = rotated ? 1 : 0;
  }
  struct Reading {
    bool read = false;
    Planes planes;
    std::vector<CapturedLine> log;
  };
  Reading ReadText(const std::string& path, const Split& split) {
    const SplitScope scope(split.pieceBytes, split.helpers);
    mLog.Clear();
    Reading reading;
    reading.read = mData.ReadTextCel(path.c_str());
    reading.planes = {mData.plane1, mData.plane2};
    reading.log = mLog.Lines();
    return reading;
  }
  // Every split reads the file as line by line does, with the same log.
  void ExpectEverySplitReadsLineByLine(const std::string& text, int side, bool rotated) {
    UseSide(side, rotated);
    const std::string path = WriteText("cells.CEL", text);
    const LineByLine truth = ReadLineByLine(text, side, rotated);
    std::optional<Reading> first;
    for (const Split& split : kSplits) {
      SCOPED_TRACE(testing::Message()
                   << "pieces of " << split.pieceBytes << ", " << split.helpers << " helpers");
      const Reading reading = ReadText(path, split);
      EXPECT_EQ(reading.read, truth.read);
      EXPECT_TRUE(reading.planes.mean == truth.planes.mean);
      EXPECT_TRUE(reading.planes.error == truth.planes.error);
      if (truth.refusedLine > 0) {
        EXPECT_TRUE(mLog.ContainsRed("cell line " + std::to_string(truth.refusedLine) + " is"));
      }
      if (!first) {
        first = reading;
        continue;
      }
      ASSERT_EQ(reading.log.size(), first->log.size());
      for (std::size_t i = 0; i < reading.log.size(); ++i) {
        EXPECT_EQ(reading.log[i].text, first->log[i].text);
        EXPECT_EQ(reading.log[i].colour, first->log[i].colour);
        EXPECT_EQ(reading.log[i].replaceLastLine, first->log[i].replaceLastLine);
      }
    }
  }
  std::string TextOf(const std::string& path) {
    const auto bytes = platform::ReadWholeFile(path);
    EXPECT_TRUE(bytes.has_value());
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
  }

  CHIP_DATA mData;
};

TEST_F(CelReaderSplitTest, GeneratedFilesReadTheSameInAnyPieces) {
  for (const auto kind : {synth::ChipKind::kExpression, synth::ChipKind::kSnp3Rotated}) {
    SCOPED_TRACE(static_cast<int>(kind));
    const auto chip = MakeChip(kind, 40, 12);
    UseChip(chip);
    const auto array = MakeArray(chip);
    const std::string path = WriteCel(array, synth::CelForm::kText);
    for (const Split& split : kSplits) {
      ASSERT_TRUE(ReadText(path, split).read);
      ExpectPlanesHoldTheTruth(mData, array);
    }
    ExpectEverySplitReadsLineByLine(TextOf(path), 40, chip.rotated);
  }
}

TEST_F(CelReaderSplitTest, DamagedFilesReadTheSameInAnyPieces) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 8);
  const auto array = MakeArray(chip);
  const std::string seed = TextOf(WriteCel(array, synth::CelForm::kText));
  const std::size_t cells = seed.find('\n', seed.find("CellHeader")) + 1;
  ASSERT_GT(cells, 0u);
  std::mt19937 random(20250301);
  const std::string breakers = "0123456789-+.eE\t\r\n =[]x";
  for (int variant = 0; variant < 40; ++variant) {
    SCOPED_TRACE(variant);
    std::string text = seed;
    const int flips = 1 + static_cast<int>(random() % 6);
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = cells + random() % (text.size() - cells);
      text[at] = random() % 3 == 0 ? static_cast<char>(random() % 256)
                                   : breakers[random() % breakers.size()];
    }
    // Some copies lose their end, or their last line end.
    if (variant % 5 == 1) text.resize(cells + random() % (text.size() - cells));
    if (variant % 5 == 2 && text.back() == '\n') text.pop_back();
    ExpectEverySplitReadsLineByLine(text, 30, variant % 2 == 0);
  }
}

TEST_F(CelReaderSplitTest, LaterLinesOfACellWinAcrossPieces) {
  // Each pass over the cells gives them other values; a cell of the last pass but one is
  // given again at the very end.
  std::string text =
      "[CEL]\nVersion=3\n\n[HEADER]\nCols=8\nRows=8\n\n[INTENSITY]\n"
      "NumberCells=192\nCellHeader=X\tY\tMEAN\tSTDEV\tPIXELS\n";
  for (int pass = 0; pass < 3; ++pass)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        text += std::to_string(x) + "\t" + std::to_string(y) + "\t" +
                std::to_string(100 * pass + 8 * y + x) + ".5\t" + std::to_string(pass + 2) +
                ".0\t4\n";
  text += "3\t5\t999.0\t9.0\t9\n";
  ExpectEverySplitReadsLineByLine(text, 8, false);
  ASSERT_TRUE(ReadText(mFolder.File("cells.CEL"), {16, 3}).read);
  EXPECT_EQ(mData.plane1[mData.CellIndex(2, 2)], 219);  // 200 + 18 + 0.5, rounded
  EXPECT_EQ(mData.plane2[mData.CellIndex(2, 2)], 2);    // 4 / 2
  EXPECT_EQ(mData.plane1[mData.CellIndex(3, 5)], 999);
  EXPECT_EQ(mData.plane2[mData.CellIndex(3, 5)], 3);
}

TEST_F(CelReaderSplitTest, LongLinesCrLfAndOddLinesReadTheSameInAnyPieces) {
  std::string text = "[CEL]\r\nVersion=3\r\n[HEADER]\r\nCellHeader=X\tY\tMEAN\r\n";
  for (int i = 0; i < 300; ++i) {
    const std::string cell = std::to_string(i % 20) + " " + std::to_string(i / 20) + " ";
    switch (i % 7) {
      case 0:
        text += cell + std::to_string(i) + ".25\r\n";
        break;
      // Cut at the bound: what lies beyond it does not count.
      case 1:
        text += cell + "77" + std::string(1200, ' ') + "garbage\n";
        break;
      case 2:
        text += cell + "1e3 -2.5 +16\n";
        break;
      case 3:
        text += "\n \t\n";
        break;
      case 4:
        text += cell + "0012.50\t\t3 9 trailing words\n";
        break;
      case 5:
        text += "  " + cell + "  5.\t.5\r\r\n";
        break;
      default:
        text += cell + std::string(40, '1') + "\n";
        break;
    }
  }
  ExpectEverySplitReadsLineByLine(text, 20, false);
  ExpectEverySplitReadsLineByLine(text + "[MASKS]\n1 2 3\n", 20, true);
  ExpectEverySplitReadsLineByLine(text + "9 9 abc\n" + text, 20, false);
}

TEST_F(CelReaderSplitTest, AStopEndsReadingAfterTheSameLineInAnyPieces) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 40, 12);
  const auto array = MakeArray(chip);
  const std::string path = WriteCel(array, synth::CelForm::kText);
  const LineByLine stopped = ReadLineByLine(TextOf(path), 40, false, 700);
  UseSide(40, false);
  for (const Split& split : kSplits) {
    SCOPED_TRACE(split.pieceBytes);
    // Pumps: one for each of the two opening log lines, then one every hundred lines.
    int pumps = 0;
    const auto previous = SetPumpHook([&] {
      if (++pumps == 2 + 7) AnalysisRunning = 0;
    });
    const Reading reading = ReadText(path, split);
    SetPumpHook(previous);
    AnalysisRunning = 1;
    EXPECT_FALSE(reading.read);
    EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
    EXPECT_TRUE(reading.planes.mean == stopped.planes.mean);
    EXPECT_TRUE(reading.planes.error == stopped.planes.error);
  }
}

namespace {

struct Entry {
  float mean;
  float deviation;
  std::int16_t pixels;
};

// A binary cell file of rows x cols entries; the header text padded to headerBytes.
std::vector<std::uint8_t> BinaryCel(int rows, int cols, const std::vector<Entry>& entries,
                                    std::size_t headerBytes = 0) {
  platform::ByteWriter out;
  out.WriteInt32(kBinaryCelMagic);
  out.WriteInt32(4);
  out.WriteInt32(rows);
  out.WriteInt32(cols);
  out.WriteInt32(rows * cols);
  std::string header = "Cols=" + std::to_string(cols) + "\nRows=" + std::to_string(rows) + "\n";
  if (header.size() < headerBytes) header.resize(headerBytes, '.');
  out.WriteCountedString(header);
  out.WriteCountedString("Percentile");
  out.WriteCountedString("Percentile:75;");
  out.WriteInt32(2);  // cell margin
  out.WriteInt32(0);  // outliers
  out.WriteInt32(1);  // masks
  out.WriteInt32(0);  // sub-grids
  for (const Entry& entry : entries) {
    out.WriteFloat(entry.mean);
    out.WriteFloat(entry.deviation);
    out.WriteInt16(entry.pixels);
  }
  out.WriteInt16(0);  // the one mask
  out.WriteInt16(0);
  return out.Bytes();
}

// Entries of every kind of value, in an order that puts each kind beside every other.
std::vector<Entry> MixedEntries(std::size_t count) {
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float values[] = {kNan,     kInf,     -kInf,   -0.0f,   0.0f,    -3.5f,    0.49f,
                          0.5f,     1.5f,     2.4999f, 123.45f, 4095.9f, 65534.4f, 65534.5f,
                          65535.0f, 65536.0f, 1e30f,   1e-40f,  16.0f,   15.99f,   7.0f};
  const std::int16_t pixels[] = {0, 1, 4, 9, 16, 25, 36, -4, 2, 255, 256, 300, 32767, -32768};
  std::vector<Entry> entries(count);
  std::mt19937 random(3);
  for (Entry& entry : entries) {
    entry.mean = values[random() % std::size(values)];
    entry.deviation = random() % 4 == 0 ? values[random() % std::size(values)]
                                        : static_cast<float>(random() % 200000) / 7.0f;
    entry.pixels = random() % 3 == 0 ? pixels[random() % std::size(pixels)] : 16;
  }
  return entries;
}

// The planes the cell conversion gives for the entries of a rows x cols grid.
Planes ConvertedPlanes(int rows, int cols, const std::vector<Entry>& entries, int side,
                       bool rotated) {
  const auto cells = static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
  Planes planes{std::vector<std::uint16_t>(cells), std::vector<std::uint16_t>(cells)};
  for (int y = 0; y < std::min(rows, side); ++y)
    for (int x = 0; x < std::min(cols, side); ++x) {
      const Entry& entry = entries[static_cast<std::size_t>(y) * static_cast<std::size_t>(cols) +
                                   static_cast<std::size_t>(x)];
      const std::size_t index = PlaneIndex(x, y, side, rotated);
      planes.mean[index] = CelIntensity(entry.mean);
      planes.error[index] = CelStandardError(entry.deviation, CelRootOfPixels(entry.pixels));
    }
  return planes;
}

}  // namespace

TEST_F(CelReaderSplitTest, BinaryCellsOfEveryValueAndGridConvertAsEachCellDoes) {
  constexpr int kSide = 70;  // a whole tile of rows and columns and a part of one
  struct Grid {
    int rows;
    int cols;
  };
  for (const Grid grid : {Grid{70, 70}, Grid{75, 71}, Grid{61, 65}, Grid{140, 9}, Grid{3, 140}}) {
    const auto entries = MixedEntries(static_cast<std::size_t>(grid.rows * grid.cols));
    // A header too long for the streamed path sends the file the whole-file way.
    for (const std::size_t headerBytes : {std::size_t{0}, std::size_t{70000}}) {
      const std::string path = mFolder.File("grid" + std::to_string(headerBytes) + ".CEL");
      ASSERT_TRUE(
          platform::WriteWholeFile(path, BinaryCel(grid.rows, grid.cols, entries, headerBytes)));
      for (const bool rotated : {false, true}) {
        SCOPED_TRACE(testing::Message() << grid.rows << " x " << grid.cols << ", header "
                                        << headerBytes << (rotated ? ", rotated" : ""));
        UseSide(kSide, rotated);
        // Planes of the right size but stale values: cells the grid misses must read 0.
        mData.plane1.assign(kSide * kSide, 1234);
        mData.plane2.assign(kSide * kSide, 4321);
        mLog.Clear();
        ASSERT_TRUE(mData.ReadBinaryCel(path.c_str()));
        const Planes expected = ConvertedPlanes(grid.rows, grid.cols, entries, kSide, rotated);
        EXPECT_TRUE(mData.plane1 == expected.mean);
        EXPECT_TRUE(mData.plane2 == expected.error);
        EXPECT_TRUE(mLog.Contains("      Row 60", kLogBlack) == (grid.rows > 60));
      }
    }
  }
}

TEST_F(CelReaderSplitTest, BinaryFilesCutAnywhereAreRefused) {
  UseSide(20, false);
  const std::vector<std::uint8_t> bytes = BinaryCel(20, 20, MixedEntries(400));
  for (std::size_t size = 0; size < bytes.size(); size += 97) {
    SCOPED_TRACE(size);
    const std::string path = mFolder.File("cut.CEL");
    ASSERT_TRUE(platform::WriteWholeFile(path, std::span(bytes.data(), size)));
    mLog.Clear();
    EXPECT_FALSE(mData.ReadBinaryCel(path.c_str()));
    EXPECT_TRUE(mLog.ContainsRed("      Failed to read Binary CEL file"));
  }
}

TEST_F(CelReaderSplitTest, ABinaryFileStoppedMidwayHoldsTheTilesBeforeTheStop) {
  constexpr int kSide = 70;
  UseSide(kSide, false);
  const auto entries = MixedEntries(kSide * kSide);
  const std::string path = mFolder.File("stopped.CEL");
  ASSERT_TRUE(platform::WriteWholeFile(path, BinaryCel(kSide, kSide, entries)));
  mData.plane1.assign(kSide * kSide, 1234);
  mData.plane2.assign(kSide * kSide, 4321);
  // Pumps: one for the opening log line, then one for each row; the stop comes with row
  // 45, after the first tile of 64 rows was decoded.
  int pumps = 0;
  const auto previous = SetPumpHook([&] {
    if (++pumps == 1 + 46) AnalysisRunning = 0;
  });
  const bool read = mData.ReadBinaryCel(path.c_str());
  SetPumpHook(previous);
  AnalysisRunning = 1;
  EXPECT_FALSE(read);
  EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
  EXPECT_TRUE(mLog.Contains("      Row 40", kLogBlack));
  EXPECT_FALSE(mLog.Contains("      Row 60", kLogBlack));
  const Planes converted = ConvertedPlanes(kSide, kSide, entries, kSide, false);
  for (int x = 0; x < kSide; ++x) {
    const std::size_t lastDecoded = mData.CellIndex(x, 63);
    EXPECT_EQ(mData.plane1[lastDecoded], converted.mean[lastDecoded]);
    EXPECT_EQ(mData.plane2[lastDecoded], converted.error[lastDecoded]);
    EXPECT_EQ(mData.plane1[mData.CellIndex(x, 64)], 1234);
  }
}

TEST_F(CelReaderSplitTest, ABinaryHeaderReadsFromAnyPrefixThatHoldsItWhole) {
  const std::vector<std::uint8_t> bytes = BinaryCel(4, 5, MixedEntries(20), 300);
  CelHeader whole;
  const std::optional<std::size_t> offset = CEL_FILE_DATA::ReadBinaryHeader(bytes, whole);
  ASSERT_TRUE(offset.has_value());
  EXPECT_EQ(whole.rows, 4);
  EXPECT_EQ(whole.cols, 5);
  EXPECT_EQ(whole.algorithm, "Percentile");
  for (std::size_t size = 0; size <= *offset + 3; ++size) {
    CelHeader header;
    const auto prefixOffset =
        CEL_FILE_DATA::ReadBinaryHeader(std::span(bytes.data(), size), header);
    EXPECT_EQ(prefixOffset.has_value(), size >= *offset) << size;
    if (prefixOffset) {
      EXPECT_EQ(*prefixOffset, *offset);
      EXPECT_EQ(header.headerText, whole.headerText);
    }
  }
  // The body holds 20 entries and one mask, to the byte.
  EXPECT_TRUE(CEL_FILE_DATA::BinaryBodyFits(whole, *offset, bytes.size()));
  EXPECT_FALSE(CEL_FILE_DATA::BinaryBodyFits(whole, *offset, bytes.size() - 1));
  EXPECT_FALSE(CEL_FILE_DATA::BinaryBodyFits(whole, bytes.size() + 1, bytes.size()));
}

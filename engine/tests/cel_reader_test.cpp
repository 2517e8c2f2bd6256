// CHIP_DATA::ReadTextCel and ReadBinaryCel: generated files of every form and chip kind
// read back to the truth they were made from; the plane values of single cells; what
// happens to short, out-of-range, garbage and truncated input.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>

#include "engine/tests/array_file_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"

namespace {

// A tiny binary cell file: rows x cols grid, `entries` cells of mean = 10 * index + 0.5
// (deviation 8, pixels 4), a header string that claims headerLength bytes when given.
std::vector<std::uint8_t> TinyBinaryCel(int rows, int cols, int cellCount, int entries,
                                        std::optional<std::int32_t> headerLength = {},
                                        const std::string& header = "Cols=3\nRows=3\n") {
  platform::ByteWriter out;
  out.WriteInt32(64);
  out.WriteInt32(1);
  out.WriteInt32(rows);
  out.WriteInt32(cols);
  out.WriteInt32(cellCount);
  if (headerLength) {
    out.WriteInt32(*headerLength);
    out.WriteText(header);
  } else {
    out.WriteCountedString(header);
  }
  out.WriteCountedString("");
  out.WriteCountedString("");
  for (int i = 0; i < 4; ++i) out.WriteInt32(0);  // margin, outliers, masks, sub-grids
  for (int i = 0; i < entries; ++i) {
    out.WriteFloat(10.0f * static_cast<float>(i) + 0.5f);
    out.WriteFloat(8.0f);
    out.WriteInt16(4);
  }
  return out.Bytes();
}

}  // namespace

class CelReaderTest : public ArrayFileTest {
 protected:
  // A layout of the given side without a chip description: the readers only ask for
  // the dimension and the rotation.
  void UseSide(int dimension, bool rotated = false) {
    Layout.dimension = dimension;
    RotatedLayout = rotated ? 1 : 0;
  }
  std::string WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = mFolder.File(name);
    EXPECT_TRUE(platform::WriteWholeFile(path, bytes));
    return path;
  }
  // A sectioned text file whose intensity section announces one cell and holds the
  // given lines.
  std::string TextCel(const std::string& cellLines) {
    return WriteText("cells.CEL",
                     "[CEL]\nVersion=3\n\n[HEADER]\nCols=10\nRows=10\n\n[INTENSITY]\n"
                     "NumberCells=1\nCellHeader=X\tY\tMEAN\tSTDEV\tPIXELS\n" +
                         cellLines);
  }
  std::uint16_t Plane1(int x, int y) const { return mData.plane1[mData.CellIndex(x, y)]; }
  std::uint16_t Plane2(int x, int y) const { return mData.plane2[mData.CellIndex(x, y)]; }

  CHIP_DATA mData;
};

class CelFormsTest
    : public CelReaderTest,
      public ::testing::WithParamInterface<std::tuple<synth::ChipKind, synth::CelForm>> {};

TEST_P(CelFormsTest, GeneratedFilesReadBackToTheTruth) {
  const auto [kind, form] = GetParam();
  const auto chip = MakeChip(kind, 24, 8);
  UseChip(chip);
  const auto array = MakeArray(chip);
  ASSERT_TRUE(mData.ReadTextCel(WriteCel(array, form).c_str()));
  ExpectPlanesHoldTheTruth(mData, array);
  // Only the sectioned text form is read line by line; the others go to the parser.
  EXPECT_EQ(mLog.Contains("    Not a text format CEL file; try binary reading", kLogBlack),
            form != synth::CelForm::kText);
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
}

std::string CaseName(const ::testing::TestParamInfo<CelFormsTest::ParamType>& info) {
  std::string name(synth::ChipKindName(std::get<0>(info.param)));
  const synth::CelForm form = std::get<1>(info.param);
  name += form == synth::CelForm::kText      ? "_text"
          : form == synth::CelForm::kOldText ? "_oldtext"
                                             : "_binary";
  for (char& ch : name)
    if (ch == '-') ch = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    KindsAndForms, CelFormsTest,
    ::testing::Combine(::testing::Values(synth::ChipKind::kExpression, synth::ChipKind::kExon,
                                         synth::ChipKind::kSnp3Rotated, synth::ChipKind::kSnp1),
                       ::testing::Values(synth::CelForm::kText, synth::CelForm::kOldText,
                                         synth::CelForm::kBinary)),
    CaseName);

TEST_F(CelReaderTest, LargeFilesShowTheirProgressInPlace) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 110, 30);
  UseChip(chip);
  const auto array = MakeArray(chip);
  ASSERT_TRUE(mData.ReadBinaryCel(WriteCel(array, synth::CelForm::kBinary).c_str()));
  ExpectPlanesHoldTheTruth(mData, array);
  EXPECT_TRUE(mLog.Contains("      Row 100", kLogBlack));

  mLog.Clear();
  ASSERT_TRUE(mData.ReadTextCel(WriteCel(array, synth::CelForm::kText).c_str()));
  ExpectPlanesHoldTheTruth(mData, array);
  ASSERT_FALSE(mLog.Lines().empty());
  EXPECT_EQ(mLog.Lines().front().text, "    Reading CEL file...");
  bool progressInPlace = false;
  for (const CapturedLine& line : mLog.Lines())
    progressInPlace |= line.text == "      Line 10000" && line.replaceLastLine;
  EXPECT_TRUE(progressInPlace);
}

TEST_F(CelReaderTest, MeanIsRoundedAndErrorIsDeviationOverRootOfPixels) {
  UseSide(10);
  ASSERT_TRUE(mData.ReadTextCel(TextCel("1\t2\t100.5\t9.0\t4\n3\t4\t100.4\t9.0\t9\n").c_str()));
  EXPECT_EQ(Plane1(1, 2), 101);
  EXPECT_EQ(Plane2(1, 2), 4);  // 9 / 2 = 4.5, truncated
  EXPECT_EQ(Plane1(3, 4), 100);
  EXPECT_EQ(Plane2(3, 4), 3);
  EXPECT_EQ(Plane1(0, 0), 0);  // not in the file
}

TEST_F(CelReaderTest, RotatedLayoutsKeepCellXYAtDimensionMinusOneMinusYAndX) {
  UseSide(10, true);
  ASSERT_TRUE(mData.ReadTextCel(TextCel("2\t3\t55.0\t0\t1\n").c_str()));
  EXPECT_EQ(Plane1(6, 2), 55);
  EXPECT_EQ(Plane1(2, 3), 0);
}

TEST_F(CelReaderTest, MissingDeviationReadsAsZeroAndMissingOrZeroPixelsAsOne) {
  UseSide(10);
  ASSERT_TRUE(mData.ReadTextCel(
      TextCel("1 1 300.0\n2 2 300.0 16.0\n3 3 300.0 16.0 0\n4 4 300.0 16.0 -4\n5 5 1 16 x\n")
          .c_str()));
  EXPECT_EQ(Plane1(1, 1), 300);
  EXPECT_EQ(Plane2(1, 1), 0);
  EXPECT_EQ(Plane2(2, 2), 16);
  EXPECT_EQ(Plane2(3, 3), 16);
  EXPECT_EQ(Plane2(4, 4), 16);
  EXPECT_EQ(Plane2(5, 5), 16);  // an unreadable pixel count is a missing one
}

TEST_F(CelReaderTest, ValuesAreHeldToTheSixteenBitRange) {
  UseSide(10);
  ASSERT_TRUE(mData.ReadTextCel(TextCel("1 1 70000.0 1e30 1\n"
                                        "2 2 -20.5 -3.0 4\n"
                                        "3 3 1e40 5 1\n"
                                        "4 4 65534.6 0 1\n"
                                        "5 5 -0.4 2.5 1\n"
                                        "6 6 -1e40 -1e40 1e40\n")
                                    .c_str()));
  EXPECT_EQ(Plane1(1, 1), 65535);
  EXPECT_EQ(Plane2(1, 1), 65535);
  EXPECT_EQ(Plane1(2, 2), 0);
  EXPECT_EQ(Plane2(2, 2), 0);
  EXPECT_EQ(Plane1(3, 3), 65535);
  EXPECT_EQ(Plane1(4, 4), 65535);
  EXPECT_EQ(Plane1(5, 5), 0);
  EXPECT_EQ(Plane2(5, 5), 2);
  EXPECT_EQ(Plane1(6, 6), 0);
  EXPECT_EQ(Plane2(6, 6), 0);
}

TEST_F(CelReaderTest, CellsOutsideTheLayoutAreDropped) {
  UseSide(10);
  ASSERT_TRUE(
      mData.ReadTextCel(TextCel("10 0 50\n-1 3 50\n0 10 50\n99999 99999 50\n9 9 77\n").c_str()));
  EXPECT_EQ(Plane1(9, 9), 77);
  std::size_t set = 0;
  for (std::uint16_t value : mData.plane1) set += value != 0 ? 1 : 0;
  EXPECT_EQ(set, 1u);
}

TEST_F(CelReaderTest, ReadingEndsWithTrueAtTheNextSection) {
  UseSide(10);
  ASSERT_TRUE(mData.ReadTextCel(TextCel("1 1 40\n[MASKS]\nNumberCells=1\n2 2 90\n").c_str()));
  EXPECT_EQ(Plane1(1, 1), 40);
  EXPECT_EQ(Plane1(2, 2), 0);
}

TEST_F(CelReaderTest, AShortLineIsSkippedAndAGarbageLineRefusesTheFile) {
  UseSide(10);
  ASSERT_TRUE(mData.ReadTextCel(TextCel("1 1 40\n\n 9 \n2 2 50\n").c_str()));
  EXPECT_EQ(Plane1(2, 2), 50);

  for (const char* garbage : {"1 2 abc\n", "12 34\n", "cell 1 2 3\n", "1.5 2 3\n"}) {
    SCOPED_TRACE(garbage);
    mLog.Clear();
    EXPECT_FALSE(mData.ReadTextCel(TextCel(std::string("1 1 40\n") + garbage).c_str()));
    EXPECT_TRUE(mLog.ContainsRed("cell line 2 is not 'x y mean'"));
  }
}

TEST_F(CelReaderTest, ATextFileWithoutCellHeaderFails) {
  UseSide(10);
  const std::string path = WriteText("short.CEL", "[CEL]\nVersion=3\n\n[HEADER]\nCols=10\n");
  EXPECT_FALSE(mData.ReadTextCel(path.c_str()));
  EXPECT_TRUE(mLog.ContainsRed("    Reading " + path + " failed: no \"CellHeader\" line"));
}

// A text file cut anywhere before the line end of its intensity section's last cell is
// refused, like a cut binary file; cut after it, the cells are whole and the file reads.
TEST_F(CelReaderTest, ATextFileCutBeforeItsLastCellIsRefused) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 6);
  UseChip(chip);
  const std::string path = WriteCel(MakeArray(chip), synth::CelForm::kText);
  const std::optional<platform::ByteBuffer> read = platform::ReadWholeFile(path);
  ASSERT_TRUE(read.has_value());
  const std::string whole(read->begin(), read->end());
  const std::size_t header = whole.find("CellHeader");
  const std::size_t masks = whole.find("[MASKS]");
  ASSERT_NE(header, std::string::npos);
  ASSERT_NE(masks, std::string::npos);
  const std::size_t firstCell = whole.find('\n', header) + 1;
  const auto lineEndAfter = [&](std::size_t at, int lines) {
    for (int i = 0; i < lines; ++i) at = whole.find('\n', at) + 1;
    return at;
  };
  const std::size_t thirdCell = lineEndAfter(firstCell, 2);
  const std::size_t lastCell = whole.rfind('\n', masks - 3) + 1;  // past the blank line
  ASSERT_NE(whole.find("\nNumberCells=400\n"), std::string::npos);
  const struct {
    const char* what;
    std::size_t length;
    int cellsRead;  // -1: the file is whole
  } cuts[] = {
      {"after the cell header", firstCell, 0},
      {"after two cells", thirdCell, 2},
      {"inside the third cell's mean", whole.find('\t', whole.find('\t', thirdCell) + 1) + 2, 2},
      {"before the last cell", lastCell, 399},
      {"after the last cell", masks, -1},
      {"the whole file", whole.size(), -1},
  };
  for (const auto& cut : cuts) {
    SCOPED_TRACE(cut.what);
    mLog.Clear();
    WriteText("cut.CEL", whole.substr(0, cut.length));
    const std::string cutPath = mFolder.File("cut.CEL");
    EXPECT_EQ(mData.ReadTextCel(cutPath.c_str()), cut.cellsRead < 0);
    if (cut.cellsRead >= 0)
      EXPECT_TRUE(mLog.ContainsRed(
          MessageBuffer("    Reading %s failed: the file ends after %d of its 400 cells",
                        cutPath.c_str(), cut.cellsRead)));
    else
      EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
  }

  // Cut at every character of the last cell line, its line end the last: whatever of its
  // fields are left, it is no cell; with its line end the cells are whole.
  const std::size_t lastEnd = whole.find('\n', lastCell);
  ASSERT_GT(lastEnd, lastCell + 10);
  for (std::size_t length = lastCell; length <= lastEnd + 1; ++length) {
    const std::string text = whole.substr(0, length);
    SCOPED_TRACE(text.substr(lastCell));
    mLog.Clear();
    WriteText("cut.CEL", text);
    const std::string cutPath = mFolder.File("cut.CEL");
    const bool lineEnded = length == lastEnd + 1;
    EXPECT_EQ(mData.ReadTextCel(cutPath.c_str()), lineEnded);
    if (lineEnded) {
      EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
      continue;
    }
    EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(
        "    Reading %s failed: the file ends after 399 of its 400 cells", cutPath.c_str())));
    EXPECT_EQ(mLog.CountInColour(kLogRed), 1);
  }
}

TEST_F(CelReaderTest, AFileThatDoesNotOpenFails) {
  UseSide(10);
  const std::string path = mFolder.File("absent.CEL");
  EXPECT_FALSE(mData.ReadTextCel(path.c_str()));
  EXPECT_TRUE(mLog.ContainsRed("    Reading " + path + " failed"));
  mLog.Clear();
  EXPECT_FALSE(mData.ReadBinaryCel(path.c_str()));
  EXPECT_TRUE(mLog.ContainsRed("      Failed to read Binary CEL file"));
}

TEST_F(CelReaderTest, AStopRequestEndsBothReaders) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 6);
  UseChip(chip);
  const auto array = MakeArray(chip);
  AnalysisRunning = 0;
  EXPECT_FALSE(mData.ReadTextCel(WriteCel(array, synth::CelForm::kText).c_str()));
  EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
  mLog.Clear();
  EXPECT_FALSE(mData.ReadBinaryCel(WriteCel(array, synth::CelForm::kBinary).c_str()));
  EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
}

TEST_F(CelReaderTest, BinaryFilesThatDoNotHoldTheirGridAreRefused) {
  UseSide(3);
  // Well formed first, so the refusals below are the damage's doing.
  ASSERT_TRUE(mData.ReadBinaryCel(WriteBytes("good.CEL", TinyBinaryCel(3, 3, 9, 9)).c_str()));
  EXPECT_EQ(Plane1(2, 1), 51);  // entry 5 (mean 50.5) is x = 2, y = 1
  EXPECT_EQ(Plane2(2, 1), 4);

  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> damaged = {
      {"fewer cells than rows x cols", TinyBinaryCel(3, 3, 8, 8)},
      {"cells cut short", TinyBinaryCel(3, 3, 9, 5)},
      {"header longer than the file", TinyBinaryCel(3, 3, 9, 9, 100000)},
      {"negative header length", TinyBinaryCel(3, 3, 9, 9, -5)},
      {"negative rows", TinyBinaryCel(-3, 3, 9, 9)},
  };
  for (const auto& [what, bytes] : damaged) {
    SCOPED_TRACE(what);
    mLog.Clear();
    EXPECT_FALSE(mData.ReadTextCel(WriteBytes("bad.CEL", bytes).c_str()));
    EXPECT_TRUE(mLog.Contains("    Not a text format CEL file; try binary reading", kLogBlack));
    EXPECT_TRUE(mLog.ContainsRed("      Failed to read Binary CEL file"));
  }
}

TEST_F(CelReaderTest, AFileOfNeitherFormIsRefusedByTheBinaryReader) {
  UseSide(10);
  std::vector<std::uint8_t> bytes = TinyBinaryCel(3, 3, 9, 9);
  bytes[0] = 65;  // magic
  EXPECT_FALSE(mData.ReadTextCel(WriteBytes("magic.CEL", bytes).c_str()));
  EXPECT_TRUE(mLog.ContainsRed("      Failed to read Binary CEL file"));
  mLog.Clear();
  EXPECT_FALSE(mData.ReadTextCel(WriteText("plain.CEL", "Hello\n1 2 3 4 5\n").c_str()));
  EXPECT_TRUE(mLog.ContainsRed("      Failed to read Binary CEL file"));
}

TEST_F(CelReaderTest, AGridWithoutRowsOrColumnsIsRefusedOnEveryLayout) {
  // 48 bytes: a header of empty texts over a grid of five rows and no column, no cells.
  const std::vector<std::uint8_t> noColumns = TinyBinaryCel(5, 0, 0, 0, {}, "");
  ASSERT_EQ(noColumns.size(), 48u);
  const std::vector<std::uint8_t> noRows = TinyBinaryCel(0, 5, 0, 0, {}, "");
  for (const bool rotated : {false, true}) {
    for (const auto& bytes : {noColumns, noRows}) {
      SCOPED_TRACE(rotated ? "rotated" : "unturned");
      UseSide(5, rotated);
      const std::string path = WriteBytes("empty.CEL", bytes);
      mLog.Clear();
      EXPECT_FALSE(mData.ReadBinaryCel(path.c_str()));
      EXPECT_TRUE(mLog.ContainsRed("      Failed to read Binary CEL file"));
      mLog.Clear();
      EXPECT_FALSE(mData.ReadTextCel(path.c_str()));  // through its fallback
      EXPECT_TRUE(mLog.ContainsRed("      Failed to read Binary CEL file"));
    }
  }
}

TEST_F(CelReaderTest, ABinaryFileWhoseHeaderTextOpensWithTheTextMarkIsReadAsBinary) {
  UseSide(3);
  const std::vector<std::uint8_t> bytes = TinyBinaryCel(3, 3, 9, 9, {}, "[CEL]\nCols=3\nRows=3\n");
  // No line feed comes before the mark: only the magic number tells the forms apart.
  const auto mark =
      std::search(bytes.begin(), bytes.end(), std::begin("[CEL]"), std::end("[CEL]") - 1);
  ASSERT_LT(mark, std::find(bytes.begin(), bytes.end(), '\n'));
  ASSERT_TRUE(mData.ReadTextCel(WriteBytes("header.CEL", bytes).c_str()));
  EXPECT_TRUE(mLog.Contains("    Not a text format CEL file; try binary reading", kLogBlack));
  EXPECT_EQ(Plane1(2, 1), 51);  // entry 5 (mean 50.5) is x = 2, y = 1
  EXPECT_EQ(Plane2(2, 1), 4);
}

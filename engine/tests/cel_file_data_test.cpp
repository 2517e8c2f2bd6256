// CEL_FILE_DATA: the header alone and the whole file in every form, the masks, the chip
// type inside the header text, and the reason recorded for each kind of refusal.
#include "engine/array/cel_file_data.hpp"

#include <gtest/gtest.h>

#include "engine/tests/array_file_test_support.hpp"
#include "platform/byte_writer.hpp"

class CelFileDataTest : public ArrayFileTest {
 protected:
  bool ReadFile(const std::string& path, bool headerOnly = false) {
    mFile.SetFileName(path);
    return mFile.Read(headerOnly);
  }

  CEL_FILE_DATA mFile;
};

TEST_F(CelFileDataTest, EveryFormGivesTheTruthsCellsInFileOrder) {
  const auto chip = MakeChip(synth::ChipKind::kSnp3Rotated, 16, 5);
  const auto array = MakeArray(chip, 5);
  for (const auto form :
       {synth::CelForm::kText, synth::CelForm::kOldText, synth::CelForm::kBinary}) {
    SCOPED_TRACE(static_cast<int>(form));
    ASSERT_TRUE(ReadFile(WriteCel(array, form))) << mFile.errorText;
    EXPECT_EQ(mFile.header.cols, 16);
    EXPECT_EQ(mFile.header.rows, 16);
    ASSERT_EQ(mFile.CellCount(), 256u);
    int wrong = 0;
    int masked = 0;
    for (int x = 0; x < 16; ++x)
      for (int y = 0; y < 16; ++y) {
        int fileX = 0;
        int fileY = 0;
        synth::ToFileCoordinates(chip, 16, x, y, fileX, fileY);
        const CelEntry entry = mFile.Cell(static_cast<std::size_t>(fileY * 16 + fileX));
        EXPECT_EQ(mFile.CellAt(fileX, fileY).mean, entry.mean);
        const synth::CellTruth& truth = array.Cell(x, y);
        wrong += entry.mean != truth.mean || entry.standardDeviation != truth.deviation ||
                         entry.pixelCount != truth.pixels || entry.x != fileX || entry.y != fileY
                     ? 1
                     : 0;
        // The older text form has no mask list.
        if (form != synth::CelForm::kOldText) wrong += (entry.masked != 0) != truth.masked ? 1 : 0;
        masked += truth.masked ? 1 : 0;
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(masked, 4);
    EXPECT_EQ(mFile.header.version, form == synth::CelForm::kText ? 3
                                    : form == synth::CelForm::kOldText
                                        ? 2
                                        : synth::kBinaryCelVersionWritten);
  }
}

TEST_F(CelFileDataTest, TheHeaderAloneGivesTheChipTypeAndGridButNoCells) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 12, 4);
  const auto array = MakeArray(chip);
  for (const auto form :
       {synth::CelForm::kText, synth::CelForm::kOldText, synth::CelForm::kBinary}) {
    SCOPED_TRACE(static_cast<int>(form));
    ASSERT_TRUE(ReadFile(WriteCel(array, form), true)) << mFile.errorText;
    EXPECT_EQ(mFile.header.chipType, chip.chipType);
    EXPECT_EQ(mFile.header.cols, 12);
    EXPECT_EQ(mFile.CellCount(), 0u);
    EXPECT_NE(mFile.header.headerText.find("DatHeader="), std::string::npos);
    if (form != synth::CelForm::kOldText) {
      EXPECT_EQ(mFile.header.algorithm, "ZelkoSynth");
      EXPECT_EQ(mFile.header.algorithmParameters, "Quantile:0.75;Border:1");
    }
  }
  EXPECT_TRUE(mFile.IsBinary());
  mFile.SetFileName(WriteCel(array, synth::CelForm::kText));
  EXPECT_FALSE(mFile.IsBinary());
}

TEST_F(CelFileDataTest, AHeaderWithoutAlgorithmLinesEndsAtTheNextSection) {
  const std::string path = WriteText(
      "export.CEL",
      "[CEL]\nVersion=3\n\n[HEADER]\nCols=2\nRows=2\nDatHeader=a \x14 b \x14 chipA.1sq\n\n"
      "[INTENSITY]\nNumberCells=4\nCellHeader=X\tY\tMEAN\t\n0\t0\t12.5\n1\t1\t7.0\n\n"
      "[MASKS]\nNumberCells=1\nCellHeader=X\tY\n1\t0\n");
  ASSERT_TRUE(ReadFile(path)) << mFile.errorText;
  EXPECT_EQ(mFile.header.chipType, "chipA");
  EXPECT_EQ(mFile.header.headerText, "Cols=2\nRows=2\nDatHeader=a \x14 b \x14 chipA.1sq");
  ASSERT_EQ(mFile.CellCount(), 4u);
  EXPECT_EQ(mFile.Cell(0).mean, 12.5f);
  EXPECT_EQ(mFile.Cell(0).pixelCount, 1);  // a missing count reads as one pixel
  EXPECT_EQ(mFile.Cell(3).mean, 7.0f);
  EXPECT_EQ(mFile.Cell(1).masked, 1);  // the three-character mask line "1\t0"
  EXPECT_EQ(mFile.header.maskedCount, 1);
}

TEST_F(CelFileDataTest, TheChipTypeLiesAfterTheSecondMarkUpToADot) {
  EXPECT_EQ(CelChipType("scan \x14 lane \x14 xyz.1sq"), "xyz");
  // Without a dot it ends one character before the next mark.
  EXPECT_EQ(CelChipType("a\x14 b \x14 xyz \x14 c"), "xyz");
  EXPECT_EQ(CelChipType("only \x14 one mark. x"), "");
  EXPECT_EQ(CelChipType("two \x14\x14"), "");
  EXPECT_EQ(CelChipType("\x14\x14 no end"), "");
  EXPECT_EQ(CelChipType("\x14\x14 \x14"), "");
}

TEST_F(CelFileDataTest, EachRefusalRecordsItsReason) {
  EXPECT_FALSE(ReadFile(mFolder.File("absent.CEL")));
  EXPECT_EQ(mFile.errorText, "Unable to open the file.");

  EXPECT_FALSE(ReadFile(WriteText("hello.CEL", "Hello\n")));
  EXPECT_EQ(mFile.errorText, "Unrecognized CEL file format.");
  EXPECT_FALSE(ReadFile(WriteText("empty.CEL", "")));
  EXPECT_EQ(mFile.errorText, "Unrecognized CEL file format.");

  const char* kWrongFormat = "The file does not appear to be the correct format.";
  const std::vector<std::pair<const char*, std::string>> damaged = {
      {"no header section", "[CEL]\nVersion=3\n"},
      {"no rows", "[CEL]\n[HEADER]\nCols=2\nTotalX=2\n"},
      {"header never ends", "[CEL]\n[HEADER]\nCols=2\nRows=2\nDatHeader=x\n"},
      {"no intensity section", "[CEL]\n[HEADER]\nCols=2\nRows=2\n[MASKS]\nNumberCells=0\n"},
      {"garbage cell line",
       "[CEL]\n[HEADER]\nCols=2\nRows=2\n[INTENSITY]\nN=4\nH\n0 0 x 1 1\n[MASKS]\nNumberCells=0\n"},
      {"no mask section", "[CEL]\n[HEADER]\nCols=2\nRows=2\n[INTENSITY]\nN=4\nH\n0 0 1 1 1\n"},
      {"garbage mask line",
       "[CEL]\n[HEADER]\nCols=2\nRows=2\n[INTENSITY]\nN\nH\n\n[MASKS]\nNumberCells=1\nH\nx y\n"},
      {"grid larger than the file",
       "[CEL]\n[HEADER]\nCols=30000\nRows=30000\n[INTENSITY]\nN\nH\n[MASKS]\nNumberCells=0\n"},
      {"older form cut short", "COLS/ROWS=2 2\nheader\ncolumns\n0 0 1 1 1\n1 0 1 1 1\n"},
      {"older form with a bad size", "COLS/ROWS=2\nheader\ncolumns\n"},
  };
  for (const auto& [what, text] : damaged) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(ReadFile(WriteText("damaged.CEL", text)));
    EXPECT_EQ(mFile.errorText, kWrongFormat);
    EXPECT_EQ(mFile.CellCount(), 0u);
  }

  platform::ByteWriter magic;
  magic.WriteInt32(65);
  magic.WriteInt32(1);
  const std::string path = mFolder.File("magic.CEL");
  ASSERT_TRUE(magic.SaveTo(path));
  EXPECT_FALSE(ReadFile(path));
  EXPECT_EQ(mFile.errorText, "Unrecognized CEL file format.");  // not binary, so read as text
}

TEST_F(CelFileDataTest, BinaryMasksOutsideTheGridAreIgnoredAndCutMasksRefused) {
  const auto build = [](int masks, int written, std::int16_t x) {
    platform::ByteWriter out;
    for (std::int32_t field : {64, 1, 2, 2, 4}) out.WriteInt32(field);
    out.WriteCountedString("");
    out.WriteCountedString("");
    out.WriteCountedString("");
    for (std::int32_t field : {0, 0, masks, 0}) out.WriteInt32(field);
    for (int i = 0; i < 4; ++i) {
      out.WriteFloat(1.0f);
      out.WriteFloat(0.0f);
      out.WriteInt16(1);
    }
    for (int m = 0; m < written; ++m) {
      out.WriteInt16(x);
      out.WriteInt16(1);
    }
    return out;
  };
  const std::string path = mFolder.File("masks.CEL");
  ASSERT_TRUE(build(2, 2, 1).SaveTo(path));
  ASSERT_TRUE(ReadFile(path)) << mFile.errorText;
  EXPECT_EQ(mFile.Cell(3).masked, 1);
  EXPECT_EQ(mFile.Cell(0).masked, 0);
  ASSERT_TRUE(build(1, 1, 7).SaveTo(path));
  ASSERT_TRUE(ReadFile(path));
  for (std::size_t i = 0; i < mFile.CellCount(); ++i) EXPECT_EQ(mFile.Cell(i).masked, 0);
  ASSERT_TRUE(build(3, 2, 1).SaveTo(path));
  EXPECT_FALSE(ReadFile(path));
  EXPECT_EQ(mFile.errorText, "The file does not appear to be the correct format.");
}

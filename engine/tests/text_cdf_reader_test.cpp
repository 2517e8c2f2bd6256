// The text chip description reader: round trips for every array kind, the kind rules
// of the cell-line routine, and the files it must refuse.
#include "engine/chip/text_cdf_reader.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>

#include "engine/chip/array_kind_table.hpp"
#include "engine/chip/cell_line.hpp"
#include "engine/tests/chip_test_support.hpp"
#include "platform/byte_reader.hpp"

namespace {

// A text chip description of one probe set with the given cell lines (after '=').
std::string TinyCdf(int rows, int cols, int units, const std::string& unitSections) {
  return "[CDF]\nVersion=TW2.0\n[Chip]\nName=Tiny\nRows=" + std::to_string(rows) +
         "\nCols=" + std::to_string(cols) + "\nNumberOfUnits=" + std::to_string(units) + "\n" +
         unitSections;
}

std::string UnitSection(const std::string& name, const std::string& cells) {
  return "[Unit1]\nName=" + name + "\n[Unit1_Block1]\nName=" + name +
         "\nCellHeader=X\tY\tPROBE\tFEAT\tQUAL\tEXPOS\tPOS\tCBASE\tPBASE\tTBASE\tATOM\n" + cells;
}

std::string CellLine(int x, int y, int position, char probe, char target) {
  return "Cell1=" + std::to_string(x) + "\t" + std::to_string(y) + "\tN\tf\tq\t" +
         std::to_string(position) + "\t0\t" + probe + "\t" + probe + "\t" + target + "\t0\n";
}

// A pair at (x, y) perfect match and (x, y + 1) mismatch.
std::string PairLines(int x, int y) {
  return CellLine(x, y, 1, 'T', 'A') + CellLine(x, y + 1, 2, 'A', 'A');
}

}  // namespace

using TextCdfTest = ChipTest;

TEST_F(TextCdfTest, LoadsEveryKindOfSynthesisedArrayCellByCell) {
  for (synth::ChipKind kind : synth::AllChipKinds()) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    ResetChipGlobals();
    mLog.Clear();
    const auto chip = MakeChip(kind, 36, 12);
    PmOnly = chip.pmOnly ? 1 : 0;  // the setting for chips not recognised by their type
    ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
    EXPECT_EQ(ArrayType, chip.arrayType);
    EXPECT_EQ(RotatedLayout, chip.rotated ? 1 : 0);
    EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
    EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
  }
}

TEST_F(TextCdfTest, EveryTextVersionLoadsTheSame) {
  const auto chip = MakeChip(synth::ChipKind::kSnp3, 30, 6);
  const std::string path = mFolder.File(synth::FileNameFor(chip, synth::ChipForm::kTextCdf));
  for (int version = 1; version <= 3; ++version) {
    SCOPED_TRACE(version);
    ASSERT_TRUE(synth::WriteTextCdf(chip, path, version));
    ASSERT_TRUE(Load(path, true));
    EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
  }
}

TEST_F(TextCdfTest, AFullSizeChipLoads) {
  synth::ChipOptions options;
  options.dimension = 1164;
  options.unitCount = 54000;
  const auto chip = MakeChip(options);
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
  EXPECT_EQ(Layout.unitCount, 54000);
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
}

TEST_F(TextCdfTest, AProbeSetReachingThreeHundredPairsIsRefused) {
  synth::ChipOptions options;
  options.dimension = 30;
  options.unitCount = 1;
  options.minPairs = options.maxPairs = 299;
  ASSERT_TRUE(Load(Write(MakeChip(options), synth::ChipForm::kTextCdf)));
  EXPECT_EQ(Layout.units[0].pairCount, 299);

  options.minPairs = options.maxPairs = 300;
  EXPECT_FALSE(Load(Write(MakeChip(options), synth::ChipForm::kTextCdf), true));
  EXPECT_TRUE(
      mLog.ContainsRed("    Number of probe pairs in probe set PSet000000 exceeds limit 300"));
}

TEST_F(TextCdfTest, CellsOutsideTheChipAreRefused) {
  EXPECT_FALSE(Load(WriteText("Tiny.cdf", TinyCdf(4, 4, 1, UnitSection("U1", PairLines(4, 0))))));
  EXPECT_TRUE(
      mLog.ContainsRed("    Error: cell (4, 0) of probe set U1 lies outside the 4 x 4 chip"));

  mLog.Clear();
  EXPECT_FALSE(
      Load(WriteText("Tiny.cdf", TinyCdf(4, 4, 1, UnitSection("U1", PairLines(0, -1)))), true));
  EXPECT_TRUE(mLog.ContainsRed("    Error: cell (0, -1) of probe set U1 lies outside"));
}

TEST_F(TextCdfTest, CellsOutsideTheChipAreRefusedAfterTheTurn) {
  const std::string chipType(ArrayKindTable()[3].names[0]);  // a rotated SNP kind
  // (0, 3) turns to (0, 0): fine; (0, 4) lies outside before and after the turn.
  const std::string good = CellLine(0, 3, 1, 'A', 'A') + CellLine(1, 3, 1, 'A', 'A');
  ASSERT_TRUE(Load(WriteText(chipType + ".cdf", TinyCdf(4, 4, 1, UnitSection("U1", good)))));
  EXPECT_EQ(Layout.Cell(0, 0).kind, kCellMismatch);  // turned row 0 is even
  EXPECT_EQ(Layout.Cell(0, 1).kind, kCellPerfectMatch);
  const std::string bad = CellLine(0, 4, 1, 'A', 'A') + CellLine(1, 3, 1, 'A', 'A');
  EXPECT_FALSE(Load(WriteText(chipType + ".cdf", TinyCdf(4, 4, 1, UnitSection("U1", bad))), true));
  EXPECT_TRUE(
      mLog.ContainsRed("    Error: cell (0, 4) of probe set U1 lies outside the 4 x 4 chip"));
}

TEST_F(TextCdfTest, MoreProbeSetsThanDeclaredAreRefused) {
  const std::string units = UnitSection("U1", PairLines(0, 0)) + UnitSection("U2", PairLines(1, 0));
  EXPECT_FALSE(Load(WriteText("Tiny.cdf", TinyCdf(4, 4, 1, units))));
  EXPECT_TRUE(mLog.ContainsRed("    Error: more probe sets than NumberOfUnits (1)"));
  ASSERT_TRUE(Load(WriteText("Tiny.cdf", TinyCdf(4, 4, 2, units)), true));
  EXPECT_EQ(Layout.unitCount, 2);
}

TEST_F(TextCdfTest, CellLinesBeforeAnyProbeSetAreRefused) {
  const std::string noName = "[Unit1_Block1]\nCellHeader=X\tY\n" + PairLines(0, 0);
  EXPECT_FALSE(Load(WriteText("Tiny.cdf", TinyCdf(4, 4, 1, noName))));
  EXPECT_TRUE(mLog.ContainsRed("    Error: cell line outside any probe set"));
}

TEST_F(TextCdfTest, AFileWithoutRowsIsRefused) {
  EXPECT_FALSE(Load(WriteText("Tiny.cdf", "[CDF]\nNumberOfUnits=1\n")));
  EXPECT_TRUE(mLog.ContainsRed("    Error: the CDF file gives no number of rows"));
}

TEST_F(TextCdfTest, MoreColumnsThanRowsNeedACustomChipDescription) {
  const std::string units = UnitSection("U1", "Cell1=5\t0\t1\t1\nCell2=5\t1\t2\t0\n");
  EXPECT_FALSE(Load(WriteText("Tiny.cdf", TinyCdf(4, 6, 1, units))));
  EXPECT_TRUE(mLog.ContainsRed("    Number of columns is greater than number of rows"));
  ASSERT_TRUE(Load(WriteText("Tiny_zelko_.cdf", TinyCdf(4, 6, 1, units))));
  EXPECT_EQ(Layout.dimension, 6);
  EXPECT_EQ(Layout.Cell(5, 0).kind, kCellPerfectMatch);  // kind flag 1
  EXPECT_EQ(Layout.Cell(5, 1).kind, kCellMismatch);
}

TEST_F(TextCdfTest, AFileCutShortIsRefused) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 10);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  std::vector<std::uint8_t> bytes = platform::ReadWholeFile(path).value();
  const std::string text(bytes.begin(), bytes.end());

  // In the middle of a cell line.
  const std::size_t middle = text.find("Cell2=", text.size() / 2) + 8;
  ASSERT_TRUE(platform::WriteWholeFile(path, std::span(bytes.data(), middle)));
  EXPECT_FALSE(Load(path, true));
  EXPECT_TRUE(mLog.ContainsRed("    Error: incomplete cell line"));

  // Between the two cells of a pair.
  mLog.Clear();
  const std::size_t afterLine = text.find('\n', text.find("Cell3=", text.size() / 2)) + 1;
  ASSERT_TRUE(platform::WriteWholeFile(path, std::span(bytes.data(), afterLine)));
  EXPECT_FALSE(Load(path, true));
  EXPECT_TRUE(mLog.ContainsRed("ends with an incomplete probe pair"));
}

TEST_F(TextCdfTest, ATooLongProbeSetNameIsRefused) {
  const std::string name(50, 'n');
  EXPECT_FALSE(Load(WriteText("Tiny.cdf", TinyCdf(4, 4, 1, UnitSection(name, PairLines(0, 0))))));
  EXPECT_TRUE(mLog.ContainsRed("    Error: the length of probe set name exceeds limit"));
  ASSERT_TRUE(Load(
      WriteText("Tiny.cdf", TinyCdf(4, 4, 1, UnitSection(name.substr(1), PairLines(0, 0)))), true));
  EXPECT_EQ(Layout.units[0].Name(), name.substr(1));
}

TEST_F(TextCdfTest, UnitsWithoutPairsAreDropped) {
  const std::string units = UnitSection("Empty", "") + UnitSection("Full", PairLines(2, 0));
  ASSERT_TRUE(Load(WriteText("Tiny.cdf", TinyCdf(4, 4, 2, units))));
  ASSERT_EQ(Layout.unitCount, 1);
  EXPECT_EQ(Layout.units[0].Name(), "Full");
  EXPECT_EQ(Layout.Cell(2, 0).unit, 0);
}

TEST_F(TextCdfTest, OneLetterBlockNamesTakeTheSavedUnitNameOnKind3) {
  const std::string chipType(ArrayKindTable()[2].names[0]);
  const std::string cells = CellLine(0, 1, 1, 'A', 'A') + CellLine(0, 0, 1, 'A', 'A');
  const std::string units = "[Unit1]\nName=First\n[Unit1_Block1]\nName=FirstFull\nCellHeader=X\n" +
                            cells +
                            "[Unit2]\nName=SecondSnp\n[Unit2_Block1]\nName=A\nCellHeader=X\n" +
                            CellLine(1, 1, 1, 'A', 'A') + CellLine(1, 0, 1, 'A', 'A');
  ASSERT_TRUE(Load(WriteText(chipType + ".cdf", TinyCdf(4, 4, 2, units))));
  ASSERT_EQ(Layout.unitCount, 2);
  EXPECT_EQ(Layout.units[0].Name(), "FirstFull");
  EXPECT_EQ(Layout.units[1].Name(), "SecondSnp");
}

TEST_F(TextCdfTest, TheMarkedArrayTypeLosesTrailingBaseLetters) {
  synth::ChipOptions options;
  options.kind = synth::ChipKind::kSnp2;
  options.chipType = std::string(TrailingBaseChipType());
  options.trailingBaseNames = true;
  options.dimension = 30;
  options.unitCount = 8;
  const auto chip = MakeChip(options);
  ASSERT_NE(chip.units[0].NameInFiles(), chip.units[0].name);
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
  EXPECT_TRUE(mLog.Contains("    Removing the last base letter from probe set names of " +
                                std::string(TrailingBaseChipType()),
                            kLogBlack));
}

TEST_F(TextCdfTest, StripTrailingBaseTakesOnlyBaseLetters) {
  Layout.units.assign(4, UNIT_RECORD{});
  Layout.unitCount = 4;
  const char* names[] = {"rs12A", "rs12G", "rs12x", ""};
  for (int i = 0; i < 4; ++i) Layout.units[static_cast<std::size_t>(i)].SetName(names[i]);
  StripTrailingBase();
  EXPECT_EQ(Layout.units[0].Name(), "rs12");
  EXPECT_EQ(Layout.units[1].Name(), "rs12");
  EXPECT_EQ(Layout.units[2].Name(), "rs12x");
  EXPECT_EQ(Layout.units[3].Name(), "");
}

// The kind rules of the cell-line routine, straight from rows of a tiny chip.
TEST_F(TextCdfTest, Kind1RowsFollowTheirPatternOfFour) {
  ArrayType = 1;
  ASSERT_TRUE(AllocateCellTable(12, "allocation"));
  ASSERT_TRUE(AllocateUnitTable(1, "allocation"));
  const std::uint8_t expected[12] = {1, 1, 1, 0, 1, 1, 0, 0, 1, 1, 0, 0};
  for (int y = 0; y < 12; ++y) {
    ASSERT_TRUE(ReadCellLine(
        "Cell1=" + std::to_string(y % 3) + "\t" + std::to_string(y) + "\tN\tf\tq\t5\t0\tA\tA\tA\t0",
        0));
    EXPECT_EQ(Layout.Cell(y % 3, y).kind, expected[y]) << "row " << y;
  }
}

TEST_F(TextCdfTest, ExpressionKindsComeFromTheBasesOrThePmOnlySetting) {
  ASSERT_TRUE(AllocateCellTable(4, "allocation"));
  ASSERT_TRUE(AllocateUnitTable(1, "allocation"));
  ASSERT_TRUE(ReadCellLine(CellLine(0, 0, 9, 'T', 'A'), 0));
  ASSERT_TRUE(ReadCellLine(CellLine(0, 1, 9, 'A', 'A'), 0));
  EXPECT_EQ(Layout.Cell(0, 0).kind, kCellPerfectMatch);
  EXPECT_EQ(Layout.Cell(0, 1).kind, kCellMismatch);
  EXPECT_EQ(Layout.Cell(0, 1).pair, 0);
  EXPECT_EQ(Layout.Cell(0, 1).value, 9);
  PmOnly = 1;
  ASSERT_TRUE(ReadCellLine(CellLine(1, 1, 9, 'A', 'A'), 0));
  EXPECT_EQ(Layout.Cell(1, 1).kind, kCellPerfectMatch);
  EXPECT_EQ(Layout.Cell(1, 1).pair, 1);
}

TEST_F(TextCdfTest, AFileThatIsNotTextIsLeftToTheBinaryReader) {
  const std::string path = WriteText("Tiny.cdf", "BINARY\n");
  EXPECT_FALSE(ReadTextCdf(path, ""));
  EXPECT_TRUE(CdfFileNotText);
  ASSERT_FALSE(mLog.Lines().empty());
  EXPECT_EQ(mLog.Lines().back().text, "    Not a CDF file or not in text format");
  EXPECT_TRUE(mLog.Lines().back().replaceLastLine);
  EXPECT_EQ(mLog.Lines().back().colour, kLogRed);
}

TEST_F(TextCdfTest, AMissingFileIsReported) {
  const std::string path = mFolder.File("Absent.cdf");
  EXPECT_FALSE(ReadTextCdf(path, ""));
  EXPECT_FALSE(CdfFileNotText);
  EXPECT_TRUE(mLog.ContainsRed("  Reading CDF file '" + path + "' failed\n"));
}

TEST_F(TextCdfTest, RepeatedHeaderLinesAreReadOnceAndTheLastOneCounts) {
  synth::ChipOptions options;
  options.dimension = 512;
  options.unitCount = 10;
  const auto chip = MakeChip(options);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  const auto bytes = platform::ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
  std::string text(bytes.begin(), bytes.end());
  // Ten thousand sizes of other values ahead of the file's own header lines.
  std::string repeats;
  for (int i = 0; i < 10000; ++i)
    repeats += "Rows=" + std::to_string(400 + i % 100) +
               "\nNumberOfUnits=" + std::to_string(1000 + i % 100) + "\n";
  const std::size_t firstLineEnd = text.find('\n');
  ASSERT_NE(firstLineEnd, std::string::npos);
  text.insert(firstLineEnd + 1, repeats);
  WriteText(platform::FileName(path), text);

  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Load(path, true));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took.count(), 1.0);
  EXPECT_EQ(Layout.dimension, 512);
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
}

TEST_F(TextCdfTest, AHeaderDeclaringMoreThanTheFileCanHoldIsRefusedWithoutACache) {
  const std::pair<std::string, std::string> headers[] = {
      {"a 4096 x 4096 chip in 70 bytes",
       "[CDF]\nVersion=TW2.0\n[Chip]\nName=Big\nRows=4096\nCols=4096\nNumberOfUnits=0\n"},
      {"60000 probe sets in a few lines",
       TinyCdf(20, 20, 60000, UnitSection("U1", PairLines(0, 0)))},
  };
  for (const auto& [what, text] : headers) {
    SCOPED_TRACE(what);
    mLog.Clear();
    const std::string path = WriteText("Big.cdf", text);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Load(path, true));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), 0.5);
    EXPECT_TRUE(mLog.ContainsRed("    Error: a chip description of " + std::to_string(text.size()) +
                                 " bytes cannot hold"));
    EXPECT_FALSE(platform::FileExists(path + ".bin"));
  }
}

TEST_F(TextCdfTest, ALayoutThatFailsItsCellCheckIsNotAcceptedFromItsCache) {
  // The second probe set takes over the mismatch cell of the first one's pair.
  const std::string units = UnitSection("U1", PairLines(0, 0)) + UnitSection("U2", PairLines(0, 1));
  const std::string path = WriteText("Tiny.cdf", TinyCdf(4, 4, 2, units));
  for (int load = 0; load < 2; ++load) {
    SCOPED_TRACE(load);
    mLog.Clear();
    ResetChipGlobals();
    EXPECT_FALSE(Load(path));
    EXPECT_TRUE(
        mLog.ContainsRed("    Error: CheckCellPos() failed at probe set U1, probe pair 1. "
                         "Is the SNP array type specified in Zelko, or does this cell "
                         "occur in two probe sets?"));
    EXPECT_FALSE(platform::FileExists(path + ".bin"));
  }
}

// The probe group file reader.
#include "engine/chip/pgf_reader.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "engine/tests/chip_test_support.hpp"

namespace {

std::string PgfHeader(int count) {
  return "#%chip_type=Tiny\n#%probeset_count=" + std::to_string(count) +
         "\n#%header0=name\n#%header1=\tatom\n#%header2=\t\tprobe\n";
}

}  // namespace

using PgfReaderTest = ChipTest;

TEST_F(PgfReaderTest, LoadsTheSynthesisedArrayCellByCell) {
  for (synth::ChipKind kind : {synth::ChipKind::kExon, synth::ChipKind::kPmOnly}) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    ResetChipGlobals();
    const auto chip = MakeChip(kind, 40, 20);
    PmOnly = chip.pmOnly ? 1 : 0;
    ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kPgf)));
    EXPECT_EQ(ProbesPerPair, 1);
    EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip, synth::ChipForm::kPgf)), "");
    EXPECT_TRUE(mLog.Contains("    Read ", kLogBlack));
  }
}

TEST_F(PgfReaderTest, ProbeNumbersRunRowByRowOverTheGrid) {
  const std::string text = PgfHeader(1) + "U1\tmain\n\t1\n\t\t1\tpm\n\t\t2561\tpm\n\t\t2562\tpm\n";
  ASSERT_TRUE(Load(WriteText("Tiny.pgf", text)));
  EXPECT_EQ(Layout.dimension, kPgfDimension);
  ASSERT_EQ(Layout.unitCount, 1);
  EXPECT_EQ(Layout.units[0].pairCount, 3);
  EXPECT_EQ(Layout.Cell(0, 0).pair, 0);
  EXPECT_EQ(Layout.Cell(0, 1).pair, 1);  // probe 2561
  EXPECT_EQ(Layout.Cell(1, 1).pair, 2);
  EXPECT_EQ(Layout.Cell(0, 1).kind, kCellPerfectMatch);
  EXPECT_EQ(Layout.Cell(0, 1).value, 1);
}

TEST_F(PgfReaderTest, OnlyMainProbeSetsAreTaken) {
  const std::string text =
      PgfHeader(3) + "Skip\tcontrol\n\t1\n\t\t5\tpm\nKeep\tmain\n\t2\n\t\t6\tpm\n";
  ASSERT_TRUE(Load(WriteText("Tiny.pgf", text)));
  ASSERT_EQ(Layout.unitCount, 1);
  EXPECT_EQ(Layout.units[0].Name(), "Keep");
  EXPECT_EQ(Layout.Cell(4, 0).kind, kCellNoUnit);
  EXPECT_EQ(Layout.Cell(5, 0).kind, kCellPerfectMatch);
}

TEST_F(PgfReaderTest, AHeaderWithoutTheCountIsRefused) {
  std::string text;
  for (int i = 0; i < 101; ++i) text += "#%comment=" + std::to_string(i) + "\n";
  EXPECT_FALSE(Load(WriteText("Tiny.pgf", text)));
  EXPECT_TRUE(mLog.ContainsRed("    Cannot find 'probeset_count' in the pgf file header"));
}

TEST_F(PgfReaderTest, ProbesOffTheGridAndSurplusProbeSetsAreRefused) {
  EXPECT_FALSE(Load(WriteText("Tiny.pgf", PgfHeader(1) + "U1\tmain\n\t\t0\tpm\n")));
  EXPECT_TRUE(mLog.ContainsRed(
      "    Error: cell (-1, 0) of probe set U1 lies outside the 2560 x 2560 chip"));
  EXPECT_EQ(Layout.unitCount, 0);  // the layout is cleared

  EXPECT_FALSE(Load(WriteText("Tiny.pgf", PgfHeader(1) + "U1\tmain\n\t\t6553601\tpm\n"), true));
  EXPECT_TRUE(mLog.ContainsRed("    Error: cell (0, 2560) of probe set U1 lies outside"));

  EXPECT_FALSE(
      Load(WriteText("Tiny.pgf", PgfHeader(1) + "U1\tmain\n\t\t1\nU2\tmain\n\t\t2\n"), true));
  EXPECT_TRUE(mLog.ContainsRed("    Error: more probe sets than probeset_count (1)"));
}

TEST_F(PgfReaderTest, AMissingFileIsReported) {
  const std::string path = mFolder.File("Absent.pgf");
  EXPECT_FALSE(Load(path));
  EXPECT_TRUE(mLog.ContainsRed("  Read probe group file '" + path + "' failed"));
}

TEST_F(PgfReaderTest, TheCacheGivesTheConvertedLayoutOnAChipTypeThatMarksNoExonArray) {
  // The chip type tells nothing of perfect-match probes, so PmOnly stays 0 throughout.
  const auto chip = MakeChip(synth::ChipKind::kPmOnly, 40, 20);
  const std::string path = Write(chip, synth::ChipForm::kPgf);
  const auto positions = [] {
    std::vector<int> flat;
    for (int u = 0; u < Layout.unitCount; ++u)
      for (const PairPositions& pair : Layout.Positions(u))
        for (const ProbePosition& cell : pair) flat.insert(flat.end(), {cell.x, cell.y});
    return flat;
  };
  ASSERT_TRUE(Load(path, true));
  ASSERT_EQ(ProbesPerPair, 1);
  ASSERT_TRUE(CheckCellPos());
  const std::vector<int> converted = positions();
  ASSERT_FALSE(converted.empty());

  ASSERT_TRUE(Load(path));
  EXPECT_TRUE(mLog.Contains("  Read in existing binary CDF file", kLogBlack));
  EXPECT_EQ(PmOnly, 0);
  EXPECT_EQ(ProbesPerPair, 1);
  EXPECT_TRUE(CheckCellPos());
  EXPECT_EQ(positions(), converted);
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip, synth::ChipForm::kPgf)), "");
}

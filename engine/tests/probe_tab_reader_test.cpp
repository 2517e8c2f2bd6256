// The probe tab file: its name beside the chip description and the positions it sets.
#include "engine/chip/probe_tab_reader.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/tests/chip_test_support.hpp"

using ProbeTabReaderTest = ChipTest;

TEST_F(ProbeTabReaderTest, TheNameComesFromTheFileNameOnly) {
  EXPECT_EQ(ProbeTabPath("/data/run_1.d/Chip_A.v2.cdf", false), "/data/run_1.d/Chip-A_probe_tab");
  EXPECT_EQ(ProbeTabPath("/data/run_1.d/Chip_A.v2.cdf", true), "/data/run_1.d/Chip_A_probe_tab");
  EXPECT_EQ(ProbeTabPath("C:\\x_y.z\\Chip.cdf", false), "C:\\x_y.z\\Chip_probe_tab");
  EXPECT_EQ(ProbeTabPath("Chip", false), "Chip_probe_tab");
}

TEST_F(ProbeTabReaderTest, PositionsReplaceTheChipDescriptionsValues) {
  for (bool serial : {false, true}) {
    SCOPED_TRACE(serial);
    ResetChipGlobals();
    const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 16);
    const synth::ProbeTab table = synth::MakeProbeTab(chip, 3, serial);
    ASSERT_TRUE(synth::WriteProbeTab(
        table, mFolder.File(synth::FileNameFor(chip, synth::ChipForm::kProbeTab))));
    ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf), true));
    synth::ExpectedLayout expected = synth::Expect(chip);
    synth::ApplyProbeTab(expected, table);
    EXPECT_EQ(synth::CompareLayout(Layout, expected), "");
    // The table's last line lies outside the chip (x = dimension).
    const int lastLine = static_cast<int>(table.lines.size()) + 1;
    EXPECT_TRUE(
        mLog.ContainsRed("      Error: cell(30, 0) not valid on line " + std::to_string(lastLine)));
  }
}

TEST_F(ProbeTabReaderTest, TheLastRowSetsOnlyItsOwnCell) {
  Layout.dimension = 4;
  Layout.cells.assign(16, CELL_RECORD{});
  WriteText("Tiny_probe_tab", "Probe set\tX\tY\tPosition\nU\t1\t3\t77\nU\t2\t1\t88\n");
  ASSERT_TRUE(ReadProbeTabFile(mFolder.File("Tiny.cdf")));
  EXPECT_EQ(Layout.Cell(1, 3).value, 77);
  EXPECT_EQ(Layout.Cell(2, 0).value, 0);
  EXPECT_EQ(Layout.Cell(2, 1).value, 88);
  EXPECT_EQ(Layout.Cell(2, 2).value, 88);
}

TEST_F(ProbeTabReaderTest, TheUnderscoreNameIsTriedSecondAndFoldersAreLeftAlone) {
  std::filesystem::create_directories(mFolder.File("run_1.d"));
  Layout.dimension = 4;
  Layout.cells.assign(16, CELL_RECORD{});
  WriteText("run_1.d/Chip_A_probe_tab", "header\nU\t0\t0\t5\n");
  ASSERT_TRUE(ReadProbeTabFile(mFolder.File("run_1.d/Chip_A.cdf")));
  EXPECT_EQ(Layout.Cell(0, 0).value, 5);
  EXPECT_FALSE(ReadProbeTabFile(mFolder.File("run_1.d/Other.cdf")));
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);  // a missing table is no fault
}

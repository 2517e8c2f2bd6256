// The probe-set mask: its probe lists, and what it leaves of a generated chip.
#include "engine/chip/probe_set_mask.hpp"

#include <gtest/gtest.h>

#include "engine/tests/chip_test_support.hpp"

namespace {

std::vector<int> Masked(std::string_view list, int pairCount) {
  std::vector<bool> masked;
  EXPECT_TRUE(ParseProbeList(list, pairCount, masked)) << list;
  std::vector<int> pairs;
  for (std::size_t p = 0; p < masked.size(); ++p)
    if (masked[p]) pairs.push_back(static_cast<int>(p) + 1);
  return pairs;
}

}  // namespace

TEST(ProbeList, NumbersAndRangesNameTheirPairs) {
  EXPECT_EQ(Masked("1|3", 5), (std::vector<int>{1, 3}));
  EXPECT_EQ(Masked("11-15", 20), (std::vector<int>{11, 12, 13, 14, 15}));
  EXPECT_EQ(Masked("2|11-13|20", 20), (std::vector<int>{2, 11, 12, 13, 20}));
  EXPECT_EQ(Masked("4-", 6), (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(Masked("1-", 3), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Masked("1-2", 4), (std::vector<int>{1, 2}));
  EXPECT_EQ(Masked("", 3), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Masked("all", 2), (std::vector<int>{1, 2}));
  EXPECT_EQ(Masked("5|9", 4), (std::vector<int>{}));  // beyond the probe set
  std::vector<bool> masked;
  EXPECT_FALSE(ParseProbeList("1|x", 4, masked));
  EXPECT_FALSE(ParseProbeList("2-3-4", 4, masked));
}

using ProbeSetMaskTest = ChipTest;

TEST_F(ProbeSetMaskTest, TheMaskedLayoutMatchesTheGeneratorsMask) {
  for (synth::ChipKind kind : {synth::ChipKind::kExpression, synth::ChipKind::kSnp3}) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    ResetChipGlobals();
    mLog.Clear();
    const auto chip = MakeChip(kind, 40, 40);
    const synth::MaskPlan plan = synth::MakeMask(chip, 5);
    const std::string mask = mFolder.File("mask.txt");
    ASSERT_TRUE(synth::WriteMask(plan, mask));
    for (synth::ChipForm form : {synth::ChipForm::kTextCdf, synth::ChipForm::kBinaryCdf}) {
      ASSERT_TRUE(Load(Write(chip, form), true, mask));
      synth::ExpectedLayout expected = synth::Expect(chip, form);
      synth::ApplyMask(expected, plan);
      EXPECT_EQ(synth::CompareLayout(Layout, expected), "");
      EXPECT_LT(Layout.unitCount, static_cast<int>(chip.units.size()));
    }
    EXPECT_TRUE(mLog.Contains("    Found probe set mask file '" + mask + "'", kLogBlack));
    EXPECT_TRUE(mLog.ContainsRed("      Probe set 'NoSuchProbeSet' not found"));
  }
}

TEST_F(ProbeSetMaskTest, MaskedPairsLeaveAndTheRestAreNumberedAgain) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 3);
  const std::string name = chip.units[1].name;
  const int pairs = chip.units[1].PairCount();
  const std::string mask = WriteText("mask.txt", name + "\t1|3\n" + chip.units[2].name + "\tall\n");
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf), true, mask));
  ASSERT_EQ(Layout.unitCount, 2);
  EXPECT_EQ(Layout.units[1].Name(), name);
  EXPECT_EQ(Layout.units[1].pairCount, pairs - 2);
  const synth::ProbePair& second = chip.units[1].blocks[0].pairs[1];
  const synth::ProbePair& third = chip.units[1].blocks[0].pairs[2];
  EXPECT_EQ(Layout.Cell(second.pm.x, second.pm.y).pair, 0);
  EXPECT_EQ(Layout.Cell(third.pm.x, third.pm.y).kind, kCellNoUnit);
  EXPECT_TRUE(mLog.Contains("      Excluded " + std::to_string(2 + chip.units[2].PairCount()) +
                                " probes (including 1 probe sets)",
                            kLogBlack));
}

TEST_F(ProbeSetMaskTest, AnUnreadableListSkipsItsLine) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 3);
  const std::string mask = WriteText("mask.txt", chip.units[0].name + "\tfirst|2\n");
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf), true, mask));
  EXPECT_TRUE(mLog.ContainsRed("      Probe list 'first|2' of probe set '" + chip.units[0].name +
                               "' not understood"));
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
}

TEST_F(ProbeSetMaskTest, AMissingMaskFileIsReportedAndTheChipStillLoads) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 3);
  const std::string mask = mFolder.File("absent-mask.txt");
  EXPECT_FALSE(ApplyProbeSetMask(mask));
  EXPECT_TRUE(mLog.ContainsRed("    Probe set mask file '" + mask + "' not found"));
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf), true, mask));
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
}

TEST_F(ProbeSetMaskTest, AnEmptyLineEndsTheMask) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 3);
  const std::string mask = WriteText("mask.txt", "\n" + chip.units[0].name + "\n");
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf), true, mask));
  EXPECT_EQ(Layout.unitCount, 3);
}

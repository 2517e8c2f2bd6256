// The layout's lookups and its probe positions.
#include "engine/chip/cdf_layout.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/tests/chip_test_support.hpp"

namespace {

void SetUnits(const std::vector<std::string>& names) {
  Layout.units.assign(names.size(), UNIT_RECORD{});
  for (std::size_t i = 0; i < names.size(); ++i) Layout.units[i].SetName(names[i]);
  Layout.unitCount = static_cast<int>(names.size());
}

// A 4 x 4 layout with one unit of two pairs: pair 0 at (1, 0)/(1, 1), pair 1 at
// (2, 2)/(2, 3), perfect match in the even row.
void SetTwoPairUnit() {
  SetUnits({"Only"});
  Layout.units[0].pairCount = 2;
  Layout.dimension = 4;
  Layout.cells.assign(16, CELL_RECORD{});
  const auto put = [](int x, int y, int pair, std::uint8_t kind) {
    Layout.Cell(x, y) = {0, static_cast<std::int16_t>(pair), 0, kind};
  };
  put(1, 0, 0, kCellPerfectMatch);
  put(1, 1, 0, kCellMismatch);
  put(2, 2, 1, kCellPerfectMatch);
  put(2, 3, 1, kCellMismatch);
}

}  // namespace

using CdfLayoutTest = ChipTest;

TEST_F(CdfLayoutTest, FindUnitExactIgnoresCaseAndRemembersTheHit) {
  SetUnits({"abc1", "ABC2", "xyz", "Abc3"});
  EXPECT_EQ(FindUnit("XYZ", true), 2);
  EXPECT_EQ(UnitSearchStart, 2);
  EXPECT_EQ(FindUnit("abc", true), -1);  // exact: a prefix is not enough
  EXPECT_EQ(FindUnit("abc2", true), 1);
  EXPECT_EQ(FindUnit("abc2", true), 1);  // the same name again finds the same unit
  EXPECT_EQ(FindUnit("missing", true), -1);
  EXPECT_EQ(UnitSearchStart, 1);  // a miss leaves the start where it was
}

TEST_F(CdfLayoutTest, FindUnitByPrefixSearchesCyclicallyFromTheLastHit) {
  SetUnits({"abc1", "ABC2", "xyz", "Abc3"});
  UnitSearchStart = 2;
  EXPECT_EQ(FindUnit("aBc", false), 3);  // first at or after the start
  EXPECT_EQ(FindUnit("abc", false), 3);  // the start is the last hit itself
  UnitSearchStart = 4;                   // left over from a bigger chip
  EXPECT_EQ(FindUnit("abc", false), 0);
  EXPECT_EQ(FindUnit("abcd", false), -1);
  EXPECT_EQ(FindUnit("", false), 0);  // the empty prefix matches where it starts
}

TEST_F(CdfLayoutTest, FindUnitOnAnEmptyLayoutFindsNothing) {
  EXPECT_EQ(FindUnit("abc", false), -1);
  EXPECT_EQ(FindUnit("abc", true), -1);
}

TEST_F(CdfLayoutTest, ControlUnitsBeginWithTheControlPrefixInAnyCase) {
  SetUnits({"KORX-1", "korxB", "KOR", "xKORX"});
  EXPECT_TRUE(IsControlUnit(0));
  EXPECT_TRUE(IsControlUnit(1));
  EXPECT_FALSE(IsControlUnit(2));
  EXPECT_FALSE(IsControlUnit(3));
  EXPECT_FALSE(IsControlUnit(4));
  EXPECT_FALSE(IsControlUnit(-1));
}

TEST_F(CdfLayoutTest, UnitNamesAreCutToTheLimit) {
  UNIT_RECORD unit;
  unit.SetName(std::string(60, 'n'));
  EXPECT_EQ(unit.Name(), std::string(kMaxUnitNameLength, 'n'));
}

TEST_F(CdfLayoutTest, ProbePositionsComeFromTheCellTable) {
  SetTwoPairUnit();
  BuildProbePositions();
  const auto pairs = Layout.Positions(0);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0][1].x, 1);
  EXPECT_EQ(pairs[0][1].y, 0);
  EXPECT_EQ(pairs[0][0].x, 1);
  EXPECT_EQ(pairs[0][0].y, 1);
  EXPECT_EQ(pairs[1][1].y, 2);
  EXPECT_EQ(pairs[1][0].y, 3);
  EXPECT_TRUE(CheckCellPos());
}

TEST_F(CdfLayoutTest, PerfectMatchOnlyPairsRepeatTheirCellAsMismatch) {
  SetTwoPairUnit();
  Layout.Cell(1, 1).kind = kCellNoUnit;
  Layout.Cell(2, 3).kind = kCellNoUnit;
  PmOnly = 1;
  ProbesPerPair = 1;
  BuildProbePositions();
  const auto pairs = Layout.Positions(0);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[1][0].x, 2);
  EXPECT_EQ(pairs[1][0].y, 2);
  EXPECT_TRUE(CheckCellPos());
}

TEST_F(CdfLayoutTest, CheckCellPosNamesTheFirstIncompletePair) {
  SetTwoPairUnit();
  Layout.Cell(2, 3).kind = kCellNoUnit;
  BuildProbePositions();
  EXPECT_FALSE(CheckCellPos());
  EXPECT_TRUE(
      mLog.ContainsRed("    Error: CheckCellPos() failed at probe set Only, probe pair 2. "
                       "Is the SNP array type specified in Zelko, or does this cell "
                       "occur in two probe sets?"));
}

TEST_F(CdfLayoutTest, WithoutACellTableNoPositionsAreBuilt) {
  SetUnits({"Only"});
  Layout.units[0].pairCount = 3;
  BuildProbePositions();
  EXPECT_TRUE(Layout.Positions(0).empty());
}

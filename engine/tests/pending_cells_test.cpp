// Cell lines of a text chip description are parsed and given their kinds ahead, and
// placed without a call for each; the reader must still stop at the first bad line, with
// that line's red line and nothing written after it, just as when every line was placed
// as it was read.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/cell_line.hpp"
#include "engine/tests/chip_test_support.hpp"

namespace {

constexpr int kSide = 100;
constexpr int kUnits = 100;
constexpr int kPairs = 48;

// A valid chip description: unit u holds pairs at column u, rows 0 to 2 * kPairs - 1
// (perfect match even, mismatch odd); every line is numbered from 1 as the reader counts.
std::vector<std::string> ChipLines() {
  std::vector<std::string> lines = {"[CDF]",
                                    "Version=TW2.0",
                                    "[Chip]",
                                    "Name=Batch",
                                    "Rows=" + std::to_string(kSide),
                                    "Cols=" + std::to_string(kSide),
                                    "NumberOfUnits=" + std::to_string(kUnits)};
  for (int u = 0; u < kUnits; ++u) {
    const std::string name = "U" + std::to_string(u);
    lines.push_back("[Unit" + std::to_string(u) + "]");
    lines.push_back("Name=" + name);
    lines.push_back("[Unit" + std::to_string(u) + "_Block1]");
    lines.push_back("Name=" + name);
    lines.push_back("CellHeader=X\tY\tPROBE\tFEAT\tQUAL\tEXPOS\tPOS\tCBASE\tPBASE\tTBASE\tATOM");
    for (int c = 0; c < 2 * kPairs; ++c) {
      const char probe = c % 2 == 0 ? 'T' : 'A';
      lines.push_back("Cell" + std::to_string(c + 1) + "=" + std::to_string(u) + "\t" +
                      std::to_string(c) + "\tN\tf\tq\t" + std::to_string(c / 2) + "\t0\t" + probe +
                      "\t" + probe + "\tA\t0");
    }
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The index of the first cell line at or after line number `from` (counted from 1).
std::size_t CellLineFrom(const std::vector<std::string>& lines, std::size_t from) {
  std::size_t at = from - 1;
  while (lines[at].rfind("Cell", 0) != 0 || lines[at].rfind("CellHeader", 0) == 0) ++at;
  return at;
}

}  // namespace

using PendingCellsTest = ChipTest;

TEST_F(PendingCellsTest, TheFirstBadCellLineStopsTheReadBeforeAnythingLaterIsWritten) {
  const std::vector<std::string> good = ChipLines();
  ASSERT_TRUE(Load(WriteText("Batch.cdf", Joined(good))));
  EXPECT_EQ(Layout.unitCount, kUnits);
  EXPECT_EQ(Layout.Cell(kUnits - 1, 2 * kPairs - 1).unit, kUnits - 1);

  // A cell outside the chip a few lines before the progress line of line 10000: the
  // read stops there, before that progress line.
  std::vector<std::string> outside = good;
  const std::size_t bad = CellLineFrom(outside, 9990);
  ASSERT_LT(bad + 1, 10000u);
  outside[bad] = "Cell1=" + std::to_string(kSide) + "\t0\tN\tf\tq\t0\t0\tA\tA\tA\t0";
  mLog.Clear();
  EXPECT_FALSE(Load(WriteText("Batch.cdf", Joined(outside)), true));
  ASSERT_FALSE(mLog.Lines().empty());
  EXPECT_EQ(mLog.Lines().back().colour, kLogRed);
  EXPECT_EQ(mLog.Lines().back().text.rfind("    Error: cell (100, 0) of probe set U", 0), 0u)
      << mLog.Lines().back().text;
  EXPECT_FALSE(mLog.Contains("Line 10000", kLogBlack));

  // A cell outside the chip with an incomplete line right behind it: only the first is
  // reported.
  const std::size_t early = CellLineFrom(outside, 5000);
  outside[early] = outside[bad];
  outside[early + 2] = "Cell2=1\t";
  mLog.Clear();
  EXPECT_FALSE(Load(WriteText("Batch.cdf", Joined(outside)), true));
  EXPECT_TRUE(mLog.ContainsRed("    Error: cell (100, 0) of probe set U"));
  EXPECT_FALSE(mLog.ContainsRed("incomplete cell line"));

  // The other way round: the incomplete line comes first and is the one reported.
  std::vector<std::string> incomplete = good;
  const std::size_t cut = CellLineFrom(incomplete, 5000);
  incomplete[cut] = "Cell1=1\t";
  incomplete[cut + 1] = "Cell2=" + std::to_string(kSide) + "\t0\tN\tf\tq\t0\t0\tA\tA\tA\t0";
  mLog.Clear();
  EXPECT_FALSE(Load(WriteText("Batch.cdf", Joined(incomplete)), true));
  ASSERT_FALSE(mLog.Lines().empty());
  EXPECT_EQ(mLog.Lines().back().text, "    Error: incomplete cell line 'Cell1=1\t'");
  EXPECT_FALSE(mLog.ContainsRed("lies outside"));
}

// The common cell line is read in one pass; any other is read field by field as sscanf
// would. Both must take the same lines the same way: signs, numbers of ten digits or
// more, white space of any kind between the fields, and fields missing or glued on.
TEST_F(PendingCellsTest, CellLinesAreReadTheSameWhicheverWayTheyAreRead) {
  ASSERT_TRUE(AllocateCellTable(8, "allocation"));
  ASSERT_TRUE(AllocateUnitTable(1, "allocation"));
  struct Case {
    std::string text;
    bool read;
    int x, y, position;
    std::uint8_t kind;
  };
  const Case cases[] = {
      {"Cell1=3\t4\tN\tf\tq\t17\t0\tA\tT\tA\t0", true, 3, 4, 17, kCellPerfectMatch},
      {"Cell1= +3 \v\f 5  N f q  -17 0\tA\tA\tA\t0", true, 3, 5, -17, kCellMismatch},
      {"Cell1=0000000002\t6\tN\tf\tq\t2147483647\t0\tA\tT\tA", true, 2, 6, 2147483647,
       kCellPerfectMatch},
      {"Cell1=1\t7\tN\tf\tq\t9\t00000000001\tC\tG\tC", true, 1, 7, 9, kCellPerfectMatch},
      {"Cell1=4\t4\tN\tf\tq\t9\t0xAxTxA", true, 4, 4, 9, kCellPerfectMatch},
      {"Cell1=5\t5\tN\tf\tq\t2147483648\t0\tA\tT\tA", false, 0, 0, 0, 0},
      {"Cell1=5\t5\tN\tf\t9\t0\tA\tT\tA", false, 0, 0, 0, 0},
      {"Cell1=5\t5\tN\tf\tq\t9\t0\tA\tT\t", false, 0, 0, 0, 0},
      {"Cell1=-\t5\tN\tf\tq\t9\t0\tA\tT\tA", false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    mLog.Clear();
    EXPECT_EQ(ReadCellLine(c.text, 0), c.read);
    EXPECT_EQ(mLog.ContainsRed("    Error: incomplete cell line"), !c.read);
    if (!c.read) continue;
    EXPECT_EQ(Layout.Cell(c.x, c.y).unit, 0);
    EXPECT_EQ(Layout.Cell(c.x, c.y).value, c.position);
    EXPECT_EQ(Layout.Cell(c.x, c.y).kind, c.kind);
  }
}

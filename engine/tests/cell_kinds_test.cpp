// The table of the layout's cell kinds against the layout's records read one by one, and
// a job's table: made once for all its arrays, and made anew whenever the layout is
// rewritten while the job runs (a mask applied, another chip loaded, the layout cleared
// and loaded again), so that no array is ever read with the table of another layout.
#include "engine/chip/cell_kinds.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/chip/job_cell_kinds.hpp"
#include "engine/chip/probe_set_mask.hpp"
#include "engine/tests/chip_test_support.hpp"

namespace {

// Every list of the table is the one the layout's records give.
void ExpectTableOfTheLayout(const CellKinds& kinds) {
  ASSERT_TRUE(kinds.Fits(Layout));
  ASSERT_EQ(kinds.CellCount(), Layout.cells.size());
  int wrongBits = 0;
  std::vector<int> perfectMatches;
  std::vector<std::uint32_t> sampled;
  for (std::size_t c = 0; c < Layout.cells.size(); ++c) {
    const std::uint8_t kind = Layout.cells[c].kind;
    const bool bit = ((kinds.UnitCellBits()[c / 64] >> (c % 64)) & 1u) != 0;
    wrongBits += bit != (kind != kCellNoUnit) ? 1 : 0;
    if (kind == kCellPerfectMatch) perfectMatches.push_back(static_cast<int>(c));
    if (c % 9 == 0 && (kind == kCellPerfectMatch || kind == kCellMismatch))
      sampled.push_back(static_cast<std::uint32_t>(c));
  }
  EXPECT_EQ(wrongBits, 0);
  EXPECT_EQ(std::vector<int>(kinds.PerfectMatchCells().begin(), kinds.PerfectMatchCells().end()),
            perfectMatches);
  EXPECT_EQ(std::vector<std::uint32_t>(kinds.QuantileCells().begin(), kinds.QuantileCells().end()),
            sampled);
  const int side = Layout.dimension;
  int wrongUnits = 0;
  for (int u = 0; u < Layout.unitCount; ++u) {
    std::vector<std::uint32_t> cells;
    for (const PairPositions& pair : Layout.Positions(u)) {
      const auto on = [&](const ProbePosition& cell) {
        return cell.x >= 0 && cell.x < side && cell.y >= 0 && cell.y < side;
      };
      if (!on(pair[0]) || !on(pair[1])) continue;
      for (const ProbePosition& cell : {pair[1], pair[0]})
        cells.push_back(static_cast<std::uint32_t>(cell.x * side + cell.y));
    }
    const std::span<const std::uint32_t> listed = kinds.PairCells(u, u + 1);
    wrongUnits += std::vector<std::uint32_t>(listed.begin(), listed.end()) != cells ||
                          kinds.PairsOnArray(u) * 2 != static_cast<int>(cells.size())
                      ? 1
                      : 0;
  }
  EXPECT_EQ(wrongUnits, 0);
}

}  // namespace

class CellKindsTest : public ChipTest {
 protected:
  std::string ChipFile(int dimension, int units, std::uint64_t seed, const std::string& type) {
    synth::ChipOptions options;
    options.dimension = dimension;
    options.unitCount = units;
    options.minPairs = 1;
    options.maxPairs = 16;
    options.seed = seed;
    options.chipType = type;
    mChip = MakeChip(options);
    return Write(mChip, synth::ChipForm::kTextCdf);
  }
  synth::ChipTruth mChip;
};

TEST_F(CellKindsTest, AJobsTableIsMadeOnceAndAnewWheneverTheLayoutIsRewritten) {
  const std::string first = ChipFile(50, 120, 3, "KINDSA");
  const std::string mask = mFolder.File("mask.txt");
  ASSERT_TRUE(synth::WriteMask(synth::MakeMask(mChip, 9), mask));
  const std::string second = ChipFile(64, 90, 4, "KINDSB");
  ASSERT_TRUE(Load(first));
  const std::shared_ptr<const CellKinds> outside = LayoutCellKinds();
  {
    const JobCellKinds job;
    const std::shared_ptr<const CellKinds> made = LayoutCellKinds();
    ExpectTableOfTheLayout(*made);
    EXPECT_NE(made, outside);
    EXPECT_EQ(LayoutCellKinds(), made);  // every array of the job shares it
    // Another job that begins and ends meanwhile leaves it to this one.
    std::optional<JobCellKinds> other(std::in_place);
    EXPECT_EQ(LayoutCellKinds(), made);
    other.reset();
    EXPECT_EQ(LayoutCellKinds(), made);

    std::shared_ptr<const CellKinds> before = made;
    const auto expectMadeAnew = [&](const char* change) {
      SCOPED_TRACE(change);
      const std::shared_ptr<const CellKinds> now = LayoutCellKinds();
      EXPECT_NE(now, before);
      ExpectTableOfTheLayout(*now);
      before = now;
    };
    ASSERT_TRUE(Load(second));
    expectMadeAnew("another chip");
    ASSERT_TRUE(Load(first, true));
    ASSERT_TRUE(ApplyProbeSetMask(mask));
    expectMadeAnew("a mask applied");
    ClearLayout();
    expectMadeAnew("the layout cleared");
    ASSERT_TRUE(Load(first));
    expectMadeAnew("the layout loaded again");
    // Rewritten where it lies, its tables at the same places and of the same sizes: the
    // two cells of every pair change roles and the positions are built again.
    const auto positions = Layout.positions.data();
    for (CELL_RECORD& cell : Layout.cells)
      if (cell.kind != kCellNoUnit)
        cell.kind = cell.kind == kCellMismatch ? kCellPerfectMatch : kCellMismatch;
    BuildProbePositions();
    ASSERT_EQ(Layout.positions.data(), positions);
    expectMadeAnew("the pairs' cells changing roles");
    EXPECT_FALSE(made->Fits(Layout));
  }
  // Outside a job every call is given a table of its own, of the layout as it is then.
  const std::shared_ptr<const CellKinds> after = LayoutCellKinds();
  EXPECT_NE(after, LayoutCellKinds());
  ExpectTableOfTheLayout(*after);
}

// The array image's brightness range on synthetic planes with known values, and the
// probe-together maps on expression, SNP and perfect-match-only layouts built cell by
// cell.
#include "engine/array/image_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/testing/captured_log.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

void ResetChip() {
  Layout = CDF_LAYOUT{};
  ArrayType = 0;
  PmOnly = 0;
  ProbesPerPair = 2;
  TogetherMaps = ProbeTogetherMaps{};
}

class ImageSupport : public ::testing::Test {
 protected:
  ImageSupport() { ResetChip(); }
  ~ImageSupport() override { ResetChip(); }

  // A layout of w x w cells, every cell of the given kind (no unit when none).
  static void UseCells(int w, std::uint8_t kind) {
    ASSERT_TRUE(AllocateCellTable(w, "cells"));
    for (CELL_RECORD& cell : Layout.cells) cell.kind = kind;
  }
};

TEST_F(ImageSupport, RangeIsTheFirstAndNinetyFifthPercentileOfSampledProbeCells) {
  constexpr int w = 50;  // 100 sampled cells
  UseCells(w, kCellPerfectMatch);
  std::vector<std::uint16_t> plane(w * w);
  // Cells between the samples hold the extremes, which must never be seen.
  for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = i % 2 == 0 ? 1 : 65535;
  std::vector<int> order(100);
  for (int k = 0; k < 100; ++k) order[static_cast<std::size_t>(k)] = k;
  std::shuffle(order.begin(), order.end(), std::mt19937(3));
  std::vector<int> kept;
  for (int k = 0; k < 100; ++k) {
    const std::size_t cell = static_cast<std::size_t>(k) * kDisplaySampleStep;
    if (k % 10 == 5) {  // sampled positions outside every probe set
      Layout.cells[cell].kind = kCellNoUnit;
      plane[cell] = 60000;
      continue;
    }
    plane[cell] = static_cast<std::uint16_t>(1000 + 10 * order[static_cast<std::size_t>(k)]);
    kept.push_back(plane[cell]);
  }
  std::sort(kept.begin(), kept.end());
  ASSERT_EQ(kept.size(), 90u);

  const DisplayRange range = CelDisplayRange(plane, Layout);
  EXPECT_EQ(range.low, kept[0]);    // floor(90 x 0.01) = 0
  EXPECT_EQ(range.high, kept[85]);  // floor(90 x 0.95) = 85
}

TEST_F(ImageSupport, RangeOfASingleSampledCellAndOfNone) {
  constexpr int w = 10;  // cells 0, 25, 50 and 75 are sampled
  UseCells(w, kCellNoUnit);
  std::vector<std::uint16_t> plane(w * w, 9);
  plane[50] = 321;
  Layout.cells[50].kind = kCellMismatch;
  DisplayRange range = CelDisplayRange(plane, Layout);
  EXPECT_EQ(range.low, 321);
  EXPECT_EQ(range.high, 321);

  Layout.cells[50].kind = kCellNoUnit;
  range = CelDisplayRange(plane, Layout);
  EXPECT_EQ(range.low, kNoDisplayValue);
  EXPECT_EQ(range.high, kNoDisplayValue);
  range = CelDisplayRange({}, Layout);
  EXPECT_EQ(range.low, kNoDisplayValue);
}

TEST_F(ImageSupport, WithoutACellTableEveryTwentyFifthCellCounts) {
  Layout.dimension = 10;
  std::vector<std::uint16_t> plane(100, 5000);
  plane[0] = 10;
  plane[25] = 20;
  plane[50] = 30;
  plane[75] = 40;
  const DisplayRange range = CelDisplayRange(plane, Layout);
  EXPECT_EQ(range.low, 10);
  EXPECT_EQ(range.high, 40);
}

TEST_F(ImageSupport, SamplingCapacityFollowsTheDimension) {
  EXPECT_EQ(DisplaySampleCapacity(640), 16394);
  // The samples always fit: ceil(w^2 / 25) is below the capacity.
  for (int w : {1, 5, 7, 24, 26, 640, 1164})
    EXPECT_LE((w * w + kDisplaySampleStep - 1) / kDisplaySampleStep, DisplaySampleCapacity(w)) << w;
}

TEST_F(ImageSupport, GroupArraysGiveTheRangeOfTheirPlane) {
  platform::testing::TempFolder folder;
  StartGroup(folder.Path().string());
  UseCells(10, kCellPerfectMatch);
  TheGroup().Array(1).intensities.assign(100, 0);
  TheGroup().Array(1).intensities[0] = 700;
  for (std::size_t cell = 25; cell < 100; cell += 25) TheGroup().Array(1).intensities[cell] = 800;
  int low = 0;
  int high = 0;
  GetCelDisplayRange(1, &low, &high);
  EXPECT_EQ(low, 700);
  EXPECT_EQ(high, 800);
  GetCelDisplayRange(2, &low, &high);  // no plane held
  EXPECT_EQ(low, kNoDisplayValue);
  EXPECT_EQ(high, kNoDisplayValue);
  DiscardGroup();
}

struct PlacedPair {
  ProbePosition pm;
  ProbePosition mm;  // x == -1 on perfect-match-only layouts
};

// Fills the layout's cells with units of the given pair counts at the cells handed out,
// in unit and pair order, and builds the pair positions.
void PlaceUnits(int w, const std::vector<int>& pairCounts, const std::vector<PlacedPair>& pairs) {
  ASSERT_TRUE(AllocateCellTable(w, "cells"));
  ASSERT_TRUE(AllocateUnitTable(static_cast<int>(pairCounts.size()), "units"));
  Layout.unitCount = static_cast<int>(pairCounts.size());
  std::size_t next = 0;
  for (std::size_t u = 0; u < pairCounts.size(); ++u) {
    Layout.units[u].SetName("U" + std::to_string(u));
    Layout.units[u].pairCount = static_cast<std::int16_t>(pairCounts[u]);
    for (int p = 0; p < pairCounts[u]; ++p, ++next) {
      const PlacedPair& pair = pairs.at(next);
      const auto unit = static_cast<std::uint16_t>(u);
      const auto number = static_cast<std::int16_t>(p);
      Layout.Cell(pair.pm.x, pair.pm.y) = {unit, number, 0, kCellPerfectMatch};
      if (pair.mm.x >= 0) Layout.Cell(pair.mm.x, pair.mm.y) = {unit, number, 0, kCellMismatch};
    }
  }
  BuildProbePositions();
}

std::vector<ProbePosition> ShuffledCells(int w, int step, unsigned seed) {
  std::vector<ProbePosition> cells;
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < w; y += step)
      cells.push_back({static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
  std::shuffle(cells.begin(), cells.end(), std::mt19937(seed));
  return cells;
}

bool Same(MapPosition a, ProbePosition b) {
  return a.x == b.x && a.y == b.y;
}

// Every filled display position maps to a cell that maps back to it, and nothing lies
// outside the image.
void ExpectMapsInverse(int w, int filled) {
  int count = 0;
  for (int a = 0; a < w; ++a)
    for (int r = 0; r < w; ++r) {
      const MapPosition cell = TogetherMaps.CellAt(a, r);
      if (cell.x < 0) continue;
      ++count;
      ASSERT_LT(cell.x, w);
      ASSERT_LT(cell.y, w);
      const MapPosition back = TogetherMaps.DisplayOf(cell.x, cell.y);
      EXPECT_EQ(back.x, a);
      EXPECT_EQ(back.y, r);
    }
  EXPECT_EQ(count, filled);
}

TEST_F(ImageSupport, ProbeTogetherPutsMismatchCellsBelowTheirPairs) {
  constexpr int w = 8;
  // Perfect-match probes on even rows; the mismatch probe sits right below.
  const std::vector<ProbePosition> cells = ShuffledCells(w, 2, 5);
  std::vector<PlacedPair> pairs;
  for (int k = 0; k < 18; ++k) {
    const ProbePosition pm = cells[static_cast<std::size_t>(k)];
    pairs.push_back({pm, {pm.x, static_cast<std::int16_t>(pm.y + 1)}});
  }
  PlaceUnits(w, {5, 6, 7}, pairs);
  ASSERT_TRUE(ProbeTogether());

  for (int k = 0; k < 18; ++k) {
    const int a = k % w;
    const int r = 2 * (k / w);
    EXPECT_TRUE(Same(TogetherMaps.CellAt(a, r), pairs[static_cast<std::size_t>(k)].pm)) << k;
    EXPECT_TRUE(Same(TogetherMaps.CellAt(a, r + 1), pairs[static_cast<std::size_t>(k)].mm)) << k;
  }
  // The first pair at the top-left corner; pair number w at column 0, rows 2 and 3.
  EXPECT_TRUE(Same(TogetherMaps.CellAt(0, 0), pairs[0].pm));
  EXPECT_TRUE(Same(TogetherMaps.CellAt(0, 3), pairs[w].mm));
  ExpectMapsInverse(w, 36);
  EXPECT_EQ(TogetherMaps.DisplayOf(cells[18].x, cells[18].y).x, -1);  // a cell of no pair
}

TEST_F(ImageSupport, ProbeTogetherTakesSnpMismatchCellsWhereTheyAre) {
  constexpr int w = 6;
  ArrayType = 2;
  const std::vector<ProbePosition> cells = ShuffledCells(w, 1, 9);
  std::vector<PlacedPair> pairs;
  for (std::size_t k = 0; k < 10; ++k) pairs.push_back({cells[2 * k], cells[2 * k + 1]});
  PlaceUnits(w, {4, 6}, pairs);
  ASSERT_TRUE(ProbeTogether());
  for (int k = 0; k < 10; ++k) {
    EXPECT_TRUE(
        Same(TogetherMaps.CellAt(k % w, 2 * (k / w)), pairs[static_cast<std::size_t>(k)].pm))
        << k;
    EXPECT_TRUE(
        Same(TogetherMaps.CellAt(k % w, 2 * (k / w) + 1), pairs[static_cast<std::size_t>(k)].mm))
        << k;
  }
  ExpectMapsInverse(w, 20);
}

TEST_F(ImageSupport, ProbeTogetherKeepsItsLayoutOnPerfectMatchOnlyArrays) {
  constexpr int w = 4;
  PmOnly = 1;
  ProbesPerPair = 1;
  // Every cell of the array is a perfect-match probe: twice as many pairs as fit.
  const std::vector<ProbePosition> cells = ShuffledCells(w, 1, 13);
  std::vector<PlacedPair> pairs;
  for (const ProbePosition& cell : cells) pairs.push_back({cell, {}});
  PlaceUnits(w, {4, 4, 5, 3}, pairs);
  ASSERT_TRUE(ProbeTogether());
  // Pair k at column k mod w of row 2 (k div w), the chip cell below it one row lower;
  // a cell below the chip's edge, and every pair past the image's last rows, is left out.
  int filled = 0;
  for (int k = 0; k < w * w / 2; ++k) {
    const ProbePosition pm = pairs[static_cast<std::size_t>(k)].pm;
    const int a = k % w;
    const int r = 2 * (k / w);
    EXPECT_TRUE(Same(TogetherMaps.CellAt(a, r), pm)) << k;
    const MapPosition below = TogetherMaps.CellAt(a, r + 1);
    if (pm.y + 1 < w) {
      EXPECT_TRUE(Same(below, {pm.x, static_cast<std::int16_t>(pm.y + 1)})) << k;
      ++filled;
    } else {
      EXPECT_EQ(below.x, -1) << k;
    }
    ++filled;
  }
  int shown = 0;
  for (int a = 0; a < w; ++a)
    for (int r = 0; r < w; ++r) shown += TogetherMaps.CellAt(a, r).x >= 0 ? 1 : 0;
  EXPECT_EQ(shown, filled);
  for (int k = w * w / 2; k < w * w; ++k) {
    // A later pair's cell is shown only where it sits below an earlier pair's.
    const ProbePosition pm = pairs[static_cast<std::size_t>(k)].pm;
    const MapPosition at = TogetherMaps.DisplayOf(pm.x, pm.y);
    if (at.x >= 0) {
      EXPECT_EQ(at.y % 2, 1) << k;
    }
  }
}

TEST_F(ImageSupport, ProbeTogetherReplacesEarlierMapsAndRefusesImpossibleDimensions) {
  PlaceUnits(4, {1}, {{{1, 2}, {1, 3}}});
  ASSERT_TRUE(ProbeTogether());
  PlaceUnits(4, {1}, {{{3, 0}, {3, 1}}});
  ASSERT_TRUE(ProbeTogether());
  EXPECT_TRUE(Same(TogetherMaps.CellAt(0, 0), {3, 0}));
  EXPECT_EQ(TogetherMaps.DisplayOf(1, 2).x, -1);

  Layout = CDF_LAYOUT{};
  Layout.dimension = 0;
  CapturedLog log;
  EXPECT_FALSE(ProbeTogether());
  EXPECT_TRUE(log.ContainsRed(kProbeTogetherAllocationMessage));
  EXPECT_FALSE(TogetherMaps.Built());
}

}  // namespace

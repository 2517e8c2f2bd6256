// Which cells of the chip layout are of which kind, gathered once from its cell table and
// pair positions for the work done on every array: the cells that belong to a unit,
// those an array's quantiles are sampled on, the perfect-match cells, and each probe
// set's pairs as indices into an array's planes. The work on one array then reads these
// short lists instead of the cell records of the whole layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/chip/cdf_layout.hpp"

// Every how many cells an array's intensity quantiles are sampled.
inline constexpr std::size_t kQuantileSampleStep = 9;

class CellKinds {
 public:
  // The table of the layout as it is now.
  static std::shared_ptr<const CellKinds> Build(const CDF_LAYOUT& layout);

  // The layout has not been rewritten since the table was built (the layout generation
  // is the same) and has the shape it was built from: its tables at the same places and
  // of the same sizes.
  bool Fits(const CDF_LAYOUT& layout) const;

  std::size_t CellCount() const { return mCellCount; }
  // One bit per cell, cell i at bit i % 64 of word i / 64: set for every cell of a unit
  // (any kind but kCellNoUnit).
  std::span<const std::uint64_t> UnitCellBits() const { return mUnitCellBits; }
  // The perfect-match and mismatch cells among every kQuantileSampleStep-th cell,
  // ascending.
  std::span<const std::uint32_t> QuantileCells() const { return mQuantileCells; }
  // The perfect-match cells, ascending.
  std::span<const int> PerfectMatchCells() const { return mPerfectMatchCells; }
  // The pairs of units [first, last) that lie on the array, one unit after another in
  // their pair order, each as its perfect-match cell then its mismatch cell.
  std::span<const std::uint32_t> PairCells(int first, int last) const;
  // The number of a unit's pairs that lie on the array.
  int PairsOnArray(int unit) const;

 private:
  std::uint64_t mGeneration = 0;
  std::size_t mCellCount = 0;
  int mDimension = 0;
  int mUnitCount = 0;
  std::size_t mUnitRecords = 0;
  std::size_t mPositionCount = 0;
  const CELL_RECORD* mCellsAt = nullptr;
  const PairPositions* mPositionsAt = nullptr;
  const UNIT_RECORD* mUnitsAt = nullptr;
  std::vector<std::uint64_t> mUnitCellBits;
  std::vector<std::uint32_t> mQuantileCells;
  std::vector<int> mPerfectMatchCells;
  std::vector<std::uint32_t> mPairCells;
  // Where each unit's pairs start in mPairCells, counted in pairs; unit count + 1 entries.
  std::vector<std::uint32_t> mFirstPair;
};

// The kinds of the layout's cells, gathered once for the work on every array.
#include "engine/chip/cell_kinds.hpp"

#include <algorithm>

namespace {

// One unsigned comparison per coordinate: a negative one wraps beyond the side.
bool CellOnArray(const ProbePosition& cell, int dimension) {
  const auto side = static_cast<unsigned>(dimension);
  return static_cast<unsigned>(cell.x) < side && static_cast<unsigned>(cell.y) < side;
}

std::uint32_t PlaneIndex(const ProbePosition& cell, int dimension) {
  return static_cast<std::uint32_t>(cell.x) * static_cast<std::uint32_t>(dimension) +
         static_cast<std::uint32_t>(cell.y);
}

}  // namespace

std::shared_ptr<const CellKinds> CellKinds::Build(const CDF_LAYOUT& layout) {
  auto kinds = std::make_shared<CellKinds>();
  kinds->mGeneration = LayoutGeneration();
  kinds->mCellCount = layout.cells.size();
  kinds->mDimension = layout.dimension;
  kinds->mUnitCount = layout.unitCount;
  kinds->mUnitRecords = layout.units.size();
  kinds->mPositionCount = layout.positions.size();
  kinds->mCellsAt = layout.cells.data();
  kinds->mPositionsAt = layout.positions.data();
  kinds->mUnitsAt = layout.units.data();

  const std::size_t cells = layout.cells.size();
  const CELL_RECORD* const records = layout.cells.data();
  kinds->mUnitCellBits.assign((cells + 63) / 64, 0);
  std::size_t perfectMatches = 0;
  for (std::size_t i = 0; i < cells; ++i)
    perfectMatches += records[i].kind == kCellPerfectMatch ? 1u : 0u;
  kinds->mPerfectMatchCells.reserve(perfectMatches);
  kinds->mQuantileCells.reserve(cells / kQuantileSampleStep + 1);
  for (std::size_t i = 0; i < cells; ++i) {
    const std::uint8_t kind = records[i].kind;
    if (kind == kCellNoUnit) continue;
    kinds->mUnitCellBits[i / 64] |= std::uint64_t{1} << (i % 64);
    if (kind == kCellPerfectMatch) kinds->mPerfectMatchCells.push_back(static_cast<int>(i));
    if (i % kQuantileSampleStep == 0 && (kind == kCellMismatch || kind == kCellPerfectMatch))
      kinds->mQuantileCells.push_back(static_cast<std::uint32_t>(i));
  }

  const int units = std::max(layout.unitCount, 0);
  const int side = layout.dimension;
  kinds->mFirstPair.assign(static_cast<std::size_t>(units) + 1, 0);
  std::size_t onArray = 0;
  for (int unit = 0; unit < units; ++unit) {
    for (const PairPositions& pair : layout.Positions(unit))
      onArray += CellOnArray(pair[0], side) && CellOnArray(pair[1], side) ? 1u : 0u;
    kinds->mFirstPair[static_cast<std::size_t>(unit) + 1] = static_cast<std::uint32_t>(onArray);
  }
  kinds->mPairCells.resize(2 * onArray);
  std::uint32_t* to = kinds->mPairCells.data();
  for (int unit = 0; unit < units; ++unit) {
    for (const PairPositions& pair : layout.Positions(unit)) {
      if (!CellOnArray(pair[0], side) || !CellOnArray(pair[1], side)) continue;
      to[0] = PlaneIndex(pair[1], side);
      to[1] = PlaneIndex(pair[0], side);
      to += 2;
    }
  }
  return kinds;
}

bool CellKinds::Fits(const CDF_LAYOUT& layout) const {
  return LayoutGeneration() == mGeneration && layout.cells.size() == mCellCount &&
         layout.cells.data() == mCellsAt && layout.positions.size() == mPositionCount &&
         layout.positions.data() == mPositionsAt && layout.units.size() == mUnitRecords &&
         layout.units.data() == mUnitsAt && layout.unitCount == mUnitCount &&
         layout.dimension == mDimension;
}

std::span<const std::uint32_t> CellKinds::PairCells(int first, int last) const {
  const std::size_t from = mFirstPair[static_cast<std::size_t>(first)];
  const std::size_t to = mFirstPair[static_cast<std::size_t>(last)];
  return std::span<const std::uint32_t>(mPairCells).subspan(2 * from, 2 * (to - from));
}

int CellKinds::PairsOnArray(int unit) const {
  const auto at = static_cast<std::size_t>(unit);
  return static_cast<int>(mFirstPair[at + 1] - mFirstPair[at]);
}

// The one routine through which every chip description reader puts a cell into the
// layout, applying the array kind's rules for a cell's kind, and the reader state it
// shares with the converters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/chip/cdf_layout.hpp"

// SNP arrays of kind 3: while non-zero, cells get its negative as their value (the
// offset of the second-allele block).
extern int SnpBlockOffset;
// SNP arrays of kind 3: pairs of the unit before its second block.
extern int SnpBlock2Start;

// One cell of a chip description, in file coordinates.
struct CellFields {
  int x = 0;
  int y = 0;
  int position = 0;  // the probe's position number
  int kindFlag = 0;  // custom chip descriptions: non-zero for a perfect-match cell
  char probeBase = ' ';
  char targetBase = ' ';
};

// Puts the cell into the cell table as the next cell of unit (the unit's cell count
// grows by one). custom: the kind comes from kindFlag rather than the bases. False,
// with a red line, when there is no such unit or cell table, when the cell lies outside
// the chip, or when the unit reaches kMaxPairsPerUnit pairs.
[[nodiscard]] bool PlaceCell(int unit, const CellFields& cell, bool custom);

// Parses a "Cell" line of a text chip description (the text after its first '=':
// x, y, three texts, position number, a second position, then the bases CBASE, PBASE,
// TBASE each after one separator; on custom chip descriptions x, y, position number,
// kind flag) into cell; false, with nothing logged and cell's fields left in any state,
// when the line is incomplete. Touches
// nothing shared but reads CustomCdf, so any thread may parse while it stays unchanged.
[[nodiscard]] bool ParseCellLine(std::string_view line, CellFields& cell);

// Parses a "Cell" line (see ParseCellLine) and places the cell in unit.
[[nodiscard]] bool ReadCellLine(std::string_view line, int unit);

// The array-kind settings that decide where a cell goes and what kind it gets, read
// once, so that helper threads can work out kinds while the calling thread places cells
// (the settings stay unchanged while a chip description is read).
struct CellRules {
  int arrayType = 0;
  bool rotated = false;
  bool perfectMatchOnly = false;
  bool custom = false;  // the kind comes from kindFlag rather than the bases

  // The settings as they are now.
  static CellRules Current(bool custom);
  // The kind PlaceCell gives the cell.
  std::uint8_t KindOf(const CellFields& cell) const;
};

// Places cells as PlaceCell does, for a reader that places many in a row with kinds it
// had worked out before: the common cell is placed without a call, and anything
// PlaceCell would refuse goes to PlaceCell, which gives the red line. Reads the layout
// afresh at every cell, so its tables may be made or replaced between cells.
class CellPlacer {
 public:
  explicit CellPlacer(const CellRules& rules)
      : mRotated(rules.rotated), mCustom(rules.custom), mSnpKind3(rules.arrayType == 3) {}

  // Fetches the cell's record into the processor's cache ahead of its placing.
  void Prefetch(const CellFields& cell) const {
    const std::size_t slot = SlotOf(cell);
    if (slot != kNoSlot) __builtin_prefetch(Layout.cells.data() + slot, 1);
  }
  // PlaceCell(unit, cell, custom) for a cell whose kind the rules gave as kind.
  [[nodiscard]] bool Place(int unit, const CellFields& cell, std::uint8_t kind) const {
    const std::size_t slot = SlotOf(cell);
    if (slot == kNoSlot || unit < 0 || static_cast<std::size_t>(unit) >= Layout.units.size())
      return PlaceCell(unit, cell, mCustom);
    UNIT_RECORD& record = Layout.units[static_cast<std::size_t>(unit)];
    const int cellsPerPair = CellsPerPair();
    CELL_RECORD& target = Layout.cells[slot];
    target.unit = static_cast<std::uint16_t>(unit);
    target.pair = static_cast<std::int16_t>(record.pairCount / cellsPerPair);
    target.value = mSnpKind3 && SnpBlockOffset != 0 ? -SnpBlockOffset : cell.position;
    target.kind = kind;
    ++record.pairCount;
    if (record.pairCount / cellsPerPair < kMaxPairsPerUnit) return true;
    LogPairLimit(record);
    return false;
  }

  // The red line for a unit that reached kMaxPairsPerUnit pairs.
  static void LogPairLimit(const UNIT_RECORD& unit);

 private:
  static constexpr std::size_t kNoSlot = SIZE_MAX;

  // Where in the cell table the cell goes, or kNoSlot when outside the table.
  std::size_t SlotOf(const CellFields& cell) const {
    const std::int64_t dimension = Layout.dimension;
    const std::int64_t x = mRotated ? dimension - 1 - cell.y : cell.x;
    const std::int64_t y = mRotated ? cell.x : cell.y;
    if (x < 0 || x >= dimension || y < 0 || y >= dimension || !Layout.HasCells()) return kNoSlot;
    return static_cast<std::size_t>(x * dimension + y);
  }

  bool mRotated;
  bool mCustom;
  bool mSnpKind3;
};

// Ends a unit's cells: its cell count becomes its pair count. False, with a red line,
// when the cells do not make whole pairs (a file cut short, or a pair without its
// mismatch cell), so that no cell names a pair the unit does not have.
[[nodiscard]] bool CloseUnitCells(UNIT_RECORD& unit);

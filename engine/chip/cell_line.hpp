// The one routine through which every chip description reader puts a cell into the
// layout, applying the array kind's rules for a cell's kind, and the reader state it
// shares with the converters.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

struct UNIT_RECORD;

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
// kind flag) into cell; false, with nothing logged, when the line is incomplete. Touches
// nothing shared but reads CustomCdf, so any thread may parse while it stays unchanged.
[[nodiscard]] bool ParseCellLine(std::string_view line, CellFields& cell);

// Parses a "Cell" line (see ParseCellLine) and places the cell in unit.
[[nodiscard]] bool ReadCellLine(std::string_view line, int unit);

// Cell lines parsed as they come and placed a batch at a time: the records of a batch
// are fetched into the processor's cache together before any is written, as a chip's
// cells lie all over a table far larger than the cache. What comes out, red lines
// included, is what ReadCellLine line by line gives, provided Place empties the batch
// before anything else reads or writes the units or the log.
class PendingCells {
 public:
  // Parses the line as ReadCellLine does and adds its cell, for unit, to the batch; a
  // full batch is placed first. False, with the red line ReadCellLine would give, when
  // the line is incomplete (after placing the cells before it) or a cell before it is
  // refused.
  [[nodiscard]] bool Add(std::string_view line, int unit);
  // Adds a cell ParseCellLine gave, for unit, to the batch; a full batch is placed first.
  // False when a cell before it is refused.
  [[nodiscard]] bool Add(const CellFields& cell, int unit);
  // Places the batch in order; false at the first cell PlaceCell refuses.
  [[nodiscard]] bool Place();

 private:
  static constexpr std::size_t kBatch = 32;
  struct Pending {
    int unit;
    CellFields cell;
  };
  std::array<Pending, kBatch> mCells{};
  std::size_t mCount = 0;
};

// Ends a unit's cells: its cell count becomes its pair count. False, with a red line,
// when the cells do not make whole pairs (a file cut short, or a pair without its
// mismatch cell), so that no cell names a pair the unit does not have.
[[nodiscard]] bool CloseUnitCells(UNIT_RECORD& unit);

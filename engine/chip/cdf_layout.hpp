// The chip description of the open array type: which cell of the square array belongs
// to which probe pair of which probe set, the array-kind values that change how cells
// are read everywhere, and the probe-set lookup by name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/overwrite_allocator.hpp"

inline constexpr int kCacheFormat = 3;
inline constexpr int kDefaultDimension = 640;
inline constexpr int kUnitNameSize = 50;  // a probe-set name of at most 49 characters
inline constexpr int kMaxUnitNameLength = kUnitNameSize - 1;
// A probe set whose pair count reaches this is refused, so it holds at most 299 pairs.
inline constexpr int kMaxPairsPerUnit = 300;
// A cell record names its unit in 16 bits.
inline constexpr int kMaxUnits = 65535;
// Cells are addressed by 16-bit coordinates and the whole table is held in memory.
inline constexpr int kMaxDimension = 4096;

// The kind byte of a cell record.
inline constexpr std::uint8_t kCellMismatch = 0;
inline constexpr std::uint8_t kCellPerfectMatch = 1;
inline constexpr std::uint8_t kCellNoUnit = 2;

// One cell of the array; unit, pair and value mean nothing when kind is kCellNoUnit.
struct CELL_RECORD {
  std::uint16_t unit = 0;
  std::int16_t pair = 0;
  // The probe's position number from the chip description or the probe tab file
  // (negative on SNP arrays of kind 3, where it carries the block offset).
  std::int32_t value = 0;
  std::uint8_t kind = kCellNoUnit;
};

struct ProbePosition {
  std::int16_t x = -1;  // -1: no cell
  std::int16_t y = -1;
};
// The two cells of one probe pair: [0] mismatch, [1] perfect match. On arrays with
// perfect-match probes only, [0] repeats the perfect-match cell.
using PairPositions = std::array<ProbePosition, 2>;

// One probe set.
struct UNIT_RECORD {
  char name[kUnitNameSize] = {};
  // While a converter reads the unit this counts its cells; it holds pairs afterwards.
  std::int16_t pairCount = 0;
  // Where the unit's pairs start in CDF_LAYOUT::positions; -1 until they are built.
  std::int32_t firstPosition = -1;

  std::string_view Name() const { return name; }
  // Keeps at most kMaxUnitNameLength characters.
  void SetName(std::string_view text);
};

struct CDF_LAYOUT {
  std::string cachePath;
  std::uint8_t format = kCacheFormat;
  std::string chipType;
  int dimension = kDefaultDimension;
  int unitCount = 0;
  std::vector<UNIT_RECORD> units;
  // dimension x dimension records, the cell at column x, row y at x * dimension + y;
  // empty when probe-level data are not loaded. resize() leaves new cells unset (the
  // cache reader reads over them); assign or AllocateCellTable gives cells of no unit.
  std::vector<CELL_RECORD, platform::OverwriteAllocator<CELL_RECORD>> cells;
  // Every unit's pairs one after another (see UNIT_RECORD::firstPosition); resize()
  // leaves new pairs unset, as for the cells.
  std::vector<PairPositions, platform::OverwriteAllocator<PairPositions>> positions;

  bool HasCells() const { return !cells.empty(); }
  CELL_RECORD& Cell(int x, int y) { return cells[CellIndex(x, y)]; }
  const CELL_RECORD& Cell(int x, int y) const { return cells[CellIndex(x, y)]; }
  std::size_t CellIndex(int x, int y) const {
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(dimension) +
           static_cast<std::size_t>(y);
  }
  // The pair positions of one unit; empty until BuildProbePositions has run.
  std::span<const PairPositions> Positions(int unit) const;
};

// The one layout of the process.
extern CDF_LAYOUT Layout;

// A count that every routine rewriting the layout's units, cells or pair positions (its
// readers, the cache, the mask and the functions below) advances when it is done, so
// that what was gathered from the layout before can tell it is out of date.
std::uint64_t LayoutGeneration();

// Held by a routine while it rewrites the layout: advances the generation as it ends,
// whichever way the routine leaves.
class LayoutWriting {
 public:
  LayoutWriting() = default;
  ~LayoutWriting();
  LayoutWriting(const LayoutWriting&) = delete;
  LayoutWriting& operator=(const LayoutWriting&) = delete;
};

// Array kind, set by LoadCdf (ArrayType and PmOnly also by the group settings).
extern int ArrayType;      // 0 expression; 1, 2, 3 the SNP array kinds
extern int RotatedLayout;  // 1: a cell given as (x, y) is kept at (dimension-1-y, x)
extern int ExonArray;
extern int PmOnly;           // perfect-match probes only
extern int ProbesPerPair;    // 2 - PmOnly: cells in one probe pair
extern int CustomCdf;        // the chip type carried the custom marker
extern int UnitSearchStart;  // where FindUnit starts: its last hit

// ProbesPerPair kept to 1 or 2 whatever the settings held, for use as a divisor.
inline int CellsPerPair() {
  return ProbesPerPair == 1 ? 1 : 2;
}

// The unit called name, searched cyclically from the last hit: with exact the whole
// name, otherwise a unit whose name begins with name; letter case is ignored. -1 when
// there is none.
int FindUnit(std::string_view name, bool exact);

// The array maker's control probe sets, whose names begin with "KORX" in any case.
bool IsControlUnit(int unit);

// Rebuilds every unit's pair positions from the cell table; does nothing when there is
// no cell table (probe-level data not loaded).
void BuildProbePositions();

// Every pair of every unit has both its cells; otherwise logs the first gap in red.
[[nodiscard]] bool CheckCellPos();

// Frees the units, cells and positions (the chip type and cache path stay).
void ClearLayout();

// A fresh cell table of dimension x dimension cells of no unit; logs in red and fails
// when the dimension is out of range or memory runs out.
[[nodiscard]] bool AllocateCellTable(int dimension, std::string_view failureMessage);

// A fresh unit table of count empty units; logs in red and fails like the above.
[[nodiscard]] bool AllocateUnitTable(int count, std::string_view failureMessage);

// Placing cells: rotation, the range check, the kind rules of each array kind and the
// limit on probe pairs per probe set.
#include "engine/chip/cell_line.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/log_channel.hpp"

int SnpBlockOffset = 0;
int SnpBlock2Start = 0;

namespace {

// Where the cell goes in the table: turned when the layout is rotated.
std::pair<int, int> PlaceInLayout(const CellFields& cell, int dimension) {
  if (RotatedLayout != 0) return {dimension - 1 - cell.y, cell.x};
  return {cell.x, cell.y};
}

// The scans of ScanInt, ScanWord and ScanChar in one pass over the line, for the common
// cell line: numbers of up to nine digits without a sign. A number it does not take
// fails it, and the line is then read by those routines, which decide.
class FastCellScan {
 public:
  explicit FastCellScan(std::string_view text)
      : mPos(text.data()), mEnd(text.data() + text.size()) {}

  bool Int(int& value) {
    SkipWhite();
    const char* start = mPos;
    std::uint32_t number = 0;
    while (mPos != mEnd && *mPos >= '0' && *mPos <= '9') {
      number = number * 10 + static_cast<std::uint32_t>(*mPos - '0');
      if (++mPos - start > 9) return false;
    }
    value = static_cast<int>(number);
    return mPos != start;
  }
  bool Word() {
    SkipWhite();
    const char* start = mPos;
    while (mPos != mEnd && !IsScanWhite(*mPos)) ++mPos;
    return mPos != start;
  }
  bool Char(char& ch) {
    if (mPos == mEnd) return false;
    ch = *mPos++;
    return true;
  }

 private:
  void SkipWhite() {
    while (mPos != mEnd && IsScanWhite(*mPos)) ++mPos;
  }

  const char* mPos;
  const char* mEnd;
};

// Writes the fields straight into cell: when it fails, the field-by-field reading that
// follows writes every one of them again.
bool FastCellLine(std::string_view text, CellFields& cell) {
  FastCellScan scan(text);
  int secondPosition = 0;
  char separator = 0;
  char centreBase = 0;
  return scan.Int(cell.x) && scan.Int(cell.y) && scan.Word() && scan.Word() && scan.Word() &&
         scan.Int(cell.position) && scan.Int(secondPosition) && scan.Char(separator) &&
         scan.Char(centreBase) && scan.Char(separator) && scan.Char(cell.probeBase) &&
         scan.Char(separator) && scan.Char(cell.targetBase);
}

}  // namespace

CellRules CellRules::Current(bool custom) {
  return {ArrayType, RotatedLayout != 0, PmOnly != 0, custom};
}

std::uint8_t CellRules::KindOf(const CellFields& cell) const {
  // The row the cell is placed in, which the SNP kinds' patterns follow.
  const int y = rotated ? cell.x : cell.y;
  switch (arrayType) {
    case 1: {
      // Rows 0 to 2 hold perfect-match probes, then mismatch rows come in twos
      // (3, 6 and 7, 10 and 11, ...).
      const int remainder = (y - 3) % 4;
      return remainder == 0 || remainder == 3 ? kCellMismatch : kCellPerfectMatch;
    }
    case 2:
    case 3:
      return y % 2 == 1 ? kCellPerfectMatch : kCellMismatch;
    default:
      if (perfectMatchOnly) return kCellPerfectMatch;
      if (custom) return cell.kindFlag != 0 ? kCellPerfectMatch : kCellMismatch;
      return cell.probeBase != cell.targetBase ? kCellPerfectMatch : kCellMismatch;
  }
}

void CellPlacer::LogPairLimit(const UNIT_RECORD& unit) {
  LogMessage(MessageBuffer("    Number of probe pairs in probe set %s exceeds limit %d", unit.name,
                           kMaxPairsPerUnit),
             0, kLogRed);
}

bool ParseCellLine(std::string_view line, CellFields& cell) {
  std::string_view text = SkipPast(line, '=');
  if (CustomCdf == 0 && FastCellLine(text, cell)) return true;
  if (CustomCdf != 0) {
    return ScanInt(text, cell.x) && ScanInt(text, cell.y) && ScanInt(text, cell.position) &&
           ScanInt(text, cell.kindFlag);
  }
  std::string_view word;
  int secondPosition = 0;
  char separator = 0;
  char centreBase = 0;
  return ScanInt(text, cell.x) && ScanInt(text, cell.y) && ScanWord(text, word) &&
         ScanWord(text, word) && ScanWord(text, word) && ScanInt(text, cell.position) &&
         ScanInt(text, secondPosition) && ScanChar(text, separator) && ScanChar(text, centreBase) &&
         ScanChar(text, separator) && ScanChar(text, cell.probeBase) && ScanChar(text, separator) &&
         ScanChar(text, cell.targetBase);
}

bool PlaceCell(int unit, const CellFields& cell, bool custom) {
  if (unit < 0 || unit >= static_cast<int>(Layout.units.size())) {
    LogMessage("    Error: cell line outside any probe set", 0, kLogRed);
    return false;
  }
  if (!Layout.HasCells()) {
    LogMessage("    Error: cell line before the number of rows is known", 0, kLogRed);
    return false;
  }
  UNIT_RECORD& record = Layout.units[static_cast<std::size_t>(unit)];
  const int dimension = Layout.dimension;
  const auto [x, y] = PlaceInLayout(cell, dimension);
  if (x < 0 || x >= dimension || y < 0 || y >= dimension) {
    LogMessage(MessageBuffer("    Error: cell (%d, %d) of probe set %s lies outside the %d x %d "
                             "chip",
                             cell.x, cell.y, record.name, dimension, dimension),
               0, kLogRed);
    return false;
  }

  CELL_RECORD& target = Layout.Cell(x, y);
  target.unit = static_cast<std::uint16_t>(unit);
  target.value = cell.position;
  target.pair = static_cast<std::int16_t>(record.pairCount / CellsPerPair());
  target.kind = CellRules::Current(custom).KindOf(cell);
  if (ArrayType == 3 && SnpBlockOffset != 0) target.value = -SnpBlockOffset;

  ++record.pairCount;
  if (record.pairCount / CellsPerPair() < kMaxPairsPerUnit) return true;
  CellPlacer::LogPairLimit(record);
  return false;
}

namespace {

void LogIncompleteCellLine(std::string_view line) {
  LogMessage(MessageBuffer("    Error: incomplete cell line '%.*s'",
                           static_cast<int>(std::min<std::size_t>(line.size(), 80)), line.data()),
             0, kLogRed);
}

}  // namespace

bool ReadCellLine(std::string_view line, int unit) {
  CellFields cell;
  if (!ParseCellLine(line, cell)) {
    LogIncompleteCellLine(line);
    return false;
  }
  return PlaceCell(unit, cell, CustomCdf != 0);
}

bool CloseUnitCells(UNIT_RECORD& unit) {
  if (unit.pairCount % CellsPerPair() != 0) {
    LogMessage(
        MessageBuffer("    Error: probe set %s ends with an incomplete probe pair", unit.name), 0,
        kLogRed);
    return false;
  }
  unit.pairCount = static_cast<std::int16_t>(unit.pairCount / CellsPerPair());
  return true;
}

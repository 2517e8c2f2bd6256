// Parsing chip description files into a tree. Counts read from a binary file are
// checked against the bytes left before anything is allocated; text files grow the tree
// only as far as lines are actually there.
#include "engine/chip/cdf_file_data.hpp"

#include <algorithm>
#include <new>
#include <optional>
#include <span>

#include "engine/base/data_file_path.hpp"
#include "engine/base/file_kind.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "platform/byte_reader.hpp"
#include "platform/line_reader.hpp"

namespace {

constexpr const char* kCannotOpen = "Unable to open the file.";
constexpr const char* kWrongFormat = "The file does not appear to be the correct format.";
constexpr const char* kUnknownFormat = "Unknown file format.";

constexpr std::size_t kTextLineLength = 4096;
constexpr std::size_t kReferenceLength = 65000;
// Bytes of one record in the binary form, for checking counts against the bytes left.
constexpr std::size_t kQcCellBytes = 7;
constexpr std::size_t kBlockBytes = 18 + kBinaryCdfNameSize;
constexpr std::size_t kCellBytes = 14;

std::string FixedName(std::span<const std::uint8_t> field) {
  const auto* begin = reinterpret_cast<const char*>(field.data());
  return std::string(begin, std::find(begin, begin + field.size(), '\0'));
}

bool ReadFixedName(platform::ByteReader& reader, std::string& name) {
  std::uint8_t field[kBinaryCdfNameSize];
  if (!reader.ReadBytes(kBinaryCdfNameSize, field)) return false;
  name = FixedName(field);
  return true;
}

bool FitsIn(std::int64_t count, std::size_t recordBytes, const platform::ByteReader& reader) {
  return count >= 0 && static_cast<std::uint64_t>(count) * recordBytes <= reader.Remaining();
}

std::int16_t StoredUnitType(int fileType) {
  switch (fileType) {
    case 2:
      return 2;
    case 3:
      return 1;
    case 4:
      return 0;
    case 7:
      return 4;
    case 1:
    case 5:
    case 6:
      return 3;
    default:
      return 0;
  }
}

std::uint8_t DefaultCellsPerAtom(int unitType) {
  if (unitType >= 2 && unitType <= 4) return 4;
  return unitType == 1 ? 2 : 0;
}

// The lines of a sectioned text file: empty lines skipped, each line's value the text
// after its first '='.
class SectionLines {
 public:
  explicit SectionLines(platform::LineReader& reader) : mReader(reader) {}

  bool Next(std::string_view& line, std::size_t maxLength = kTextLineLength) {
    for (;;) {
      const platform::LineStatus status = mReader.Next(line);
      if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError)
        return false;
      if (line.empty()) continue;
      if (line.size() > maxLength) line = line.substr(0, maxLength);
      return true;
    }
  }
  bool Skip() {
    std::string_view line;
    return Next(line);
  }
  bool Value(std::string_view& value, std::size_t maxLength = kTextLineLength) {
    std::string_view line;
    if (!Next(line, maxLength)) return false;
    value = SkipPast(line, '=');
    return true;
  }
  bool IntValue(int& number) {
    std::string_view value;
    return Value(value) && ScanInt(value, number);
  }

 private:
  platform::LineReader& mReader;
};

bool IsUnitSection(std::string_view line) {
  return line.size() >= 6 && line.compare(0, 5, "[Unit") == 0 &&
         line.find('_') == std::string_view::npos;
}

bool ParseTextCell(std::string_view line, CdfCell& cell) {
  std::string_view text = SkipPast(line, '=');
  int x = 0;
  int y = 0;
  int position = 0;
  std::string_view word;
  char skipped = 0;
  if (!ScanInt(text, x) || !ScanInt(text, y) || !ScanWord(text, word) || !ScanWord(text, word) ||
      !ScanWord(text, word) || !ScanInt(text, cell.indexPosition) || !ScanInt(text, position))
    return false;
  SkipWhiteSpace(text);
  if (!ScanChar(text, skipped)) return false;
  SkipWhiteSpace(text);
  if (!ScanChar(text, cell.probeBase)) return false;
  SkipWhiteSpace(text);
  if (!ScanChar(text, cell.targetBase) || !ScanInt(text, cell.atom)) return false;
  if (x < 0 || x > UINT16_MAX || y < 0 || y > UINT16_MAX) return false;
  cell.x = static_cast<std::uint16_t>(x);
  cell.y = static_cast<std::uint16_t>(y);
  return true;
}

// Where the cell with ordinal o of a block goes: perfect match before mismatch within an
// atom for units of type 1, each atom's cells in reverse order otherwise.
std::int64_t CellSlot(std::int64_t ordinal, int cellsPerAtom, int unitType, const CdfCell& cell) {
  if (cellsPerAtom <= 0) return ordinal;
  const std::int64_t atom = ordinal / cellsPerAtom;
  if (unitType == 1) return atom * cellsPerAtom + (cell.targetBase == cell.probeBase ? 1 : 0);
  return cellsPerAtom * (atom + 1) - ordinal % cellsPerAtom - 1;
}

}  // namespace

void CDF_FILE_DATA::SetFileName(std::string_view path) {
  SplitDataFilePath(path, directory, fileName, fullPath);
}

bool CDF_FILE_DATA::IsBinary() const {
  return FileStartsWithMagic(fullPath, kBinaryCdfMagic);
}

void CDF_FILE_DATA::Clear() {
  header = {};
  unitNames = {};
  units = {};
}

bool CDF_FILE_DATA::Refuse(const char* reason) {
  Clear();
  errorText = reason;
  return false;
}

bool CDF_FILE_DATA::Read(bool headerOnly) {
  Clear();
  errorText.clear();
  try {
    return IsBinary() ? ReadBinary(headerOnly) : ReadText(headerOnly);
  } catch (const std::bad_alloc&) {
    return Refuse(kWrongFormat);
  }
}

bool CDF_FILE_DATA::ReadBinary(bool headerOnly) {
  const std::optional<platform::ByteBuffer> bytes = platform::ReadWholeFile(fullPath);
  if (!bytes) return Refuse(kCannotOpen);
  platform::ByteReader reader(*bytes);
  std::int32_t qcUnitCount = 0;
  if (!reader.ReadInt32(header.magic) || !reader.ReadInt32(header.version))
    return Refuse(kWrongFormat);
  if (header.magic != kBinaryCdfMagic || header.version != kBinaryCdfVersion)
    return Refuse(kWrongFormat);
  if (!reader.ReadUInt16(header.cols) || !reader.ReadUInt16(header.rows) ||
      !reader.ReadInt32(header.unitCount) || !reader.ReadInt32(qcUnitCount) ||
      !reader.ReadCountedString(header.reference, reader.Remaining()))
    return Refuse(kWrongFormat);
  if (header.unitCount < 0 || qcUnitCount < 0) return Refuse(kWrongFormat);
  if (headerOnly) return true;

  if (!FitsIn(header.unitCount, kBinaryCdfNameSize, reader)) return Refuse(kWrongFormat);
  unitNames.resize(static_cast<std::size_t>(header.unitCount));
  for (std::string& name : unitNames)
    if (!ReadFixedName(reader, name)) return Refuse(kWrongFormat);
  if (!reader.Skip(static_cast<std::size_t>(qcUnitCount) * 4) ||
      !reader.Skip(static_cast<std::size_t>(header.unitCount) * 4))
    return Refuse(kWrongFormat);
  for (std::int32_t q = 0; q < qcUnitCount; ++q) {
    std::uint16_t type = 0;
    std::int32_t cellCount = 0;
    if (!reader.ReadUInt16(type) || !reader.ReadInt32(cellCount)) return Refuse(kWrongFormat);
    if (!FitsIn(cellCount, kQcCellBytes, reader)) return Refuse(kWrongFormat);
    if (!reader.Skip(static_cast<std::size_t>(cellCount) * kQcCellBytes))
      return Refuse(kWrongFormat);
  }

  units.resize(static_cast<std::size_t>(header.unitCount));
  for (std::size_t u = 0; u < units.size(); ++u) {
    CdfUnit& unit = units[u];
    std::uint16_t unitType = 0;
    unit.index = static_cast<int>(u);
    if (!reader.ReadUInt16(unitType) || !reader.ReadUInt8(unit.direction) ||
        !reader.ReadInt32(unit.numAtoms) || !reader.ReadInt32(unit.numBlocks) ||
        !reader.ReadInt32(unit.numCells) || !reader.ReadInt32(unit.unitNumber) ||
        !reader.ReadUInt8(unit.cellsPerAtom))
      return Refuse(kWrongFormat);
    unit.unitType = static_cast<std::int16_t>(unitType);
    if (!FitsIn(unit.numBlocks, kBlockBytes, reader)) return Refuse(kWrongFormat);
    unit.blocks.resize(static_cast<std::size_t>(unit.numBlocks));
    for (CdfBlock& block : unit.blocks) {
      block.unitIndex = unit.index;
      if (!reader.ReadInt32(block.numAtoms) || !reader.ReadInt32(block.numCells) ||
          !reader.ReadUInt8(block.cellsPerAtom) || !reader.ReadUInt8(block.direction) ||
          !reader.ReadInt32(block.firstAtom) || !reader.ReadInt32(block.lastAtom) ||
          !ReadFixedName(reader, block.name))
        return Refuse(kWrongFormat);
      if (!FitsIn(block.numCells, kCellBytes, reader)) return Refuse(kWrongFormat);
      block.cells.resize(static_cast<std::size_t>(block.numCells));
      for (CdfCell& cell : block.cells) {
        std::uint8_t probeBase = 0;
        std::uint8_t targetBase = 0;
        if (!reader.ReadInt32(cell.atom) || !reader.ReadUInt16(cell.x) ||
            !reader.ReadUInt16(cell.y) || !reader.ReadInt32(cell.indexPosition) ||
            !reader.ReadUInt8(probeBase) || !reader.ReadUInt8(targetBase))
          return Refuse(kWrongFormat);
        cell.probeBase = static_cast<char>(probeBase);
        cell.targetBase = static_cast<char>(targetBase);
      }
    }
  }
  return true;
}

bool CDF_FILE_DATA::ReadText(bool headerOnly) {
  platform::LineReader reader;
  if (!reader.Open(fullPath, kReferenceLength)) return Refuse(kCannotOpen);
  SectionLines lines(reader);
  std::string_view line;
  if (!lines.Next(line) || line.compare(0, 5, "[CDF]") != 0) return Refuse(kUnknownFormat);
  std::string_view value;
  if (!lines.Value(value)) return Refuse(kWrongFormat);
  if (value.starts_with("TW1.0")) {
    header.version = 1;
  } else if (value.starts_with("TW2.0")) {
    header.version = 2;
  } else if (value.starts_with("TW3.0")) {
    header.version = 3;
  } else {
    return Refuse(kWrongFormat);
  }
  int rows = 0;
  int cols = 0;
  if (!lines.Skip() || !lines.Skip() || !lines.IntValue(rows) || !lines.IntValue(cols) ||
      !lines.IntValue(header.unitCount) || !lines.Skip())
    return Refuse(kWrongFormat);
  if (rows < 0 || rows > UINT16_MAX || cols < 0 || cols > UINT16_MAX || header.unitCount < 0)
    return Refuse(kWrongFormat);
  header.rows = static_cast<std::uint16_t>(rows);
  header.cols = static_cast<std::uint16_t>(cols);
  if (header.version > 1) {
    if (!lines.Skip() || !lines.Value(value, kReferenceLength)) return Refuse(kWrongFormat);
    header.reference = value;
  }
  if (headerOnly) return true;

  std::vector<CdfCell> read;
  std::vector<bool> filled;
  while (lines.Next(line)) {
    if (!IsUnitSection(line)) continue;
    if (static_cast<int>(units.size()) >= header.unitCount) return Refuse(kWrongFormat);
    CdfUnit& unit = units.emplace_back();
    unit.index = static_cast<int>(units.size()) - 1;
    std::string_view name;
    int direction = 0;
    int numAtoms = 0;
    int cellsPerAtom = 0;
    int fileType = 0;
    std::string_view atoms;
    if (!lines.Value(name) || !lines.IntValue(direction) || !lines.Value(atoms) ||
        !ScanInt(atoms, numAtoms) || !lines.IntValue(unit.numCells) ||
        !lines.IntValue(unit.unitNumber) || !lines.IntValue(fileType) ||
        !lines.IntValue(unit.numBlocks))
      return Refuse(kWrongFormat);
    if (!ScanInt(atoms, cellsPerAtom)) cellsPerAtom = 0;
    unit.numAtoms = numAtoms;
    unit.direction = static_cast<std::uint8_t>(direction);
    unit.unitType = StoredUnitType(fileType);
    if (cellsPerAtom == 0) cellsPerAtom = DefaultCellsPerAtom(unit.unitType);
    unit.cellsPerAtom = static_cast<std::uint8_t>(cellsPerAtom);
    unitNames.emplace_back(name);
    if (unit.unitType == 2 && header.version > 1 && !lines.Skip()) return Refuse(kWrongFormat);
    if (unit.numBlocks < 0) return Refuse(kWrongFormat);

    for (int b = 0; b < unit.numBlocks; ++b) {
      CdfBlock block;
      block.unitIndex = unit.index;
      block.cellsPerAtom = unit.cellsPerAtom;
      block.direction = unit.direction;
      int skippedNumber = 0;
      if (!lines.Skip() || !lines.Value(name) || !lines.IntValue(skippedNumber) ||
          !lines.IntValue(block.numAtoms) || !lines.IntValue(block.numCells) ||
          !lines.IntValue(block.firstAtom) || !lines.IntValue(block.lastAtom))
        return Refuse(kWrongFormat);
      block.name = name;
      if (unit.unitType == 1) unitNames.back() = name;
      if (unit.unitType == 2 && header.version == 3) {
        int blockDirection = 0;
        if (!lines.IntValue(blockDirection)) return Refuse(kWrongFormat);
        block.direction = static_cast<std::uint8_t>(blockDirection);
      }
      if (!lines.Skip() || block.numCells < 0) return Refuse(kWrongFormat);

      read.clear();
      for (int c = 0; c < block.numCells; ++c) {
        CdfCell cell;
        if (!lines.Next(line) || !ParseTextCell(line, cell)) return Refuse(kWrongFormat);
        read.push_back(cell);
      }
      block.cells.assign(read.size(), CdfCell{});
      filled.assign(read.size(), false);
      for (std::size_t o = 0; o < read.size(); ++o) {
        const std::int64_t slot =
            CellSlot(static_cast<std::int64_t>(o), cellsPerAtom, unit.unitType, read[o]);
        if (slot < 0 || slot >= static_cast<std::int64_t>(read.size()) ||
            filled[static_cast<std::size_t>(slot)])
          return Refuse(kWrongFormat);
        filled[static_cast<std::size_t>(slot)] = true;
        block.cells[static_cast<std::size_t>(slot)] = read[o];
      }
      unit.blocks.push_back(std::move(block));
    }
  }
  if (static_cast<int>(units.size()) != header.unitCount) return Refuse(kWrongFormat);
  return true;
}

bool FuzzCdfFileData(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.cdf", [](const std::string& path) {
    CDF_FILE_DATA file;
    file.SetFileName(path);
    return file.Read(false);
  });
}

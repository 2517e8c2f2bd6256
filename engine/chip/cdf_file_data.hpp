// The chip description file parser: reads a CDF file, binary (magic 67, version 1) or
// sectioned text ("[CDF]", versions TW1.0 to TW3.0), into a tree of units, blocks and
// cells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::int32_t kBinaryCdfMagic = 67;
inline constexpr std::int32_t kBinaryCdfVersion = 1;
inline constexpr std::size_t kBinaryCdfNameSize = 64;  // fixed texts: unit and block names

struct CdfCell {
  std::int32_t atom = 0;
  std::int32_t indexPosition = 0;
  std::uint16_t x = 0;
  std::uint16_t y = 0;
  char probeBase = ' ';
  char targetBase = ' ';
};

struct CdfBlock {
  std::int32_t numAtoms = 0;
  std::int32_t numCells = 0;
  std::int32_t firstAtom = 0;
  std::int32_t lastAtom = 0;
  int unitIndex = 0;
  std::string name;
  std::uint8_t cellsPerAtom = 0;
  std::uint8_t direction = 0;
  std::vector<CdfCell> cells;
};

struct CdfUnit {
  std::int32_t numAtoms = 0;
  std::int32_t numBlocks = 0;
  std::int32_t numCells = 0;
  int index = 0;
  std::int32_t unitNumber = 0;
  std::int16_t unitType = 0;
  std::uint8_t direction = 0;
  std::uint8_t cellsPerAtom = 0;
  std::vector<CdfBlock> blocks;
};

struct CdfHeader {
  std::int32_t magic = 0;
  std::int32_t version = 0;
  std::int32_t unitCount = 0;
  std::string reference;
  std::uint16_t cols = 0;
  std::uint16_t rows = 0;
};

class CDF_FILE_DATA {
 public:
  // Splits a path at its last separator into directory and fileName.
  void SetFileName(std::string_view path);
  // The file opens and its first int32 is the binary magic number.
  bool IsBinary() const;
  // Reads the file (only its header with headerOnly); false leaves the reason in
  // errorText: "Unable to open the file.", "The file does not appear to be the correct
  // format." or "Unknown file format.".
  [[nodiscard]] bool Read(bool headerOnly);
  void Clear();

  CdfHeader header;
  std::vector<std::string> unitNames;
  std::vector<CdfUnit> units;
  std::string directory;
  std::string fileName;
  std::string fullPath;
  std::string errorText;

 private:
  // Clears what was read and keeps the reason; false.
  bool Refuse(const char* reason);
  bool ReadBinary(bool headerOnly);
  bool ReadText(bool headerOnly);
};

// Runs CDF_FILE_DATA::Read on the bytes (through a scratch file).
bool FuzzCdfFileData(const std::uint8_t* data, std::size_t size);

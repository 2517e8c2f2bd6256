// The cell intensity file parser: reads a CEL file, binary (magic 64) or text (the
// sectioned "[CEL]" form, version 3, and the older "COLS/ROWS=" form, version 2), into
// its header and one entry per cell. Also the routines every CEL reader shares: the cell
// line scanner, the chip type inside a header text and the conversion of a cell to the
// two intensity planes.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_reader.hpp"

inline constexpr std::int32_t kBinaryCelMagic = 64;
inline constexpr int kTextCelVersion = 3;
inline constexpr int kOldTextCelVersion = 2;

// A binary cell entry: float32 mean, float32 deviation, int16 pixel count.
inline constexpr std::size_t kBinaryCelEntryBytes = 10;

// Cell coordinates are 16-bit in the binary form; a side beyond this cannot be addressed.
inline constexpr int kMaxCelSide = 32767;

struct CelHeader {
  int version = 0;
  int cols = 0;  // cells per row; x runs over it
  int rows = 0;
  int cellCount = 0;
  std::string headerText;
  std::string algorithm;
  std::string algorithmParameters;
  std::string chipType;
  int cellMargin = 0;
  int maskedCount = 0;
};

struct CelEntry {
  float mean = 0.0f;
  float standardDeviation = 0.0f;
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t pixelCount = 0;
  std::uint8_t masked = 0;
};

class CEL_FILE_DATA {
 public:
  // Splits a path at its last separator into directory and fileName.
  void SetFileName(std::string_view path);
  // The file opens and its first int32 is the binary magic number.
  bool IsBinary() const;
  // Reads the header and, unless headerOnly, the cells and masks. False leaves the reason
  // in errorText: "Unable to open the file.", "The file does not appear to be the correct
  // format." or "Unrecognized CEL file format.". Text forms give rows x cols entries,
  // cells absent from the file left at zero; binary files give their cellCount entries,
  // which cover the grid.
  [[nodiscard]] bool Read(bool headerOnly);
  void Clear();

  // The entries. Entry i is the cell x = i mod cols, y = i div cols in every form. A
  // binary file's entries are decoded from its bytes when asked for, so that reading a
  // file costs no second copy of it.
  std::size_t CellCount() const;
  CelEntry Cell(std::size_t index) const;
  // The entry of cell (x, y) of the grid: 0 <= x < cols, 0 <= y < rows.
  CelEntry CellAt(int x, int y) const {
    const std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(header.cols) +
                              static_cast<std::size_t>(x);
    if (mBytes.empty()) return mCells[index];
    const std::uint8_t* entry = mBytes.data() + mCellOffset + index * kBinaryCelEntryBytes;
    return {platform::LoadF32(entry),
            platform::LoadF32(entry + 4),
            static_cast<std::int16_t>(x),
            static_cast<std::int16_t>(y),
            static_cast<std::int16_t>(platform::LoadU16(entry + 8)),
            static_cast<std::uint8_t>(!mMasked.empty() && mMasked[index] ? 1 : 0)};
  }

  // A binary file's entries as they lie in the file, kBinaryCelEntryBytes each and
  // CellCount() of them; null for the text forms.
  const std::uint8_t* BinaryEntries() const {
    return mBytes.empty() ? nullptr : mBytes.data() + mCellOffset;
  }

  // The header of a binary file as Read takes it, from the file's first bytes: the
  // offset of the first cell entry, or nullopt when the bytes do not hold a whole,
  // well-formed header (a header longer than the bytes given among them).
  static std::optional<std::size_t> ReadBinaryHeader(std::span<const std::uint8_t> bytes,
                                                     CelHeader& header);
  // Whether a binary file of fileSize bytes whose entries begin at cellOffset holds the
  // header's cell entries and masks, as Read requires.
  static bool BinaryBodyFits(const CelHeader& header, std::size_t cellOffset,
                             std::uint64_t fileSize);

  std::string errorText;
  std::string fullPath;
  std::string directory;
  std::string fileName;
  CelHeader header;

 private:
  bool ReadBinary(bool headerOnly);
  bool ReadText(bool headerOnly);
  bool Fail(const char* reason);

  std::vector<CelEntry> mCells;      // text forms
  std::vector<std::uint8_t> mBytes;  // binary form: the whole file
  std::size_t mCellOffset = 0;       // where its entries begin
  std::vector<bool> mMasked;         // binary form: one flag per entry, when it has masks
};

// The fields of one cell line "x y mean [deviation [pixels]]" (white space between).
struct CelLineFields {
  int x = 0;
  int y = 0;
  float mean = 0.0f;
  float deviation = 0.0f;  // 0 when the line stops after the mean
  float pixels = 1.0f;     // 1 when the line stops before it
};

// Scans a cell line without copying it. False when it does not begin with x, y and the
// mean; later fields that are absent or unreadable keep their defaults.
bool ParseCelLine(std::string_view line, CelLineFields& fields);

// The two plane values of a cell: the mean rounded, and the standard error of the mean
// (deviation / sqrt(pixels)) truncated; both held to 0..65535, NaN giving 0.
// Written as selections rather than branches so that the cell loops run without jumps:
// a NaN fails "> 0" and becomes 0, and the upper bound is taken before the conversion.
inline std::uint16_t CelToPlane(double value) {
  const double low = value > 0 ? value : 0.0;
  const double held = low < UINT16_MAX ? low : static_cast<double>(UINT16_MAX);
  return static_cast<std::uint16_t>(static_cast<std::int32_t>(held));
}
inline std::uint16_t CelIntensity(double mean) {
  return CelToPlane(mean + 0.5);
}
// The divisor of the standard error; a pixel count below 1 counts as 1, so a count of 0
// never divides.
inline double CelRootOfPixels(double pixels) {
  return pixels > 1 ? std::sqrt(pixels) : 1.0;
}
inline std::uint16_t CelStandardError(double deviation, double rootOfPixels) {
  return CelToPlane(deviation / rootOfPixels);
}

// The chip type inside a CEL header text: from two characters after the second 0x14 up
// to the next '.', or, when there is none, up to one character before the next 0x14.
// Empty when a separator is missing.
std::string CelChipType(std::string_view headerText);

// Runs CEL_FILE_DATA::Read on the bytes (through a scratch file).
bool FuzzCelFileData(const std::uint8_t* data, std::size_t size);

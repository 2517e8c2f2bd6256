// The scanner image (DAT file): a 512-byte header with text and the four grid corners,
// then a square of 16-bit pixels. DAT computes every cell's intensity from the pixels of
// a small window inside the cell, and checks for each data file of a group that it
// belongs to the group's chip type and gives its scan time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/numerics/db_vector.hpp"

inline constexpr int kDatHeaderSize = 512;
inline constexpr int kDatTextOffset = 33;   // the scan's header text
inline constexpr int kDatWidthOffset = 37;  // the image width, in decimal
inline constexpr int kDatCornersOffset = 340;
// Pixel coordinates of the corners are 16-bit; an image cannot be wider than they reach.
inline constexpr int kMaxDatImageWidth = 65536;
// The one vector a cell's window is gathered in; windows hold at most 6 x 6 pixels.
inline constexpr int kDatWindowCapacity = 200;
// The widest window side: larger cells are shrunk symmetrically to this.
inline constexpr int kDatWindowSide = 6;
// The header text kept for the array's data (a 1000-character field with its terminator).
inline constexpr std::size_t kDatHeaderTextLength = 999;
// "month/day/year hour:minute:second".
inline constexpr std::size_t kTimeTagLength = 17;
inline constexpr const char* kNoTimeTag = "No time";

struct DatCorner {
  std::uint16_t x = 0;
  std::uint16_t y = 0;
};

// The pixels of one cell, both ends included; empty when an end lies before its start.
struct PixelWindow {
  int xStart = 0;
  int xEnd = -1;
  int yStart = 0;
  int yEnd = -1;

  bool Empty() const { return xEnd < xStart || yEnd < yStart; }
  int Count() const { return Empty() ? 0 : (xEnd - xStart + 1) * (yEnd - yStart + 1); }
};

class DAT {
 public:
  // Reads the image at path and fills cellValues and cellErrors for the loaded layout's
  // dimension. False with a red line when the file cannot be read, its header gives no
  // image width, or the image is shorter than that width asks for.
  [[nodiscard]] bool ExtractDat(const char* path);

  // Checks that a data file (DAT, CEL, or QVF for any other name) belongs to the group's
  // chip type, records its header text in headerText and gives its scan time in timeTag
  // ("No time" when the text has none). A file of another chip type is refused without a
  // message; every other refusal logs a red line.
  [[nodiscard]] bool ReadDataFileHeader(const char* path, std::string& timeTag);

  // Files of the older chip version may join a group of the newer one when the group
  // masks the probe sets that changed.
  bool IsMaskedOlderChip(std::string_view chipType) const;

  // The window of cell (i, j): the cell's area through the bilinear grid of the corners,
  // its border left out, shrunk to at most kDatWindowSide pixels a side and kept inside
  // the image.
  PixelWindow CellWindow(int i, int j) const;

  std::string path;
  std::array<std::uint8_t, kDatHeaderSize> header{};
  std::string headerText;
  // dimension x dimension each, index x * dimension + y.
  std::vector<std::uint16_t> cellValues;
  std::vector<std::uint16_t> cellErrors;
  int imageWidth = 0;
  int dimension = 0;
  double cellArea = 0.0;
  // Upper-left, upper-right, lower-right and lower-left corners of the cell grid.
  std::array<DatCorner, 4> corners{};

 private:
  void ComputeCell(const std::uint8_t* image, int i, int j);

  DB_VECTOR mWindow{kDatWindowCapacity};
};

// The one scanner image reader of the process.
extern DAT Dat;

// The chip type inside a scanner header text: from two characters after the second 0x14
// up to the next '.'.
enum class DatChipTypeField { kFound, kNoMarks, kNoDot };
DatChipTypeField FindDatChipType(std::string_view text, std::string& chipType);

// The scan time: the 17 characters that begin two before the first '/', as far as the
// text reaches; "No time" when there is no '/'.
std::string ScanTimeTag(std::string_view text);

// Run ExtractDat, and ReadDataFileHeader under a DAT, a CEL and a QVF name, on the bytes
// (through scratch files), with a fresh DAT and AnalysisRunning raised for the call.
bool FuzzExtractDat(const std::uint8_t* data, std::size_t size);
bool FuzzReadDataFileHeader(const std::uint8_t* data, std::size_t size);

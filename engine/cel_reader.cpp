// Reading a CEL file into the intensity planes of CHIP_DATA. Text files of the sectioned
// form are read here whole and walked line by line, since they are the bulk of what a
// group opens; every other form goes through CEL_FILE_DATA.
#include "engine/cel_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/cdf_layout.hpp"
#include "engine/cel_file_data.hpp"
#include "engine/chip_data.hpp"
#include "engine/fuzz_support.hpp"
#include "engine/log_channel.hpp"
#include "engine/running_scope.hpp"
#include "platform/byte_reader.hpp"
#include "platform/line_reader.hpp"

namespace {

constexpr int kPumpEveryLines = 100;
constexpr int kProgressEveryLines = 10000;
constexpr int kProgressEveryRows = 20;
// The bound of a text line, as platform::LineReader sets it by default.
constexpr std::size_t kLineLength = platform::LineReader::kDefaultMaxLength;

// Puts one cell into both planes, turned when the layout is rotated; cells outside the
// layout are dropped.
class PlaneFiller {
 public:
  explicit PlaneFiller(CHIP_DATA& data)
      : mPlane1(data.plane1.data()),
        mPlane2(data.plane2.data()),
        mDimension(data.dimension),
        mRotated(RotatedLayout != 0) {}

  void Store(int x, int y, double mean, double deviation, double pixels) {
    // The turn maps the square onto itself, so the range is checked first.
    if (x < 0 || x >= mDimension || y < 0 || y >= mDimension) return;
    if (mRotated) {
      const int turnedX = mDimension - 1 - y;
      y = x;
      x = turnedX;
    }
    const std::size_t index =
        static_cast<std::size_t>(x) * static_cast<std::size_t>(mDimension) +
        static_cast<std::size_t>(y);
    mPlane1[index] = CelIntensity(mean);
    // Nearly every cell has the same pixel count; its root is taken once.
    if (pixels != mLastPixels) {
      mLastPixels = pixels;
      mLastRoot = CelRootOfPixels(pixels);
    }
    mPlane2[index] = CelStandardError(deviation, mLastRoot);
  }

 private:
  std::uint16_t* mPlane1;
  std::uint16_t* mPlane2;
  int mDimension;
  bool mRotated;
  double mLastPixels = 1.0;
  double mLastRoot = 1.0;
};

// Lines of a text file held in memory, cut as platform::LineReader cuts them: at LF, a
// trailing CR dropped, each line bounded to kLineLength characters (the rest of a longer
// line skipped), and a last line without a line ending still given.
class TextLines {
 public:
  explicit TextLines(const std::vector<std::uint8_t>& bytes)
      : mPos(reinterpret_cast<const char*>(bytes.data())), mEnd(mPos + bytes.size()) {}

  // False when no characters are left.
  bool Next(std::string_view& line) {
    if (mPos == mEnd) return false;
    const char* newline =
        static_cast<const char*>(std::memchr(mPos, '\n', static_cast<std::size_t>(mEnd - mPos)));
    const char* stop = newline != nullptr ? newline : mEnd;
    line = BoundLine(std::string_view(mPos, static_cast<std::size_t>(stop - mPos)));
    mPos = newline != nullptr ? newline + 1 : mEnd;
    return true;
  }

  static std::string_view BoundLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kLineLength) line = line.substr(0, kLineLength);
    return line;
  }

 private:
  const char* mPos;
  const char* mEnd;
};

enum class TextCelStart { kUnopened, kText, kOther };

// Whether the file opens and its first line holds "[CEL]". A line longer than the bound
// counts by its first kLineLength characters, so a few more than that are read.
TextCelStart LooksLikeTextCel(const char* path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
  if (!file) return TextCelStart::kUnopened;
  char head[kLineLength + 2];
  const std::size_t count = std::fread(head, 1, sizeof head, file.get());
  if (count == 0 || std::ferror(file.get()) != 0) return TextCelStart::kOther;
  std::string_view first(head, count);
  first = TextLines::BoundLine(first.substr(0, first.find('\n')));
  return first.find("[CEL]") != std::string_view::npos ? TextCelStart::kText
                                                        : TextCelStart::kOther;
}

}  // namespace

bool CHIP_DATA::ReadTextCel(const char* path) {
  LogMessage("    Reading CEL file...");
  // Both planes start from zero, so a cell the file does not give reads as 0.
  AllocatePlanes(Layout.dimension);

  // Only the first line is read before the form is known, so that a binary file is not
  // read whole twice.
  const TextCelStart start = LooksLikeTextCel(path);
  if (start == TextCelStart::kUnopened) {
    LogMessage(MessageBuffer("    Reading %s failed", path), 0, kLogRed);
    return false;
  }
  if (start == TextCelStart::kOther) {
    LogMessage("    Not a text format CEL file; try binary reading");
    return ReadBinaryCel(path);
  }
  const std::optional<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) {
    LogMessage(MessageBuffer("    Reading %s failed", path), 0, kLogRed);
    return false;
  }
  TextLines lines(*bytes);
  std::string_view line;
  lines.Next(line);  // the "[CEL]" line checked above
  for (;;) {
    if (!lines.Next(line)) {
      LogMessage(MessageBuffer("    Reading %s failed: no \"CellHeader\" line", path), 0,
                 kLogRed);
      return false;
    }
    if (line.find("CellHeader") != std::string_view::npos) break;
  }
  LogMessage("      Line 0");

  PlaneFiller planes(*this);
  CelLineFields fields;
  // Counted down rather than divided: the pump runs on every hundredth line.
  int untilPump = kPumpEveryLines;
  for (int count = 1;; ++count) {
    if (!lines.Next(line)) return true;
    if (!line.empty() && line.front() == '[') return true;
    if (line.size() > 3) {
      if (!ParseCelLine(line, fields)) {
        LogMessage(MessageBuffer("    Reading %s failed: cell line %d is not 'x y mean': '%.*s'",
                                 path, count, static_cast<int>(std::min<std::size_t>(line.size(), 60)),
                                 line.data()),
                   0, kLogRed);
        return false;
      }
      planes.Store(fields.x, fields.y, fields.mean, fields.deviation, fields.pixels);
    }
    if (--untilPump == 0) {
      untilPump = kPumpEveryLines;
      PumpMessages();
      if (count % kProgressEveryLines == 0) LogMessage(MessageBuffer("      Line %d", count), 1);
    }
    if (AnalysisRunning == 0) {
      LogMessage(kUserStopMessage, 0, kLogRed);
      return false;
    }
  }
}

bool CHIP_DATA::ReadBinaryCel(const char* path) {
  std::unique_ptr<CEL_FILE_DATA> file;
  try {
    file = std::make_unique<CEL_FILE_DATA>();
  } catch (const std::bad_alloc&) {
    LogMessage("      Allocate memeory failed in ReadBinaryCel()", 0, kLogRed);
    return false;
  }
  file->SetFileName(path);
  // The parser refuses files with fewer entries than the grid; checked again because the
  // loop below takes every cell of the grid.
  if (!file->Read(false) ||
      file->CellCount() < static_cast<std::size_t>(file->header.rows) *
                              static_cast<std::size_t>(file->header.cols)) {
    LogMessage("      Failed to read Binary CEL file", 0, kLogRed);
    return false;
  }
  const int rows = file->header.rows;
  const int cols = file->header.cols;
  // A grid that covers the layout writes every cell, so the planes need no clearing.
  const int side = Layout.dimension;
  const auto cells = static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
  if (rows >= side && cols >= side && plane1.size() == cells && plane2.size() == cells) {
    dimension = side;
  } else {
    AllocatePlanes(side);
  }

  LogMessage("      Row 0");
  PlaneFiller planes(*this);
  const std::uint8_t* entries = file->BinaryEntries();
  // Cells beyond the layout's side are dropped, so only the part of each row inside it
  // is decoded; the turn of a rotated layout maps that square onto itself.
  const int inside = std::min(cols, dimension);
  const auto stride = static_cast<std::size_t>(dimension);
  std::uint16_t* const mean = plane1.data();
  std::uint16_t* const error = plane2.data();
  const bool rotated = RotatedLayout != 0;
  // The roots of the small pixel counts, which are nearly all a file holds, are taken
  // once; the counts of one file vary from cell to cell, so a lookup beats a branch on
  // the last count seen.
  constexpr int kRootTableSize = 256;
  double roots[kRootTableSize];
  for (int pixels = 0; pixels < kRootTableSize; ++pixels) roots[pixels] = CelRootOfPixels(pixels);
  const auto decode = [&](const std::uint8_t* entry, std::uint16_t& meanValue,
                          std::uint16_t& errorValue) {
    const auto pixels = static_cast<std::int16_t>(entry[8] | (entry[9] << 8));
    const double root = static_cast<std::uint16_t>(pixels) < kRootTableSize
                            ? roots[static_cast<std::uint16_t>(pixels)]
                            : CelRootOfPixels(pixels);
    meanValue = CelIntensity(CEL_FILE_DATA::DecodeFloat(entry));
    errorValue = CelStandardError(CEL_FILE_DATA::DecodeFloat(entry + 4), root);
  };
  const auto rowEntries = [&](int row) {
    return entries + static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) *
                         kBinaryCelEntryBytes;
  };
  // Unturned, cell (i, row) goes to i * stride + row: a file row lands one cell in each
  // column. The rows are therefore taken a tile at a time, decoded row by row into a
  // small buffer and written out a column at a time, so that each column receives a run
  // of neighbouring cells rather than one cell per pass.
  constexpr int kTileRows = 64;
  constexpr int kTileColumns = 64;
  std::uint16_t tileMean[kTileColumns][kTileRows];
  std::uint16_t tileError[kTileColumns][kTileRows];
  for (int row = 0; row < rows;) {
    int rowEnd = row + 1;
    if (entries == nullptr) {
      for (int i = 0; i < cols; ++i) {
        const CelEntry cell = file->CellAt(i, row);
        planes.Store(i, row, cell.mean, cell.standardDeviation, cell.pixelCount);
      }
    } else if (row < dimension && rotated) {
      // Turned, cell (i, row) goes to (stride - 1 - row) * stride + i: a file row fills
      // one column in order.
      const std::size_t start = (stride - 1 - static_cast<std::size_t>(row)) * stride;
      const std::uint8_t* entry = rowEntries(row);
      for (int i = 0; i < inside; ++i, entry += kBinaryCelEntryBytes)
        decode(entry, mean[start + static_cast<std::size_t>(i)],
               error[start + static_cast<std::size_t>(i)]);
    } else if (row < dimension) {
      rowEnd = std::min({row + kTileRows, dimension, rows});
      const int tileRows = rowEnd - row;
      for (int column = 0; column < inside; column += kTileColumns) {
        const int tileColumns = std::min(kTileColumns, inside - column);
        for (int r = 0; r < tileRows; ++r) {
          const std::uint8_t* entry =
              rowEntries(row + r) + static_cast<std::size_t>(column) * kBinaryCelEntryBytes;
          for (int c = 0; c < tileColumns; ++c, entry += kBinaryCelEntryBytes)
            decode(entry, tileMean[c][r], tileError[c][r]);
        }
        for (int c = 0; c < tileColumns; ++c) {
          const std::size_t start =
              static_cast<std::size_t>(column + c) * stride + static_cast<std::size_t>(row);
          std::memcpy(mean + start, tileMean[c], static_cast<std::size_t>(tileRows) * 2);
          std::memcpy(error + start, tileError[c], static_cast<std::size_t>(tileRows) * 2);
        }
      }
    }
    // The pump, the progress and the stop run once for every row, after its tile.
    for (; row < rowEnd; ++row) {
      PumpMessages();
      if (row > 0 && row % kProgressEveryRows == 0)
        LogMessage(MessageBuffer("      Row %d", row), 1);
      if (AnalysisRunning == 0) {
        LogMessage(kUserStopMessage, 0, kLogRed);
        return false;
      }
    }
  }
  return true;
}

bool FuzzReadTextCel(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.CEL", [](const std::string& path) {
    const RaisedAnalysisRunning running;
    CHIP_DATA chip;
    return chip.ReadTextCel(path.c_str());
  });
}

bool FuzzReadBinaryCel(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.CEL", [](const std::string& path) {
    const RaisedAnalysisRunning running;
    CHIP_DATA chip;
    return chip.ReadBinaryCel(path.c_str());
  });
}

// Reading scanner images and the headers of a group's data files. Everything taken from a
// header is bounded by the header, and every pixel window by the image, whatever the
// corners and the width in a damaged file say.
#include "engine/array/dat_reader.hpp"

#include <algorithm>
#include <new>
#include <optional>

#include "engine/array/array_messages.hpp"
#include "engine/base/file_kind.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/row_progress.hpp"
#include "engine/services/running_scope.hpp"
#include "platform/byte_reader.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

DAT Dat;

namespace {

constexpr char kChipTypeMark = '\x14';
// A CEL file's "DatHeader" line is looked for among its first lines only.
constexpr int kHeaderSearchLines = 99;
// What is read of a QVF file: its stored header text.
constexpr std::size_t kQvfHeaderTextBytes = 1000;
// Lines of a CEL file searched for the header line are cut here.
constexpr std::size_t kHeaderLineLength = 1000;
// The older chip version that may join a group of the newer one under a mask.
constexpr std::string_view kOlderChipType = "qx_t52a";
constexpr std::string_view kNewerChipType = "qx_t52av2";
constexpr std::string_view kNewerChipMask = "qx_t52av2 probe set mask.txt";

// The characters up to the first NUL.
std::string_view CString(const std::uint8_t* bytes, std::size_t size) {
  const auto* begin = reinterpret_cast<const char*>(bytes);
  return {begin, static_cast<std::size_t>(std::find(begin, begin + size, '\0') - begin)};
}

// The grid offset of the point (u, v) cells from the upper-left corner, by the bilinear
// map through the four corners; first along x, then along y.
double GridX(const std::array<DatCorner, 4>& p, double n, double u, double v) {
  const double twist = static_cast<double>(p[2].x) + p[0].x - p[1].x - p[3].x;
  return (twist * u * v + (static_cast<double>(p[1].x) - p[0].x + 1) * n * u +
          (static_cast<double>(p[3].x) - p[0].x) * n * v) /
         (n * n);
}

double GridY(const std::array<DatCorner, 4>& p, double n, double u, double v) {
  const double twist = static_cast<double>(p[2].y) + p[0].y - p[1].y - p[3].y;
  return (twist * u * v + (static_cast<double>(p[3].y) - p[0].y + 1) * n * v +
          (static_cast<double>(p[1].y) - p[0].y) * n * u) /
         (n * n);
}

// Truncated toward zero like a C cast, held well inside the int range.
int Truncate(double value) {
  return static_cast<int>(std::clamp(value, -1.0e9, 1.0e9));
}

// Shrinks [start, end] symmetrically until it spans at most kDatWindowSide pixels.
void Shrink(int& start, int& end) {
  const int excess = end - start - (kDatWindowSide - 1);
  if (excess <= 0) return;
  const int steps = (excess + 1) / 2;
  start += steps;
  end -= steps;
}

std::uint16_t ToUInt16(double value) {
  if (!(value > 0)) return 0;
  if (value >= UINT16_MAX) return UINT16_MAX;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

DatChipTypeField FindDatChipType(std::string_view text, std::string& chipType) {
  chipType.clear();
  const std::size_t first = text.find(kChipTypeMark);
  if (first == std::string_view::npos) return DatChipTypeField::kNoMarks;
  const std::size_t second = text.find(kChipTypeMark, first + 1);
  if (second == std::string_view::npos) return DatChipTypeField::kNoMarks;
  const std::size_t start = std::min(second + 2, text.size());
  const std::size_t dot = text.find('.', start);
  if (dot == std::string_view::npos) return DatChipTypeField::kNoDot;
  chipType = text.substr(start, dot - start);
  return DatChipTypeField::kFound;
}

std::string ScanTimeTag(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return kNoTimeTag;
  const std::size_t begin = slash >= 2 ? slash - 2 : 0;
  return std::string(text.substr(begin, kTimeTagLength));
}

PixelWindow DAT::CellWindow(int i, int j) const {
  PixelWindow window;
  if (dimension <= 0 || imageWidth <= 0) return window;
  const double n = dimension;
  const DatCorner& first = corners[0];
  window.xStart = Truncate(GridX(corners, n, i, j) + first.x + 1.5);
  window.yStart = Truncate(GridY(corners, n, i, j) + first.y + 1.5);
  window.xEnd = Truncate(GridX(corners, n, i + 1, j + 1) + first.x - 1.5);
  window.yEnd = Truncate(GridY(corners, n, i + 1, j + 1) + first.y - 1.5);
  Shrink(window.xStart, window.xEnd);
  Shrink(window.yStart, window.yEnd);
  window.xStart = std::max(window.xStart, 0);
  window.yStart = std::max(window.yStart, 0);
  window.xEnd = std::min(window.xEnd, imageWidth - 1);
  window.yEnd = std::min(window.yEnd, imageWidth - 1);
  return window;
}

void DAT::ComputeCell(const std::uint8_t* image, int i, int j) {
  const PixelWindow window = CellWindow(i, j);
  mWindow.Clear();
  if (!window.Empty()) {
    for (int py = window.yStart; py <= window.yEnd; ++py) {
      const std::uint8_t* pixel =
          image + 2 * (static_cast<std::size_t>(py) * static_cast<std::size_t>(imageWidth) +
                       static_cast<std::size_t>(window.xStart));
      for (int px = window.xStart; px <= window.xEnd; ++px, pixel += 2)
        mWindow.Append(platform::LoadU16(pixel));
    }
  }
  const std::size_t index = static_cast<std::size_t>(i) * static_cast<std::size_t>(dimension) +
                            static_cast<std::size_t>(j);
  const int count = mWindow.Length();
  // A grid too narrow to leave any pixel inside a cell has nothing to measure.
  if (count == 0) {
    cellValues[index] = 0;
    cellErrors[index] = 0;
    return;
  }
  double* values = mWindow.Elements();
  const double mean = MeanMissing(values, count);
  cellErrors[index] = ToUInt16(StdDevMissing(values, mean, count, true));
  cellValues[index] = ToUInt16(SelectQuantile(values, count, 0.75));
}

bool DAT::ExtractDat(const char* filePath) {
  LogMessage("    Reading DAT file...");
  path = filePath;
  std::optional<platform::ByteBuffer> bytes;
  try {
    bytes = platform::ReadWholeFile(path);
  } catch (const std::bad_alloc&) {
    LogMessage("    Allocating memory failed in DAT::ExtractDat", 0, kLogRed);
    return false;
  }
  if (!bytes) {
    LogMessage(MessageBuffer("      Reading file '%s' failed", filePath), 0, kLogRed);
    return false;
  }
  if (bytes->size() < static_cast<std::size_t>(kDatHeaderSize)) {
    LogMessage(MessageBuffer("      DAT file '%s' ends inside its header (%zu of %d bytes)",
                             filePath, bytes->size(), kDatHeaderSize),
               0, kLogRed);
    return false;
  }
  std::copy_n(bytes->begin(), kDatHeaderSize, header.begin());
  const std::uint8_t* corner = header.data() + kDatCornersOffset;
  for (DatCorner& point : corners) {
    point.x = platform::LoadU16(corner);
    point.y = platform::LoadU16(corner + 2);
    corner += 4;
  }

  std::string_view widthText =
      CString(header.data() + kDatWidthOffset, kDatHeaderSize - kDatWidthOffset);
  int width = 0;
  if (!ScanInt(widthText, width) || width <= 0 || width > kMaxDatImageWidth) {
    LogMessage(MessageBuffer("      DAT file '%s' gives no image width at header offset %d",
                             filePath, kDatWidthOffset),
               0, kLogRed);
    return false;
  }
  imageWidth = width;
  const std::uint64_t pixelBytes =
      2ULL * static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(width);
  if (bytes->size() - kDatHeaderSize < pixelBytes) {
    LogMessage(MessageBuffer("      DAT file '%s' holds %zu of the %llu pixel bytes of its "
                             "%d x %d image",
                             filePath, bytes->size() - kDatHeaderSize,
                             static_cast<unsigned long long>(pixelBytes), width, width),
               0, kLogRed);
    return false;
  }

  dimension = Layout.dimension;
  cellArea = static_cast<double>(dimension) * dimension;
  try {
    const auto cells = static_cast<std::size_t>(cellArea);
    cellValues.assign(cells, 0);
    cellErrors.assign(cells, 0);
  } catch (const std::bad_alloc&) {
    LogMessage("    Allocating memory failed in DAT::ExtractDat", 0, kLogRed);
    return false;
  }

  const std::uint8_t* image = bytes->data() + kDatHeaderSize;
  LogMessage("      Row 0");
  for (int y = 0; y < dimension; ++y) {
    for (int x = 0; x < dimension; ++x) ComputeCell(image, x, y);
    if (!RowDone(y)) return false;
  }
  return true;
}

bool DAT::IsMaskedOlderChip(std::string_view chipType) const {
  if (!platform::EqualsNoCase(chipType, kOlderChipType) ||
      !platform::EqualsNoCase(Layout.chipType, kNewerChipType) || !GroupStarted())
    return false;
  return Contains(TheGroup().Settings().MASK_FILE, kNewerChipMask);
}

bool DAT::ReadDataFileHeader(const char* filePath, std::string& timeTag) {
  const std::string_view file(filePath);
  if (ArrayType == 1 && !Contains(file, "B.") && !Contains(file, "b.")) return false;

  std::string text;
  if (Contains(file, ".DAT") || Contains(file, ".dat")) {
    const auto bytes = ReadFileStart(filePath, kDatHeaderSize);
    if (!bytes || bytes->size() < static_cast<std::size_t>(kDatHeaderSize)) {
      ArrayMessage(MessageBuffer("    Reading DAT file %s failed", filePath), 0, kLogRed);
      return false;
    }
    std::copy(bytes->begin(), bytes->end(), header.begin());
    text = CString(header.data() + kDatTextOffset, kDatHeaderSize - kDatTextOffset);
  } else if (Contains(file, ".CEL") || Contains(file, ".cel")) {
    platform::LineReader reader;
    if (!reader.Open(filePath, kHeaderLineLength)) {
      ArrayMessage(
          platform::WithReadFailure(MessageBuffer("    Reading CEL file %s failed", filePath),
                                    reader.OpenFailure()),
          0, kLogRed);
      return false;
    }
    std::string_view line;
    bool found = false;
    for (int count = 0; count < kHeaderSearchLines && !found; ++count) {
      const platform::LineStatus status = reader.Next(line);
      if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
      found = Contains(line, "DatHeader");
    }
    if (!found) {
      ArrayMessage(MessageBuffer("  Cannot find header line in %s, ignored", filePath), 0, kLogRed);
      return false;
    }
    text = line;
  } else {
    const auto bytes = ReadFileStart(filePath, kQvfHeaderTextBytes);
    if (!bytes) {
      ArrayMessage(MessageBuffer("    Reading file %s failed", filePath), 0, kLogRed);
      return false;
    }
    text = CString(bytes->data(), bytes->size());
  }
  headerText = text.substr(0, kDatHeaderTextLength);

  std::string chipType;
  switch (FindDatChipType(text, chipType)) {
    case DatChipTypeField::kFound:
      break;
    case DatChipTypeField::kNoMarks:
      ArrayMessage(MessageBuffer("    No chip type in the header of %s", filePath), 0, kLogRed);
      return false;
    case DatChipTypeField::kNoDot:
      ArrayMessage(MessageBuffer("    File type %s is incorrect", filePath), 0, kLogRed);
      return false;
  }
  if (!platform::EqualsNoCase(chipType, Layout.chipType) && !IsMaskedOlderChip(chipType))
    return false;
  timeTag = ScanTimeTag(text);
  return true;
}

bool FuzzExtractDat(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.DAT", [](const std::string& path) {
    const RaisedAnalysisRunning running;
    auto reader = std::make_unique<DAT>();
    return reader->ExtractDat(path.c_str());
  });
}

bool FuzzReadDataFileHeader(const std::uint8_t* data, std::size_t size) {
  bool accepted = false;
  for (const char* name : {"fuzz.DAT", "fuzz.CEL", "fuzz.qvf"}) {
    accepted |= WithScratchFile(data, size, name, [](const std::string& path) {
      DAT reader;
      std::string timeTag;
      return reader.ReadDataFileHeader(path.c_str(), timeTag) && timeTag.size() <= kTimeTagLength;
    });
  }
  return accepted;
}

// Parsing cell intensity files. Counts and string lengths from a binary file are checked
// against the bytes left before anything is allocated or read; text files are read line
// by line with every line bounded, and numbers are scanned in place.
#include "engine/array/cel_file_data.hpp"

#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <optional>

#include "engine/base/data_file_path.hpp"
#include "engine/base/file_kind.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "platform/byte_reader.hpp"
#include "platform/line_reader.hpp"

namespace {

constexpr const char* kCannotOpen = "Unable to open the file.";
constexpr const char* kWrongFormat = "The file does not appear to be the correct format.";
constexpr const char* kUnrecognised = "Unrecognized CEL file format.";

// Header lines (algorithm parameters above all) may be long; cell lines are short.
constexpr std::size_t kTextLineLength = 1 << 16;
// Bytes of one mask entry in the binary form.
constexpr std::size_t kBinaryMaskBytes = 4;
constexpr char kChipTypeMark = '\x14';

bool IsDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

bool IsBlank(std::string_view line) {
  for (char ch : line)
    if (!IsScanWhite(ch)) return false;
  return true;
}

// A decimal number in the manner of "%f" (sign, digits, fraction, exponent), without the
// locale and without copying the text. Values beyond the float range become infinite.
bool ScanFloat(std::string_view& text, float& value) {
  std::size_t i = 0;
  while (i < text.size() && IsScanWhite(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint64_t mantissa = 0;
  int exponent = 0;
  bool anyDigit = false;
  constexpr std::uint64_t kMantissaLimit = 100000000000000000ULL;  // 1e17: room for a digit
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    anyDigit = true;
    if (mantissa < kMantissaLimit) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[i] - '0');
    } else {
      ++exponent;
    }
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      anyDigit = true;
      if (mantissa < kMantissaLimit) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[i] - '0');
        --exponent;
      }
    }
  }
  if (!anyDigit) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) negativeExponent = text[j++] == '-';
    if (j < text.size() && IsDigit(text[j])) {
      int written = 0;
      for (; j < text.size() && IsDigit(text[j]); ++j)
        if (written < 10000) written = written * 10 + (text[j] - '0');
      exponent += negativeExponent ? -written : written;
      i = j;
    }
  }
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  double number = static_cast<double>(mantissa);
  if (mantissa != 0 && exponent != 0) {
    if (exponent > 0 && exponent <= 22) {
      number *= kPowers[exponent];
    } else if (exponent < 0 && exponent >= -22) {
      number /= kPowers[-exponent];
    } else {
      number *= std::pow(10.0, exponent);
    }
  }
  constexpr double kFloatMax = std::numeric_limits<float>::max();
  if (number > kFloatMax) {
    value = std::numeric_limits<float>::infinity();
  } else {
    value = static_cast<float>(number);
  }
  if (negative) value = -value;
  text.remove_prefix(i);
  return true;
}

// The common cell line: unsigned integers of up to nine digits and unsigned decimals
// of up to seventeen digits without an exponent, each followed by white space or the end
// of the line. The value of such a decimal is the one ScanFloat computes (the digits as
// one integer, divided by a power of ten that is exact in a double), so both give the
// same bits. Anything else (signs, exponents, long numbers, text glued to a number,
// a missing field) is left to the general scan, which decides from the line's start.
class FastCelScan {
 public:
  static constexpr std::uint64_t kExactReciprocalBelow = std::uint64_t{1} << 31;

  explicit FastCelScan(std::string_view line)
      : mPos(line.data()), mEnd(line.data() + line.size()) {}

  void SkipWhite() {
    while (mPos != mEnd && IsScanWhite(*mPos)) ++mPos;
  }
  bool AtEnd() const { return mPos == mEnd; }
  // The character after a number must end it.
  bool Separated() const { return mPos == mEnd || IsScanWhite(*mPos); }

  bool Int(int& value) {
    const char* start = mPos;
    std::uint32_t number = 0;
    while (mPos != mEnd && IsDigit(*mPos)) {
      number = number * 10 + static_cast<std::uint32_t>(*mPos - '0');
      ++mPos;
      if (mPos - start > 9) return false;
    }
    if (mPos == start || !Separated()) return false;
    value = static_cast<int>(number);
    return true;
  }

  bool Float(float& value) {
    const char* start = mPos;
    std::uint64_t mantissa = 0;
    while (mPos != mEnd && IsDigit(*mPos)) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(*mPos - '0');
      ++mPos;
    }
    auto digits = mPos - start;
    int decimals = 0;
    if (mPos != mEnd && *mPos == '.') {
      const char* fraction = ++mPos;
      while (mPos != mEnd && IsDigit(*mPos)) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*mPos - '0');
        ++mPos;
      }
      decimals = static_cast<int>(mPos - fraction);
      digits += decimals;
    }
    if (digits == 0 || digits > 17 || !Separated()) return false;
    static constexpr double kPowers[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                         1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};
    double number = static_cast<double>(mantissa);
    if (mantissa < kExactReciprocalBelow && decimals <= 2) {
      // One or two decimals, the usual case: a product with the reciprocal rounds to the
      // same float as the quotient for every mantissa below the bound (checked for each
      // of them), and costs far less than a division.
      static constexpr double kReciprocals[] = {1.0, 0.1, 0.01};
      number *= kReciprocals[decimals];
    } else if (mantissa != 0 && decimals != 0) {
      number /= kPowers[decimals];
    }
    value = static_cast<float>(number);
    return true;
  }

 private:
  const char* mPos;
  const char* mEnd;
};

bool FastCelLine(std::string_view line, CelLineFields& fields) {
  FastCelScan scan(line);
  CelLineFields read;
  scan.SkipWhite();
  if (!scan.Int(read.x)) return false;
  scan.SkipWhite();
  if (!scan.Int(read.y)) return false;
  scan.SkipWhite();
  if (!scan.Float(read.mean)) return false;
  scan.SkipWhite();
  if (!scan.AtEnd()) {
    if (!scan.Float(read.deviation)) return false;
    scan.SkipWhite();
    if (!scan.AtEnd() && !scan.Float(read.pixels)) return false;
  }
  fields = read;
  return true;
}

std::int16_t ClampToInt16(double value) {
  if (!(value > 0)) return 0;
  if (value >= INT16_MAX) return INT16_MAX;
  return static_cast<std::int16_t>(value);
}

// Non-empty lines of a text file, each bounded; the line before the one handed out can
// be handed out again (a section that ended at the next section's title).
class CelLines {
 public:
  explicit CelLines(platform::LineReader& reader) : mReader(reader) {}

  // The next line, empty ones included; false at the end of the file.
  bool Raw(std::string_view& line) {
    if (mHeld) {
      mHeld = false;
      line = mLine;
      return true;
    }
    const platform::LineStatus status = mReader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError)
      return false;
    mLine = line;
    return true;
  }
  bool NonEmpty(std::string_view& line) {
    while (Raw(line))
      if (!line.empty()) return true;
    return false;
  }
  bool Skip() {
    std::string_view line;
    return NonEmpty(line);
  }
  // Hands the last line out again on the next call.
  void HoldLast() { mHeld = true; }
  // Moves to the line that begins with title; false at the end of the file.
  bool FindSection(std::string_view title) {
    std::string_view line;
    while (NonEmpty(line))
      if (line.starts_with(title)) return true;
    return false;
  }

 private:
  platform::LineReader& mReader;
  std::string_view mLine;
  bool mHeld = false;
};

// A grid without rows or columns holds no cell at all: such a header is damaged.
bool ValidSide(int side) {
  return side >= 1 && side <= kMaxCelSide;
}

// "Cols=%d" or "Rows=%d".
bool ReadSide(std::string_view line, std::string_view key, int& side) {
  if (!line.starts_with(key)) return false;
  line.remove_prefix(key.size());
  return ScanInt(line, side) && ValidSide(side);
}

// Every cell of a text file's grid takes a line of at least "0 0 0" and its line end, so
// a grid larger than that is a damaged header, not a reason to allocate.
constexpr std::uint64_t kShortestCellLine = 6;

bool GridFitsFile(const std::string& path, int cols, int rows) {
  std::error_code error;
  const std::uint64_t size = std::filesystem::file_size(path, error);
  if (error) return false;
  return static_cast<std::uint64_t>(cols) * static_cast<std::uint64_t>(rows) <=
         size / kShortestCellLine;
}

}  // namespace

bool ParseCelLine(std::string_view line, CelLineFields& fields) {
  if (FastCelLine(line, fields)) return true;
  if (!ScanInt(line, fields.x) || !ScanInt(line, fields.y) || !ScanFloat(line, fields.mean))
    return false;
  fields.deviation = 0.0f;
  fields.pixels = 1.0f;
  if (ScanFloat(line, fields.deviation) && !ScanFloat(line, fields.pixels)) fields.pixels = 1.0f;
  return true;
}

std::string CelChipType(std::string_view headerText) {
  const std::size_t first = headerText.find(kChipTypeMark);
  if (first == std::string_view::npos) return {};
  const std::size_t second = headerText.find(kChipTypeMark, first + 1);
  if (second == std::string_view::npos || second + 2 > headerText.size()) return {};
  const std::size_t start = second + 2;
  const std::size_t dot = headerText.find('.', start);
  if (dot != std::string_view::npos) return std::string(headerText.substr(start, dot - start));
  const std::size_t next = headerText.find(kChipTypeMark, start);
  if (next == std::string_view::npos || next < start + 1) return {};
  return std::string(headerText.substr(start, next - 1 - start));
}

void CEL_FILE_DATA::SetFileName(std::string_view path) {
  SplitDataFilePath(path, directory, fileName, fullPath);
}

bool CEL_FILE_DATA::IsBinary() const {
  return FileStartsWithMagic(fullPath, kBinaryCelMagic);
}

void CEL_FILE_DATA::Clear() {
  header = {};
  mCells = {};
  mBytes = {};
  mCellOffset = 0;
  mMasked = {};
}

std::size_t CEL_FILE_DATA::CellCount() const {
  return mBytes.empty() ? mCells.size() : static_cast<std::size_t>(header.cellCount);
}

CelEntry CEL_FILE_DATA::Cell(std::size_t index) const {
  const auto cols = static_cast<std::size_t>(header.cols);
  return CellAt(static_cast<int>(index % cols), static_cast<int>(index / cols));
}

bool CEL_FILE_DATA::Fail(const char* reason) {
  Clear();
  errorText = reason;
  return false;
}

bool CEL_FILE_DATA::Read(bool headerOnly) {
  Clear();
  errorText.clear();
  try {
    return IsBinary() ? ReadBinary(headerOnly) : ReadText(headerOnly);
  } catch (const std::bad_alloc&) {
    return Fail(kWrongFormat);
  }
}

std::optional<std::size_t> CEL_FILE_DATA::ReadBinaryHeader(std::span<const std::uint8_t> bytes,
                                                           CelHeader& header) {
  platform::ByteReader reader(bytes);
  std::int32_t magic = 0;
  std::int32_t outlierCount = 0;
  std::int32_t subGridCount = 0;
  if (!reader.ReadInt32(magic) || magic != kBinaryCelMagic) return std::nullopt;
  if (!reader.ReadInt32(header.version) || !reader.ReadInt32(header.rows) ||
      !reader.ReadInt32(header.cols) || !reader.ReadInt32(header.cellCount) ||
      !reader.ReadCountedString(header.headerText, reader.Remaining()) ||
      !reader.ReadCountedString(header.algorithm, reader.Remaining()) ||
      !reader.ReadCountedString(header.algorithmParameters, reader.Remaining()) ||
      !reader.ReadInt32(header.cellMargin) || !reader.ReadInt32(outlierCount) ||
      !reader.ReadInt32(header.maskedCount) || !reader.ReadInt32(subGridCount))
    return std::nullopt;
  // Every cell of the grid needs its entry.
  const std::int64_t gridCells = static_cast<std::int64_t>(header.rows) * header.cols;
  if (!ValidSide(header.rows) || !ValidSide(header.cols) || header.cellCount < gridCells ||
      header.maskedCount < 0)
    return std::nullopt;
  header.chipType = CelChipType(header.headerText);
  return reader.Position();
}

bool CEL_FILE_DATA::BinaryBodyFits(const CelHeader& header, std::size_t cellOffset,
                                   std::uint64_t fileSize) {
  if (cellOffset > fileSize || header.cellCount < 0 || header.maskedCount < 0) return false;
  std::uint64_t rest = fileSize - cellOffset;
  const auto cellCount = static_cast<std::uint64_t>(header.cellCount);
  if (cellCount > rest / kBinaryCelEntryBytes) return false;
  rest -= cellCount * kBinaryCelEntryBytes;
  return static_cast<std::uint64_t>(header.maskedCount) <= rest / kBinaryMaskBytes;
}

bool CEL_FILE_DATA::ReadBinary(bool headerOnly) {
  std::optional<platform::ByteBuffer> bytes = platform::ReadWholeFile(fullPath);
  if (!bytes) return Fail(kCannotOpen);
  const std::optional<std::size_t> cellOffset = ReadBinaryHeader(*bytes, header);
  if (!cellOffset) return Fail(kWrongFormat);
  if (headerOnly) return true;
  if (!BinaryBodyFits(header, *cellOffset, bytes->size())) return Fail(kWrongFormat);

  const auto cellCount = static_cast<std::size_t>(header.cellCount);
  const auto maskedCount = static_cast<std::size_t>(header.maskedCount);
  platform::ByteReader reader(*bytes);
  if (!reader.Seek(*cellOffset + cellCount * kBinaryCelEntryBytes)) return Fail(kWrongFormat);
  if (maskedCount > 0) mMasked.assign(cellCount, false);
  for (std::size_t m = 0; m < maskedCount; ++m) {
    std::int16_t maskX = 0;
    std::int16_t maskY = 0;
    if (!reader.ReadInt16(maskX) || !reader.ReadInt16(maskY)) return Fail(kWrongFormat);
    if (maskX < 0 || maskX >= header.cols || maskY < 0 || maskY >= header.rows) continue;
    mMasked[static_cast<std::size_t>(maskY) * static_cast<std::size_t>(header.cols) +
            static_cast<std::size_t>(maskX)] = true;
  }
  mBytes = std::move(*bytes);
  mCellOffset = *cellOffset;
  return true;
}

bool CEL_FILE_DATA::ReadText(bool headerOnly) {
  platform::LineReader reader;
  if (!reader.Open(fullPath, kTextLineLength)) return Fail(kCannotOpen);
  CelLines lines(reader);
  std::string_view line;
  if (!lines.NonEmpty(line)) return Fail(kUnrecognised);

  const auto storeCell = [this](const CelLineFields& fields) {
    if (fields.x < 0 || fields.x >= header.cols || fields.y < 0 || fields.y >= header.rows) return;
    CelEntry& cell =
        mCells[static_cast<std::size_t>(fields.y) * static_cast<std::size_t>(header.cols) +
               static_cast<std::size_t>(fields.x)];
    cell.mean = fields.mean;
    cell.standardDeviation = fields.deviation;
    cell.pixelCount = ClampToInt16(fields.pixels);
    cell.x = static_cast<std::int16_t>(fields.x);
    cell.y = static_cast<std::int16_t>(fields.y);
  };
  const auto allocateCells = [this] {
    if (!GridFitsFile(fullPath, header.cols, header.rows)) return false;
    header.cellCount = header.rows * header.cols;
    mCells.assign(static_cast<std::size_t>(header.cellCount), CelEntry{});
    return true;
  };

  if (line.starts_with("COLS/ROWS=")) {
    header.version = kOldTextCelVersion;
    std::string_view sizes = line.substr(10);
    if (!ScanInt(sizes, header.cols) || !ScanInt(sizes, header.rows) || !ValidSide(header.cols) ||
        !ValidSide(header.rows))
      return Fail(kWrongFormat);
    header.headerText = line;
    if (!lines.NonEmpty(line)) return Fail(kWrongFormat);
    header.headerText += '\n';
    header.headerText += line;
    header.chipType = CelChipType(header.headerText);
    if (headerOnly) return true;
    if (!lines.Skip() || !allocateCells()) return Fail(kWrongFormat);
    CelLineFields fields;
    for (int c = 0; c < header.cellCount; ++c) {
      if (!lines.NonEmpty(line) || !ParseCelLine(line, fields)) return Fail(kWrongFormat);
      storeCell(fields);
    }
    return true;
  }
  if (!line.starts_with("[CEL]")) return Fail(kUnrecognised);

  header.version = kTextCelVersion;
  if (!lines.FindSection("[HEADER]") || !lines.NonEmpty(line) ||
      !ReadSide(line, "Cols=", header.cols))
    return Fail(kWrongFormat);
  header.headerText = line;
  if (!lines.NonEmpty(line) || !ReadSide(line, "Rows=", header.rows)) return Fail(kWrongFormat);
  // The header runs to its algorithm parameters, or up to the next section in files
  // that have none.
  for (;;) {
    header.headerText += '\n';
    header.headerText += line;
    if (!lines.NonEmpty(line)) return Fail(kWrongFormat);
    if (line.starts_with("[")) {
      lines.HoldLast();
      break;
    }
    if (line.starts_with("Algorithm=")) header.algorithm = line.substr(10);
    if (line.starts_with("AlgorithmParameters=")) {
      header.algorithmParameters = line.substr(20);
      header.headerText += '\n';
      header.headerText += line;
      break;
    }
  }
  header.chipType = CelChipType(header.headerText);
  if (headerOnly) return true;

  if (!allocateCells() || !lines.FindSection("[INTENSITY]") || !lines.Skip() || !lines.Skip())
    return Fail(kWrongFormat);
  CelLineFields fields;
  while (lines.Raw(line)) {
    if (line.size() < 4) break;
    if (line.starts_with("[")) {
      lines.HoldLast();
      break;
    }
    if (!ParseCelLine(line, fields)) return Fail(kWrongFormat);
    storeCell(fields);
  }

  if (!lines.FindSection("[MASKS]") || !lines.NonEmpty(line)) return Fail(kWrongFormat);
  header.maskedCount = ReadIntAfterEquals(line);
  if (!lines.Skip()) return true;
  // Mask lines of small coordinates are only three characters long, so the list ends
  // at a blank line rather than at a short one.
  while (lines.Raw(line)) {
    if (IsBlank(line)) break;
    if (line.starts_with("[")) break;
    int x = 0;
    int y = 0;
    if (!ScanInt(line, x) || !ScanInt(line, y)) return Fail(kWrongFormat);
    if (x < 0 || x >= header.cols || y < 0 || y >= header.rows) continue;
    mCells[static_cast<std::size_t>(y) * static_cast<std::size_t>(header.cols) +
           static_cast<std::size_t>(x)]
        .masked = 1;
  }
  return true;
}

bool FuzzCelFileData(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.CEL", [](const std::string& path) {
    CEL_FILE_DATA file;
    file.SetFileName(path);
    return file.Read(false);
  });
}

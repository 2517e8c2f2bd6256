// Reading a CEL file into the intensity planes of CHIP_DATA. Text files of the sectioned
// form are read here whole and their cell lines scanned on several threads, and binary
// files decoded a tile of rows at a time as they are read, since these are the bulk of
// what a group opens; every other form goes through CEL_FILE_DATA.
#include "engine/array/cel_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/array/array_messages.hpp"
#include "engine/array/cel_file_data.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/base/file_kind.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/base/ordered_jobs.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/running_scope.hpp"
#include "platform/byte_reader.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/line_reader.hpp"
#include "platform/text_lines.hpp"

TextCelSplit TextCelSplitting;

namespace {

constexpr int kPumpEveryLines = 100;
constexpr int kProgressEveryLines = 10000;
// The bound of a text line, as platform::LineReader sets it by default.
constexpr std::size_t kLineLength = platform::LineReader::kDefaultMaxLength;

// Where a cell goes in the planes and what it holds there: turned when the layout is
// rotated, nothing for cells outside the layout. Each thread that reads cells keeps its
// own, as the root of the last pixel count is remembered.
class CellPlacer {
 public:
  // The index of a cell that has no place.
  static constexpr std::size_t kNowhere = SIZE_MAX;

  CellPlacer(int dimension, bool rotated) : mDimension(dimension), mRotated(rotated) {}

  std::size_t Index(int x, int y) const {
    // The turn maps the square onto itself, so the range is checked first.
    if (x < 0 || x >= mDimension || y < 0 || y >= mDimension) return kNowhere;
    if (mRotated) {
      const int turnedX = mDimension - 1 - y;
      y = x;
      x = turnedX;
    }
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(mDimension) +
           static_cast<std::size_t>(y);
  }
  std::uint16_t Mean(double mean) const { return CelIntensity(mean); }
  std::uint16_t Error(double deviation, double pixels) {
    // Nearly every cell has the same pixel count; its root is taken once.
    if (pixels != mLastPixels) {
      mLastPixels = pixels;
      mLastRoot = CelRootOfPixels(pixels);
    }
    return CelStandardError(deviation, mLastRoot);
  }

 private:
  int mDimension;
  bool mRotated;
  double mLastPixels = 1.0;
  double mLastRoot = 1.0;
};

// Puts one cell into both planes; cells outside the layout are dropped.
class PlaneFiller {
 public:
  explicit PlaneFiller(CHIP_DATA& data)
      : mPlane1(data.plane1.data()),
        mPlane2(data.plane2.data()),
        mPlacer(data.dimension, RotatedLayout != 0) {}

  void Store(int x, int y, double mean, double deviation, double pixels) {
    const std::size_t index = mPlacer.Index(x, y);
    if (index == CellPlacer::kNowhere) return;
    mPlane1[index] = mPlacer.Mean(mean);
    mPlane2[index] = mPlacer.Error(deviation, pixels);
  }

 private:
  std::uint16_t* mPlane1;
  std::uint16_t* mPlane2;
  CellPlacer mPlacer;
};

// A whole file in memory. A regular file is read into a buffer that is not cleared
// first, which would touch every byte twice; anything else is read as it comes.
class WholeFile {
 public:
  // False when the file cannot be opened or read.
  bool Read(const char* path) {
    if (!mFile.Open(path)) return false;
    const std::optional<std::uint64_t> size = mFile.RegularFileSize();
    // One byte more than the size is asked for, to notice a file that grew meanwhile;
    // that one is read again as it comes.
    if (size && *size < SIZE_MAX && mFile.Allocate(static_cast<std::size_t>(*size) + 1)) {
      mFile.Fill(mFile.Capacity());
      if (!mFile.Failed() && mFile.Available() <= *size) return true;
    }
    mBytes = platform::ReadWholeFile(path);
    return mBytes.has_value();
  }

  const char* Begin() const {
    return reinterpret_cast<const char*>(mBytes ? mBytes->data() : mFile.Data());
  }
  const char* End() const { return Begin() + (mBytes ? mBytes->size() : mFile.Available()); }

 private:
  platform::ChunkReader mFile;
  std::optional<platform::ByteBuffer> mBytes;
};

// A stretch of whole cell lines (the last one of the file may lack its line end).
struct TextSpan {
  const char* begin;
  const char* end;
};

// Cuts the text into spans of about pieceBytes, each ending after a line end.
std::vector<TextSpan> CutAtLineEnds(const char* begin, const char* end, std::size_t pieceBytes) {
  std::vector<TextSpan> spans;
  pieceBytes = std::max<std::size_t>(pieceBytes, 1);
  for (const char* at = begin; at < end;) {
    const char* target = at + std::min(pieceBytes, static_cast<std::size_t>(end - at));
    const void* newline = std::memchr(target - 1, '\n', static_cast<std::size_t>(end - target + 1));
    const char* cut = newline != nullptr ? static_cast<const char*>(newline) + 1 : end;
    spans.push_back({at, cut});
    at = cut;
  }
  return spans;
}

// What one cell line came to: the plane index and both values of its cell, or kNoCell
// for a line that gives no cell (too short, or a cell outside the layout). The index is
// held in 32 bits, as outcomes are many: the planes of a larger side would not fit in
// memory anyway.
constexpr int kMostTextCelSide = 65535;
constexpr std::uint32_t kNoCell = UINT32_MAX;

struct LineOutcome {
  std::uint32_t index;
  std::uint16_t mean;
  std::uint16_t error;
};

// The lines of one span: the outcome of each in order, up to a line that ends the
// reading of the file, if the span holds one.
struct SpanOutcomes {
  enum class Ending { kNone, kNextSection, kUnreadable, kNoMemory };

  std::vector<LineOutcome> outcomes;
  Ending ending = Ending::kNone;
  std::string_view unreadableLine;
  int cellLines = 0;  // lines long enough to give a cell, inside the layout or not

  void Read(const TextSpan& span, CellPlacer& placer) {
    outcomes.clear();
    ending = Ending::kNone;
    cellLines = 0;
    platform::TextLines lines({span.begin, static_cast<std::size_t>(span.end - span.begin)},
                              kLineLength);
    std::string_view line;
    CelLineFields fields;
    try {
      while (lines.Next(line) != platform::LineStatus::kEnd) {
        if (!line.empty() && line.front() == '[') {
          ending = Ending::kNextSection;
          return;
        }
        LineOutcome outcome{kNoCell, 0, 0};
        if (line.size() > 3) {
          ++cellLines;
          if (!ParseCelLine(line, fields)) {
            ending = Ending::kUnreadable;
            unreadableLine = line;
            return;
          }
          const std::size_t index = placer.Index(fields.x, fields.y);
          if (index != CellPlacer::kNowhere) {
            outcome.index = static_cast<std::uint32_t>(index);
            outcome.mean = placer.Mean(fields.mean);
            outcome.error = placer.Error(fields.deviation, fields.pixels);
          }
        }
        outcomes.push_back(outcome);
      }
    } catch (const std::bad_alloc&) {
      ending = Ending::kNoMemory;
    }
  }
};

// The last line of a file that ends inside its cell lines without the line end of the
// last one: a file cut there, whose last line may hold any part of its cell's fields (a
// whole file goes on to further sections after its cells). Nothing when the text ends
// with a line end.
std::optional<std::string_view> CutLastLine(std::string_view cellText) {
  if (cellText.empty() || cellText.back() == '\n') return std::nullopt;
  const std::size_t newline = cellText.rfind('\n');
  return newline == std::string_view::npos ? cellText : cellText.substr(newline + 1);
}

// Whether the spans count the line as a cell line (a shorter one gives no cell).
bool IsCellLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line.size() > 3;
}

// Reads span `number` of the cell lines; each thread places cells with its own placer.
class TextSpanJob {
 public:
  using Result = SpanOutcomes;
  using Context = CellPlacer;

  TextSpanJob(const std::vector<TextSpan>& spans, int dimension, bool rotated)
      : mSpans(spans), mDimension(dimension), mRotated(rotated) {}
  CellPlacer MakeContext() const { return CellPlacer(mDimension, mRotated); }
  void Run(std::size_t number, SpanOutcomes& outcomes, CellPlacer& placer) const {
    outcomes.Read(mSpans[number], placer);
  }

 private:
  const std::vector<TextSpan>& mSpans;
  int mDimension;
  bool mRotated;
};

// Helper threads for the spans of a text file: as set for the text reader, else see
// HelperThreadsFor.
constexpr int kMostTextHelpers = 3;

int TextHelpersFor(std::size_t spans) {
  if (spans < 2 || ArrayOnWorker()) return 0;
  if (TextCelSplitting.helpers >= 0) return TextCelSplitting.helpers;
  return HelperThreadsFor(spans, kMostTextHelpers);
}

}  // namespace

bool CHIP_DATA::ReadTextCel(const char* path) {
  ArrayMessage("    Reading CEL file...");
  // Both planes start from zero, so a cell the file does not give reads as 0.
  AllocatePlanes(Layout.dimension);

  // Only the first line is read before the form is known, so that a binary file is not
  // read whole twice.
  const FileForm form = SniffFileForm(path, kBinaryCelMagic, "[CEL]", kLineLength);
  if (form == FileForm::kUnopened) {
    ArrayMessage(MessageBuffer("    Reading %s failed", path), 0, kLogRed);
    return false;
  }
  if (form != FileForm::kText) {
    ArrayMessage("    Not a text format CEL file; try binary reading");
    return ReadBinaryCel(path);
  }
  WholeFile bytes;
  if (dimension > kMostTextCelSide || !bytes.Read(path)) {
    ArrayMessage(MessageBuffer("    Reading %s failed", path), 0, kLogRed);
    return false;
  }
  const std::string_view text(bytes.Begin(), static_cast<std::size_t>(bytes.End() - bytes.Begin()));
  platform::TextLines lines(text, kLineLength);
  std::string_view line;
  lines.Next(line);  // the "[CEL]" line checked above
  // The cell count the intensity section announces, so that a file cut short is told from
  // a whole one; 0 when it announces none.
  int announcedCells = 0;
  for (;;) {
    if (lines.Next(line) == platform::LineStatus::kEnd) {
      ArrayMessage(MessageBuffer("    Reading %s failed: no \"CellHeader\" line", path), 0,
                   kLogRed);
      return false;
    }
    if (line.find("CellHeader") != std::string_view::npos) break;
    if (line.starts_with("NumberCells=")) announcedCells = std::max(ReadIntAfterEquals(line), 0);
  }
  ArrayMessage("      Line 0");

  // The cell lines are read a span at a time, spans ahead on helper threads; here each
  // line's outcome is taken in file order, so that later lines of a cell win, and the
  // pump, the progress, the stop and the first unreadable line are those of reading line
  // by line.
  const std::string_view cellText = lines.Rest();
  const std::vector<TextSpan> spans = CutAtLineEnds(
      cellText.data(), cellText.data() + cellText.size(), TextCelSplitting.pieceBytes);
  // A file cut inside its last cell line reads as a cut, never as a cell made of the
  // fields left.
  const std::optional<std::string_view> cutLine = CutLastLine(cellText);
  const int cutCellLine = cutLine && IsCellLine(*cutLine) ? 1 : 0;
  const auto endsAfter = [&](int cells) {
    ArrayMessage(MessageBuffer("    Reading %s failed: the file ends after %d of its %d cells",
                               path, cells, std::max(announcedCells, cells + 1)),
                 0, kLogRed);
    return false;
  };
  const TextSpanJob job(spans, dimension, RotatedLayout != 0);
  OrderedJobs<TextSpanJob> spansRead(job, spans.size(), TextHelpersFor(spans.size()));
  std::uint16_t* const mean = plane1.data();
  std::uint16_t* const error = plane2.data();
  int count = 0;
  int cellLines = 0;
  // Counted down rather than divided: the pump runs on every hundredth line.
  int untilPump = kPumpEveryLines;
  for (std::size_t number = 0; number < spans.size(); ++number) {
    const SpanOutcomes& span = spansRead.Take(number);
    for (const LineOutcome& outcome : span.outcomes) {
      ++count;
      if (outcome.index != kNoCell) {
        mean[outcome.index] = outcome.mean;
        error[outcome.index] = outcome.error;
      }
      if (--untilPump == 0) {
        untilPump = kPumpEveryLines;
        ArrayProgressPump();
        if (count % kProgressEveryLines == 0) ArrayProgress(MessageBuffer("      Line %d", count));
        if (ArrayStopped()) return false;
      } else if (count == 1 && ArrayStopped()) {
        // A stop arrives only in a pump, so besides the first line only a pumped line
        // needs to ask; a stop asked before the reading still ends it after its first line.
        return false;
      }
    }
    cellLines += span.cellLines;
    switch (span.ending) {
      case SpanOutcomes::Ending::kNone:
        break;
      case SpanOutcomes::Ending::kNextSection:
        return true;
      case SpanOutcomes::Ending::kUnreadable: {
        const std::string_view unreadable = span.unreadableLine;
        if (cutLine && cutLine->data() == unreadable.data())
          return endsAfter(cellLines - cutCellLine);
        ArrayMessage(
            MessageBuffer("    Reading %s failed: cell line %d is not 'x y mean': '%.*s'", path,
                          count + 1, static_cast<int>(std::min<std::size_t>(unreadable.size(), 60)),
                          unreadable.data()),
            0, kLogRed);
        return false;
      }
      case SpanOutcomes::Ending::kNoMemory:
        ArrayMessage(MessageBuffer("    Reading %s failed", path), 0, kLogRed);
        return false;
    }
    spansRead.Done(number);
  }
  if (cutLine) return endsAfter(cellLines - cutCellLine);
  if (cellLines < announcedCells) return endsAfter(cellLines);
  return true;
}

namespace {

// A binary file is read and decoded a tile of rows at a time, each tile by one thread
// into buffers that stay in its cache; the header is looked for in the file's first
// bytes.
constexpr std::size_t kBinaryTileBytes = 1 << 20;
constexpr std::size_t kBinaryHeadBytes = 64 * 1024;
constexpr int kTileRows = 64;

// Sizes the planes for the layout. A grid that covers the layout writes every cell, so
// the planes need no clearing then.
void PreparePlanes(CHIP_DATA& data, int rows, int cols) {
  const int side = Layout.dimension;
  const auto cells = static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
  if (rows >= side && cols >= side && data.plane1.size() == cells && data.plane2.size() == cells) {
    data.dimension = side;
  } else {
    data.AllocatePlanes(side);
  }
}

// The roots of the small pixel counts, which are nearly all a file holds, taken once;
// the counts of one file vary from cell to cell, so a lookup beats a branch on the last
// count seen.
class CelRoots {
 public:
  CelRoots() {
    for (int pixels = 0; pixels < kTableSize; ++pixels) mRoots[pixels] = CelRootOfPixels(pixels);
  }
  // The root for the pixel count of a binary entry.
  double Of(const std::uint8_t* entry) const {
    const auto pixels = static_cast<std::int16_t>(platform::LoadU16(entry + 8));
    const auto count = static_cast<std::uint16_t>(pixels);
    return count < kTableSize ? mRoots[count] : CelRootOfPixels(pixels);
  }

 private:
  static constexpr int kTableSize = 256;
  double mRoots[kTableSize];
};

// Decodes `count` binary entries in a row; value k goes to mean[k * step] and
// error[k * step].
void DecodeEntries(const std::uint8_t* entry, int count, std::uint16_t* mean, std::uint16_t* error,
                   std::size_t step, const CelRoots& roots) {
  int k = 0;
#if defined(__SSE2__)
  // Two cells at a time, with the operations of CelIntensity and CelStandardError: the
  // maximum with 0 gives 0 for NaN as "> 0" does, and the minimum holds to 65535.
  const __m128d zero = _mm_setzero_pd();
  const __m128d top = _mm_set1_pd(UINT16_MAX);
  const __m128d half = _mm_set1_pd(0.5);
  for (; k + 1 < count; k += 2, entry += 2 * kBinaryCelEntryBytes) {
    const std::uint8_t* next = entry + kBinaryCelEntryBytes;
    const __m128d means = _mm_set_pd(platform::LoadF32(next), platform::LoadF32(entry));
    const __m128d deviations =
        _mm_set_pd(platform::LoadF32(next + 4), platform::LoadF32(entry + 4));
    const __m128d rootsOfPixels = _mm_set_pd(roots.Of(next), roots.Of(entry));
    const __m128i meanValues =
        _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(_mm_add_pd(means, half), zero), top));
    const __m128i errorValues =
        _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(_mm_div_pd(deviations, rootsOfPixels), zero), top));
    const auto at = static_cast<std::size_t>(k) * step;
    mean[at] = static_cast<std::uint16_t>(_mm_extract_epi16(meanValues, 0));
    mean[at + step] = static_cast<std::uint16_t>(_mm_extract_epi16(meanValues, 2));
    error[at] = static_cast<std::uint16_t>(_mm_extract_epi16(errorValues, 0));
    error[at + step] = static_cast<std::uint16_t>(_mm_extract_epi16(errorValues, 2));
  }
#endif
  for (; k < count; ++k, entry += kBinaryCelEntryBytes) {
    const auto at = static_cast<std::size_t>(k) * step;
    mean[at] = CelIntensity(platform::LoadF32(entry));
    error[at] = CelStandardError(platform::LoadF32(entry + 4), roots.Of(entry));
  }
}

// A grid of binary entries as the planes want them: the cells inside the layout of
// `rows` rows (those beyond its side are never read), tileRows rows to a tile.
struct BinaryGrid {
  int rows;
  int cols;
  int inside;  // cells of a row inside the layout
  int tileRows;
  bool rotated;

  std::size_t RowBytes() const { return static_cast<std::size_t>(cols) * kBinaryCelEntryBytes; }
  int Tiles() const { return (rows + tileRows - 1) / tileRows; }
  int RowsOfTile(int tile) const { return std::min(tileRows, rows - tile * tileRows); }
};

// One tile's values. Unturned, a file row lands one cell in each column of the planes, so
// the values are kept column by column (column c from c * tileRows on) and go out as
// runs of neighbouring cells; turned, a file row fills one column, and rows are kept in
// turn (row r from r * inside on).
struct DecodedTile {
  std::vector<std::uint16_t> mean;
  std::vector<std::uint16_t> error;
  bool whole = false;  // false when its entries could not be read or kept
};

struct TileContext {
  std::unique_ptr<std::uint8_t[]> entries;  // a tile's entries read from the file
  CelRoots roots;
};

// Reads and decodes tile `number`, from the entries in memory when they are there, else
// from the file.
class TileJob {
 public:
  using Result = DecodedTile;
  using Context = TileContext;

  TileJob(const BinaryGrid& grid, const std::uint8_t* entries, const platform::ChunkReader* file,
          std::uint64_t cellOffset)
      : mGrid(grid), mEntries(entries), mFile(file), mCellOffset(cellOffset) {}

  TileContext MakeContext() const {
    TileContext context;
    if (mEntries == nullptr)
      context.entries.reset(new (std::nothrow) std::uint8_t[std::max<std::size_t>(
          static_cast<std::size_t>(mGrid.tileRows) * mGrid.RowBytes(), 1)]);
    return context;
  }

  void Run(std::size_t number, DecodedTile& tile, TileContext& context) const {
    tile.whole = false;
    const int first = static_cast<int>(number) * mGrid.tileRows;
    const int rows = mGrid.RowsOfTile(static_cast<int>(number));
    const std::size_t rowBytes = mGrid.RowBytes();
    const std::size_t start = static_cast<std::size_t>(first) * rowBytes;
    const std::size_t bytes = static_cast<std::size_t>(rows) * rowBytes;
    const std::uint8_t* entries = mEntries != nullptr ? mEntries + start : context.entries.get();
    if (entries == nullptr) return;
    if (mEntries == nullptr &&
        mFile->ReadAt(mCellOffset + start, context.entries.get(), bytes) != bytes)
      return;
    const auto values =
        static_cast<std::size_t>(mGrid.tileRows) * static_cast<std::size_t>(mGrid.inside);
    if (tile.mean.size() != values) {
      try {
        tile.mean.resize(values);
        tile.error.resize(values);
      } catch (const std::bad_alloc&) {
        return;
      }
    }
    for (int r = 0; r < rows; ++r) {
      const std::uint8_t* row = entries + static_cast<std::size_t>(r) * rowBytes;
      if (mGrid.rotated) {
        const std::size_t at = static_cast<std::size_t>(r) * static_cast<std::size_t>(mGrid.inside);
        DecodeEntries(row, mGrid.inside, tile.mean.data() + at, tile.error.data() + at, 1,
                      context.roots);
      } else {
        DecodeEntries(row, mGrid.inside, tile.mean.data() + r, tile.error.data() + r,
                      static_cast<std::size_t>(mGrid.tileRows), context.roots);
      }
    }
    tile.whole = true;
  }

 private:
  BinaryGrid mGrid;
  const std::uint8_t* mEntries;
  const platform::ChunkReader* mFile;
  std::uint64_t mCellOffset;
};

// Helper threads for the tiles of a binary file (see HelperThreadsFor).
constexpr int kMostTileHelpers = 3;

// Fills the planes from a grid of `rows` x `cols` binary entries, tiles decoded side by
// side and taken here in order: the pump, the progress and the stop come after each row
// as it is placed, so a stop leaves the planes as reading row by row would.
bool FillFromEntries(CHIP_DATA& data, int rows, int cols, const std::uint8_t* entries,
                     const platform::ChunkReader* file, std::uint64_t cellOffset) {
  PreparePlanes(data, rows, cols);
  ArrayMessage("      Row 0");
  const int dimension = data.dimension;
  const auto rowBytes = static_cast<std::size_t>(cols) * kBinaryCelEntryBytes;
  const int tileRows =
      rowBytes == 0
          ? kTileRows
          : static_cast<int>(std::clamp<std::size_t>(kBinaryTileBytes / rowBytes, 1, kTileRows));
  // Rows and cells beyond the layout's side are dropped; the turn of a rotated layout
  // maps the square inside it onto itself.
  const BinaryGrid grid{std::min(rows, dimension), cols, std::min(cols, dimension), tileRows,
                        RotatedLayout != 0};
  const TileJob job(grid, entries, file, cellOffset);
  OrderedJobs<TileJob> tiles(
      job, static_cast<std::size_t>(grid.Tiles()),
      ArrayOnWorker() ? 0
                      : HelperThreadsFor(static_cast<std::size_t>(grid.Tiles()), kMostTileHelpers));
  const auto stride = static_cast<std::size_t>(dimension);
  const auto runBytes = [](int cells) { return static_cast<std::size_t>(cells) * 2; };
  std::uint16_t* const mean = data.plane1.data();
  std::uint16_t* const error = data.plane2.data();
  int row = 0;
  for (int number = 0; number < grid.Tiles(); ++number) {
    const DecodedTile& tile = tiles.Take(static_cast<std::size_t>(number));
    if (!tile.whole) {
      ArrayMessage("      Failed to read Binary CEL file", 0, kLogRed);
      return false;
    }
    const int tileStart = row;
    const int tileEnd = row + grid.RowsOfTile(number);
    if (grid.rotated) {
      // Turned, cell (i, row) goes to (stride - 1 - row) * stride + i.
      for (; row < tileEnd; ++row) {
        const std::size_t to = (stride - 1 - static_cast<std::size_t>(row)) * stride;
        const std::size_t from =
            static_cast<std::size_t>(row - tileStart) * static_cast<std::size_t>(grid.inside);
        std::memcpy(mean + to, tile.mean.data() + from, runBytes(grid.inside));
        std::memcpy(error + to, tile.error.data() + from, runBytes(grid.inside));
        if (!ArrayRowDone(row)) return false;
      }
    } else {
      // Unturned, cell (i, row) goes to i * stride + row. Whole tiles copy a fixed size,
      // which needs no call.
      const int tileRowCount = tileEnd - tileStart;
      for (int i = 0; i < grid.inside; ++i) {
        const std::size_t to =
            static_cast<std::size_t>(i) * stride + static_cast<std::size_t>(tileStart);
        const std::size_t from = static_cast<std::size_t>(i) * static_cast<std::size_t>(tileRows);
        if (tileRowCount == kTileRows) {
          std::memcpy(mean + to, tile.mean.data() + from, runBytes(kTileRows));
          std::memcpy(error + to, tile.error.data() + from, runBytes(kTileRows));
        } else {
          std::memcpy(mean + to, tile.mean.data() + from, runBytes(tileRowCount));
          std::memcpy(error + to, tile.error.data() + from, runBytes(tileRowCount));
        }
      }
      for (; row < tileEnd; ++row)
        if (!ArrayRowDone(row)) return false;
    }
    tiles.Done(static_cast<std::size_t>(number));
  }
  // Rows beyond the layout's side still count.
  for (; row < rows; ++row)
    if (!ArrayRowDone(row)) return false;
  return true;
}

// Whether the file is a binary one whose header lies in its first bytes and whose size
// shows it whole, with the checks CEL_FILE_DATA::Read makes; then its header and the
// offset of its first entry. Nothing is logged.
std::optional<std::size_t> BinaryFileToStream(platform::ChunkReader& file, CelHeader& header) {
  const std::optional<std::uint64_t> size = file.RegularFileSize();
  if (!size || !file.Allocate(kBinaryHeadBytes)) return std::nullopt;
  file.Fill(static_cast<std::size_t>(std::min<std::uint64_t>(*size, kBinaryHeadBytes)));
  const std::optional<std::size_t> cellOffset =
      CEL_FILE_DATA::ReadBinaryHeader({file.Data(), file.Available()}, header);
  if (!cellOffset || !CEL_FILE_DATA::BinaryBodyFits(header, *cellOffset, *size))
    return std::nullopt;
  return cellOffset;
}

}  // namespace

bool CHIP_DATA::ReadBinaryCel(const char* path) {
  std::unique_ptr<CEL_FILE_DATA> file;
  try {
    file = std::make_unique<CEL_FILE_DATA>();
  } catch (const std::bad_alloc&) {
    ArrayMessage("      Allocate memeory failed in ReadBinaryCel()", 0, kLogRed);
    return false;
  }
  file->SetFileName(path);
  // A binary file is read straight from the file, tile by tile; other files, or a header
  // longer than the first bytes, take the parser.
  {
    platform::ChunkReader stream;
    CelHeader header;
    if (stream.Open(file->fullPath)) {
      if (const auto cellOffset = BinaryFileToStream(stream, header))
        return FillFromEntries(*this, header.rows, header.cols, nullptr, &stream, *cellOffset);
    }
  }
  // The parser refuses files with fewer entries than the grid; checked again because the
  // loops below take every cell of the grid.
  if (!file->Read(false) || file->CellCount() < static_cast<std::size_t>(file->header.rows) *
                                                    static_cast<std::size_t>(file->header.cols)) {
    ArrayMessage("      Failed to read Binary CEL file", 0, kLogRed);
    return false;
  }
  const int rows = file->header.rows;
  const int cols = file->header.cols;
  if (const std::uint8_t* entries = file->BinaryEntries())
    return FillFromEntries(*this, rows, cols, entries, nullptr, 0);
  // The text forms, whose cells CEL_FILE_DATA holds decoded.
  PreparePlanes(*this, rows, cols);
  ArrayMessage("      Row 0");
  PlaneFiller planes(*this);
  for (int row = 0; row < rows; ++row) {
    for (int i = 0; i < cols; ++i) {
      const CelEntry cell = file->CellAt(i, row);
      planes.Store(i, row, cell.mean, cell.standardDeviation, cell.pixelCount);
    }
    if (!ArrayRowDone(row)) return false;
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

// Reading text chip descriptions. The file is walked once through three states: the
// header (dimension, unit count), a unit's description lines (its name) and its cell
// lines. Cell lines are the bulk of the file and mean the same in any state, so helper
// threads cut pieces of the file into lines and parse its cell lines ahead, and the
// calling thread walks the states over what they found, in file order.
#include "engine/chip/text_cdf_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/base/file_kind.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/base/ordered_jobs.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/array_kind_table.hpp"
#include "engine/chip/cdf_file_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/cell_line.hpp"
#include "engine/chip/description_size.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/chip/probe_set_mask.hpp"
#include "engine/chip/probe_tab_reader.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/line_pieces.hpp"
#include "platform/path.hpp"
#include "platform/text_lines.hpp"

bool CdfFileNotText = false;
TextCdfSplit TextCdfSplitting;

namespace {

enum class ReadState { kHeader, kUnit, kCells };

// The shortest probe set a text chip description can give: its "Name=x" line and the
// line end (lines of two characters or fewer are passed over).
constexpr std::uint64_t kFewestBytesPerTextUnit = 7;

constexpr const char* kAllocationFailed = "    Allocation failed in ReadTextCdf()";
constexpr int kPumpEveryLines = 100;
constexpr int kProgressEveryLines = 10000;
// How many lines ahead of the one placed a cell's record is fetched.
constexpr std::size_t kPlaceAhead = 16;

bool IsCellLine(std::string_view line) {
  return line.size() >= 4 && line.compare(0, 4, "Cell") == 0 && (line.size() < 5 || line[4] != 'H');
}

// The words the unit and cell states look for in a line, one bit each.
enum LineKey : std::uint8_t {
  kKeyName = 1,
  kKeyCellHeader = 2,
  kKeyBlock1 = 4,  // then _Block2, _Block3 and _Block4 in the next bits
};

// Which of the words the line holds anywhere, in one pass over it.
std::uint8_t KeysOf(std::string_view line) {
  std::uint8_t keys = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    switch (line[i]) {
      case 'N':
        if (line.compare(i, 4, "Name") == 0) keys |= kKeyName;
        break;
      case 'C':
        if (line.compare(i, 10, "CellHeader") == 0) keys |= kKeyCellHeader;
        break;
      case '_':
        if (line.compare(i, 6, "_Block") == 0 && i + 6 < line.size() && line[i + 6] >= '1' &&
            line[i + 6] <= '4')
          keys |= static_cast<std::uint8_t>(kKeyBlock1 << (line[i + 6] - '1'));
        break;
      default:
        break;
    }
  }
  return keys;
}

// What a helper found of one line: where it lies in its piece's text and, for a cell
// line, its cell and the kind it gets, or else the words it holds (lines of two
// characters or fewer are passed over, so never looked into).
struct LineFacts {
  enum class Cell : std::uint8_t { kNone, kParsed, kIncomplete };

  std::uint32_t offset;
  std::uint32_t length;
  Cell cell;
  std::uint8_t keys;  // for lines that are no cell lines
  std::uint8_t kind;  // for parsed cell lines
  CellFields fields;
};

// The lines of one piece, in order, up to where its reading failed, if it did.
struct PieceLines {
  enum class Ending { kWhole, kUnreadable, kNoMemory };

  std::vector<char> buffer;  // the piece's bytes, reused from piece to piece
  std::string_view text;
  std::vector<LineFacts> lines;
  Ending ending = Ending::kWhole;

  std::string_view Text(const LineFacts& line) const {
    return text.substr(line.offset, line.length);
  }
};

// Cuts piece `number` of the file into lines and parses its cell lines.
class PieceJob {
 public:
  using Result = PieceLines;
  struct Context {};

  PieceJob(const platform::LinePieces& pieces, const CellRules& rules)
      : mPieces(pieces), mRules(rules) {}
  Context MakeContext() const { return {}; }
  void Run(std::size_t number, PieceLines& piece, Context&) const {
    piece.lines.clear();
    piece.text = {};
    piece.ending = PieceLines::Ending::kWhole;
    const std::optional<std::string_view> text = mPieces.Read(number, piece.buffer);
    if (!text) {
      piece.ending = PieceLines::Ending::kUnreadable;
      return;
    }
    piece.text = *text;
    platform::TextLines lines(*text, kLineBufferLength);
    std::string_view line;
    try {
      while (lines.Next(line) != platform::LineStatus::kEnd) {
        // Filled in place: a record built aside and copied in would be read back whole
        // right after it was written field by field, which stalls the processor.
        LineFacts& facts = piece.lines.emplace_back();
        facts.offset = static_cast<std::uint32_t>(line.data() - text->data());
        facts.length = static_cast<std::uint32_t>(line.size());
        facts.cell = LineFacts::Cell::kNone;
        facts.keys = 0;
        if (line.size() > 2 && IsCellLine(line)) {
          if (ParseCellLine(line, facts.fields)) {
            facts.cell = LineFacts::Cell::kParsed;
            facts.kind = mRules.KindOf(facts.fields);
          } else {
            facts.cell = LineFacts::Cell::kIncomplete;
          }
        } else if (line.size() > 2) {
          facts.keys = KeysOf(line);
        }
      }
    } catch (const std::bad_alloc&) {
      piece.ending = PieceLines::Ending::kNoMemory;
    }
  }

 private:
  const platform::LinePieces& mPieces;
  CellRules mRules;
};

// Pieces no larger than this, so that a line's place in its piece fits 32 bits.
constexpr std::size_t kMostPieceBytes = std::size_t{1} << 30;
constexpr int kMostHelpers = 3;

int HelpersFor(std::size_t pieces) {
  if (pieces < 2) return 0;
  if (TextCdfSplitting.helpers >= 0) return TextCdfSplitting.helpers;
  return HelperThreadsFor(pieces, kMostHelpers);
}

class TextCdfConverter {
 public:
  // fileBytes: the size of the file, which bounds the layout its header may declare.
  TextCdfConverter(std::uint64_t fileBytes, const CellRules& rules)
      : mFileBytes(fileBytes), mRules(rules), mPlacer(rules) {}
  bool Run(const platform::LinePieces& pieces);

 private:
  bool Line(std::string_view line, const LineFacts& facts);
  bool HeaderLine(std::string_view line);
  // Makes the tables the header declared, once: a header may repeat its lines, and only
  // the last of each counts.
  bool EndHeader();
  bool UnitLine(std::string_view line, std::uint8_t keys);
  bool CellsLine(std::string_view line, std::uint8_t keys);
  bool CloseUnit();
  int CurrentCells() const {
    return mUnit >= 0 ? Layout.units[static_cast<std::size_t>(mUnit)].pairCount : 0;
  }

  std::uint64_t mFileBytes;
  std::int64_t mLineNumber = 0;
  int mUntilPump = kPumpEveryLines;  // counted down rather than divided: lines are many
  // What the header declared so far: the grid's side and the number of probe sets.
  std::optional<int> mDimension;
  std::optional<int> mDeclaredUnits;
  ReadState mState = ReadState::kHeader;
  int mUnit = -1;
  bool mUnitOpen = false;
  std::string mSavedName;
  CellRules mRules;
  CellPlacer mPlacer;
};

bool TextCdfConverter::Run(const platform::LinePieces& pieces) {
  const PieceJob job(pieces, mRules);
  OrderedJobs<PieceJob> piecesRead(job, pieces.Count(), HelpersFor(pieces.Count()));
  for (std::size_t number = 0; number < pieces.Count(); ++number) {
    const PieceLines& piece = piecesRead.Take(number);
    const std::span<const LineFacts> lines = piece.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      // A chip's cells lie all over a table far larger than the processor's cache, so
      // the record of a cell some lines ahead is fetched while this line is handled.
      if (i + kPlaceAhead < lines.size() && lines[i + kPlaceAhead].cell == LineFacts::Cell::kParsed)
        mPlacer.Prefetch(lines[i + kPlaceAhead].fields);
      if (!Line(piece.Text(lines[i]), lines[i])) return false;
    }
    switch (piece.ending) {
      case PieceLines::Ending::kWhole:
        break;
      case PieceLines::Ending::kUnreadable:
        LogMessage("    Error: reading the CDF file stopped before its end", 0, kLogRed);
        return false;
      case PieceLines::Ending::kNoMemory:
        LogMessage(kAllocationFailed, 0, kLogRed);
        return false;
    }
    piecesRead.Done(number);
  }

  if (mState == ReadState::kHeader && !EndHeader()) return false;
  if (!Layout.HasCells()) {
    LogMessage("    Error: the CDF file gives no number of rows", 0, kLogRed);
    return false;
  }
  if (mUnitOpen && !CloseUnit()) return false;
  Layout.unitCount = mUnit + 1;
  Layout.units.resize(static_cast<std::size_t>(Layout.unitCount));
  return true;
}

bool TextCdfConverter::Line(std::string_view line, const LineFacts& facts) {
  ++mLineNumber;
  if (--mUntilPump == 0) {
    mUntilPump = kPumpEveryLines;
    Progress().Pump();
    if (mLineNumber % kProgressEveryLines == 0)
      Progress().ShowProgress(MessageBuffer("    Line %d", static_cast<int>(mLineNumber)));
  }
  if (line.size() <= 2) return true;
  if (mState == ReadState::kCells && facts.cell == LineFacts::Cell::kParsed)
    return mPlacer.Place(mUnit, facts.fields, facts.kind);
  switch (mState) {
    case ReadState::kHeader:
      return HeaderLine(line);
    case ReadState::kUnit:
      // A cell line here is looked into as any other line.
      return UnitLine(line, facts.cell == LineFacts::Cell::kNone ? facts.keys : KeysOf(line));
    case ReadState::kCells:
      switch (facts.cell) {
        case LineFacts::Cell::kParsed:  // placed above
          return true;
        case LineFacts::Cell::kIncomplete:
          return ReadCellLine(line, mUnit);  // parsed again, to be refused in red
        case LineFacts::Cell::kNone:
          return CellsLine(line, facts.keys);
      }
  }
  return true;
}

bool TextCdfConverter::HeaderLine(std::string_view line) {
  if (Contains(line, "Rows")) {
    mDimension = ReadIntAfterEquals(line);
    return true;
  }
  if (Contains(line, "Cols")) {
    const int columns = ReadIntAfterEquals(line);
    if (columns <= mDimension.value_or(Layout.dimension)) return true;
    if (CustomCdf == 0) {
      LogMessage("    Number of columns is greater than number of rows", 0, kLogRed);
      return false;
    }
    mDimension = columns;
    return true;
  }
  if (Contains(line, "NumberOfUnits")) {
    mDeclaredUnits = ReadIntAfterEquals(line);
    return true;
  }
  if (Contains(line, "_Block")) {
    mState = ReadState::kUnit;
    return EndHeader();
  }
  return true;
}

bool TextCdfConverter::EndHeader() {
  if (!DescriptionHoldsLayout(mFileBytes, mDimension.value_or(0), mDeclaredUnits.value_or(0),
                              kFewestBytesPerTextUnit))
    return false;
  if (mDimension && !AllocateCellTable(*mDimension, kAllocationFailed)) return false;
  return !mDeclaredUnits || AllocateUnitTable(*mDeclaredUnits, kAllocationFailed);
}

bool TextCdfConverter::UnitLine(std::string_view line, std::uint8_t keys) {
  if ((keys & kKeyName) != 0) {
    if (mUnit + 1 >= static_cast<int>(Layout.units.size())) {
      LogMessage(MessageBuffer("    Error: more probe sets than NumberOfUnits (%d)",
                               static_cast<int>(Layout.units.size())),
                 0, kLogRed);
      return false;
    }
    std::string_view name = SkipPast(line, '=');
    if (name.size() >= static_cast<std::size_t>(kUnitNameSize)) {
      LogMessage("    Error: the length of probe set name exceeds limit", 0, kLogRed);
      return false;
    }
    if (name.size() == 1) name = mSavedName;
    ++mUnit;
    UNIT_RECORD& unit = Layout.units[static_cast<std::size_t>(mUnit)];
    unit.SetName(name);
    unit.pairCount = 0;
    mUnitOpen = true;
    return true;
  }
  if ((keys & kKeyCellHeader) != 0) mState = ReadState::kCells;
  return true;
}

bool TextCdfConverter::CellsLine(std::string_view line, std::uint8_t keys) {
  constexpr std::uint8_t kBlock2 = kKeyBlock1 << 1;
  constexpr std::uint8_t kBlock3 = kKeyBlock1 << 2;
  constexpr std::uint8_t kBlock4 = kKeyBlock1 << 3;
  if (ArrayType == 3) {
    if ((keys & kKeyName) != 0) mSavedName = SkipPast(line, '=');
    if ((keys & (kKeyBlock1 | kBlock3)) != 0) {
      SnpBlockOffset = 0;
    } else if ((keys & kBlock2) != 0) {
      SnpBlockOffset = SnpBlock2Start = CurrentCells() / CellsPerPair();
    } else if ((keys & kBlock4) != 0) {
      SnpBlockOffset = CurrentCells() / CellsPerPair() - 2 * SnpBlock2Start;
    }
  }
  if ((keys & kKeyBlock1) != 0) {
    if (mUnitOpen && !CloseUnit()) return false;
    mState = ReadState::kUnit;
  }
  return true;
}

bool TextCdfConverter::CloseUnit() {
  mUnitOpen = false;
  if (mUnit < 0) return true;
  UNIT_RECORD& unit = Layout.units[static_cast<std::size_t>(mUnit)];
  if (!CloseUnitCells(unit)) return false;
  if (unit.pairCount == 0) --mUnit;
  return true;
}

}  // namespace

bool ReadTextCdf(const std::string& cdfPath, const std::string& maskFile) {
  const LayoutWriting writing;
  CdfFileNotText = false;
  platform::ChunkReader file;
  if (!file.Open(cdfPath)) {
    LogMessage(MessageBuffer("  Reading CDF file '%s' failed\n", cdfPath.c_str()), 0, kLogRed);
    return false;
  }
  LogMessage(
      MessageBuffer("  Converting CDF file '%s' into Zelko binary format for faster "
                    "access...",
                    cdfPath.c_str()));
  LogMessage("    Line 0");
  // A binary chip description opens with its magic number, whatever letters follow.
  if (SniffFileForm(cdfPath, kBinaryCdfMagic, "CDF", kLineBufferLength) != FileForm::kText) {
    LogMessage("    Not a CDF file or not in text format", 1, kLogRed);
    CdfFileNotText = true;
    return false;
  }
  // The pieces are read where they lie in the file, which only a regular file allows.
  const std::optional<std::uint64_t> fileBytes = file.RegularFileSize();
  if (!fileBytes) {
    LogMessage(MessageBuffer("  Reading CDF file '%s' failed\n", cdfPath.c_str()), 0, kLogRed);
    return false;
  }
  ClearLayout();
  SnpBlockOffset = 0;
  SnpBlock2Start = 0;

  const platform::LinePieces pieces(
      file, *fileBytes, std::min(TextCdfSplitting.pieceBytes, kMostPieceBytes), kLineBufferLength);
  TextCdfConverter converter(*fileBytes, CellRules::Current(CustomCdf != 0));
  if (!converter.Run(pieces)) return false;

  if (!maskFile.empty()) (void)ApplyProbeSetMask(maskFile);
  PumpMessages();
  (void)ReadProbeTabFile(cdfPath);
  if (ArrayType != 0 && platform::EqualsNoCase(Layout.chipType, TrailingBaseChipType())) {
    LogMessage(
        MessageBuffer("    Removing the last base letter from probe set names of %s "
                      "arrays",
                      Layout.chipType.c_str()));
    StripTrailingBase();
  }
  return SaveCdfCache();
}

void StripTrailingBase() {
  for (int u = 0; u < Layout.unitCount && u < static_cast<int>(Layout.units.size()); ++u) {
    UNIT_RECORD& unit = Layout.units[static_cast<std::size_t>(u)];
    const std::string_view name = unit.Name();
    if (name.empty()) continue;
    const char last = name.back();
    if (last == 'A' || last == 'T' || last == 'G' || last == 'C') unit.name[name.size() - 1] = '\0';
  }
}

bool FuzzReadTextCdf(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.cdf", [](const std::string& path) {
    Layout.cachePath = path + ".bin";
    return ReadTextCdf(path, "");
  });
}

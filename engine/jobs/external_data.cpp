// The file is read twice through one reused buffer: once to count its lines (the size of
// the probe-set table), once to parse them a stretch of whole lines at a time, each
// stretch cut into pieces that several threads parse, every line cut into fields in
// place. The probe sets are gathered apart and the arrays are counted only at the end, so
// a bad line leaves neither a layout nor arrays half-built.
#include "engine/jobs/external_data.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/baseline_array.hpp"
#include "engine/jobs/decimal_text.hpp"
#include "engine/jobs/expression_data_file.hpp"
#include "engine/jobs/expression_transforms.hpp"
#include "engine/jobs/information_readers.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/text_lines.hpp"

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;
// Room for the longest line allowed and a stretch of lines after it.
constexpr std::size_t kLineBuffer = kMaxExternalLineLength + 4 * kChunk;
constexpr int kProgressLines = 100;

std::string_view TrimTrailing(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The buffer every read goes through, kept from one read to the next: a first touch of
// fresh memory costs more than the reading into it.
std::vector<char>& SharedBuffer() {
  static std::vector<char> buffer(kLineBuffer);
  return buffer;
}

// Lines of the file through one buffer: LF or CRLF, the line end not included.
class LineSource {
 public:
  enum class Status { kLine, kEnd, kTooLong, kFailed };

  bool Open(const std::string& path) {
    if (!mReader.Open(path)) return false;
    mBuffer = SharedBuffer().data();
    return true;
  }
  const platform::ReadFailure& OpenFailure() const { return mReader.OpenFailure(); }

  // Counts the lines of the whole file (a last line without its line end counted too)
  // before any is read; -1 when the file cannot be read.
  long long CountLines() {
    long long lines = 0;
    char last = '\n';
    std::uint64_t offset = 0;
    for (;;) {
      // A megabyte at a time, so that the counting finds the bytes still in the cache.
      const std::size_t got =
          mReader.ReadAt(offset, reinterpret_cast<std::uint8_t*>(mBuffer), kChunk);
      // Lines are long: memchr from one line end to the next beats a test per byte.
      for (const char* at = mBuffer;
           (at = static_cast<const char*>(
                std::memchr(at, '\n', got - static_cast<std::size_t>(at - mBuffer)))) != nullptr;
           ++at)
        ++lines;
      if (got > 0) last = mBuffer[got - 1];
      offset += got;
      Progress().Pump();
      if (got < kChunk) break;
    }
    if (ShortOf(offset)) return -1;
    return lines + (last != '\n' ? 1 : 0);
  }

  Status Next(std::string_view& line) {
    std::size_t searched = 0;
    for (;;) {
      const char* data = mBuffer + mBegin;
      const std::size_t available = mEnd - mBegin;
      const auto* newline =
          static_cast<const char*>(std::memchr(data + searched, '\n', available - searched));
      if (newline != nullptr || (mEnded && available > 0)) {
        const std::size_t length =
            newline != nullptr ? static_cast<std::size_t>(newline - data) : available;
        mBegin += length + (newline != nullptr ? 1 : 0);
        line = std::string_view(data, length);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++mLineNumber;
        return line.size() >= kMaxExternalLineLength ? Status::kTooLong : Status::kLine;
      }
      if (mEnded) return Status::kEnd;
      if (available >= kMaxExternalLineLength) {
        ++mLineNumber;
        return Status::kTooLong;
      }
      searched = available;
      if (!Fill()) return Status::kFailed;
    }
  }

  // The whole lines that fit in the buffer, the last line of the file included; valid
  // until the next call. kTooLong when the buffer holds no line end.
  Status NextStretch(std::string_view& stretch) {
    if (!mEnded && !Fill()) return Status::kFailed;
    const std::string_view data(mBuffer + mBegin, mEnd - mBegin);
    if (data.empty()) return Status::kEnd;
    std::size_t length = data.size();
    if (!mEnded) {
      const auto newline = data.rfind('\n');
      if (newline == std::string_view::npos) return Status::kTooLong;
      length = newline + 1;
    }
    stretch = data.substr(0, length);
    mBegin += length;
    return Status::kLine;
  }

  int LineNumber() const { return mLineNumber; }

 private:
  // Whether the file ended before its size: a read that failed.
  bool ShortOf(std::uint64_t offset) const {
    const auto size = mReader.RegularFileSize();
    return size.has_value() && offset < *size;
  }
  // Moves what is left to the front and reads as much as fits after it; false when the
  // file could not be read.
  bool Fill() {
    std::memmove(mBuffer, mBuffer + mBegin, mEnd - mBegin);
    mEnd -= mBegin;
    mBegin = 0;
    const std::size_t room = kLineBuffer - mEnd;
    const std::size_t got =
        mReader.ReadAt(mOffset, reinterpret_cast<std::uint8_t*>(mBuffer + mEnd), room);
    mOffset += got;
    mEnd += got;
    if (got < room) {
      mEnded = true;
      if (ShortOf(mOffset)) return false;
    }
    return true;
  }

  platform::ChunkReader mReader;
  char* mBuffer = nullptr;
  std::size_t mBegin = 0;
  std::size_t mEnd = 0;
  std::uint64_t mOffset = 0;
  bool mEnded = false;
  int mLineNumber = 0;
};

// Cuts the fields of a line one at a time, at tabs, empty ones included.
class Fields {
 public:
  explicit Fields(std::string_view line) : mRest(line), mLeft(true) {}
  bool Next(std::string_view& field) {
    if (!mLeft) return false;
    // Fields are short: a plain scan beats a call per field.
    const char* const begin = mRest.data();
    const char* const end = begin + mRest.size();
    const char* at = begin;
    while (at != end && *at != '\t') ++at;
    field = std::string_view(begin, static_cast<std::size_t>(at - begin));
    if (at == end) {
      mLeft = false;
      return true;
    }
    mRest = std::string_view(at + 1, static_cast<std::size_t>(end - at - 1));
    return true;
  }

 private:
  std::string_view mRest;
  bool mLeft;
};

// What the title line and the preamble before it say about the columns.
struct TableForm {
  bool skipSecondColumn = false;
  bool hasBoth = false;
  bool hasStd = false;
  bool snp = false;
  bool sslp = false;   // two arrays per column, the second named with "_T"
  bool mouse = false;  // SNP calls as nucleotide letters
  int valueColumns = 0;
  int arrays = 0;
};

bool IsBlankStart(std::string_view field) {
  return field.empty() || field.front() == ' ';
}

// The SNP call of a nucleotide text under the line's alleles, which the first letters
// met on the line fix.
char MouseCall(std::string_view text, std::array<char, 2>& alleles) {
  bool first = false;
  bool second = false;
  bool other = false;
  for (const char ch : text) {
    if (ch != 'A' && ch != 'T' && ch != 'G' && ch != 'C') {
      if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) other = true;
      continue;
    }
    if (alleles[0] == 0) alleles[0] = ch;
    if (ch != alleles[0] && alleles[1] == 0) alleles[1] = ch;
    if (ch == alleles[0])
      first = true;
    else if (ch == alleles[1])
      second = true;
    else
      other = true;
  }
  if (other || (!first && !second)) return kSnpCallNoCall;
  if (first && second) return kSnpCallAB;
  return first ? kSnpCallA : kSnpCallB;
}

char GenotypeCall(std::string_view text) {
  if (text.empty()) return kSnpCallNoCall;
  switch (text[0]) {
    case 'A':
      return text.size() == 1 || text[1] == 'A' ? kSnpCallA : kSnpCallAB;
    case 'B':
      return kSnpCallB;
    case 'H':
      return kSnpCallAB;
    default:
      return kSnpCallNoCall;
  }
}

// Parses the data lines of one piece of the file, on any thread: each line fills its own
// probe set and row of every array, and the first bad line and the first unrecognised
// call are kept for the calling thread to report in file order.
class PieceParser {
 public:
  PieceParser(const TableForm& form, Group& group, std::vector<UNIT_RECORD>& units)
      : mForm(form), mGroup(group), mUnits(units) {}

  // The lines of text, the first of them line number firstLine, filling probe sets from
  // firstUnit on. False at the first bad line.
  bool Parse(std::string_view text, int firstLine, int firstUnit) {
    missing = 0;
    errorLine = 0;
    warningLine = 0;
    int unit = firstUnit;
    mLineNumber = firstLine;
    platform::TextLines lines(text, text.size());
    std::string_view line;
    for (; lines.Next(line) != platform::LineStatus::kEnd; ++mLineNumber) {
      if (line.size() >= kMaxExternalLineLength) return Fail(kExternalLineTooLongMessage);
      if (line.size() <= 3) continue;
      if (!ReadDataLine(line, unit)) return false;
      ++unit;
    }
    return true;
  }

  int missing = 0;
  int errorLine = 0;  // 0: none
  std::string error;
  int warningLine = 0;  // 0: none
  std::string warning;

 private:
  bool Fail(std::string message) {
    errorLine = mLineNumber;
    error = std::move(message);
    return false;
  }
  bool ReadDataLine(std::string_view line, int unit);
  bool ReadExpressionColumns(Fields& fields, int unit);
  bool ReadSnpColumns(Fields& fields, int unit, std::array<char, 2>& alleles);
  bool ReadStdError(Fields& fields, int array, float& se);
  const char* ArrayName(int array) const { return mGroup.Array(array).name.c_str(); }

  const TableForm& mForm;
  Group& mGroup;
  std::vector<UNIT_RECORD>& mUnits;
  int mLineNumber = 0;
  std::string mName;  // the probe set of the line being read
};

bool PieceParser::ReadStdError(Fields& fields, int array, float& se) {
  std::string_view field;
  if (!fields.Next(field))
    return Fail(MessageBuffer(kExternalStdErrorMessage, mName.c_str(), ArrayName(array)));
  if (IsBlankStart(field)) {
    se = kMissingValueFloat;
    return true;
  }
  if (!ParseFloatField(field, se))
    return Fail(MessageBuffer(kExternalStdErrorMessage, mName.c_str(), ArrayName(array)));
  return true;
}

bool PieceParser::ReadExpressionColumns(Fields& fields, int unit) {
  const auto row = static_cast<std::size_t>(unit);
  std::string_view field;
  for (int array = 0; array < mForm.arrays; ++array) {
    ArraySlot& slot = mGroup.Array(array);
    VALUE_TRIPLE& triple = slot.values[row];
    if (!fields.Next(field))
      return Fail(MessageBuffer(kExternalValueErrorMessage, mName.c_str(), ArrayName(array)));
    if (IsBlankStart(field)) {
      triple.value = kMissingValueFloat;
      ++missing;
    } else if (field.front() == 'P') {
      return Fail(kExternalAbsoluteCallMessage);
    } else if (!ParseFloatField(field, triple.value)) {
      return Fail(MessageBuffer(kExternalValueErrorMessage, mName.c_str(), ArrayName(array)));
    }
    if (mForm.hasBoth) {
      if (!fields.Next(field))
        return Fail(MessageBuffer(kExternalCallErrorMessage, mName.c_str(), ArrayName(array)));
      const char call = field.empty() ? ' ' : field.front();
      if (call == 'A' || call == 'M' || call == 'P') {
        slot.calls[row] = call;
      } else {
        slot.calls[row] = kCallAbsent;
        if (warningLine == 0) {
          warningLine = mLineNumber;
          warning = MessageBuffer(kExternalUnrecognizedCallMessage, call, mName.c_str(),
                                  ArrayName(array));
        }
      }
    }
    if (mForm.hasStd && !ReadStdError(fields, array, triple.stdErr)) return false;
  }
  return true;
}

bool PieceParser::ReadSnpColumns(Fields& fields, int unit, std::array<char, 2>& alleles) {
  const auto row = static_cast<std::size_t>(unit);
  const int step = mForm.sslp ? 2 : 1;
  std::string_view field;
  for (int array = 0; array < mForm.arrays; array += step) {
    ArraySlot& slot = mGroup.Array(array);
    VALUE_TRIPLE& triple = slot.values[row];
    if (mForm.hasBoth) {
      if (!fields.Next(field))
        return Fail(MessageBuffer(kExternalValueErrorMessage, mName.c_str(), ArrayName(array)));
      if (IsBlankStart(field)) {
        triple.value = kMissingValueFloat;
        ++missing;
      } else if (!ParseFloatField(field, triple.value)) {
        return Fail(MessageBuffer(kExternalValueErrorMessage, mName.c_str(), ArrayName(array)));
      }
    }
    if (!fields.Next(field))
      return Fail(MessageBuffer(kExternalSnpCallErrorMessage, mName.c_str(), ArrayName(array)));
    if (mForm.sslp) {
      ArraySlot& twin = mGroup.Array(array + 1);
      char call = kSnpCallNoCall;
      char twinCall = kSnpCallNoCall;
      const char code = field.empty() ? ' ' : field.front();
      if (code == 'H') {
        call = kSnpCallAB;
        twinCall = kSnpCallAB;
      } else if (code == 'L') {
        call = kSnpCallAB;
        twinCall = kSnpCallA;
      } else if (code == 'N') {
        call = kSnpCallA;
        twinCall = kSnpCallA;
      }
      slot.calls[row] = call;
      twin.calls[row] = twinCall;
      twin.values[row].value = triple.value;
    } else {
      slot.calls[row] = mForm.mouse ? MouseCall(field, alleles) : GenotypeCall(field);
    }
    if (mForm.hasStd && !ReadStdError(fields, array, triple.stdErr)) return false;
    if (mForm.sslp) mGroup.Array(array + 1).values[row].stdErr = triple.stdErr;
  }
  return true;
}

bool PieceParser::ReadDataLine(std::string_view line, int unit) {
  // A file that grew since its lines were counted: the lines beyond are not read.
  if (static_cast<std::size_t>(unit) >= mUnits.size()) return true;
  Fields fields(line);
  std::string_view field;
  fields.Next(field);
  mName.clear();
  for (const char ch : field)
    if (ch != '"') mName.push_back(ch);
  const auto first = mName.find_first_not_of(' ');
  const auto last = mName.find_last_not_of(' ');
  if (first == std::string::npos) {
    mName.clear();
  } else {
    mName.erase(last + 1);
    mName.erase(0, first);
  }
  if (mName.size() > static_cast<std::size_t>(kMaxUnitNameLength))
    mName.resize(static_cast<std::size_t>(kMaxUnitNameLength));
  mUnits[static_cast<std::size_t>(unit)].SetName(mName);
  if (mForm.skipSecondColumn) fields.Next(field);
  std::array<char, 2> alleles{};
  const bool read =
      mForm.snp ? ReadSnpColumns(fields, unit, alleles) : ReadExpressionColumns(fields, unit);
  return read;
}

// The data lines of a stretch of whole lines cut into pieces for the threads, with
// where each piece starts in lines and in probe sets.
struct Piece {
  std::string_view text;
  int firstLine = 0;
  int firstUnit = 0;
  int lines = 0;  // in the piece
  int units = 0;  // data lines in the piece
};

// The probe-set table a read did not make the layout's (the one it replaced, or its own
// when it failed), kept so that the next read's table is not fresh memory.
std::vector<UNIT_RECORD>& SpareUnits() {
  static std::vector<UNIT_RECORD> units;
  return units;
}

class ExternalReader {
 public:
  explicit ExternalReader(Group& group) : mGroup(group), mSettings(group.Settings()) {}
  ~ExternalReader() { SpareUnits() = std::move(mUnits); }
  ExternalReader(const ExternalReader&) = delete;
  ExternalReader& operator=(const ExternalReader&) = delete;

  bool Read(const std::string& path);

 private:
  bool Fail(const std::string& message) {
    LogMessage(message, 0, kLogRed);
    LogMessage(MessageBuffer("    Line %d", mLines.LineNumber()), 0, kLogRed);
    return false;
  }
  bool ReadTitles();
  bool ReadStretch(std::string_view stretch);
  void Finish();

  Group& mGroup;
  GroupSettings& mSettings;
  LineSource mLines;
  TableForm mForm;
  std::vector<UNIT_RECORD> mUnits;
  std::vector<PieceParser> mParsers;
  std::vector<Piece> mPieces;
  int mLineNumber = 0;  // lines before the stretch being read
  int mFilled = 0;
  int mMissing = 0;
  bool mWarnedCall = false;
};

bool ExternalReader::ReadTitles() {
  std::string_view line;
  const auto next = [&] {
    const LineSource::Status status = mLines.Next(line);
    if (status == LineSource::Status::kTooLong) return Fail(kExternalLineTooLongMessage);
    if (status != LineSource::Status::kLine) {
      LogMessage(kExternalNoTitlesMessage, 0, kLogRed);
      return false;
    }
    return true;
  };
  if (!next()) return false;
  // The export's own preambles: the "#1.2" lines, whose second column is the
  // description, and the header block.
  if (line.starts_with(kGctFirstLine)) {
    mForm.skipSecondColumn = true;
    if (!next() || !next()) return false;
  }
  if (TrimTrailing(line) == kExpressionFileHeading) {
    do {
      if (!next()) return false;
    } while (TrimTrailing(line) != kExpressionDataHeading);
    if (!next()) return false;
  }
  mForm.sslp = line.starts_with("SSLP");
  mForm.mouse = line.starts_with("Mouse");

  Fields fields(TrimTrailing(line));
  std::string_view field;
  fields.Next(field);
  if (mForm.skipSecondColumn) fields.Next(field);
  std::vector<std::string_view> titles;
  while (fields.Next(field)) titles.push_back(field);
  // The export puts the gene column last when asked to; it is no array.
  if (!titles.empty() && titles.back() == "gene") titles.pop_back();
  const std::size_t skip = (mForm.hasBoth ? 1u : 0u) + (mForm.hasStd ? 1u : 0u);
  const int perColumn = mForm.sslp ? 2 : 1;
  for (std::size_t k = 0; k < titles.size(); k += 1 + skip) {
    if (mForm.arrays + perColumn > kMaxExternalArrays) {
      LogMessage(MessageBuffer(kExternalArrayLimitMessage, mForm.arrays), 0, kLogRed);
      break;
    }
    const std::string_view name = TrimTrailing(titles[k]);
    mGroup.Array(mForm.arrays++).name.assign(name);
    if (mForm.sslp) mGroup.Array(mForm.arrays++).name.assign(name).append("_T");
    ++mForm.valueColumns;
  }
  // The arrays' tables are made on several threads: each is the size of the file's lines.
  const std::size_t rows = mUnits.size();
  std::vector<char> allocated(static_cast<std::size_t>(mForm.arrays), 1);
  platform::RunTasks(mForm.arrays, platform::WorkerThreadCount(), [&](int a, bool) {
    ArraySlot& slot = mGroup.Array(a);
    slot.dataFile.clear();
    slot.timeTag.clear();
    slot.intensities.clear();
    slot.medianIntensity = 0;
    slot.arrayOutlierFraction = 0.0f;
    slot.singleOutlierFraction = 0.0f;
    slot.presentCallFraction = 0.0f;
    try {
      slot.values.assign(rows, VALUE_TRIPLE{0.0f, 0.0f, 0});
      slot.calls.assign(rows, mForm.snp ? static_cast<char>(kSnpCallNoCall) : kCallAbsent);
    } catch (const std::bad_alloc&) {
      allocated[static_cast<std::size_t>(a)] = 0;
    }
  });
  for (int a = 0; a < mForm.arrays; ++a) {
    if (allocated[static_cast<std::size_t>(a)] == 0) {
      LogMessage(MessageBuffer("  Allocating the values of array %d failed", a), 0, kLogRed);
      return false;
    }
  }
  return true;
}

bool ExternalReader::ReadStretch(std::string_view stretch) {
  // Pieces of about equal size, cut after a line end; the threads count the lines and the
  // data lines of each, so that every piece knows its first line and probe set.
  const int threads = platform::WorkerThreadCount();
  const std::size_t wanted = static_cast<std::size_t>(threads) * 2;
  const std::size_t size = std::max<std::size_t>(stretch.size() / wanted, 1);
  mPieces.clear();
  std::size_t at = 0;
  while (at < stretch.size()) {
    std::size_t end = std::min(stretch.size(), at + size);
    if (end < stretch.size()) {
      const auto newline = stretch.find('\n', end - 1);
      end = newline == std::string_view::npos ? stretch.size() : newline + 1;
    }
    mPieces.push_back({stretch.substr(at, end - at), 0, 0});
    at = end;
  }
  platform::RunTasks(static_cast<int>(mPieces.size()), threads, [&](int k, bool) {
    Piece& piece = mPieces[static_cast<std::size_t>(k)];
    platform::TextLines lines(piece.text, piece.text.size());
    std::string_view text;
    while (lines.Next(text) != platform::LineStatus::kEnd) {
      ++piece.lines;
      piece.units += text.size() > 3 ? 1 : 0;
    }
  });
  int line = mLineNumber + 1;
  int unit = mFilled;
  for (Piece& piece : mPieces) {
    const int lines = piece.lines;
    const int units = piece.units;
    piece.firstLine = line;
    piece.firstUnit = unit;
    line += lines;
    unit += units;
  }
  if (static_cast<std::size_t>(unit) > mUnits.size()) unit = static_cast<int>(mUnits.size());
  while (mParsers.size() < mPieces.size()) mParsers.emplace_back(mForm, mGroup, mUnits);
  std::vector<char> parsed(mPieces.size(), 0);
  platform::RunTasks(static_cast<int>(mPieces.size()), threads, [&](int k, bool) {
    const Piece& piece = mPieces[static_cast<std::size_t>(k)];
    parsed[static_cast<std::size_t>(k)] =
        mParsers[static_cast<std::size_t>(k)].Parse(piece.text, piece.firstLine, piece.firstUnit)
            ? 1
            : 0;
  });
  // Reported as one thread reading the lines in order would have met them.
  for (std::size_t k = 0; k < mPieces.size(); ++k) {
    PieceParser& parser = mParsers[k];
    if (!mWarnedCall && parser.warningLine != 0) {
      mWarnedCall = true;
      LogMessage(parser.warning, 0, kLogRed);
      LogMessage(MessageBuffer("    Line %d", parser.warningLine), 0, kLogRed);
    }
    mMissing += parser.missing;
    if (parsed[k] == 0) {
      LogMessage(parser.error, 0, kLogRed);
      LogMessage(MessageBuffer("    Line %d", parser.errorLine), 0, kLogRed);
      return false;
    }
  }
  mLineNumber = line - 1;
  mFilled = unit;
  return true;
}

bool ExternalReader::Read(const std::string& path) {
  if (!mLines.Open(path)) {
    LogMessage(platform::WithReadFailure(MessageBuffer(kExternalOpenFailedMessage, path.c_str()),
                                         mLines.OpenFailure()),
               0, kLogRed);
    return false;
  }
  LogMessage(MessageBuffer("  Reading data file '%s'...", path.c_str()));
  const long long lines = mLines.CountLines();
  if (lines < 0) {
    LogMessage(MessageBuffer(kExternalOpenFailedMessage, path.c_str()), 0, kLogRed);
    return false;
  }
  LogMessage(MessageBuffer("    Found %lld lines", lines));
  mUnits = std::move(SpareUnits());
  try {
    mUnits.assign(static_cast<std::size_t>(std::max(lines - 1, 0LL)), UNIT_RECORD{});
  } catch (const std::bad_alloc&) {
    LogMessage(kExternalUnitAllocationMessage, 0, kLogRed);
    return false;
  }
  LogMessage("    Line 0");

  mForm.snp = ArrayType != 0;
  mForm.hasBoth = mSettings.HAS_BOTH != 0;
  mForm.hasStd = mSettings.HAS_STD != 0;
  mForm.skipSecondColumn = mSettings.HAS_GENE_NAME != 0;
  mGroup.ClearGroup();
  if (!ReadTitles()) return false;

  JobProgress& progress = Progress();
  mLineNumber = mLines.LineNumber();
  int shown = 0;
  for (;;) {
    std::string_view stretch;
    const LineSource::Status status = mLines.NextStretch(stretch);
    if (status == LineSource::Status::kEnd) break;
    if (status == LineSource::Status::kTooLong) {
      LogMessage(kExternalLineTooLongMessage, 0, kLogRed);
      LogMessage(MessageBuffer("    Line %d", mLineNumber + 1), 0, kLogRed);
      return false;
    }
    if (status == LineSource::Status::kFailed) {
      LogMessage(MessageBuffer(kExternalOpenFailedMessage, path.c_str()), 0, kLogRed);
      return false;
    }
    if (!ReadStretch(stretch)) return false;
    progress.Pump();
    if (mLineNumber / kProgressLines > shown) {
      shown = mLineNumber / kProgressLines;
      progress.ShowProgress(MessageBuffer("    Line %d", shown * kProgressLines));
    }
  }
  Finish();
  return true;
}

void ExternalReader::Finish() {
  const LayoutWriting writing;
  mUnits.resize(static_cast<std::size_t>(mFilled));
  Layout.units.swap(mUnits);
  Layout.cells = {};
  Layout.positions = {};
  Layout.unitCount = mFilled;
  UnitSearchStart = 0;
  for (int array = 0; array < mForm.arrays; ++array) {
    ArraySlot& slot = mGroup.Array(array);
    slot.values.resize(static_cast<std::size_t>(mFilled));
    slot.calls.resize(static_cast<std::size_t>(mFilled));
    (void)mGroup.CountArray();
  }
  const bool hasBoth = mForm.hasBoth;
  if (mForm.snp) {
    mGroup.HasCalls = true;
    mGroup.Modelled = hasBoth;
  } else {
    mGroup.Modelled = true;
    mGroup.HasCalls = hasBoth;
  }
  mGroup.HasStdErrors = mForm.hasStd;
  LogTransformExpression();
  if (mForm.snp) {
    LogMessage(MessageBuffer("    Read data for %d SNP markers and %d arrays\n", mFilled,
                             mGroup.NumArrays()));
    ReadInstalledSnpInfo(mSettings.GENE_NAME_FILE);
  } else {
    LogMessage(MessageBuffer("    Read data for %d genes and %d arrays; %d missing values\n",
                             mFilled, mGroup.NumArrays(), mMissing));
    ReadInstalledGeneInfo(mSettings.GENE_NAME_FILE, true);
  }
  if (mGroup.NumArrays() > 0) {
    (void)SetArrayNamesFromFiles();
    SampleGrouping.ReadArrayListFile(mSettings.ARRAY_LIST_FILE);
  }
  ComputeValueMedians();
  (void)ReserveGeneListEntries(Layout.unitCount);
  LogMessage("Finished}\n", 0, kLogBlue);
}

}  // namespace

bool ReadExternalData() {
  Group& group = TheGroup();
  const std::string path = group.Settings().EXTERNAL_DATA_FILE;
  if (path.empty()) return false;
  // Array names come from the file, not from data file names.
  const bool openedFromFiles = group.OpenedFromDataFiles;
  group.OpenedFromDataFiles = false;
  ExternalReader reader(group);
  const bool read = reader.Read(path);
  group.OpenedFromDataFiles = openedFromFiles;
  if (!read) group.ClearGroup();
  return read;
}

namespace {

// A float's bits turned so that the keys sort as the floats do (NaN aside).
std::uint32_t SortKey(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

float FromSortKey(std::uint32_t key) {
  return std::bit_cast<float>((key & 0x80000000u) != 0 ? key & 0x7fffffffu : ~key);
}

// The value that would stand at place rank were the keys sorted, found a few bits at a time
// by counting; the keys are reordered.
std::uint32_t SelectKey(std::vector<std::uint32_t>& keys, std::size_t rank) {
  static constexpr std::array<int, 3> kShifts = {21, 10, 0};
  std::array<std::uint32_t, 2048> counts{};
  std::size_t size = keys.size();
  for (const int shift : kShifts) {
    const std::uint32_t mask = shift == 0 ? 0x3ffu : 0x7ffu;
    counts.fill(0);
    for (std::size_t i = 0; i < size; ++i) ++counts[(keys[i] >> shift) & mask];
    std::uint32_t bucket = 0;
    while (rank >= counts[bucket]) rank -= counts[bucket++];
    std::size_t kept = 0;
    for (std::size_t i = 0; i < size; ++i)
      if (((keys[i] >> shift) & mask) == bucket) keys[kept++] = keys[i];
    size = kept;
  }
  // Every key left has all its bits fixed.
  return keys[0];
}

}  // namespace

void ComputeValueMedians() {
  Group& group = TheGroup();
  // Arrays are independent: each thread takes arrays in turn with a scratch table of its
  // own, kept for the next call.
  const int threads = platform::WorkerThreadCount();
  static std::vector<std::vector<std::uint32_t>> scratch;
  scratch.resize(static_cast<std::size_t>(threads));
  const int arrays = group.NumArrays();
  platform::RunTasks(threads, threads, [&](int task, bool) {
    std::vector<std::uint32_t>& keys = scratch[static_cast<std::size_t>(task)];
    for (int array = task; array < arrays; array += threads) {
      ArraySlot& slot = group.Array(array);
      keys.resize(slot.values.size());
      std::size_t count = 0;
      bool unordered = false;
      for (const VALUE_TRIPLE& triple : slot.values) {
        keys[count] = SortKey(triple.value);
        unordered |= std::isnan(triple.value);
        count += triple.value != kMissingValueFloat ? 1 : 0;
      }
      keys.resize(count);
      if (keys.empty()) {
        slot.medianIntensity = static_cast<int>(MISSING_VALUE);
        continue;
      }
      float median = 0.0f;
      if (unordered) {
        // NaN has no place in an order: the values go as a sort would leave them.
        std::vector<float> values;
        for (const VALUE_TRIPLE& triple : slot.values)
          if (triple.value != kMissingValueFloat) values.push_back(triple.value);
        const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
        std::nth_element(values.begin(), middle, values.end());
        median = *middle;
      } else {
        median = FromSortKey(SelectKey(keys, keys.size() / 2));
      }
      slot.medianIntensity = static_cast<int>(std::clamp(median, -2.0e9f, 2.0e9f));
    }
  });
  ChooseBaselineArray();
}

bool FuzzReadExternalData(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz_external.txt", [](const std::string& path) {
    std::string& setting = TheGroup().Settings().EXTERNAL_DATA_FILE;
    const std::string kept = std::exchange(setting, path);
    const bool read = ReadExternalData();
    TheGroup().Settings().EXTERNAL_DATA_FILE = kept;
    return read;
  });
}

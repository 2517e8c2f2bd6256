#include "installer/steps/gin_reader.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/gin_records.hpp"
#include "installer/steps/gin_rows.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/source_lines.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/line_reader.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/path.hpp"

namespace quellbrook {

GinSplit GinSplitting;

namespace {

constexpr const char* kLibFilesFolder = "LibFiles";
constexpr int kColumnsVersion1 = kGinColumnsVersion2 - 1;
// The first read of a file: its opening lines and the first stretch of its rows.
constexpr std::size_t kFirstRead = 64 << 10;

// The trimmed text after the first '='; empty when there is none.
std::string ValueAfterEquals(std::string_view line) {
  const std::size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string() : TrimText(line.substr(equals + 1));
}

bool HoldsLineBreak(std::string_view text) {
  // One search a character: find_first_of looks up every character of the text in the
  // set, which costs many times as much on a long row.
  return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos;
}

// The URL line's three values; with commas after the first ';' only the last split counts.
void SplitUrlLine(std::string_view line, std::string& x, std::string& y, std::string& z) {
  const std::size_t semicolon = line.find(';');
  x = TrimText(line.substr(0, semicolon));
  std::string_view rest =
      semicolon == std::string_view::npos ? std::string_view() : line.substr(semicolon + 1);
  for (std::size_t comma; (comma = rest.find(',')) != std::string_view::npos;) {
    x = TrimText(rest.substr(0, comma));
    rest = rest.substr(comma + 1);
  }
  const std::size_t second = rest.find(';');
  y = TrimText(rest.substr(0, second));
  z = second == std::string_view::npos ? std::string() : TrimText(rest.substr(second + 1));
}

class Conversion {
 public:
  Conversion(GinReader& reader, std::string_view type) : mReader(reader), mType(type) {}

  bool Open() {
    for (const auto& [output, path] : Files()) {
      if (output->Open(*path)) continue;
      return Refuse(FormatText("The load file %s could not be opened: %s.", path->c_str(),
                               output->FailureText().c_str()));
    }
    return true;
  }

  bool Refuse(std::string text) {
    mReader.refusal = std::move(text);
    return false;
  }

  bool WriteUrl(std::string_view x, std::string_view y, std::string_view z) {
    for (const std::string_view value : {x, y, z}) {
      if (value.find(kLoadFileSeparator) != std::string_view::npos || HoldsLineBreak(value))
        return Refuse(FormatText("The URL value '%.*s' holds the load file's separator '%c'.",
                                 static_cast<int>(value.size()), value.data(), kLoadFileSeparator));
    }
    mUrls.Field(mType, ';');
    mUrls.Field(x, ';');
    mUrls.Field(y, ';');
    mUrls.Field(z, '\n');
    ++mReader.urlCount;
    return true;
  }

  bool WriteDefaultHeader() {
    RecordBuffer record;
    std::string refusal;
    AppendGinHeader(DefaultGinHeader(), record, refusal);
    mHeaders.Append(record.View());
    ++mReader.headerCount;
    return true;
  }

  // The counts and the outcome of converting rows; false when it did not end whole.
  bool TakeRows(const GinRowsResult& rows) {
    const int rowsBefore = mReader.rowCount;
    mReader.rowCount += rows.counts.rows;
    mReader.headerCount += rows.counts.headers;
    mReader.descriptionCount += rows.counts.descriptions;
    mReader.populatedDescriptionCount += rows.counts.populated;
    if (rows.counts.headerLineSeen) mReader.headerLineSeen = 1;
    switch (rows.outcome) {
      case GinRowsOutcome::kWhole:
        return true;
      case GinRowsOutcome::kRefusedRow:
        return Refuse(FormatText("Row %d holds a line break inside a value.",
                                 rowsBefore + rows.counts.rows + 1));
      case GinRowsOutcome::kRefused:
        return Refuse(rows.refusal);
      case GinRowsOutcome::kLineTooLong:
        return false;
    }
    return false;
  }

  GinOutputs Outputs() { return {mDescriptions, mHeaders}; }

  // False when a load file could not be written whole. Unless the file was already refused
  // for its contents, that is the reason: writeFailed is set and refusal names the file.
  bool Close() {
    bool whole = true;
    for (const auto& [output, path] : Files()) {
      if (output->Close() || !whole) continue;
      whole = false;
      if (!mReader.refusal.empty()) continue;
      mReader.writeFailed = 1;
      mReader.refusal = FormatText("%s: %s.", path->c_str(), output->FailureText().c_str());
    }
    return whole;
  }

 private:
  std::array<std::pair<LoadFileOutput*, const std::string*>, 3> Files() {
    return {{{&mUrls, &mReader.urlFile},
             {&mHeaders, &mReader.headerFile},
             {&mDescriptions, &mReader.descriptionFile}}};
  }

  GinReader& mReader;
  std::string_view mType;  // first field of every record
  LoadFileOutput mUrls;
  LoadFileOutput mHeaders;
  LoadFileOutput mDescriptions;
};

// The next line, or nothing at the end of the file; false when the line is longer than
// the read limit.
bool NextLine(SourceLines& file, std::string_view& line, bool& ended) {
  const platform::LineStatus status = file.Next(line);
  ended = status == platform::LineStatus::kEnd;
  return status != platform::LineStatus::kCut;
}

// The file after its first line was read for its version: URLs, header lines and rows.
// False when a line is longer than the read limit or something was refused.
bool ReadGinLines(ByteSource& source, int version, std::string_view type, Conversion& conversion) {
  GinSlotLease opening(1);
  SourceLines file(source, 0, opening[0].input, kFirstRead, kGinLineLimit);
  bool ok = true;
  bool ended = false;
  std::string_view line;
  std::string identifierSource;
  std::array<std::string, 3> top;
  for (std::size_t i = 0; i < top.size() && ok && !ended; ++i) {
    ok = NextLine(file, line, ended);
    if (!ended) top[i] = std::string(line);
  }
  if (ok && version == 2) {
    const int urls = std::atoi(ValueAfterEquals(top[2]).c_str());
    std::string x, y, z;
    for (int i = 0; i < urls && ok; ++i) {
      ok = NextLine(file, line, ended);
      if (ended) break;
      if (ok) {
        SplitUrlLine(line, x, y, z);
        ok = conversion.WriteUrl(x, y, z);
      }
    }
  } else if (ok) {
    identifierSource = ValueAfterEquals(top[1]);
    if (identifierSource.find(kGinDescriptionSeparator) != std::string::npos)
      ok = conversion.Refuse(
          FormatText("The identifier source '%s' holds a tab.", identifierSource.c_str()));
    else
      ok = conversion.WriteUrl(identifierSource, identifierSource, ValueAfterEquals(top[2]));
  }
  if (!ok || ended) return ok;

  // The header lines before the first row are read in turn, so that the rows start under
  // their titles; the rows are shared out when the file's size is known.
  const GinLayout layout{type, version == 2 ? kGinColumnsVersion2 : kColumnsVersion1,
                         identifierSource};
  const bool split = source.Size().has_value();
  const GinRowsResult opened =
      ConvertGinLinesInTurn(file, layout, std::make_shared<const GinTitles>(DefaultGinTitles()),
                            conversion.Outputs(), split, opening[0]);
  if (!conversion.TakeRows(opened)) return false;
  if (!opened.stoppedAtRow) return true;
  return conversion.TakeRows(ConvertGinRowsSideBySide(
      source, opened.rowOffset, *source.Size(), layout, opened.titles, conversion.Outputs(),
      GinSplitting.stretchBytes, platform::WorkerThreadCount()));
}

// The version of a GIN file whose first line this is.
int VersionOfFirstLine(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos || line.substr(0, equals) != "Version") return 1;
  return TrimText(line.substr(equals + 1)) == "2" ? 2 : 1;
}

// The version the first line of the source gives.
int VersionOfSource(ByteSource& source) {
  GinSlotLease opening(1);
  SourceLines file(source, 0, opening[0].input, kFirstRead, kGinLineLimit);
  std::string_view line;
  return file.Next(line) == platform::LineStatus::kWhole ? VersionOfFirstLine(line) : 1;
}

}  // namespace

int GinReader::GetGinVersion(const std::string& path) {
  ByteSource source;
  return source.OpenFile(path) ? VersionOfSource(source) : 1;
}

int GinReader::ReadUrlCount(const std::string& path) {
  platform::LineReader file;
  if (!file.Open(path, kGinLineLimit)) return 0;
  std::string_view line;
  for (int i = 0; i < 3; ++i) {
    if (file.Next(line) != platform::LineStatus::kWhole) return 0;
  }
  return std::atoi(ValueAfterEquals(line).c_str());
}

int GinReader::RunGinRead() {
  if (ReadGinFile(typeName, typeFolder) != 0) return 0;
  return writeFailed != 0 ? kWriteIntermediateFilesFailed : kGinReadFailed;
}

int GinReader::ReadGinFile(const std::string& type, const std::string& folder) {
  rowCount = headerCount = urlCount = populatedDescriptionCount = descriptionCount = 0;
  headerLineSeen = 0;
  writeFailed = 0;
  refusal.clear();
  if (!IsPlainLibraryName(type) || type.find(kLoadFileSeparator) != std::string::npos ||
      (!folder.empty() && !IsRelativeLibraryPath(folder))) {
    refusal = FormatText("The array type '%s' or its folder '%s' leaves the library folder.",
                         type.c_str(), folder.c_str());
    return 0;
  }
  const std::string path = platform::JoinPath(
      platform::JoinPath(platform::JoinPath(sourceFolder, folder), kLibFilesFolder), type + ".GIN");
  if (!platform::FileExists(path)) return 1;
  ginPath = path;
  ByteSource source;
  const bool opened = source.OpenFile(path);
  // A file read on from its start can't be read again: its version is read apart.
  version = opened && source.Size() ? VersionOfSource(source) : GetGinVersion(path);

  Conversion conversion(*this, type);
  if (!conversion.Open()) return 0;
  if (!opened) {
    const bool written = conversion.WriteDefaultHeader();
    return conversion.Close() && written ? 1 : 0;
  }

  bool ok = ReadGinLines(source, version, type, conversion);
  if (!ok && refusal.empty())
    refusal =
        FormatText("A line of %s is longer than %zu characters.", path.c_str(), kGinLineLimit);
  if (ok && headerLineSeen == 0) ok = conversion.WriteDefaultHeader();
  const bool closed = conversion.Close();
  return ok && closed ? 1 : 0;
}

std::size_t FuzzReadGin(const std::uint8_t* data, std::size_t size) {
  GinReader reader;
  reader.urlFile = reader.headerFile = reader.descriptionFile = kGinDiscardFile;
  ByteSource source;
  source.OpenBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  const int version = VersionOfSource(source);
  Conversion conversion(reader, "Chip");
  if (!conversion.Open()) return 0;
  ReadGinLines(source, version, "Chip", conversion);
  conversion.Close();
  return static_cast<std::size_t>(reader.descriptionCount);
}

}  // namespace quellbrook

#include "installer/steps/gin_reader.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "installer/framework/library_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

constexpr const char* kLibFilesFolder = "LibFiles";
constexpr int kColumnsVersion1 = kGinColumnsVersion2 - 1;
// Where the identifier source and the description sit in a version-2 row.
constexpr int kIdentifierSourceColumn = 2;
constexpr std::size_t kDescriptionColumn = 4;
constexpr std::string_view kIndexTitle = "Index";
constexpr std::string_view kChipTypeTitle = "Chip Type";
constexpr std::array<std::string_view, kGinColumnsVersion2> kDefaultTitles = {"Index",
                                                                              "Identifier",
                                                                              "Identifier Source",
                                                                              "Probe Set Name",
                                                                              "Description",
                                                                              "Group",
                                                                              "Sequence Type",
                                                                              "Classification 1",
                                                                              "Classification 2",
                                                                              "Classification 3",
                                                                              "Classification 4",
                                                                              "Classification 5",
                                                                              "Classification 6",
                                                                              "Classification 7",
                                                                              "Classification 8",
                                                                              "Classification 9",
                                                                              "Classification 10"};

using Columns = std::array<std::string_view, kGinColumnsVersion2>;

// The trimmed text after the first '='; empty when there is none.
std::string ValueAfterEquals(std::string_view line) {
  const std::size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string() : TrimText(line.substr(equals + 1));
}

// Cuts the row at tabs into at most `count` columns; the rest stay empty and columns past
// `count` are dropped.
void SplitColumns(std::string_view line, int count, Columns& out) {
  out.fill({});
  std::size_t start = 0;
  for (int column = 0; column < count; ++column) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      out[static_cast<std::size_t>(column)] = line.substr(start);
      return;
    }
    out[static_cast<std::size_t>(column)] = line.substr(start, tab - start);
    start = tab + 1;
  }
}

// The row in version-2 column order: version 1 has no identifier source column.
void ToVersion2Order(Columns& columns, std::string_view identifierSource) {
  for (int column = kGinColumnsVersion2 - 1; column > kIdentifierSourceColumn; --column)
    columns[static_cast<std::size_t>(column)] = columns[static_cast<std::size_t>(column - 1)];
  columns[kIdentifierSourceColumn] = identifierSource;
}

std::string_view CutValue(std::string_view value) {
  return value.size() > kGinValueLimit ? value.substr(0, kGinValueLimit) : value;
}

bool HoldsLineBreak(std::string_view text) {
  // An empty value may have no data at all, which memchr must never be given.
  return text.find_first_of("\r\n") != std::string_view::npos;
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
  Conversion(GinReader& reader, std::string_view type, int columnCount)
      : mReader(reader), mType(type), mColumnCount(columnCount) {
    for (std::size_t i = 0; i < mTitles.size(); ++i)
      mTitles[i] = kDefaultTitles[i + kGinColumnsVersion2 - kGinClassifications];
  }

  bool Open() {
    return mUrls.Open(mReader.urlFile) && mHeaders.Open(mReader.headerFile) &&
           mDescriptions.Open(mReader.descriptionFile);
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

  bool WriteHeader(const Columns& titles) {
    for (const std::string_view title : titles) {
      if (title.find(kLoadFileSeparator) != std::string_view::npos || HoldsLineBreak(title))
        return Refuse(FormatText("The column title '%.*s' holds the load file's separator '%c'.",
                                 static_cast<int>(title.size()), title.data(), kLoadFileSeparator));
    }
    mHeaders.Field(kChipTypeTitle, ';');
    for (std::size_t i = 0; i < titles.size(); ++i)
      mHeaders.Field(titles[i], i + 1 < titles.size() ? ';' : '\n');
    ++mReader.headerCount;
    return true;
  }

  bool WriteDefaultHeader() {
    Columns titles;
    for (std::size_t i = 0; i < titles.size(); ++i) titles[i] = kDefaultTitles[i];
    return WriteHeader(titles);
  }

  // An "Index" line: its titles go to the header file and name the classifications of
  // the rows that follow.
  bool IndexLine(std::string_view line) {
    Columns titles;
    SplitColumns(line, mColumnCount, titles);
    if (mColumnCount < kGinColumnsVersion2) ToVersion2Order(titles, {});
    for (std::size_t i = 0; i < mTitles.size(); ++i)
      mTitles[i] = std::string(titles[i + kGinColumnsVersion2 - kGinClassifications]);
    mReader.headerLineSeen = 1;
    return WriteHeader(titles);
  }

  bool DataRow(std::string_view line, std::string_view identifierSource) {
    if (HoldsLineBreak(line))
      return Refuse(FormatText("Row %d holds a line break inside a value.", mReader.rowCount + 1));
    Columns columns;
    SplitColumns(line, mColumnCount, columns);
    if (mColumnCount < kGinColumnsVersion2) ToVersion2Order(columns, identifierSource);
    columns[kDescriptionColumn] = CutValue(columns[kDescriptionColumn]);
    constexpr std::size_t kFirstClassification = kGinColumnsVersion2 - kGinClassifications;
    for (std::size_t i = 0; i < mTitles.size(); ++i) {
      const std::string_view value = CutValue(columns[kFirstClassification + i]);
      if (i > 0 && value.empty()) continue;
      mDescriptions.Field(mType, kGinDescriptionSeparator);
      for (std::size_t column = 0; column < kFirstClassification; ++column)
        mDescriptions.Field(columns[column], kGinDescriptionSeparator);
      mDescriptions.Field(value.empty() ? std::string_view() : std::string_view(mTitles[i]),
                          kGinDescriptionSeparator);
      mDescriptions.Field(value, '\n');
      ++mReader.descriptionCount;
      if (!value.empty()) ++mReader.populatedDescriptionCount;
    }
    ++mReader.rowCount;
    return true;
  }

  bool Close() {
    const bool urls = mUrls.Close();
    const bool headers = mHeaders.Close();
    const bool descriptions = mDescriptions.Close();
    return urls && headers && descriptions;
  }

 private:
  GinReader& mReader;
  std::string_view mType;  // first field of every record
  int mColumnCount;
  std::array<std::string, kGinClassifications> mTitles;
  LoadFileOutput mUrls;
  LoadFileOutput mHeaders;
  LoadFileOutput mDescriptions;
};

// The next line, or nothing at the end of the file; false when the line is longer than
// the read limit.
bool NextLine(platform::LineReader& file, std::string_view& line, bool& ended) {
  const platform::LineStatus status = file.Next(line);
  ended = status == platform::LineStatus::kEnd || status == platform::LineStatus::kError;
  return status != platform::LineStatus::kCut;
}

// The lines after the file's opening: URLs, header lines and rows. False when a line is
// longer than the read limit or something was refused.
bool ReadGinLines(platform::LineReader& file, int version, Conversion& conversion) {
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
  while (ok && !ended) {
    ok = NextLine(file, line, ended);
    if (ended || !ok || line.empty()) continue;
    if (line.substr(0, kIndexTitle.size()) == kIndexTitle)
      ok = conversion.IndexLine(line);
    else
      ok = conversion.DataRow(line, identifierSource);
  }
  return ok;
}

// The version of a GIN file whose first line this is.
int VersionOfFirstLine(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos || line.substr(0, equals) != "Version") return 1;
  return TrimText(line.substr(equals + 1)) == "2" ? 2 : 1;
}

}  // namespace

int GinReader::GetGinVersion(const std::string& path) {
  platform::LineReader file;
  if (!file.Open(path, kGinLineLimit)) return 1;
  std::string_view line;
  const platform::LineStatus status = file.Next(line);
  return status == platform::LineStatus::kWhole ? VersionOfFirstLine(line) : 1;
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
  return ReadGinFile(typeName, typeFolder) != 0 ? 0 : kGinReadFailed;
}

int GinReader::ReadGinFile(const std::string& type, const std::string& folder) {
  rowCount = headerCount = urlCount = populatedDescriptionCount = descriptionCount = 0;
  headerLineSeen = 0;
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
  version = GetGinVersion(path);

  Conversion conversion(*this, type, version == 2 ? kGinColumnsVersion2 : kColumnsVersion1);
  if (!conversion.Open()) return 0;
  platform::LineReader file;
  if (!file.Open(path, kGinLineLimit)) {
    const bool written = conversion.WriteDefaultHeader();
    return conversion.Close() && written ? 1 : 0;
  }

  bool ok = ReadGinLines(file, version, conversion);
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
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::LineReader first;
  first.OpenBuffer(text, kGinLineLimit);
  std::string_view line;
  const int version =
      first.Next(line) == platform::LineStatus::kWhole ? VersionOfFirstLine(line) : 1;
  Conversion conversion(reader, "Chip", version == 2 ? kGinColumnsVersion2 : kColumnsVersion1);
  if (!conversion.Open()) return 0;
  platform::LineReader file;
  file.OpenBuffer(text, kGinLineLimit);
  ReadGinLines(file, version, conversion);
  conversion.Close();
  return static_cast<std::size_t>(reader.descriptionCount);
}

}  // namespace quellbrook

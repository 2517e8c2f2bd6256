#include "installer/steps/gin_records.hpp"

#include <algorithm>
#include <cstring>

#include "installer/framework/text_functions.hpp"
#include "installer/steps/step_sequence.hpp"

namespace quellbrook {

namespace {

// Where the identifier source and the description sit in a version-2 row, and where its
// classifications begin.
constexpr std::size_t kIdentifierSourceColumn = 2;
constexpr std::size_t kDescriptionColumn = 4;
constexpr std::size_t kFirstClassification = kGinColumnsVersion2 - kGinClassifications;
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
// A buffer grows by at least this much, so that a stretch's records need few moves.
constexpr std::size_t kLeastGrowth = 64 << 10;

// Cuts the row at tabs into at most `count` columns; the rest stay empty and columns past
// `count` are dropped.
void SplitColumns(std::string_view line, int count, GinColumns& out) {
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
void ToVersion2Order(GinColumns& columns, std::string_view identifierSource) {
  for (std::size_t column = kGinColumnsVersion2 - 1; column > kIdentifierSourceColumn; --column)
    columns[column] = columns[column - 1];
  columns[kIdentifierSourceColumn] = identifierSource;
}

std::string_view CutValue(std::string_view value) {
  return value.size() > kGinValueLimit ? value.substr(0, kGinValueLimit) : value;
}

bool HoldsLineBreak(std::string_view text) {
  // One search a character: find_first_of looks up every character of the text in the
  // set, which costs many times as much on a long row.
  return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos;
}

char* Put(char* at, std::string_view text, char end) {
  // An empty field may have no data at all, which memcpy must never be given.
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  at[text.size()] = end;
  return at + text.size() + 1;
}

}  // namespace

const GinTitles& DefaultGinTitles() {
  static const GinTitles titles = [] {
    GinTitles made;
    for (std::size_t i = 0; i < made.size(); ++i)
      made[i] = std::string(kDefaultTitles[kFirstClassification + i]);
    return made;
  }();
  return titles;
}

GinColumns DefaultGinHeader() {
  GinColumns titles;
  std::copy(kDefaultTitles.begin(), kDefaultTitles.end(), titles.begin());
  return titles;
}

bool IsGinIndexLine(std::string_view line) {
  return line.substr(0, kIndexTitle.size()) == kIndexTitle;
}

void RecordBuffer::Append(std::string_view text) {
  if (!text.empty()) std::memcpy(Extend(text.size()), text.data(), text.size());
}

void RecordBuffer::Grow(std::size_t count) {
  const std::size_t capacity = std::max({mCapacity * 2, mSize + count, kLeastGrowth});
  std::unique_ptr<char[]> data(new char[capacity]);
  if (mSize > 0) std::memcpy(data.get(), mData.get(), mSize);
  mData = std::move(data);
  mCapacity = capacity;
}

void RecordBuffer::Release() {
  mData.reset();
  mSize = mCapacity = 0;
}

void GinCounts::Add(const GinCounts& more) {
  rows += more.rows;
  headers += more.headers;
  descriptions += more.descriptions;
  populated += more.populated;
  headerLineSeen = headerLineSeen || more.headerLineSeen;
}

bool AppendGinHeader(const GinColumns& titles, RecordBuffer& out, std::string& refusal) {
  for (const std::string_view title : titles) {
    if (title.find(kLoadFileSeparator) != std::string_view::npos || HoldsLineBreak(title)) {
      refusal = FormatText("The column title '%.*s' holds the load file's separator '%c'.",
                           static_cast<int>(title.size()), title.data(), kLoadFileSeparator);
      return false;
    }
  }
  out.Append(kChipTypeTitle);
  for (const std::string_view title : titles) {
    out.Append(";");
    out.Append(title);
  }
  out.Append("\n");
  return true;
}

void GinRecords::Start(const GinLayout& layout, std::shared_ptr<const GinTitles> titles) {
  mLayout = layout;
  mStartTitles = std::move(titles);
  mTitles = mStartTitles.get();
  mOwnTitlesUsed = false;
  mDescriptions.Clear();
  mHeaders.Clear();
  mCounts = {};
  mRefusedRow = false;
  mRefusal.clear();
}

std::shared_ptr<const GinTitles> GinRecords::EndTitles() const {
  return mOwnTitlesUsed ? std::make_shared<const GinTitles>(mOwnTitles) : mStartTitles;
}

void GinRecords::Trim(std::size_t keep) {
  if (mDescriptions.Capacity() > keep) mDescriptions.Release();
  if (mHeaders.Capacity() > keep) mHeaders.Release();
}

bool GinRecords::Line(std::string_view line) {
  if (line.empty()) return true;
  return IsGinIndexLine(line) ? IndexLine(line) : DataRow(line);
}

// An "Index" line: its titles go to the header file and name the classifications of the
// rows that follow.
bool GinRecords::IndexLine(std::string_view line) {
  GinColumns titles;
  SplitColumns(line, mLayout.columnCount, titles);
  if (mLayout.columnCount < kGinColumnsVersion2) ToVersion2Order(titles, {});
  for (std::size_t i = 0; i < mOwnTitles.size(); ++i)
    mOwnTitles[i] = std::string(titles[kFirstClassification + i]);
  mOwnTitlesUsed = true;
  mTitles = &mOwnTitles;
  mCounts.headerLineSeen = true;
  if (!AppendGinHeader(titles, mHeaders, mRefusal)) return false;
  ++mCounts.headers;
  return true;
}

bool GinRecords::DataRow(std::string_view line) {
  if (HoldsLineBreak(line)) {
    mRefusedRow = true;
    return false;
  }
  GinColumns columns;
  SplitColumns(line, mLayout.columnCount, columns);
  if (mLayout.columnCount < kGinColumnsVersion2) ToVersion2Order(columns, mLayout.identifierSource);
  columns[kDescriptionColumn] = CutValue(columns[kDescriptionColumn]);

  // The fields every record of the row begins with, then one record per classification
  // that is written: the first always, the others when they hold a value. The row's room
  // is taken at once and its leading fields copied from its first record.
  std::size_t lead = mLayout.type.size() + 1;
  for (std::size_t column = 0; column < kFirstClassification; ++column)
    lead += columns[column].size() + 1;
  std::array<std::string_view, kGinClassifications> values;
  std::size_t total = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = CutValue(columns[kFirstClassification + i]);
    if (i > 0 && values[i].empty()) continue;
    total += lead + (values[i].empty() ? 0 : (*mTitles)[i].size()) + values[i].size() + 2;
  }
  char* at = mDescriptions.Extend(total);
  const char* first = at;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string_view value = values[i];
    if (i > 0 && value.empty()) continue;
    if (at == first) {
      at = Put(at, mLayout.type, kGinDescriptionSeparator);
      for (std::size_t column = 0; column < kFirstClassification; ++column)
        at = Put(at, columns[column], kGinDescriptionSeparator);
    } else {
      std::memcpy(at, first, lead);
      at += lead;
    }
    at = Put(at, value.empty() ? std::string_view() : std::string_view((*mTitles)[i]),
             kGinDescriptionSeparator);
    at = Put(at, value, '\n');
    ++mCounts.descriptions;
    if (!value.empty()) ++mCounts.populated;
  }
  ++mCounts.rows;
  return true;
}

}  // namespace quellbrook

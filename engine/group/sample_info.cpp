// The sample information object: reading its file, categories with their colours, and
// the lookups and enrichment statistics the analyses and views use.
#include "engine/group/sample_info.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

SAMPLE_INFO SampleInfo;

namespace {

constexpr const char* kOneColumnMessage =
    "    Error: only one column is in the sample information file; Make sure the file is saved "
    "in text format in Excel by 'File/Save As/Save as type: Text (Tab delimited)'\n";
constexpr const char* kNoMatchMessage =
    "    No sample information found for the current arrays; probably wrong sample information "
    "file\n";
// Matched lines between two pumps of the message loop.
constexpr int kLinesPerPump = 5;

SampleInfoRow BlankRow() {
  SampleInfoRow row;
  row.category.fill(-1);
  row.raw.fill(kMissingValueFloat);
  row.standardized.fill(kMissingValueFloat);
  return row;
}

std::string_view TrimTrailing(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return TrimTrailing(text);
}

// The fields between tabs; a line without a tab is one field.
std::vector<std::string_view> SplitAtTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::string_view rest;
  for (bool more = true; more; line = rest) {
    std::string_view field = line;
    more = CutAtTab(field, &rest);
    fields.push_back(field);
  }
  return fields;
}

void LogLineCut(const std::string& path, std::int64_t lineNumber) {
  LogMessage(
      MessageBuffer("    Line %lld of '%s' is longer than %zu characters; the rest is ignored",
                    static_cast<long long>(lineNumber), path.c_str(), kSampleInfoLineLength),
      0, kLogRed);
}

// Product of (byte + 1) over the text, times (column + 1) x 8, wrapping in 32 bits.
std::uint32_t CategoryHash(std::string_view text, int column) {
  std::uint32_t hash = 1;
  for (const char ch : text)
    hash *= static_cast<std::uint32_t>(static_cast<unsigned char>(ch)) + 1u;
  return hash * (static_cast<std::uint32_t>(column) + 1u) * 8u;
}

}  // namespace

SAMPLE_INFO::SAMPLE_INFO() {
  mColumns.reserve(kMaxSampleInfoColumns);
}

void SAMPLE_INFO::Clear() {
  mColumns.clear();
  mRows.clear();
  mSelectedColumns = {-1, -1};
}

const SampleInfoColumn& SAMPLE_INFO::Column(int column) const {
  assert(column >= 0 && column < ColumnCount() && "sample information column out of range");
  return mColumns[static_cast<std::size_t>(column)];
}

void SAMPLE_INFO::SetCategoryColour(int column, int category, COLORREF colour) {
  if (column < 0 || column >= ColumnCount()) return;
  std::vector<SampleCategory>& categories = mColumns[static_cast<std::size_t>(column)].categories;
  if (category < 0 || category >= static_cast<int>(categories.size())) return;
  categories[static_cast<std::size_t>(category)].colour = colour;
}

bool SAMPLE_INFO::ReadSampleInfoFile(const std::string& path) {
  Clear();
  if (IsUnsetPath(path)) return false;
  platform::LineReader reader;
  if (!reader.Open(path, kSampleInfoLineLength)) {
    LogMessage(
        platform::WithReadFailure("  Reading sample information file '" + path + "' failed\n",
                                  reader.OpenFailure()),
        0, kLogRed);
    return false;
  }
  LogMessage("  Reading sample information file '" + path + "'...");

  std::string_view titles;
  const platform::LineStatus status = reader.Next(titles);
  if (status == platform::LineStatus::kCut) LogLineCut(path, reader.LineNumber());
  if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) titles = {};
  if (titles.find('\t') == std::string_view::npos) {
    LogMessage(kOneColumnMessage, 0, kLogRed);
    return false;
  }
  if (!ReadTitles(titles)) {
    Clear();
    return false;
  }

  mRows.assign(static_cast<std::size_t>(TheGroup().NumArrays()), BlankRow());
  int matched = 0;
  if (!ReadRows(reader, path, matched)) {
    Clear();
    return false;
  }
  if (matched == 0) {
    LogMessage(kNoMatchMessage, 0, kLogRed);
    Clear();
    return false;
  }
  StandardizeNumericColumns();
  LogMessage(MessageBuffer(
      "    Read %d sample information columns (besides the first two columns) for %d arrays\n",
      ColumnCount(), matched));
  return true;
}

bool SAMPLE_INFO::ReadTitles(std::string_view line) {
  const std::vector<std::string_view> titles = SplitAtTabs(line);
  // The first two titles head the array name and its display name.
  for (std::size_t k = 2; k < titles.size(); ++k) {
    if (ColumnCount() + 1 >= kMaxSampleInfoColumns) {
      LogMessage(kTooManySampleColumnsMessage, 0, kLogRed);
      return false;
    }
    std::string_view title = titles[k];
    SampleInfoColumn column;
    column.numeric = title.find(kNumericMarker) != std::string_view::npos;
    if (title.size() > kMaxColumnTitleLength) {
      LogMessage(MessageBuffer(
                     "    Sample information column title '%.*s...' cut to %zu characters",
                     static_cast<int>(kMaxColumnTitleLength), title.data(), kMaxColumnTitleLength),
                 0, kLogRed);
      title = title.substr(0, kMaxColumnTitleLength);
    }
    column.name = std::string(title);
    mColumns.push_back(std::move(column));
  }
  return true;
}

bool SAMPLE_INFO::ReadRows(platform::LineReader& reader, const std::string& path, int& matched) {
  Group& group = TheGroup();
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.empty()) break;
    if (status == platform::LineStatus::kCut) LogLineCut(path, reader.LineNumber());

    const std::vector<std::string_view> fields = SplitAtTabs(line);
    const std::string_view second = fields.size() > 1 ? fields[1] : std::string_view();
    std::string name(fields[0]);
    int array = group.FindArrayByName(name);
    if (array < 0) {
      name = std::string(second);
      array = group.FindArrayByName(name);
    } else {
      const std::string_view displayName = TrimTrailing(second);
      if (!displayName.empty()) group.Array(array).name = std::string(displayName);
    }
    if (array < 0) continue;
    if (++matched % kLinesPerPump == 0) Progress().Pump();

    SampleInfoRow& row = mRows[static_cast<std::size_t>(array)];
    const std::size_t cells =
        std::min(fields.size() - std::min<std::size_t>(fields.size(), 2), mColumns.size());
    for (std::size_t c = 0; c < cells; ++c) {
      const std::string_view field = fields[c + 2];
      if (field.empty() || field.front() == ' ') continue;
      if (mColumns[c].numeric) {
        row.raw[c] = static_cast<float>(std::atof(std::string(field).c_str()));
        continue;
      }
      const int category = AddCategory(static_cast<int>(c), field);
      if (category == -2) return false;
      row.category[c] = static_cast<std::int16_t>(category);
    }
  }
  return true;
}

void SAMPLE_INFO::StandardizeNumericColumns() {
  std::vector<double> values(mRows.size());
  for (std::size_t c = 0; c < mColumns.size(); ++c) {
    if (!mColumns[c].numeric) continue;
    for (std::size_t a = 0; a < mRows.size(); ++a) values[a] = mRows[a].raw[c];
    StandardizeMissing(values.data(), static_cast<int>(values.size()), true, true, MISSING_VALUE);
    for (std::size_t a = 0; a < mRows.size(); ++a)
      mRows[a].standardized[c] = static_cast<float>(values[a]);
  }
}

int SAMPLE_INFO::AddCategory(int column, std::string_view text) {
  if (column < 0 || column >= ColumnCount()) return -1;
  text = TrimBlanks(text);
  if (text.empty()) return -1;
  SampleInfoColumn& record = mColumns[static_cast<std::size_t>(column)];
  if (text.size() > kMaxCategoryTextLength) {
    LogMessage(MessageBuffer("    Category '%.*s...' of column '%s' cut to %zu characters",
                             static_cast<int>(kMaxCategoryTextLength), text.data(),
                             record.name.c_str(), kMaxCategoryTextLength),
               0, kLogRed);
    text = text.substr(0, kMaxCategoryTextLength);
  }
  for (std::size_t k = 0; k < record.categories.size(); ++k) {
    if (!platform::EqualsNoCase(record.categories[k].name, text)) continue;
    ++record.sampleTotal;
    ++record.categories[k].sampleCount;
    return static_cast<int>(k);
  }
  if (record.CategoryCount() >= kMaxCategories) {
    LogMessage("    Error: number of categories of column '" + record.name + "' exceeds limit", 0,
               kLogRed);
    return -2;
  }
  record.categories.push_back({std::string(text), TermColor(CategoryHash(text, column)), 1});
  ++record.sampleTotal;
  return record.CategoryCount() - 1;
}

double SAMPLE_INFO::CategoryEnrichmentPValue(int column, int category, int selected,
                                             int hits) const {
  if (column < 0 || column >= ColumnCount()) return 1.0;
  const SampleInfoColumn& record = mColumns[static_cast<std::size_t>(column)];
  if (category < 0 || category >= record.CategoryCount()) return 1.0;
  const double members = record.categories[static_cast<std::size_t>(category)].sampleCount;
  const double others = record.sampleTotal - members;
  return std::fabs(phyper(std::max(hits - 1, 0), members, others, selected, /*lower_tail=*/0,
                          /*log_p=*/0));
}

const SampleInfoRow* SAMPLE_INFO::Row(int array, int column) const {
  if (array < 0 || array >= RowCount() || column < 0 || column >= ColumnCount()) return nullptr;
  return &mRows[static_cast<std::size_t>(array)];
}

int SAMPLE_INFO::CategoryOf(int array, int column) const {
  const SampleInfoRow* row = Row(array, column);
  return row != nullptr ? row->category[static_cast<std::size_t>(column)] : -1;
}

bool SAMPLE_INFO::HasCategory(int array, int column, int category) const {
  return Row(array, column) != nullptr && CategoryOf(array, column) == category;
}

double SAMPLE_INFO::NumericValue(int array, int column) const {
  const SampleInfoRow* row = Row(array, column);
  return row != nullptr ? row->raw[static_cast<std::size_t>(column)] : MISSING_VALUE;
}

double SAMPLE_INFO::StandardizedValue(int array, int column) const {
  const SampleInfoRow* row = Row(array, column);
  return row != nullptr ? row->standardized[static_cast<std::size_t>(column)] : MISSING_VALUE;
}

int SAMPLE_INFO::FindSampleInfoColumn(std::string_view name) const {
  const std::string text(name);
  for (int c = 0; c < ColumnCount(); ++c) {
    if (!platform::EqualsNoCase(mColumns[static_cast<std::size_t>(c)].name, name)) continue;
    LogMessage("    Use sample information column '" + text + "'");
    return c;
  }
  LogMessage("    No sample information column named '" + text + "'", 0, kLogRed);
  return -1;
}

bool FuzzReadSampleInfoFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz_info.txt", [](const std::string& path) {
    SAMPLE_INFO info;
    return info.ReadSampleInfoFile(path);
  });
}

#include "genes/compare/compare_result_file.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "platform/line_reader.hpp"

namespace {

void AppendThreshold(std::string& text, bool on, const char* format, double value) {
  if (on) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    text += buffer;
  } else {
    text += "NA";
  }
  text += '\t';
}

const char* YesNo(int on) {
  return on != 0 ? "Yes" : "No";
}

void AppendRow(std::string& text, const COMPARE_CRITERION& c) {
  text += c.isParenthesis ? "$Yes\t" : "$No\t";
  text += kCombineWords[static_cast<std::size_t>(c.combine & 3)];
  text += '\t';
  if (!c.isParenthesis) {
    text += SampleListText(c.baseline);
    text += '\t';
    text += SampleListText(c.experiment);
    text += '\t';
    AppendThreshold(text, c.useEoverB != 0, "%.3f", c.EoverB);
    AppendThreshold(text, c.useBoverE != 0, "%.3f", c.BoverE);
    text += !c.UsesFold() ? "NA" : c.useLowerBound != 0 ? "Lower Bound" : "Fold Change";
    text += '\t';
    AppendThreshold(text, c.useEminusB != 0, "%.3f", c.EminusB);
    AppendThreshold(text, c.useBminusE != 0, "%.3f", c.BminusE);
    AppendThreshold(text, c.usePvalue != 0, "%.4f", c.Pvalue);
    if (c.usePcall != 0) {
      text += std::to_string(c.PcallB);
      text += '\t';
      text += std::to_string(c.PcallE);
      text += '\t';
    } else {
      text += "NA\tNA\t";
    }
    AppendThreshold(text, c.usePaired != 0, "%.4f", c.pairPvalue);
  }
  text += '\n';
}

// Fields split at tabs, a run of tabs counting as one separator.
std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t tab = line.find('\t', at);
    const std::size_t end = tab == std::string_view::npos ? line.size() : tab;
    if (end > at) fields.push_back(line.substr(at, end - at));
    if (tab == std::string_view::npos) break;
    at = tab + 1;
  }
  return fields;
}

std::string_view Trimmed(std::string_view field) {
  while (!field.empty() && IsScanWhite(field.front())) field.remove_prefix(1);
  while (!field.empty() && IsScanWhite(field.back())) field.remove_suffix(1);
  return field;
}

// What a threshold field holds that is no threshold: an infinite or NaN one would pass
// or fail every gene.
enum class NumberFault { kNone, kNotANumber, kNaN, kInfinite, kOutOfRange };

// The whole field as a finite number, or why it is none.
NumberFault ParseNumber(std::string_view field, double& value) {
  field = Trimmed(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error == std::errc::result_out_of_range) return NumberFault::kOutOfRange;
  if (error != std::errc() || end != field.data() + field.size() || field.empty())
    return NumberFault::kNotANumber;
  if (std::isnan(value)) return NumberFault::kNaN;
  if (std::isinf(value)) return NumberFault::kInfinite;
  return NumberFault::kNone;
}

const char* NumberFaultText(NumberFault fault) {
  switch (fault) {
    case NumberFault::kNotANumber:
      return "not a number";
    case NumberFault::kNaN:
      return "not a number (NaN)";
    case NumberFault::kInfinite:
      return "an infinite number";
    case NumberFault::kOutOfRange:
      return "beyond the range of a number";
    case NumberFault::kNone:
      break;
  }
  return "a number";
}

bool IsNotApplicable(std::string_view field) {
  return Trimmed(field) == "NA";
}

// The title of a criterion row's field in the column titles, for the red line of a bad
// field.
std::string FieldName(std::size_t at) {
  std::string_view titles = kCriteriaColumnTitles;
  for (std::size_t field = 0; field < at; ++field) titles = SkipPast(titles, '\t');
  return std::string(titles.substr(0, titles.find('\t')));
}

std::string FieldText(std::string_view field) {
  field = Trimmed(field);
  return std::string(field.substr(0, 40));
}

// A threshold field: "NA" leaves the test off, a finite number turns it on; anything else
// gives why, naming the field.
std::string ReadThreshold(const std::vector<std::string_view>& fields, std::size_t at, int& use,
                          double& threshold) {
  use = 0;
  if (IsNotApplicable(fields[at])) return {};
  double value = 0.0;
  const NumberFault fault = ParseNumber(fields[at], value);
  if (fault != NumberFault::kNone)
    return "its field '" + FieldName(at) + "' holds '" + FieldText(fields[at]) + "', " +
           NumberFaultText(fault) + ", where a finite number or NA belongs";
  use = 1;
  threshold = value;
  return {};
}

// The count after the '=' of an option line ("$NUM_CRITERION=3"): a whole number from 0
// to most, else nothing.
std::optional<int> ReadCount(std::string_view line, int most) {
  CutAtTab(line);
  std::string_view text = SkipPast(line, '=');
  int count = 0;
  if (line.find('=') == std::string_view::npos || !ScanInt(text, count) || !Trimmed(text).empty() ||
      count < 0 || count > most)
    return std::nullopt;
  return count;
}

// The text of an option line's value, for a message.
std::string ValueText(std::string_view line) {
  CutAtTab(line);
  return std::string(Trimmed(SkipPast(line, '=')).substr(0, 40));
}

// 1-based sample numbers joined by ',', perhaps inside double quotes; false when one is
// not a sample number the grouping could hold.
bool ReadSamples(std::string_view field, std::vector<int>& samples) {
  samples.clear();
  std::string text;
  for (const char ch : field)
    if (ch != '"') text += ch;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    int number = 0;
    if (!ScanInt(item, number) || number < 1 || number > kMaxGroupingEntries) return false;
    if (static_cast<int>(samples.size()) >= kMaxComparisonSamples) return false;
    samples.push_back(number - 1);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return true;
}

int CombineOfWord(std::string_view word) {
  std::string lower;
  for (const char ch : word)
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (lower == "and") return kCombineAnd;
  if (lower == "and not") return kCombineAndNot;
  if (lower == "or") return kCombineOr;
  return kCombineOrNot;
}

// Reads one criterion row; why it is not valid, or empty when it is.
std::string ReadRow(std::string_view line, COMPARE_CRITERION& c) {
  const std::vector<std::string_view> fields = SplitFields(line);
  c = COMPARE_CRITERION{};
  const auto tooFew = [&](std::size_t needed) {
    return "it has " + std::to_string(fields.size()) + " of its " + std::to_string(needed) +
           " fields";
  };
  if (fields.size() < 2) return tooFew(2);
  c.isParenthesis = Contains(fields[0], "$Yes");
  c.combine = CombineOfWord(fields[1]);
  if (c.isParenthesis) return {};
  if (fields.size() < kCriteriaFields) return tooFew(kCriteriaFields);
  for (const std::size_t at : {std::size_t{2}, std::size_t{3}})
    if (!ReadSamples(fields[at], at == 2 ? c.baseline : c.experiment))
      return "its field '" + FieldName(at) + "' holds '" + FieldText(fields[at]) +
             "', not a list of at most " + std::to_string(kMaxComparisonSamples) +
             " sample numbers from 1 to " + std::to_string(kMaxGroupingEntries);
  std::string fault = ReadThreshold(fields, 4, c.useEoverB, c.EoverB);
  if (fault.empty()) fault = ReadThreshold(fields, 5, c.useBoverE, c.BoverE);
  if (!fault.empty()) return fault;
  c.useLowerBound = fields[6] == "Lower Bound" ? 1 : 0;
  fault = ReadThreshold(fields, 7, c.useEminusB, c.EminusB);
  if (fault.empty()) fault = ReadThreshold(fields, 8, c.useBminusE, c.BminusE);
  if (fault.empty()) fault = ReadThreshold(fields, 9, c.usePvalue, c.Pvalue);
  if (!fault.empty()) return fault;
  // The present-call test needs both percentages; "NA" in either leaves it off.
  int useB = 0;
  int useE = 0;
  double pcallB = 0.0;
  double pcallE = 0.0;
  fault = ReadThreshold(fields, 10, useB, pcallB);
  if (fault.empty()) fault = ReadThreshold(fields, 11, useE, pcallE);
  if (!fault.empty()) return fault;
  c.usePcall = useB != 0 && useE != 0 ? 1 : 0;
  if (c.usePcall != 0) {
    c.PcallB = static_cast<int>(std::clamp(pcallB, -1e9, 1e9));
    c.PcallE = static_cast<int>(std::clamp(pcallE, -1e9, 1e9));
  }
  fault = ReadThreshold(fields, 12, c.usePaired, c.pairPvalue);
  if (!fault.empty()) return fault;
  c.UpdateShowStdErr();
  return {};
}

// The value of an option line: the text after its first '=', up to its first tab.
std::string OptionValue(std::string_view line) {
  CutAtTab(line);
  return std::string(SkipPast(line, '='));
}

}  // namespace

void AppendCriteriaBlock(std::string& text, const COMPARE_CRITERIA& criteria) {
  const GroupSettings& s = TheGroup().Settings();
  text += kCompareCriteriaHeading;
  text += "\n$NUM_OPTION_LINE=" + std::to_string(kCompareOptionLines) + "\n";
  text += "$ARRAY_LIST_FILE=" + s.ARRAY_LIST_FILE + "\n";
  text += "$COMPARE_ON_GENE_LIST=";
  if (!IsNone(s.FILTER_INPUT_LIST)) text += s.FILTER_INPUT_LIST;
  text += "\n$COMPARE_ON_USE_LIST=" + std::to_string(s.FILTER_INPUT_USE) + "\n";
  text += std::string("$AVERAGE_USING_STANDARD_ERROR=") + YesNo(s.CONSIDER_ERROR) + "\n";
  text += std::string("$OMIT_VOSK_CONTROL_GENE=") + YesNo(s.OMIT_VOSK) + "\n";
  text += "$NUM_CRITERION=" + std::to_string(criteria.count) + "\n";
  text += kCriteriaColumnTitles;
  text += '\n';
  for (const COMPARE_CRITERION& entry : criteria.Entries()) AppendRow(text, entry);
  text += kCompareResultHeading;
  text += '\n';
}

bool ReadCompareResultFile(COMPARE_CRITERIA& criteria, const std::string& path, bool quiet) {
  if (path.empty()) return false;
  platform::LineReader reader;
  const bool opened = quiet
                          ? reader.Open(path, kCompareLineLength)
                          : OpenLinesOrLog(reader, path, kCompareLineLength,
                                           MessageBuffer(kCompareFileMissingMessage, path.c_str()));
  if (!opened) return false;
  std::string_view line;
  if (reader.Next(line) == platform::LineStatus::kEnd || !Contains(line, kCompareCriteriaHeading)) {
    LogMessage(MessageBuffer(kCompareFileOldMessage, path.c_str()), 0, kLogRed);
    return false;
  }
  const auto next = [&](std::string_view& text) {
    const platform::LineStatus status = reader.Next(text);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) text = {};
    return status == platform::LineStatus::kWhole || status == platform::LineStatus::kCut;
  };
  // The count on the next line; nothing, said in red with the line's text, when it is no
  // count up to most.
  const auto nextCount = [&next](int most, const char* badMessage) {
    std::string_view text;
    next(text);
    const std::optional<int> count = ReadCount(text, most);
    if (!count) LogMessage(MessageBuffer(badMessage, ValueText(text).c_str()), 0, kLogRed);
    return count;
  };
  const std::optional<int> optionCount =
      nextCount(kMaxCompareOptionLines, kCompareOptionCountBadMessage);
  if (!optionCount) return false;
  const int options = *optionCount;
  GroupSettings& s = TheGroup().Settings();
  for (int i = 1; i <= options; ++i) {
    std::string_view option;
    if (!next(option)) break;
    const std::string value = OptionValue(option);
    switch (i) {
      case 1:
        if (!ArrayListFileChosen) {
          s.ARRAY_LIST_FILE = value;
          SampleGrouping.ReadArrayListFile(value);
        }
        ArrayListFileChosen = false;
        break;
      case 2:
        s.FILTER_INPUT_LIST = value;
        break;
      case 3:
        s.FILTER_INPUT_USE = ReadIntAfterEquals(option);
        break;
      case 4:
        s.CONSIDER_ERROR = Contains(value, "Yes") ? 1 : 0;
        break;
      case 5:
        s.OMIT_VOSK = Contains(value, "Yes") ? 1 : 0;
        break;
      default:
        break;
    }
  }
  criteria.Clear();
  const std::optional<int> rows = nextCount(kMaxComparisons, kCompareCountBadMessage);
  if (!rows) return false;
  const int count = *rows;
  std::string_view titles;
  next(titles);
  for (int row = 0; row < count; ++row) {
    std::string_view text;
    // The table's heading, or the file's end, where a row should be: the rows ended early.
    if (!next(text) || text.empty() || text.front() == '[') {
      LogMessage(kCompareRowsMissingMessage, 0, kLogRed);
      return false;
    }
    const std::string fault = ReadRow(text, criteria.entries[static_cast<std::size_t>(row)]);
    if (!fault.empty()) {
      criteria.entries[static_cast<std::size_t>(row)] = COMPARE_CRITERION{};
      LogMessage(MessageBuffer(kCompareRowBadMessage, row + 1) + ": " + fault, 0, kLogRed);
      return false;
    }
    criteria.count = row + 1;
  }
  if (criteria.count > 0) {
    criteria.working = criteria.entries[0];
    criteria.selected = 0;
  }
  LogMessage(MessageBuffer(kCompareReadMessage, criteria.count, path.c_str()));
  return true;
}

bool ReadCompareResult(COMPARE_CRITERIA& criteria, bool quiet) {
  return ReadCompareResultFile(criteria, TheGroup().Settings().COMPARE_COMPARISON_FILE, quiet);
}

// The array maker's analysis-result text file beside an expression array's data file: one
// call (and optionally a signal value) per probe set. A missing or unusable file, or one
// that matches fewer than half of the probe sets, leaves the calls to be computed from
// the intensities instead.
#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "engine/array/chip_data.hpp"
#include "engine/array/chip_data_internal.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/line_reader.hpp"

namespace {

// Lines searched for the header line.
constexpr int kHeaderSearchLines = 200;
// Result files can carry many columns; longer lines are cut there.
constexpr std::size_t kResultLineLength = 1 << 16;
constexpr int kProgressStep = 300;

// The header's columns (from 1; 0 when absent).
struct ResultColumns {
  int name = 0;
  int signal = 0;
  int call = 0;
};

ResultColumns FindColumns(std::string_view header) {
  ResultColumns columns;
  int column = 1;
  for (std::string_view rest = header;; ++column) {
    std::string_view field = rest;
    const bool more = CutAtTab(field, &rest);
    if (Contains(field, "Probe Set")) columns.name = column;
    if (columns.signal == 0 && (Contains(field, "Avg Diff") || Contains(field, "Signal")))
      columns.signal = column;
    if (columns.call == 0 && (Contains(field, "Call") || Contains(field, "Detection")))
      columns.call = column;
    if (!more) break;
  }
  if (columns.name == 0) columns.name = 1;
  return columns;
}

// A whole field read as a number; blanks around it are allowed, anything else is not.
bool ParseNumber(std::string_view field, float& value) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\r')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\r')) field.remove_suffix(1);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double number = 0.0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
  if (error != std::errc() || end != field.data() + field.size() || field.empty()) return false;
  value = static_cast<float>(number);
  return true;
}

// Reads the calls (and values) of the lines after the header; false, with the reason
// logged, when the file must not be used.
bool ReadResultLines(CHIP_DATA& chip, platform::LineReader& reader, const std::string& textPath) {
  std::string_view line;
  bool found = false;
  for (int i = 0; i < kHeaderSearchLines; ++i) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (Contains(line, "Call") || Contains(line, "Detection")) {
      found = true;
      break;
    }
  }
  if (!found) {
    LogMessage(
        MessageBuffer("    '%s' is not an QEX analysis result file, ignored", textPath.c_str()), 0,
        kLogRed);
    return false;
  }

  GroupSettings& settings = ArraySettings();
  ResultColumns columns = FindColumns(line);
  if (columns.signal == 0) {
    settings.QEX5_SIGNAL = 0;
    columns.signal = columns.name;
  }
  if (columns.signal < 1 || columns.signal >= columns.call) {
    LogMessage(MessageBuffer("    QEX text file '%s' has no 'Signal' column or 'Detection' column "
                             "or they are not in right order",
                             textPath.c_str()),
               0, kLogRed);
    LogMessage(
        MessageBuffer("      Signal column: %d, call column: %d", columns.signal, columns.call), 0,
        kLogRed);
    return false;
  }

  LogMessage(MessageBuffer("    Found QEX analysis result file %s", textPath.c_str()));
  LogMessage("      Gene 0:");
  const bool takeValues = settings.QEX5_SIGNAL != 0;
  int matched = 0;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.size() < 2) break;
    std::string_view name;
    std::string_view callField;
    const bool hasName = TabField(line, columns.name, name);
    const int unit = hasName && !name.empty() ? FindUnit(name, true) : -1;
    if (unit < 0) {
      if (settings.ALLOW_TXT_HAS_UNKNOWN != 0) continue;
      LogMessage(MessageBuffer("      Unit '%s' not found; Wrong TXT file, or check 'Open "
                               "group/Options/Analysis/Allow TXT file has unknown probe sets'\n",
                               std::string(name).c_str()),
                 0, kLogRed);
      return false;
    }
    VALUE_TRIPLE& triple = chip.triples[static_cast<std::size_t>(unit)];
    if (takeValues) {
      std::string_view signal;
      float value = 0.0f;
      if (!TabField(line, columns.signal, signal) || !ParseNumber(signal, value)) {
        LogMessage(MessageBuffer("    Error: signal '%s' of probe set '%s' is not a number",
                                 std::string(signal).c_str(), std::string(name).c_str()),
                   0, kLogRed);
        return false;
      }
      triple = VALUE_TRIPLE{value, 0.0f, 0};
    }
    const char call =
        TabField(line, columns.call, callField) && !callField.empty() ? callField[0] : '\0';
    if (call == '\0' || std::string_view("APMN").find(call) == std::string_view::npos) {
      LogMessage("    Error: absolute call is not 'APMN'", 0, kLogRed);
      return false;
    }
    chip.calls[static_cast<std::size_t>(unit)] = call;
    ++matched;
    if (unit % kProgressStep == 0) {
      LogMessage(takeValues ? MessageBuffer("      Gene %d: %c, %.1f", unit, call,
                                            static_cast<double>(triple.value))
                            : MessageBuffer("      Gene %d: %c", unit, call),
                 1);
    }
  }
  if (takeValues) chip.valuesPresent = 1;
  return 2 * static_cast<long long>(matched) >= static_cast<long long>(Layout.unitCount);
}

}  // namespace

bool CHIP_DATA::ReadResultTextFile(const char* path) {
  if (calls.size() != static_cast<std::size_t>(Layout.unitCount) || triples.size() != calls.size())
    AllocateUnitTables();
  std::fill(calls.begin(), calls.end(), 0);
  const std::string dataFile = path;
  if (dataFile.find('.') == std::string::npos) return false;
  const std::string textPath = ChangeExtension(dataFile, ".txt");

  platform::LineReader reader;
  const bool fromFile =
      reader.Open(textPath, kResultLineLength) && ReadResultLines(*this, reader, textPath);
  if (!fromFile) {
    ComputePresenceCalls();
    valuesPresent = 0;
  }
  const auto present = std::count(calls.begin(), calls.end(), kCallPresent);
  callPercent = Layout.unitCount > 0
                    ? static_cast<float>(present) / static_cast<float>(Layout.unitCount)
                    : 0.0f;
  return fromFile;
}

bool FuzzReadResultTextFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "array.txt", [](const std::string& path) {
    CHIP_DATA chip;
    chip.AllocateUnitTables();
    chip.AllocatePlanes(Layout.dimension);
    return chip.ReadResultTextFile(ChangeExtension(path, ".CEL").c_str());
  });
}

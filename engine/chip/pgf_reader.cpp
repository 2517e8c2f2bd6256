// Reading probe group files: a header of "#%" lines with the probe-set count, then
// probe-set lines, atom lines (one tab) and probe lines (two tabs). A probe's number
// gives its cell row by row on the fixed grid.
#include "engine/chip/pgf_reader.hpp"

#include <string_view>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/cell_line.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "platform/line_reader.hpp"

namespace {

constexpr const char* kAllocationFailed = "    Allocation failed in ReadPgfFile()";
constexpr int kHeaderLinesBeforeCount = 100;

// The probe-set count from the header; false with a red line when it is missing.
bool ReadHeader(platform::LineReader& reader, int& count) {
  count = -1;
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    const bool ended =
        status == platform::LineStatus::kEnd || status == platform::LineStatus::kError;
    if (!ended && !line.starts_with("#%")) continue;
    if (!ended && Contains(line, "#%probeset_count=")) count = ReadIntAfterEquals(line);
    if (count < 0 && (ended || reader.LineNumber() > kHeaderLinesBeforeCount)) {
      LogMessage("    Cannot find 'probeset_count' in the pgf file header", 0, kLogRed);
      return false;
    }
    if (ended || Contains(line, "header2=")) return true;
  }
}

bool ReadProbeSets(platform::LineReader& reader) {
  int unit = -1;
  bool selected = false;
  std::string_view line;
  const auto closeUnit = [&unit] {
    if (unit < 0) return;
    UNIT_RECORD& record = Layout.units[static_cast<std::size_t>(unit)];
    record.pairCount = static_cast<std::int16_t>(record.pairCount / CellsPerPair());
  };
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    const auto lineNumber = static_cast<int>(reader.LineNumber());
    if (lineNumber % 1000 == 0) {
      Progress().Pump();
      if (lineNumber % 10000 == 0)
        Progress().ShowProgress(MessageBuffer("    Line %d, probe set %d", lineNumber, unit + 1));
    }
    if (line.empty() || line[0] != '\t') {
      selected = Contains(line, "main");
      if (!selected) continue;
      closeUnit();
      if (unit + 1 >= static_cast<int>(Layout.units.size())) {
        LogMessage(MessageBuffer("    Error: more probe sets than probeset_count (%d)",
                                 static_cast<int>(Layout.units.size())),
                   0, kLogRed);
        return false;
      }
      ++unit;
      std::string_view name;
      std::string_view text = line;
      (void)ScanWord(text, name);
      Layout.units[static_cast<std::size_t>(unit)].SetName(name);
      Layout.units[static_cast<std::size_t>(unit)].pairCount = 0;
      continue;
    }
    if (!selected || line.size() < 2 || line[1] != '\t') continue;
    std::string_view text = line.substr(2);
    int probe = 0;
    if (!ScanInt(text, probe)) {
      LogMessage(MessageBuffer("    Error: no probe number on line %d", lineNumber), 0, kLogRed);
      return false;
    }
    const std::int64_t index = static_cast<std::int64_t>(probe) - 1;
    CellFields cell;
    // Numbers below 1 give negative coordinates, which the range check refuses.
    cell.x = static_cast<int>(index % kPgfDimension);
    cell.y = static_cast<int>(index / kPgfDimension);
    if (index < 0) cell.x = -1;
    cell.position = 1;
    cell.kindFlag = 1;
    if (!PlaceCell(unit, cell, true)) return false;
  }
  closeUnit();
  Layout.unitCount = unit + 1;
  Layout.units.resize(static_cast<std::size_t>(Layout.unitCount));
  LogMessage(MessageBuffer("    Read %d lines and %d probe sets",
                           static_cast<int>(reader.LineNumber()), Layout.unitCount),
             1);
  return true;
}

}  // namespace

bool ReadPgfFile(const std::string& pgfPath) {
  const LayoutWriting writing;
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, pgfPath, kPgfLineLength,
                      MessageBuffer("  Read probe group file '%s' failed", pgfPath.c_str())))
    return false;
  LogMessage(MessageBuffer("  Reading probe group file '%s'...", pgfPath.c_str()));
  ClearLayout();
  ProbesPerPair = 1;
  Layout.dimension = kPgfDimension;

  int count = 0;
  if (!ReadHeader(reader, count)) return false;
  if (!AllocateCellTable(kPgfDimension, kAllocationFailed) ||
      !AllocateUnitTable(count, kAllocationFailed))
    return false;
  LogMessage("    Line 0");
  if (!ReadProbeSets(reader)) {
    ClearLayout();
    return false;
  }
  return SaveCdfCache();
}

bool FuzzReadPgfFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.pgf", [](const std::string& path) {
    Layout.cachePath = path + ".bin";
    return ReadPgfFile(path);
  });
}

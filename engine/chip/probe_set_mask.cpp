// Applying a probe-set mask in one pass over the cell table: the pairs to drop are
// marked per unit first, then every cell is dropped or renumbered.
#include "engine/chip/probe_set_mask.hpp"

#include <algorithm>
#include <new>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "platform/line_reader.hpp"

namespace {

bool IsSeparator(char ch) {
  return ch == '|' || ch == ',' || ch == ' ' || ch == '\t';
}

bool ParseNumber(std::string_view text, int& value) {
  if (text.empty()) return false;
  for (char ch : text)
    if (ch < '0' || ch > '9') return false;
  std::string_view rest = text;
  return ScanInt(rest, value) && rest.empty();
}

// "n", "a-b" or "a-"; false for anything else.
bool ParseItem(std::string_view item, int pairCount, int& first, int& last) {
  const std::size_t dash = item.find('-');
  if (dash == std::string_view::npos) {
    if (!ParseNumber(item, first)) return false;
    last = first;
    return true;
  }
  if (!ParseNumber(item.substr(0, dash), first)) return false;
  const std::string_view end = item.substr(dash + 1);
  if (end.empty()) {
    last = pairCount;
    return true;
  }
  return ParseNumber(end, last);
}

}  // namespace

bool ParseProbeList(std::string_view list, int pairCount, std::vector<bool>& masked) {
  masked.assign(static_cast<std::size_t>(std::max(pairCount, 0)), false);
  std::size_t begin = 0;
  bool any = false;
  while (begin < list.size()) {
    while (begin < list.size() && IsSeparator(list[begin])) ++begin;
    std::size_t end = begin;
    while (end < list.size() && !IsSeparator(list[end])) ++end;
    if (end == begin) break;
    any = true;
    const std::string_view item = list.substr(begin, end - begin);
    begin = end;
    if (item.find("all") != std::string_view::npos) {
      masked.assign(masked.size(), true);
      continue;
    }
    int first = 0;
    int last = 0;
    if (!ParseItem(item, pairCount, first, last)) return false;
    for (int p = std::max(first, 1); p <= std::min(last, pairCount); ++p)
      masked[static_cast<std::size_t>(p - 1)] = true;
  }
  if (!any) masked.assign(masked.size(), true);
  return true;
}

bool ApplyProbeSetMask(const std::string& maskPath) {
  const LayoutWriting writing;
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, maskPath, kLineBufferLength,
                      MessageBuffer("    Probe set mask file '%s' not found", maskPath.c_str())))
    return false;
  LogMessage(MessageBuffer("    Found probe set mask file '%s'", maskPath.c_str()));
  PumpMessages();

  const int unitCount = std::min(Layout.unitCount, static_cast<int>(Layout.units.size()));
  std::vector<std::size_t> firstPair;
  std::vector<bool> masked;
  try {
    firstPair.resize(static_cast<std::size_t>(unitCount) + 1);
    for (int u = 0; u < unitCount; ++u)
      firstPair[static_cast<std::size_t>(u) + 1] =
          firstPair[static_cast<std::size_t>(u)] +
          static_cast<std::size_t>(
              std::max<int>(Layout.units[static_cast<std::size_t>(u)].pairCount, 0));
    masked.assign(firstPair.back(), false);
  } catch (const std::bad_alloc&) {
    LogMessage("      Allocating new_cdf failed", 0, kLogRed);
    return false;
  }

  std::string_view line;
  std::vector<bool> listed;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.empty()) break;
    std::string_view name = line;
    std::string_view list;
    (void)CutAtTab(name, &list);
    const int unit = FindUnit(name, true);
    if (unit < 0) {
      LogMessage(MessageBuffer("      Probe set '%.*s' not found", static_cast<int>(name.size()),
                               name.data()),
                 0, kLogRed);
      continue;
    }
    const int pairCount = Layout.units[static_cast<std::size_t>(unit)].pairCount;
    if (!ParseProbeList(list, pairCount, listed)) {
      LogMessage(MessageBuffer("      Probe list '%.*s' of probe set '%.*s' not understood",
                               static_cast<int>(list.size()), list.data(),
                               static_cast<int>(name.size()), name.data()),
                 0, kLogRed);
      continue;
    }
    for (int p = 0; p < pairCount; ++p)
      if (listed[static_cast<std::size_t>(p)])
        masked[firstPair[static_cast<std::size_t>(unit)] + static_cast<std::size_t>(p)] = true;
  }

  // New unit indices and pair numbers; -1 for what is dropped.
  std::vector<int> newUnit(static_cast<std::size_t>(unitCount), -1);
  std::vector<int> newPair(masked.size(), -1);
  std::vector<UNIT_RECORD> keptUnits;
  int excludedProbes = 0;
  int excludedSets = 0;
  for (int u = 0; u < unitCount; ++u) {
    UNIT_RECORD unit = Layout.units[static_cast<std::size_t>(u)];
    const std::size_t first = firstPair[static_cast<std::size_t>(u)];
    int kept = 0;
    for (int p = 0; p < unit.pairCount; ++p) {
      if (masked[first + static_cast<std::size_t>(p)]) {
        ++excludedProbes;
      } else {
        newPair[first + static_cast<std::size_t>(p)] = kept++;
      }
    }
    if (kept == 0 && unit.pairCount > 0) {
      ++excludedSets;
      continue;
    }
    unit.pairCount = static_cast<std::int16_t>(kept);
    unit.firstPosition = -1;
    newUnit[static_cast<std::size_t>(u)] = static_cast<int>(keptUnits.size());
    keptUnits.push_back(unit);
  }

  for (CELL_RECORD& cell : Layout.cells) {
    if (cell.kind == kCellNoUnit) continue;
    if (cell.unit >= unitCount || cell.pair < 0 || cell.pair >= Layout.units[cell.unit].pairCount) {
      cell.kind = kCellNoUnit;
      continue;
    }
    const std::size_t pairIndex = firstPair[cell.unit] + static_cast<std::size_t>(cell.pair);
    if (masked[pairIndex] || newUnit[cell.unit] < 0) {
      cell.kind = kCellNoUnit;
      continue;
    }
    cell.unit = static_cast<std::uint16_t>(newUnit[cell.unit]);
    cell.pair = static_cast<std::int16_t>(newPair[pairIndex]);
  }
  Layout.units = std::move(keptUnits);
  Layout.unitCount = static_cast<int>(Layout.units.size());
  BuildProbePositions();
  LogMessage(MessageBuffer("      Excluded %d probes (including %d probe sets)", excludedProbes,
                           excludedSets));
  return true;
}

bool FuzzApplyProbeSetMask(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz_mask.txt",
                         [](const std::string& path) { return ApplyProbeSetMask(path); });
}

// The process-wide chip layout, the array-kind values and the probe-set lookup.
#include "engine/chip/cdf_layout.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"

CDF_LAYOUT Layout;

namespace {

std::atomic<std::uint64_t> gLayoutGeneration{0};

// Readers write cells all over a table of megabytes, and on small pages nearly every
// write would first miss the processor's table of pages; large pages also make the first
// touch of the table cheaper. Only advice, asked for before the memory is first touched.
void AskForLargePages(void* data, std::size_t bytes) {
  constexpr std::uintptr_t kPage = 4096;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
  if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

std::uint64_t LayoutGeneration() {
  return gLayoutGeneration.load();
}

LayoutWriting::~LayoutWriting() {
  gLayoutGeneration.fetch_add(1);
}

int ArrayType = 0;
int RotatedLayout = 0;
int ExonArray = 0;
int PmOnly = 0;
int ProbesPerPair = 2;
int CustomCdf = 0;
int UnitSearchStart = 0;

void UNIT_RECORD::SetName(std::string_view text) {
  const std::size_t length = std::min<std::size_t>(text.size(), kMaxUnitNameLength);
  std::fill(std::begin(name), std::end(name), '\0');
  std::copy_n(text.data(), length, name);
}

std::span<const PairPositions> CDF_LAYOUT::Positions(int unit) const {
  if (unit < 0 || unit >= static_cast<int>(units.size())) return {};
  const UNIT_RECORD& record = units[static_cast<std::size_t>(unit)];
  if (record.firstPosition < 0 || record.pairCount <= 0) return {};
  const auto first = static_cast<std::size_t>(record.firstPosition);
  const auto count = static_cast<std::size_t>(record.pairCount);
  if (first + count > positions.size()) return {};
  return std::span<const PairPositions>(positions).subspan(first, count);
}

int FindUnit(std::string_view name, bool exact) {
  const int count = std::min(Layout.unitCount, static_cast<int>(Layout.units.size()));
  if (count <= 0) return -1;
  // The start survives loads of other chips, so it may lie beyond this one's units.
  const int start = ((UnitSearchStart % count) + count) % count;
  for (int step = 0; step < count; ++step) {
    const int candidate = (start + step) % count;
    const std::string_view unitName = Layout.units[static_cast<std::size_t>(candidate)].Name();
    const bool match =
        exact ? platform::EqualsNoCase(unitName, name) : StartsWithNoCase(unitName, name);
    if (match) {
      UnitSearchStart = candidate;
      return candidate;
    }
  }
  return -1;
}

bool IsControlUnit(int unit) {
  if (unit < 0 || unit >= static_cast<int>(Layout.units.size())) return false;
  return StartsWithNoCase(Layout.units[static_cast<std::size_t>(unit)].Name(), "KORX");
}

void BuildProbePositions() {
  const LayoutWriting writing;
  Layout.positions.clear();
  for (UNIT_RECORD& unit : Layout.units) unit.firstPosition = -1;
  if (!Layout.HasCells()) return;

  std::size_t total = 0;
  for (UNIT_RECORD& unit : Layout.units) {
    unit.firstPosition = static_cast<std::int32_t>(total);
    total += static_cast<std::size_t>(std::max<int>(unit.pairCount, 0));
  }
  Layout.positions.reserve(total);
  AskForLargePages(Layout.positions.data(), total * sizeof(PairPositions));
  Layout.positions.assign(total, PairPositions{});
  // Each unit's first position and pair count side by side, a table small enough to
  // stay in the processor's cache while the cells are walked in memory order.
  struct UnitSpan {
    std::int32_t first;
    std::int32_t pairCount;
  };
  std::vector<UnitSpan> spans(Layout.units.size());
  for (std::size_t u = 0; u < spans.size(); ++u)
    spans[u] = {Layout.units[u].firstPosition, Layout.units[u].pairCount};
  const UnitSpan* unitSpans = spans.data();
  const std::size_t unitCount = spans.size();
  PairPositions* positions = Layout.positions.data();
  const bool perfectMatchOnly = PmOnly != 0 || ProbesPerPair == 1;
  const int dimension = Layout.dimension;
  const CELL_RECORD* cell = Layout.cells.data();
  // A table shorter than the square (never made by the readers) is walked only as far
  // as it goes.
  const std::size_t side = static_cast<std::size_t>(std::max(dimension, 0));
  const std::size_t columns = std::min(side, side == 0 ? 0 : Layout.cells.size() / side);
  // The pairs are scattered over the positions table, so the slot of a cell some way
  // ahead is fetched into the cache while the current one is stored.
  constexpr std::size_t kLookAhead = 256;
  const CELL_RECORD* const cellsEnd = cell + columns * side;
  for (int x = 0; x < static_cast<int>(columns); ++x) {
    for (int y = 0; y < dimension; ++y, ++cell) {
      if (cellsEnd - cell > static_cast<std::ptrdiff_t>(kLookAhead)) {
        const CELL_RECORD& ahead = cell[kLookAhead];
        if (ahead.unit < unitCount) {
          const UnitSpan aheadUnit = unitSpans[ahead.unit];
          if (aheadUnit.first >= 0)
            __builtin_prefetch(
                positions + std::min<std::size_t>(static_cast<std::size_t>(aheadUnit.first) +
                                                      static_cast<std::uint16_t>(ahead.pair),
                                                  total),
                1);
        }
      }
      if (cell->kind > kCellPerfectMatch) continue;
      // Cells whose unit or pair lies outside the tables (a damaged file) are passed
      // over; CheckCellPos then reports the gap they leave.
      if (cell->unit >= unitCount) continue;
      const UnitSpan unit = unitSpans[cell->unit];
      if (cell->pair < 0 || cell->pair >= unit.pairCount) continue;
      PairPositions& pair = positions[static_cast<std::size_t>(unit.first + cell->pair)];
      const ProbePosition where{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
      pair[cell->kind] = where;
      if (perfectMatchOnly && cell->kind == kCellPerfectMatch) pair[0] = where;
    }
  }
}

bool CheckCellPos() {
  for (int u = 0; u < static_cast<int>(Layout.units.size()); ++u) {
    const UNIT_RECORD& unit = Layout.units[static_cast<std::size_t>(u)];
    const std::span<const PairPositions> pairs = Layout.Positions(u);
    for (int p = 0; p < unit.pairCount; ++p) {
      const bool complete = static_cast<std::size_t>(p) < pairs.size() &&
                            pairs[static_cast<std::size_t>(p)][0].x != -1 &&
                            pairs[static_cast<std::size_t>(p)][1].x != -1;
      if (complete) continue;
      LogMessage(MessageBuffer("    Error: CheckCellPos() failed at probe set %s, probe pair "
                               "%d. Is the SNP array type specified in Zelko, or does this "
                               "cell occur in two probe sets?",
                               unit.name, p + 1),
                 0, kLogRed);
      return false;
    }
  }
  return true;
}

void ClearLayout() {
  const LayoutWriting writing;
  Layout.units = {};
  Layout.cells = {};
  Layout.positions = {};
  Layout.unitCount = 0;
}

bool AllocateCellTable(int dimension, std::string_view failureMessage) {
  if (dimension <= 0 || dimension > kMaxDimension) {
    LogMessage(
        MessageBuffer("    Error: chip dimension %d is outside 1 to %d", dimension, kMaxDimension),
        0, kLogRed);
    return false;
  }
  const LayoutWriting writing;
  Layout.cells = {};
  Layout.positions = {};
  const std::size_t count =
      static_cast<std::size_t>(dimension) * static_cast<std::size_t>(dimension);
  try {
    Layout.cells.reserve(count);
    AskForLargePages(Layout.cells.data(), count * sizeof(CELL_RECORD));
    Layout.cells.assign(count, CELL_RECORD{});
  } catch (const std::bad_alloc&) {
    LogMessage(failureMessage, 0, kLogRed);
    return false;
  }
  Layout.dimension = dimension;
  return true;
}

bool AllocateUnitTable(int count, std::string_view failureMessage) {
  if (count < 0 || count > kMaxUnits) {
    LogMessage(
        MessageBuffer("    Error: number of probe sets %d is outside 0 to %d", count, kMaxUnits), 0,
        kLogRed);
    return false;
  }
  const LayoutWriting writing;
  Layout.units = {};
  Layout.positions = {};
  try {
    Layout.units.assign(static_cast<std::size_t>(count), UNIT_RECORD{});
  } catch (const std::bad_alloc&) {
    LogMessage(failureMessage, 0, kLogRed);
    return false;
  }
  return true;
}

// The array image's brightness range and its probe-together position maps.
#include "engine/array/image_support.hpp"

#include <algorithm>
#include <new>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/numerics/db_vector.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"

ProbeTogetherMaps TogetherMaps;

int DisplaySampleCapacity(int dimension) {
  return dimension * dimension / kDisplaySampleStep + 10;
}

DisplayRange CelDisplayRange(std::span<const std::uint16_t> plane, const CDF_LAYOUT& layout) {
  const int dimension = layout.dimension;
  DB_VECTOR samples(DisplaySampleCapacity(dimension));
  const std::size_t cells = std::min(
      plane.size(), static_cast<std::size_t>(dimension) * static_cast<std::size_t>(dimension));
  const bool knowsKinds = layout.cells.size() >= cells;
  for (std::size_t i = 0; i < cells; i += kDisplaySampleStep) {
    if (knowsKinds && layout.cells[i].kind == kCellNoUnit) continue;
    samples.Append(plane[i]);
  }
  DisplayRange range;
  if (samples.Length() == 0) return range;
  range.low = static_cast<int>(SelectQuantile(samples.Elements(), samples.Length(), 0.01));
  range.high = static_cast<int>(SelectQuantile(samples.Elements(), samples.Length(), 0.95));
  return range;
}

void GetCelDisplayRange(int array, int* low, int* high) {
  DisplayRange range;
  if (GroupStarted() && array >= 0 && array < MAX_ARRAY_NUM)
    range = CelDisplayRange(TheGroup().Array(array).intensities, Layout);
  *low = range.low;
  *high = range.high;
}

MapPosition ProbeTogetherMaps::CellAt(int column, int row) const {
  if (column < 0 || row < 0 || column >= dimension || row >= dimension || display.empty())
    return {};
  return display[static_cast<std::size_t>(column) * static_cast<std::size_t>(dimension) +
                 static_cast<std::size_t>(row)];
}

MapPosition ProbeTogetherMaps::DisplayOf(int x, int y) const {
  if (x < 0 || y < 0 || x >= dimension || y >= dimension || cell.empty()) return {};
  return cell[static_cast<std::size_t>(x) * static_cast<std::size_t>(dimension) +
              static_cast<std::size_t>(y)];
}

namespace {

// Places one chip cell at one display position in both maps; either outside the image
// is left out.
void Place(ProbeTogetherMaps& maps, int x, int y, int column, int row) {
  const int w = maps.dimension;
  if (x < 0 || y < 0 || x >= w || y >= w || column < 0 || row < 0 || column >= w || row >= w)
    return;
  const auto size = static_cast<std::size_t>(w);
  maps.display[static_cast<std::size_t>(column) * size + static_cast<std::size_t>(row)] = {
      static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
  maps.cell[static_cast<std::size_t>(x) * size + static_cast<std::size_t>(y)] = {
      static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)};
}

}  // namespace

bool ProbeTogether() {
  TogetherMaps = ProbeTogetherMaps{};
  const int w = Layout.dimension;
  if (w <= 0 || w > kMaxDimension) {
    LogMessage(kProbeTogetherAllocationMessage, 0, kLogRed);
    return false;
  }
  const std::size_t cells = static_cast<std::size_t>(w) * static_cast<std::size_t>(w);
  try {
    TogetherMaps.display.assign(cells, MapPosition{});
    TogetherMaps.cell.assign(cells, MapPosition{});
  } catch (const std::bad_alloc&) {
    TogetherMaps = ProbeTogetherMaps{};
    LogMessage(kProbeTogetherAllocationMessage, 0, kLogRed);
    return false;
  }
  TogetherMaps.dimension = w;

  // Every array kind, perfect-match-only ones too, keeps the same layout; pairs that
  // would fall below the image are left out.
  int column = 0;
  int row = 0;
  const int units = std::min(Layout.unitCount, static_cast<int>(Layout.units.size()));
  for (int unit = 0; unit < units && row < w; ++unit) {
    for (const PairPositions& pair : Layout.Positions(unit)) {
      const ProbePosition pm = pair[kCellPerfectMatch];
      Place(TogetherMaps, pm.x, pm.y, column, row);
      // SNP arrays keep their mismatch probes apart; elsewhere it lies just below.
      const ProbePosition mm = ArrayType != 0
                                   ? pair[kCellMismatch]
                                   : ProbePosition{pm.x, static_cast<std::int16_t>(pm.y + 1)};
      Place(TogetherMaps, mm.x, mm.y, column, row + 1);
      if (++column == w) {
        column = 0;
        row += 2;
        if (row >= w) break;
      }
    }
  }
  return true;
}

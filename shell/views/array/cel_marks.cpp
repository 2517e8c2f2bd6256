// Collecting the marked cells of the array image view.
#include "shell/views/array/cel_marks.hpp"

#include <algorithm>

#include "engine/array/image_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"

namespace {

CelCell Displayed(int x, int y, const ProbeTogetherMaps* together) {
  if (x < 0 || y < 0 || x >= Layout.dimension || y >= Layout.dimension) return {};
  if (together == nullptr) return {x, y};
  const MapPosition at = together->DisplayOf(x, y);
  return {at.x, at.y};
}

bool ValidUnit(int unit) {
  return unit >= 0 && unit < static_cast<int>(Layout.units.size());
}

}  // namespace

bool OutlierMarksPair(int word, int pair, int pairCount) {
  if (word == kArrayOutlierWord) return pair >= 0 && pair < pairCount;
  const int bitPairs = std::min(pairCount, kOutlierBitPairs);
  if (pair < 0 || pair >= bitPairs) return false;
  return ((static_cast<unsigned>(word) >> (bitPairs - 1 - pair)) & 1u) != 0;
}

std::vector<CelMark> CollectOutlierMarks(int array, const ProbeTogetherMaps* together) {
  std::vector<CelMark> marks;
  if (array < 0 || array >= TheGroup().NumArrays()) return marks;
  const std::vector<VALUE_TRIPLE>& values = TheGroup().Array(array).values;
  const int units =
      std::min(static_cast<int>(values.size()), static_cast<int>(Layout.units.size()));
  for (int unit = 0; unit < units; ++unit) {
    const int word = values[static_cast<std::size_t>(unit)].outlier;
    if (word == 0) continue;
    const std::span<const PairPositions> pairs = Layout.Positions(unit);
    const int pairCount = static_cast<int>(pairs.size());
    const std::uint32_t rgb = word == kArrayOutlierWord ? kOutlierArrayColour : kOutlierProbeColour;
    for (int pair = 0; pair < pairCount; ++pair) {
      if (!OutlierMarksPair(word, pair, pairCount)) continue;
      const ProbePosition pm = pairs[static_cast<std::size_t>(pair)][1];
      for (const CelCell cell :
           {Displayed(pm.x, pm.y, together), Displayed(pm.x, pm.y + 1, together)})
        if (cell.x >= 0 && cell.y >= 0) marks.push_back({cell, rgb});
    }
  }
  return marks;
}

std::vector<CelCell> ProbeSetCells(int unit, const ProbeTogetherMaps* together) {
  std::vector<CelCell> cells;
  if (!ValidUnit(unit)) return cells;
  for (const PairPositions& pair : Layout.Positions(unit)) {
    const int first = PmOnly != 0 ? 1 : 0;
    for (int k = first; k < 2; ++k) {
      const CelCell cell = Displayed(pair[static_cast<std::size_t>(k)].x,
                                     pair[static_cast<std::size_t>(k)].y, together);
      if (cell.x >= 0 && cell.y >= 0) cells.push_back(cell);
    }
  }
  return cells;
}

CelCell MiddlePairCell(int unit, const ProbeTogetherMaps* together) {
  if (!ValidUnit(unit)) return {};
  const std::span<const PairPositions> pairs = Layout.Positions(unit);
  if (pairs.empty()) return {};
  const ProbePosition pm = pairs[pairs.size() / 2][1];
  return Displayed(pm.x, pm.y, together);
}

// The mini-block place of a SNP probe.
#include "engine/chip/probe_block_column.hpp"

#include <algorithm>
#include <cstddef>

#include "engine/chip/cdf_layout.hpp"

namespace {
constexpr int kSmallestSplitProbeSet = 10;  // up to this many pairs there is one strand
constexpr int kCentredArrayType = 3;
}  // namespace

BlockPlace MapProbeToBlockColumn(int pairCount, int pairIndex, bool perfectMatch, int centreCount,
                                 int arrayType) {
  int half = pairCount / 2;
  int modulus = half;
  int offset = 0;
  if (pairCount > kSmallestSplitProbeSet && 2 * centreCount < pairCount) {
    half = arrayType == kCentredArrayType ? (pairCount - 2 * centreCount) / 2 : pairCount / 4;
    modulus = half;
    if (pairIndex >= 2 * half) {
      pairIndex -= 2 * half;
      offset = half;
      // The centre pairs form the second strand's blocks on this kind.
      if (arrayType == kCentredArrayType) modulus = centreCount;
    }
  }
  // A probe set of one pair (or no centre pairs) still gets a column.
  modulus = std::max(1, modulus);
  pairIndex = std::max(0, pairIndex);
  BlockPlace place;
  place.column = offset + pairIndex % modulus;
  if (pairIndex < modulus)
    place.row = perfectMatch ? kBlockRowPerfectA : kBlockRowMismatchA;
  else
    place.row = perfectMatch ? kBlockRowPerfectB : kBlockRowMismatchB;
  return place;
}

int CentrePairCount(int probeSet) {
  if (ArrayType != kCentredArrayType || !Layout.HasCells()) return 0;
  if (probeSet < 0 || static_cast<std::size_t>(probeSet) >= Layout.units.size()) return 0;
  const auto positions = Layout.Positions(probeSet);
  if (positions.empty()) return 0;
  const ProbePosition pm = positions.back()[1];
  if (pm.x < 0 || pm.y < 0 || pm.x >= Layout.dimension || pm.y >= Layout.dimension) return 0;
  return std::max(0, -Layout.Cell(pm.x, pm.y).value);
}

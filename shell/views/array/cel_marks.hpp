// The cells the array image view marks on an array's image: the outlier probes of the
// model fit, and the cells of the current probe set that blink. Collected outside the
// paint, in display positions (through the probe-together maps when given).
#pragma once

#include <cstdint>
#include <vector>

#include "shell/views/array/cel_geometry.hpp"

struct ProbeTogetherMaps;

// An outlier word holds one bit per pair for at most this many first pairs.
inline constexpr int kOutlierBitPairs = 30;
inline constexpr std::uint32_t kOutlierProbeColour = 0xFF00FF;  // magenta: one bit
inline constexpr std::uint32_t kOutlierArrayColour = 0xFFFFFF;  // white: the whole array

// Whether the word marks the pair of a probe set of pairCount pairs: every pair for an
// outlier array, else the bit of the pair among the first kOutlierBitPairs, the lowest
// bit standing for the last of them.
bool OutlierMarksPair(int word, int pair, int pairCount);

struct CelMark {
  CelCell cell;
  std::uint32_t rgb = 0;
};

// The marks of every probe set's outlier word on the array: per marked pair its
// perfect-match cell and the cell below it.
std::vector<CelMark> CollectOutlierMarks(int array, const ProbeTogetherMaps* together);

// The cells of the probe set: both cells of each pair, or the perfect-match cell alone on
// arrays without mismatch probes. Empty for no probe set.
std::vector<CelCell> ProbeSetCells(int unit, const ProbeTogetherMaps* together);

// The probe set's middle pair's perfect-match cell (pair count / 2) as displayed; -1, -1
// when there is none.
CelCell MiddlePairCell(int unit, const ProbeTogetherMaps* together);

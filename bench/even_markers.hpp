// Markers laid along a made-up genome for the genome analyses' benchmarks: in order,
// chromosome by chromosome in equal shares, some 60 kb apart.
#pragma once

#include <cstddef>
#include <cstdint>

#include "genome/info/genome_info.hpp"

namespace bench {

// Fills info's markers and their chromosome counts, then its position lists as reading the
// genome information makes them.
inline void PlaceMarkersEvenly(GENOME_INFO& info, int markers, int chromosomes) {
  info.NumChro = chromosomes;
  for (int u = 0; u < markers; ++u) {
    UNIT_POS unit;
    unit.chro = static_cast<std::int16_t>(u * chromosomes / markers);
    unit.pos = static_cast<float>(u) * 60000.0f;
    ++info.chroCount[static_cast<std::size_t>(unit.chro)];
    info.Unit.push_back(unit);
  }
  info.GetUnitPos();
}

}  // namespace bench

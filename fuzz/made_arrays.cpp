#include "fuzz/made_arrays.hpp"

#include <cstddef>
#include <cstdint>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"

float MadeValue(int unit, int sample) {
  return (unit + sample) % 7 == 0 ? kMissingValueFloat
                                  : static_cast<float>((unit * 5 + sample * 3) % 11) * 0.5f;
}

CHIP_DATA MadeArray(const std::string& dataPath, bool normalised) {
  CHIP_DATA chip;
  chip.headerText = "scan header \x14 sample \x14 seed.1sq";
  chip.normalised = normalised ? 1 : 0;
  chip.valuesPresent = 1;
  chip.medianIntensity = 321;
  chip.dataPath = dataPath;
  chip.baselinePath = normalised ? "/scans/baseline.CEL" : "";
  chip.arrayOutlierPercent = 0.5f;
  chip.singleOutlierPercent = 1.25f;
  chip.callPercent = 0.375f;
  chip.AllocatePlanes(Layout.dimension);
  for (std::size_t c = 0; c < chip.plane1.size(); ++c) {
    chip.plane1[c] = static_cast<std::uint16_t>(100 + c * 37 % 4000);
    chip.plane2[c] = static_cast<std::uint16_t>(c * 11 % 300);
  }
  chip.AllocateUnitTables();
  for (std::size_t u = 0; u < chip.calls.size(); ++u) {
    chip.calls[u] = "PAM"[u % 3];
    chip.triples[u] = VALUE_TRIPLE{MadeValue(static_cast<int>(u), 1) * 100.0f,
                                   static_cast<float>(u) * 0.25f, static_cast<int>(u % 4)};
  }
  return chip;
}

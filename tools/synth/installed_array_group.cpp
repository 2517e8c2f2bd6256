// The in-memory group of a synthetic chip and its arrays.
#include "tools/synth/installed_array_group.hpp"

#include <algorithm>
#include <vector>

#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "tools/synth/expected_layout.hpp"

namespace synth {

void InstallArrayGroup(const ChipTruth& chip, const ArrayGroupTruth& truth,
                       const std::string& stem) {
  const ExpectedLayout expected = Expect(chip);
  Layout = CDF_LAYOUT{};
  Layout.chipType = chip.chipType;
  Layout.dimension = expected.dimension;
  Layout.unitCount = static_cast<int>(expected.names.size());
  Layout.units.resize(expected.names.size());
  for (std::size_t u = 0; u < expected.names.size(); ++u) {
    Layout.units[u].SetName(expected.names[u]);
    Layout.units[u].pairCount = static_cast<std::int16_t>(expected.pairCounts[u]);
  }
  Layout.cells.assign(expected.cells.size(), CELL_RECORD{});
  for (std::size_t i = 0; i < expected.cells.size(); ++i) {
    const ExpectedCell& cell = expected.cells[i];
    if (cell.unit < 0) continue;
    Layout.cells[i] = {static_cast<std::uint16_t>(cell.unit), static_cast<std::int16_t>(cell.pair),
                       cell.value, cell.kind};
  }
  ArrayType = chip.arrayType;
  RotatedLayout = chip.rotated ? 1 : 0;
  ExonArray = chip.exon ? 1 : 0;
  PmOnly = chip.pmOnly ? 1 : 0;
  ProbesPerPair = 2 - PmOnly;
  BuildProbePositions();

  Group& group = TheGroup();
  group.ClearGroup();
  for (std::size_t a = 0; a < truth.arrays.size(); ++a) {
    ArraySlot& slot = group.NextArraySlot();
    slot.name = stem + (a + 1 < 10 ? "0" : "") + std::to_string(a + 1);
    slot.dataFile = slot.name + ".CEL";
    slot.intensities = truth.arrays[a].intensities;
    std::vector<std::uint16_t> sorted = slot.intensities;
    std::nth_element(sorted.begin(),
                     sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    slot.medianIntensity = sorted.empty() ? 0 : sorted[sorted.size() / 2];
    slot.values.assign(chip.units.size(), VALUE_TRIPLE{});
    if (chip.arrayType != 0)
      slot.calls = MakeGenotypes(chip, static_cast<std::uint64_t>(a) + 1);
    else
      slot.calls = truth.present;
    if (!group.CountArray()) break;
  }
  group.HasProbeData = true;
  group.HasCalls = true;
  group.Settings().LOAD_PROBE_DATA = 1;
  group.Settings().CUR_ARRAY = 0;
}

}  // namespace synth

#include "tools/synth/modelled_group.hpp"

#include "engine/base/missing_value.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"

namespace synth {

void UseUnitNames(const std::vector<std::string>& names) {
  Layout = CDF_LAYOUT{};
  Layout.units.resize(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) Layout.units[i].SetName(names[i]);
  Layout.unitCount = static_cast<int>(names.size());
}

void InstallValueArrays(const std::vector<std::string>& probeSets,
                        const std::vector<std::string>& arrays,
                        const std::vector<std::vector<double>>& values,
                        const std::vector<std::vector<double>>* errors) {
  UseUnitNames(probeSets);
  Group& group = TheGroup();
  group.ClearGroup();
  for (std::size_t a = 0; a < arrays.size(); ++a) {
    ArraySlot& slot = group.NextArraySlot();
    slot.name = arrays[a];
    slot.dataFile = slot.name + ".cel";
    slot.values.assign(probeSets.size(), VALUE_TRIPLE{});
    slot.calls.assign(probeSets.size(), kCallPresent);
    for (std::size_t g = 0; g < probeSets.size(); ++g) {
      const double value = values[g][a];
      slot.values[g].value = IsMissing(value) ? kMissingValueFloat : static_cast<float>(value);
      if (errors != nullptr) slot.values[g].stdErr = static_cast<float>((*errors)[g][a]);
    }
    if (!group.CountArray()) break;
  }
}

void FinishModelledGroup(bool withStdErrors) {
  Group& group = TheGroup();
  if (withStdErrors) group.HasStdErrors = true;
  group.HasCalls = true;
  group.Modelled = true;
  SampleGrouping.SetDefaultGrouping();
  GeneList = GENE_LIST{};
  ListAllUnits();
}

}  // namespace synth

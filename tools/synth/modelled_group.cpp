#include "tools/synth/modelled_group.hpp"

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

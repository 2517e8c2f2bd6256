// The frame of a group of expression values installed in memory without cell files: the
// probe sets by name alone, and the group marked modelled once its arrays are in.
#pragma once

#include <string>
#include <vector>

namespace synth {

// A layout of probe sets with these names and no cells.
void UseUnitNames(const std::vector<std::string>& names);

// Marks the group's arrays as modelled values with calls (and standard errors when
// withStdErrors), every array in the default grouping and every probe set listed.
void FinishModelledGroup(bool withStdErrors);

}  // namespace synth

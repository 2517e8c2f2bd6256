// The frame of a group of expression values installed in memory without cell files: the
// probe sets by name alone, the arrays filled from a table of values per probe set, and the
// group marked modelled once its arrays are in.
#pragma once

#include <string>
#include <vector>

namespace synth {

// A layout of probe sets with these names and no cells.
void UseUnitNames(const std::vector<std::string>& names);

// Names the probe sets (as UseUnitNames) and empties the group, then puts in one array per
// name of arrays: its data file "<name>.cel", every call present, values[g][a] as probe set
// g's value (MISSING_VALUE marked missing) and, when errors is given, errors[g][a] as its
// standard error. Stops where the group takes no more arrays.
void InstallValueArrays(const std::vector<std::string>& probeSets,
                        const std::vector<std::string>& arrays,
                        const std::vector<std::vector<double>>& values,
                        const std::vector<std::vector<double>>* errors);

// Marks the group's arrays as modelled values with calls (and standard errors when
// withStdErrors), every array in the default grouping and every probe set listed.
void FinishModelledGroup(bool withStdErrors);

}  // namespace synth

// Test support: a layout whose probe sets carry given names and no cells, and the names
// prefix0 ... prefix(count - 1).
#pragma once

#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"

namespace testing_units {

inline void UseUnitNames(const std::vector<std::string>& names) {
  Layout = CDF_LAYOUT{};
  Layout.units.resize(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) Layout.units[i].SetName(names[i]);
  Layout.unitCount = static_cast<int>(names.size());
}

inline std::vector<std::string> NumberedNames(const std::string& prefix, int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back(prefix + std::to_string(i));
  return names;
}

}  // namespace testing_units

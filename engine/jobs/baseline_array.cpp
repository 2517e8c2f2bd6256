// Choosing the baseline array.
#include "engine/jobs/baseline_array.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/group/group.hpp"

int ChooseBaselineArray() {
  Group& group = TheGroup();
  if (group.Normalized) {
    const int recorded = group.FindArrayByFile(ChipData.baselinePath);
    if (recorded >= 0) {
      group.BaselineArray = recorded;
      return recorded;
    }
  }
  std::vector<std::pair<int, int>> medians;  // (median intensity, array)
  medians.reserve(static_cast<std::size_t>(group.NumArrays()));
  for (int i = 0; i < group.NumArrays(); ++i)
    medians.emplace_back(group.Array(i).medianIntensity, i);
  // Ties go by array order, so the same group always gets the same baseline.
  std::sort(medians.begin(), medians.end());
  group.BaselineArray = medians.empty() ? 0 : medians[medians.size() / 2].second;
  return group.BaselineArray;
}

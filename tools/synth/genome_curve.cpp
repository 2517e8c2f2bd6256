#include "tools/synth/genome_curve.hpp"

#include <algorithm>

#include "tools/synth/random.hpp"

namespace synth {

CurveData DrawCurveData(const CurvePlan& plan) {
  SynthRandom random(plan.seed);
  const int n = std::max(plan.markers, 0);
  CurveData data;
  data.planted.assign(static_cast<std::size_t>(n), false);
  for (const auto& [first, last] : plan.planted) {
    for (int i = std::max(first, 0); i <= std::min(last, n - 1); ++i)
      data.planted[static_cast<std::size_t>(i)] = true;
  }
  const int sharing = static_cast<int>(plan.groups * plan.plantedShare + 0.5);
  for (int g = 0; g < plan.groups; ++g) {
    std::vector<bool> lost(static_cast<std::size_t>(n), false);
    // Own stretches until they cover their share; overlaps make the share a little less.
    const auto [shortest, longest] = plan.ownLength;
    const double mean = (shortest + longest) / 2.0;
    const int stretches = n == 0 ? 0 : static_cast<int>(n * plan.ownShare / mean + 0.5);
    for (int k = 0; k < stretches; ++k) {
      const int length = random.Between(shortest, longest);
      const int first = random.Between(0, std::max(n - length, 0));
      for (int i = first; i < std::min(first + length, n); ++i)
        lost[static_cast<std::size_t>(i)] = true;
    }
    if (g < sharing) {
      for (int i = 0; i < n; ++i)
        if (data.planted[static_cast<std::size_t>(i)]) lost[static_cast<std::size_t>(i)] = true;
    }
    std::vector<float>& values = data.lohProbability.emplace_back();
    for (int i = 0; i < n; ++i) {
      const double level = lost[static_cast<std::size_t>(i)] ? plan.lostLevel : plan.keptLevel;
      values.push_back(
          static_cast<float>(std::clamp(level + plan.noise * random.Normal(), 0.0, 1.0)));
    }
  }
  return data;
}

}  // namespace synth

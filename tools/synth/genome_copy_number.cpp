#include "tools/synth/genome_copy_number.hpp"

#include <algorithm>

#include "tools/synth/random.hpp"

namespace synth {

namespace {

// A signal of c copies (of one allele, or in all) around the normal mean of two copies.
float Draw(SynthRandom& random, double mean, double sd, double c) {
  return static_cast<float>(mean * c / 2 + sd * std::max(c / 2, 0.5) * random.Normal());
}

}  // namespace

CopyArrays DrawCopyArrays(const CopyPlan& plan) {
  SynthRandom random(plan.seed);
  const auto markers = static_cast<std::size_t>(plan.markers);
  CopyArrays arrays;
  arrays.mean.resize(markers);
  arrays.sd.resize(markers);
  for (std::size_t u = 0; u < markers; ++u) {
    arrays.mean[u] = static_cast<float>(500 + 2500 * random.Uniform());
    arrays.sd[u] = static_cast<float>(arrays.mean[u] * plan.spread);
  }
  const auto rows = [&](int count) {
    return std::vector<std::vector<float>>(static_cast<std::size_t>(count),
                                           std::vector<float>(markers));
  };
  arrays.copies = rows(plan.samples);
  arrays.firstParent = rows(plan.samples);
  arrays.secondParent = rows(plan.samples);
  for (std::size_t s = 0; s < arrays.copies.size(); ++s) {
    std::fill(arrays.copies[s].begin(), arrays.copies[s].end(), 2.0f);
    std::fill(arrays.firstParent[s].begin(), arrays.firstParent[s].end(), 1.0f);
    std::fill(arrays.secondParent[s].begin(), arrays.secondParent[s].end(), 1.0f);
  }
  for (const CopySegment& segment : plan.segments) {
    if (segment.sample < 0 || segment.sample >= plan.samples) continue;
    const auto s = static_cast<std::size_t>(segment.sample);
    for (int u = std::max(segment.first, 0); u <= segment.last && u < plan.markers; ++u) {
      const auto m = static_cast<std::size_t>(u);
      const double a = plan.parentSpecific ? segment.firstParent : segment.copies / 2;
      const double b = plan.parentSpecific ? segment.secondParent : segment.copies / 2;
      arrays.firstParent[s][m] = static_cast<float>(a);
      arrays.secondParent[s][m] = static_cast<float>(b);
      arrays.copies[s][m] = static_cast<float>(a + b);
    }
  }
  // Each parent's allele is A or B by even chance, drawn per sample and marker.
  const auto fill = [&](int count, const std::vector<std::vector<float>>* first,
                        const std::vector<std::vector<float>>* second,
                        std::vector<std::vector<float>>& total,
                        std::vector<std::vector<float>>& allB) {
    total = rows(count);
    if (plan.parentSpecific) allB = rows(count);
    for (int s = 0; s < count; ++s) {
      const auto row = static_cast<std::size_t>(s);
      for (std::size_t u = 0; u < markers; ++u) {
        const double a = first != nullptr ? (*first)[row][u] : 1.0;
        const double b = second != nullptr ? (*second)[row][u] : 1.0;
        if (!plan.parentSpecific) {
          total[row][u] = Draw(random, arrays.mean[u], arrays.sd[u], a + b);
          continue;
        }
        const bool firstIsA = random.Uniform() < 0.5;
        const bool secondIsA = random.Uniform() < 0.5;
        const double copiesA = (firstIsA ? a : 0) + (secondIsA ? b : 0);
        total[row][u] = Draw(random, arrays.mean[u], arrays.sd[u], copiesA);
        allB[row][u] = Draw(random, arrays.mean[u], arrays.sd[u], a + b - copiesA);
      }
    }
  };
  fill(plan.normals, nullptr, nullptr, arrays.normal, arrays.normalB);
  fill(plan.samples, &arrays.firstParent, &arrays.secondParent, arrays.signal, arrays.signalB);
  return arrays;
}

}  // namespace synth

#include "genome/linkage/inheritance_transition.hpp"

#include <algorithm>
#include <cmath>

#include "engine/services/log_channel.hpp"

double HaldaneTheta(double centiMorgans) {
  if (centiMorgans == -1) return 0.5;
  return (1 - std::exp(-0.02 * centiMorgans)) / 2;
}

void TransitionVectors(const float* src, float* dst, int bits, double theta, bool oneCrossover) {
  const std::uint32_t n = 1u << bits;
  if (theta == 0) {
    std::copy(src, src + n, dst);
    return;
  }
  FlushTinyValues flush;
  if (oneCrossover) {
    const auto stay = static_cast<float>(std::pow(1 - theta, bits));
    const auto move = static_cast<float>(theta * std::pow(1 - theta, bits - 1));
    for (std::uint32_t v = 0; v < n; ++v) {
      float neighbours = 0;
      for (int b = 0; b < bits; ++b) neighbours += src[v ^ (1u << b)];
      dst[v] = stay * src[v] + move * neighbours;
    }
    return;
  }
  // The kernel is a product over bits, so one pass per bit mixes each pair of vectors
  // that differ in that bit alone: bits x n work instead of n x n.
  const auto keep = static_cast<float>(1 - theta), flip = static_cast<float>(theta);
  std::copy(src, src + n, dst);
  for (int b = 0; b < bits; ++b) {
    const std::uint32_t step = 1u << b;
    for (std::uint32_t base = 0; base < n; base += 2 * step)
      for (std::uint32_t v = base; v < base + step; ++v) {
        const float x = dst[v], y = dst[v + step];
        dst[v] = keep * x + flip * y;
        dst[v + step] = flip * x + keep * y;
      }
  }
}

float MakeProb(float* v, std::uint32_t n, bool normalise, bool* degenerate) {
  double sum = 0;
  for (std::uint32_t i = 0; i < n; ++i) sum += v[i];
  if (sum > 0) {
    if (normalise) {
      const auto scale = static_cast<float>(1 / sum);
      for (std::uint32_t i = 0; i < n; ++i) v[i] *= scale;
    }
    return static_cast<float>(std::log10(sum));
  }
  LogMessage(MessageBuffer("    Vector sum is %f in MakeProb(); set to non-informative", sum), 0,
             kLogRed);
  std::fill(v, v + n, 1.0f / static_cast<float>(n));
  if (degenerate) *degenerate = true;
  return 0;
}

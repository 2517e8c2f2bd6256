#include "genome/linkage/inheritance_transition.hpp"

#include <algorithm>
#include <array>
#include <bit>
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
  // that differ in that bit alone: bits x n work instead of n x n. The three lowest bits
  // go together as an 8 x 8 block, whose rows vector registers take whole.
  const auto keep = static_cast<float>(1 - theta), flip = static_cast<float>(theta);
  int b = 0;
  if (bits >= 3) {
    std::array<std::array<float, 8>, 8> block{};
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j) {
        const int h = std::popcount(static_cast<unsigned>(i ^ j));
        block[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] =
            static_cast<float>(std::pow(theta, h) * std::pow(1 - theta, 3 - h));
      }
    for (std::uint32_t base = 0; base < n; base += 8) {
      std::array<float, 8> out{};
      for (int j = 0; j < 8; ++j) {
        const float x = src[base + static_cast<std::uint32_t>(j)];
        for (int i = 0; i < 8; ++i)
          out[static_cast<std::size_t>(i)] +=
              block[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] * x;
      }
      std::copy(out.begin(), out.end(), dst + base);
    }
    b = 3;
  } else {
    std::copy(src, src + n, dst);
  }
  // Two bits a pass halve the trips through memory.
  const float both = keep * keep, one = keep * flip, none = flip * flip;
  for (; b + 1 < bits; b += 2) {
    const std::uint32_t step = 1u << b;
    for (std::uint32_t base = 0; base < n; base += 4 * step) {
      float* __restrict w = dst + base;
      float* __restrict x = w + step;
      float* __restrict y = x + step;
      float* __restrict z = y + step;
      for (std::uint32_t k = 0; k < step; ++k) {
        const float a = w[k], c = x[k], d = y[k], e = z[k];
        w[k] = both * a + one * (c + d) + none * e;
        x[k] = both * c + one * (a + e) + none * d;
        y[k] = both * d + one * (a + e) + none * c;
        z[k] = both * e + one * (c + d) + none * a;
      }
    }
  }
  for (; b < bits; ++b) {
    const std::uint32_t step = 1u << b;
    for (std::uint32_t base = 0; base < n; base += 2 * step) {
      // The two halves never overlap; saying so lets the loop use vector registers.
      float* __restrict low = dst + base;
      float* __restrict high = low + step;
      for (std::uint32_t k = 0; k < step; ++k) {
        const float x = low[k], y = high[k];
        low[k] = keep * x + flip * y;
        high[k] = flip * x + keep * y;
      }
    }
  }
}

float MakeProb(float* v, std::uint32_t n, bool normalise, bool* degenerate) {
  // Eight running lanes let the sum use vector registers in a fixed order.
  std::array<double, 8> lane{};
  std::uint32_t i = 0;
  for (; i + 8 <= n; i += 8)
    for (std::uint32_t k = 0; k < 8; ++k) lane[k] += v[i + k];
  for (; i < n; ++i) lane[0] += v[i];
  const double sum =
      ((lane[0] + lane[1]) + (lane[2] + lane[3])) + ((lane[4] + lane[5]) + (lane[6] + lane[7]));
  if (sum > 0) {
    if (normalise) {
      const auto scale = static_cast<float>(1 / sum);
      for (std::uint32_t k = 0; k < n; ++k) v[k] *= scale;
    }
    return static_cast<float>(std::log10(sum));
  }
  LogMessage(MessageBuffer("    Vector sum is %f in MakeProb(); set to non-informative", sum), 0,
             kLogRed);
  std::fill(v, v + n, 1.0f / static_cast<float>(n));
  if (degenerate) *degenerate = true;
  return 0;
}

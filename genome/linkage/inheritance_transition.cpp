#include "genome/linkage/inheritance_transition.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/services/log_channel.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

// The lowest bits are mixed chunk by chunk while a chunk sits in the nearest cache; the
// higher bits then pass over slices of every chunk. 3 + 2k keeps the bits paired the same
// way whatever the vector count.
constexpr int kChunkBits = 11;
constexpr std::uint32_t kChunk = 1u << kChunkBits;
constexpr std::uint32_t kSlice = 64;  // floats of each chunk one high-bit task takes
// Sums and products are split in pieces of this many floats, so the order of the
// arithmetic is the same on one thread and many.
constexpr std::uint32_t kPiece = 1u << 14;
// Below this many floats a pass takes less time than waking the threads; such vectors stay
// on the calling thread, where the markers' likelihoods keep the others busy.
constexpr std::uint32_t kParallelFloats = 1u << 18;

int ThreadsFor(std::uint32_t n) {
  return n >= kParallelFloats ? platform::WorkerThreadCount() : 1;
}

struct Mixing {
  std::array<std::array<float, 8>, 8> block{};  // the three lowest bits together
  float keep = 0, flip = 0, both = 0, one = 0, none = 0;
};

// Eight floats as one value: elementwise arithmetic in vector registers of any width.
using Lanes = float __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void MixBlock(const Mixing& mix, const float* src, float* dst,
                                            std::uint32_t n) {
  std::array<Lanes, 8> rows{};
  for (std::size_t j = 0; j < 8; ++j) std::memcpy(&rows[j], mix.block[j].data(), sizeof(Lanes));
  for (std::uint32_t base = 0; base < n; base += 8) {
    Lanes out{};
    for (std::size_t j = 0; j < 8; ++j) out += rows[j] * src[base + j];
    std::memcpy(dst + base, &out, sizeof(Lanes));
  }
}

// Bits b and b + 1 together over the floats [from, from + count) of every run of 4 x step.
[[gnu::always_inline]] inline void MixPair(const Mixing& mix, float* dst, std::uint32_t n, int b,
                                           std::uint32_t from, std::uint32_t count) {
  const std::uint32_t step = 1u << b;
  for (std::uint32_t base = 0; base < n; base += 4 * step)
    for (std::uint32_t run = from; run < step; run += std::max(count, kChunk)) {
      float* __restrict w = dst + base + run;
      float* __restrict x = w + step;
      float* __restrict y = x + step;
      float* __restrict z = y + step;
      const std::uint32_t end = std::min(count, step - run);
      for (std::uint32_t k = 0; k < end; ++k) {
        const float a = w[k], c = x[k], d = y[k], e = z[k];
        w[k] = mix.both * a + mix.one * (c + d) + mix.none * e;
        x[k] = mix.both * c + mix.one * (a + e) + mix.none * d;
        y[k] = mix.both * d + mix.one * (a + e) + mix.none * c;
        z[k] = mix.both * e + mix.one * (c + d) + mix.none * a;
      }
    }
}

[[gnu::always_inline]] inline void MixSingle(const Mixing& mix, float* dst, std::uint32_t n, int b,
                                             std::uint32_t from, std::uint32_t count) {
  const std::uint32_t step = 1u << b;
  for (std::uint32_t base = 0; base < n; base += 2 * step)
    for (std::uint32_t run = from; run < step; run += std::max(count, kChunk)) {
      // The two halves never overlap; saying so lets the loop use vector registers.
      float* __restrict low = dst + base + run;
      float* __restrict high = low + step;
      const std::uint32_t end = std::min(count, step - run);
      for (std::uint32_t k = 0; k < end; ++k) {
        const float x = low[k], y = high[k];
        low[k] = mix.keep * x + mix.flip * y;
        high[k] = mix.flip * x + mix.keep * y;
      }
    }
}

// Every bit below `bits` of the n floats at dst (read from src for the three lowest).
[[gnu::always_inline]] inline void MixLow(const Mixing& mix, const float* src, float* dst,
                                          std::uint32_t n, int bits) {
  int b = 0;
  if (bits >= 3) {
    MixBlock(mix, src, dst, n);
    b = 3;
  } else {
    std::copy(src, src + n, dst);
  }
  for (; b + 1 < bits; b += 2) MixPair(mix, dst, n, b, 0, 1u << b);
  if (b < bits) MixSingle(mix, dst, n, b, 0, 1u << b);
}

// Bits from kChunkBits up, over the floats whose place within their chunk lies in
// [from, from + count).
[[gnu::always_inline]] inline void MixHigh(const Mixing& mix, float* dst, int bits,
                                           std::uint32_t from, std::uint32_t count) {
  const std::uint32_t n = 1u << bits;
  int b = kChunkBits;
  for (; b + 1 < bits; b += 2) MixPair(mix, dst, n, b, from, count);
  if (b < bits) MixSingle(mix, dst, n, b, from, count);
}

void MixLowPlain(const Mixing& mix, const float* src, float* dst, std::uint32_t n, int bits) {
  MixLow(mix, src, dst, n, bits);
}
[[gnu::target("avx2")]] void MixLowWide(const Mixing& mix, const float* src, float* dst,
                                        std::uint32_t n, int bits) {
  MixLow(mix, src, dst, n, bits);
}
void MixHighPlain(const Mixing& mix, float* dst, int bits, std::uint32_t from,
                  std::uint32_t count) {
  MixHigh(mix, dst, bits, from, count);
}
[[gnu::target("avx2")]] void MixHighWide(const Mixing& mix, float* dst, int bits,
                                         std::uint32_t from, std::uint32_t count) {
  MixHigh(mix, dst, bits, from, count);
}

// fn(first, end) over the pieces of [0, n), on all the threads the job may use.
template <class Fn>
void ForPieces(std::uint32_t n, const Fn& fn) {
  const auto pieces = static_cast<int>((n + kPiece - 1) / kPiece);
  platform::RunTasks(pieces, ThreadsFor(n), [&](int piece, bool) {
    FlushTinyValues flush;
    const std::uint32_t first = static_cast<std::uint32_t>(piece) * kPiece;
    fn(first, std::min(n, first + kPiece));
  });
}

bool Wide() {
  static const bool wide = __builtin_cpu_supports("avx2") != 0;
  return wide;
}

// dst(v) = sum over w of theta^h (1 - theta)^(bits - h) src(w), h the bits v and w differ in.
void MoveFreeBits(const float* src, float* dst, int bits, double theta) {
  const std::uint32_t n = 1u << bits;
  // The kernel is a product over bits, so one pass per bit mixes each pair of vectors
  // that differ in that bit alone: bits x n work instead of n x n. The three lowest bits
  // go together as an 8 x 8 block, whose rows vector registers take whole; two bits a pass
  // above them halve the trips through memory.
  Mixing mix;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      const int h = std::popcount(static_cast<unsigned>(i ^ j));
      mix.block[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] =
          static_cast<float>(std::pow(theta, h) * std::pow(1 - theta, 3 - h));
    }
  mix.keep = static_cast<float>(1 - theta);
  mix.flip = static_cast<float>(theta);
  mix.both = mix.keep * mix.keep, mix.one = mix.keep * mix.flip, mix.none = mix.flip * mix.flip;
  const auto low = Wide() ? &MixLowWide : &MixLowPlain;
  if (bits <= kChunkBits) {
    low(mix, src, dst, n, bits);
    return;
  }
  const auto high = Wide() ? &MixHighWide : &MixHighPlain;
  // Each float meets the same operations in the same order however the work is split.
  const int threads = ThreadsFor(n);
  platform::RunTasks(static_cast<int>(n / kChunk), threads, [&](int chunk, bool) {
    FlushTinyValues flushHere;
    const std::size_t at = static_cast<std::size_t>(chunk) * kChunk;
    low(mix, src + at, dst + at, kChunk, kChunkBits);
  });
  platform::RunTasks(static_cast<int>(kChunk / kSlice), threads, [&](int slice, bool) {
    FlushTinyValues flushHere;
    high(mix, dst, bits, static_cast<std::uint32_t>(slice) * kSlice, kSlice);
  });
}

}  // namespace

double HaldaneTheta(double centiMorgans) {
  if (centiMorgans == -1) return 0.5;
  return (1 - std::exp(-0.02 * centiMorgans)) / 2;
}

void TransitionVectors(const float* src, float* dst, int bits,
                       std::span<const std::uint32_t> founderFlips, double theta,
                       bool oneCrossover) {
  const std::uint32_t n = 1u << bits;
  if (theta == 0) {
    std::copy(src, src + n, dst);
    return;
  }
  FlushTinyValues flush;
  if (oneCrossover) {
    const int meioses = bits + static_cast<int>(founderFlips.size());
    const auto stay = static_cast<float>(std::pow(1 - theta, meioses));
    const auto move = static_cast<float>(theta * std::pow(1 - theta, meioses - 1));
    ForPieces(n, [&](std::uint32_t first, std::uint32_t end) {
      for (std::uint32_t v = first; v < end; ++v) {
        float neighbours = 0;
        for (int b = 0; b < bits; ++b) neighbours += src[v ^ (1u << b)];
        // A founder's fixed meiosis recombining is its free ones flipped (with none, v).
        for (const std::uint32_t flip : founderFlips) neighbours += src[v ^ flip];
        dst[v] = stay * src[v] + move * neighbours;
      }
    });
    return;
  }
  MoveFreeBits(src, dst, bits, theta);
  // The fixed meioses, founder by founder: each recombines, or not, as one more bit whose
  // flip is the founder's mask. A founder of one child flips nothing and leaves dst as it is.
  const auto keep = static_cast<float>(1 - theta), flip = static_cast<float>(theta);
  for (const std::uint32_t mask : founderFlips) {
    if (mask == 0) continue;
    // The pair (v, v ^ mask) belongs to the v without the mask's highest bit, so pieces
    // never share a float.
    const std::uint32_t high = std::bit_floor(mask);
    ForPieces(n, [&](std::uint32_t first, std::uint32_t end) {
      for (std::uint32_t v = first; v < end; ++v) {
        if ((v & high) != 0) continue;
        const float x = dst[v], y = dst[v ^ mask];
        dst[v] = keep * x + flip * y;
        dst[v ^ mask] = flip * x + keep * y;
      }
    });
  }
}

void MultiplyVectors(float* into, const float* by, std::uint32_t n) {
  ForPieces(n, [&](std::uint32_t first, std::uint32_t end) {
    for (std::uint32_t v = first; v < end; ++v) into[v] *= by[v];
  });
}

void ProductOfVectors(const float* x, const float* y, float* into, std::uint32_t n) {
  ForPieces(n, [&](std::uint32_t first, std::uint32_t end) {
    for (std::uint32_t v = first; v < end; ++v) into[v] = x[v] * y[v];
  });
}

float MakeProb(float* v, std::uint32_t n, bool normalise, bool* degenerate) {
  // Eight running lanes per piece let the sum use vector registers in a fixed order, and
  // the pieces' sums are added in their order.
  const std::uint32_t pieces = (n + kPiece - 1) / kPiece;
  std::vector<double> partial(pieces, 0);
  ForPieces(n, [&](std::uint32_t first, std::uint32_t end) {
    std::array<double, 8> lane{};
    std::uint32_t i = first;
    for (; i + 8 <= end; i += 8)
      for (std::uint32_t k = 0; k < 8; ++k) lane[k] += v[i + k];
    for (; i < end; ++i) lane[0] += v[i];
    partial[first / kPiece] =
        ((lane[0] + lane[1]) + (lane[2] + lane[3])) + ((lane[4] + lane[5]) + (lane[6] + lane[7]));
  });
  double sum = 0;
  for (const double s : partial) sum += s;
  if (sum > 0) {
    if (normalise) {
      const auto scale = static_cast<float>(1 / sum);
      ForPieces(n, [&](std::uint32_t first, std::uint32_t end) {
        for (std::uint32_t k = first; k < end; ++k) v[k] *= scale;
      });
    }
    return static_cast<float>(std::log10(sum));
  }
  LogMessage(MessageBuffer("    Vector sum is %f in MakeProb(); set to non-informative", sum), 0,
             kLogRed);
  std::fill(v, v + n, 1.0f / static_cast<float>(n));
  if (degenerate) *degenerate = true;
  return 0;
}

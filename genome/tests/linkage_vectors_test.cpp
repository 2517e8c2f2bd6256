// Moves between inheritance vectors against the kernel written out pair by pair, founders'
// fixed meioses included, and the split of large vectors over threads against one thread.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "genome/linkage/inheritance_transition.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

std::vector<float> RandomVector(int bits, std::mt19937& random) {
  std::uniform_real_distribution<float> u(0, 1);
  std::vector<float> v(std::size_t{1} << bits);
  for (float& x : v) x = u(random);
  return v;
}

// The result on one thread and on all; the two must agree to the bit.
template <class Fn>
void ExpectSameOnOneAndAllThreads(const Fn& fn, const char* what) {
  platform::LimitWorkerThreads(1);
  const std::vector<float> one = fn();
  platform::LimitWorkerThreads(0);
  const std::vector<float> all = fn();
  ASSERT_EQ(one.size(), all.size());
  EXPECT_EQ(std::memcmp(one.data(), all.data(), one.size() * sizeof(float)), 0) << what;
}

}  // namespace

// Founders' masks split the bits among them; some founders have one child and flip nothing.
// The pairwise kernel sums over every set S of founders whose fixed meioses recombine.
TEST(LinkageTransition, EveryBitCountMatchesThePairwiseKernel) {
  std::mt19937 random(5);
  // Up to 13 bits, past the size from which the moves split into chunks and slices.
  for (const int bits : {1, 2, 3, 4, 5, 8, 11, 12, 13})
    for (const int founders : {0, 1, 3})
      for (const bool oneCrossover : {false, true})
        for (const double theta : {0.013, 0.25, 0.5}) {
          // The founders' passes do not depend on how the free bits are chunked.
          if (founders > 0 && bits > 8) continue;
          const std::uint32_t n = 1u << bits;
          std::vector<std::uint32_t> flips(static_cast<std::size_t>(founders), 0);
          for (int b = 0; b < bits && founders > 0; ++b)
            if (random() % 3 != 0) flips[random() % flips.size()] |= 1u << b;
          if (founders == 3) flips[2] = 0;
          const std::vector<float> src = RandomVector(bits, random);
          std::vector<float> dst(n);
          TransitionVectors(src.data(), dst.data(), bits, flips, theta, oneCrossover);
          const int meioses = bits + founders;
          std::vector<double> weight(static_cast<std::size_t>(meioses) + 1);
          for (int h = 0; h <= meioses; ++h)
            weight[static_cast<std::size_t>(h)] =
                oneCrossover && h > 1 ? 0 : std::pow(theta, h) * std::pow(1 - theta, meioses - h);
          double worst = 0;
          for (std::uint32_t v = 0; v < n; ++v) {
            double expected = 0;
            for (std::uint32_t w = 0; w < n; ++w)
              for (std::uint32_t set = 0; set < (1u << founders); ++set) {
                std::uint32_t flipped = w;
                for (int f = 0; f < founders; ++f)
                  if (set >> f & 1u) flipped ^= flips[static_cast<std::size_t>(f)];
                const int h = std::popcount(set) + std::popcount(v ^ flipped);
                expected += weight[static_cast<std::size_t>(h)] * src[w];
              }
            worst = std::max(worst, std::abs(dst[v] - expected) / expected);
          }
          EXPECT_LT(worst, 2e-5) << bits << " bits, " << founders << " founders, theta " << theta
                                 << ", one crossover " << oneCrossover;
        }
}

TEST(LinkageTransition, LargeVectorsGiveTheSameBitsOnOneThreadAndMany) {
  CapturedLog log;
  std::mt19937 random(9);
  for (const int bits : {14, 19})
    for (const bool oneCrossover : {false, true}) {
      const std::vector<float> src = RandomVector(bits, random);
      // Masks that reach across the lowest and the highest bits.
      const std::vector<std::uint32_t> flips = {0x5u | 1u << (bits - 1), 1u << (bits - 2), 0};
      ExpectSameOnOneAndAllThreads(
          [&] {
            std::vector<float> dst(src.size());
            TransitionVectors(src.data(), dst.data(), bits, flips, 0.07, oneCrossover);
            // The products, the sum and the normalising take the same split.
            MultiplyVectors(dst.data(), src.data(), static_cast<std::uint32_t>(dst.size()));
            std::vector<float> product(src.size());
            ProductOfVectors(dst.data(), src.data(), product.data(),
                             static_cast<std::uint32_t>(src.size()));
            const float logSum =
                MakeProb(product.data(), static_cast<std::uint32_t>(product.size()), true, nullptr);
            product.push_back(logSum);
            return product;
          },
          oneCrossover ? "one crossover" : "full");
    }
}

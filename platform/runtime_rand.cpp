// The run-time library's rand(), reproduced so that label permutations are the same
// everywhere.
#include "platform/runtime_rand.hpp"

#include <cstdint>

namespace platform {
namespace {
std::uint32_t gState = 1;
}

int Rand() {
  gState = gState * 214013u + 2531011u;
  return static_cast<int>((gState >> 16) & 0x7FFFu);
}

void SeedRand(unsigned int seed) {
  gState = seed;
}

}  // namespace platform

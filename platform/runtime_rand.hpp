// The classic run-time library generator behind rand(): results that depend on it (the
// permutation of sample labels) come out the same on every machine.
#pragma once

namespace platform {

constexpr int kRandMax = 0x7FFF;

// state = state * 214013 + 2531011; result = (state >> 16) & 0x7FFF. The state starts at 1.
int Rand();
// Sets the state, as srand() does; the program itself never calls it (tests do).
void SeedRand(unsigned int seed);

}  // namespace platform

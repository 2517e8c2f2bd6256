// Counting the set bits of an inheritance vector inline: without a machine-specific build
// std::popcount is a library call, and the linkage walks count bits in their inner loops.
#pragma once

#include <cstdint>

// The number of set bits of x.
inline int BitCount(std::uint32_t x) {
  x -= (x >> 1) & 0x55555555u;
  x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
  x = (x + (x >> 4)) & 0x0f0f0f0fu;
  return static_cast<int>((x * 0x01010101u) >> 24);
}

// Whether x has at most two set bits.
inline bool AtMostTwoBits(std::uint32_t x) {
  x &= x - 1;
  return (x & (x - 1)) == 0;
}

// Test support: damaged copies of a well-formed file for the readers' fuzz entries —
// truncations at evenly spread lengths, then copies with a few bytes flipped (to any byte,
// or to one of the characters where text files break) within the first `span` bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline std::vector<Bytes> ByteVariants(const Bytes& seed, int count, std::uint32_t randomSeed,
                                       std::string_view textBytes, std::size_t span = SIZE_MAX) {
  std::vector<Bytes> variants;
  std::mt19937 random(randomSeed);
  const int cuts = count / 3;
  for (int i = 0; i < cuts; ++i)
    variants.emplace_back(
        seed.begin(),
        seed.begin() + static_cast<std::ptrdiff_t>(seed.size() * static_cast<std::size_t>(i) /
                                                   static_cast<std::size_t>(cuts)));
  span = std::min(span, seed.size());
  if (span == 0 || textBytes.empty()) return variants;
  while (static_cast<int>(variants.size()) < count) {
    Bytes copy = seed;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = random() % span;
      copy[at] = random() % 2 == 0
                     ? static_cast<std::uint8_t>(random() % 256)
                     : static_cast<std::uint8_t>(textBytes[random() % textBytes.size()]);
    }
    variants.push_back(std::move(copy));
  }
  return variants;
}

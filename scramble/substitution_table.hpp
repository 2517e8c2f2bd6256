// The fixed byte substitution behind libTamsk and its inverse, computed by the compiler so
// that calls only ever read them and may overlap freely.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tamsk {

using ByteTable = std::array<std::uint8_t, 256>;

// Changing the seed or the generator changes every scrambled text ever written, so both are
// fixed for good; the tests pin a few entries to catch an accidental change.
constexpr std::uint32_t kShuffleSeed = 0x7A3D1C5Bu;

// Fisher-Yates over entries 1..255, drawing from a 32-bit linear congruential generator
// (state = state * 1664525 + 1013904223, draw = state >> 8, slot = 1 + draw % i for i from
// 255 down to 2). Entry 0 stays 0 so that a non-zero byte never substitutes to the
// terminator; a 0xFF at an even position, complemented to 0, likewise stays 0.
constexpr ByteTable MakeSubstitutionTable() {
  ByteTable table{};
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i);
  std::uint32_t state = kShuffleSeed;
  for (std::uint32_t i = 255; i >= 2; --i) {
    state = state * 1664525u + 1013904223u;
    const std::uint32_t slot = 1 + (state >> 8) % i;
    const std::uint8_t held = table[i];
    table[i] = table[slot];
    table[slot] = held;
  }
  return table;
}

constexpr ByteTable MakeInverseTable(const ByteTable& table) {
  ByteTable inverse{};
  for (std::size_t i = 0; i < table.size(); ++i) inverse[table[i]] = static_cast<std::uint8_t>(i);
  return inverse;
}

constexpr bool IsPermutationFixingZero(const ByteTable& table) {
  std::array<bool, 256> seen{};
  for (std::uint8_t value : table) {
    if (seen[value]) return false;
    seen[value] = true;
  }
  return table[0] == 0;
}

// Not inline: each user keeps its own read-only copy instead of sharing one process-wide
// symbol across libraries.
constexpr ByteTable kSubstitution = MakeSubstitutionTable();
constexpr ByteTable kInverseSubstitution = MakeInverseTable(kSubstitution);

static_assert(IsPermutationFixingZero(kSubstitution),
              "the substitution must be a permutation of the byte values that keeps 0");

}  // namespace tamsk

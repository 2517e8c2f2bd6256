// The marker every analysis uses for a value that is absent, and the one test for it.
#pragma once

#include <bit>
#include <cstdint>

inline constexpr double MISSING_VALUE = -1000000.0;
// The same marker where values are kept as floats; it widens to MISSING_VALUE exactly.
inline constexpr float kMissingValueFloat = -1000000.0f;

inline constexpr std::uint64_t kMissingValueBits = 0xC12E848000000000ULL;
static_assert(std::bit_cast<std::uint64_t>(MISSING_VALUE) == kMissingValueBits);
static_assert(static_cast<double>(kMissingValueFloat) == MISSING_VALUE);

// Bit-exact, so a computed value that merely comes close is never taken for the marker.
constexpr bool IsMissing(double value) {
  return std::bit_cast<std::uint64_t>(value) == kMissingValueBits;
}

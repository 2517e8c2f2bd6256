#include "genome/inference/random_seed.hpp"

std::int32_t DefaultRandomSeed(std::int64_t secondsSince1970) {
  std::int64_t seconds = secondsSince1970 % 10000000;
  if (seconds < 0) seconds += 10000000;
  // The low 32 bits of the square, read as a two's-complement value.
  const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds * seconds));
  const std::int64_t wrapped =
      low >= 0x80000000u ? static_cast<std::int64_t>(low) - 0x100000000LL : low;
  // The most negative value has no positive twin in 32 bits; it stays the largest seed.
  const std::int64_t positive = wrapped < 0 ? -wrapped : wrapped;
  return static_cast<std::int32_t>(positive > INT32_MAX ? INT32_MAX : positive);
}

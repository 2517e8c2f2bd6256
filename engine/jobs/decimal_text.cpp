#include "engine/jobs/decimal_text.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// 10^0 ... 10^22 are exact doubles.
constexpr std::array<double, 23> kExactPowers = [] {
  std::array<double, 23> powers{};
  double p = 1.0;
  for (double& power : powers) {
    power = p;
    p *= 10.0;
  }
  return powers;
}();

// Lower bounds of the decades the fast path knows, 1e-5 ... 1e15.
constexpr int kLowestDecade = -5;
constexpr std::array<double, 21> kDecades = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,
                                             1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                             1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

char* Fallback(char* out, double value) {
  return std::to_chars(out, out + kSixDigitsRoom, value, std::chars_format::general, 6).ptr;
}

// "00" ... "99".
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// The words of digits below are stored lowest byte first.
static_assert(std::endian::native == std::endian::little);

std::uint64_t PairWord(std::uint32_t pair) {
  std::uint16_t word = 0;
  std::memcpy(&word, &kDigitPairs[2 * pair], 2);
  return word;
}

// The six digits of digits (100000 ... 999999) in %g form for decimal exponent exponent.
// The digits are put together in a register, the first in the lowest byte, and stored a
// whole word at a time past the end of the text, inside kSixDigitsRoom.
char* PlaceDigits(char* out, std::uint32_t digits, int exponent) {
  const std::uint32_t high = digits / 10000;
  const std::uint32_t low = digits - high * 10000;
  const std::uint64_t word = PairWord(high) | PairWord(low / 100) << 16 | PairWord(low % 100) << 32;
  int last = 5;  // the last digit kept: trailing zeros of the fraction go
  for (std::uint32_t rest = digits; last > 0 && rest % 10 == 0; rest /= 10) --last;
  if (exponent >= -4 && exponent < 6) {
    if (exponent < 0) {
      static constexpr char kLeadingZeros[8] = {'0', '.', '0', '0', '0', '0', '0', '0'};
      std::memcpy(out, kLeadingZeros, 8);
      out += 1 - exponent;
      std::memcpy(out, &word, 8);
      return out + last + 1;
    }
    std::memcpy(out, &word, 8);
    out += exponent + 1;
    if (last > exponent) {
      *out++ = '.';
      const std::uint64_t fraction = word >> (8 * (exponent + 1));
      std::memcpy(out, &fraction, 8);
      out += last - exponent;
    }
    return out;
  }
  *out++ = static_cast<char>(word & 0xff);
  if (last > 0) {
    *out++ = '.';
    const std::uint64_t fraction = word >> 8;
    std::memcpy(out, &fraction, 8);
    out += last;
  }
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
  *out++ = static_cast<char>('0' + magnitude / 10 % 10);
  *out++ = static_cast<char>('0' + magnitude % 10);
  return out;
}

}  // namespace

char* FormatSixDigits(char* out, double value) {
  const double magnitude = std::fabs(value);
  if (!(magnitude >= kDecades.front() && magnitude < kDecades.back() * 10.0))
    return Fallback(out, value);
  // The decade from the binary exponent (log10(2) ~ 1233 / 4096), put right by at most
  // one step either way; every magnitude here is a normal number.
  const int binaryExponent =
      static_cast<int>((std::bit_cast<std::uint64_t>(magnitude) >> 52) & 0x7ff) - 1023;
  int decade = std::clamp((binaryExponent * 1233 >> 12) - kLowestDecade, 0,
                          static_cast<int>(kDecades.size()) - 1);
  if (decade + 1 < static_cast<int>(kDecades.size()) &&
      magnitude >= kDecades[static_cast<std::size_t>(decade + 1)])
    ++decade;
  else if (decade > 0 && magnitude < kDecades[static_cast<std::size_t>(decade)])
    --decade;
  int exponent = decade + kLowestDecade;
  const int shift = 5 - exponent;
  const double scaled = shift >= 0 ? magnitude * kExactPowers[static_cast<std::size_t>(shift)]
                                   : magnitude / kExactPowers[static_cast<std::size_t>(-shift)];
  // One rounding step away from the exact product: a tie that close, or a decade the
  // table placed wrongly, is left to the exact conversion.
  if (scaled < 100000.0 || scaled >= 1000000.0) return Fallback(out, value);
  const auto whole = static_cast<std::uint32_t>(scaled);
  const double fraction = scaled - static_cast<double>(whole);
  if (std::fabs(fraction - 0.5) < 1e-6) return Fallback(out, value);
  std::uint32_t digits = whole + (fraction > 0.5 ? 1u : 0u);
  if (digits == 1000000u) {
    digits = 100000u;
    ++exponent;
  }
  if (value < 0) *out++ = '-';
  return PlaceDigits(out, digits, exponent);
}

bool ParseFloatField(std::string_view text, float& value) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\t'))
    text.remove_suffix(1);
  const char* at = text.data();
  const char* end = at + text.size();
  const char* start = at;
  const bool plus = at != end && *at == '+';
  if (plus) start = ++at;
  const bool negative = !plus && at != end && *at == '-';
  if (negative) ++at;
  // Up to seven digits (leading zeros aside) with at most ten after the point are exact in
  // a float, as is the power of ten they are divided by, so one division rounds as the
  // exact conversion does. Seven digits at most is a whole below 10^7.
  std::uint64_t digits = 0;
  const char* const whole = at;
  while (at != end && static_cast<unsigned>(*at - '0') <= 9)
    digits = digits * 10 + static_cast<unsigned>(*at++ - '0');
  std::size_t count = static_cast<std::size_t>(at - whole);
  std::size_t fractionDigits = 0;
  if (at != end && *at == '.') {
    const char* const fraction = ++at;
    while (at != end && static_cast<unsigned>(*at - '0') <= 9)
      digits = digits * 10 + static_cast<unsigned>(*at++ - '0');
    fractionDigits = static_cast<std::size_t>(at - fraction);
    count += fractionDigits;
  }
  // Nineteen digits cannot overflow the sum.
  if (at == end && count > 0 && count <= 19 && fractionDigits <= 10 && digits < 10000000u) {
    static constexpr std::array<float, 11> kPowers = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                      1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const float magnitude =
        static_cast<float>(static_cast<std::uint32_t>(digits)) / kPowers[fractionDigits];
    value = negative ? -magnitude : magnitude;
    return true;
  }
  if (start != end && (*start == '+' || (plus && *start == '-'))) return false;
  float parsed = 0.0f;
  const auto result = std::from_chars(start, end, parsed);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

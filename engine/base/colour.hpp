// Colours as the engine keeps them: 0x00BBGGRR values, turned into screen colours only
// where the shell draws them.
#pragma once

#include <cstdint>

using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int red, int green, int blue) {
  return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(COLORREF colour) {
  return colour & 0xFF;
}
constexpr int GreenOf(COLORREF colour) {
  return (colour >> 8) & 0xFF;
}
constexpr int BlueOf(COLORREF colour) {
  return (colour >> 16) & 0xFF;
}

// The colour of annotation term i and of sample-information category i. Unsigned, so
// that the large hash values categories are coloured by wrap instead of overflowing.
constexpr COLORREF TermColor(std::uint32_t i) {
  return RGB(static_cast<int>(33u * (i + 1u) % 215u + 40u),
             static_cast<int>(55u * (i + 1u) % 215u + 40u),
             static_cast<int>(77u * (i + 1u) % 215u + 40u));
}

// The four colours of the analysis log.
constexpr COLORREF kLogBlack = 0x000000;  // progress, counts, information
constexpr COLORREF kLogRed = 0x0000FF;    // errors and warnings
constexpr COLORREF kLogBlue = 0xFF0000;   // command blocks "{" ... "}", results
constexpr COLORREF kLogGreen = 0x238E6B;  // the command line of an outside program

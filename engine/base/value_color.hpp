// The colour of one value in the heat maps of the cluster, chromosome and genome views:
// shades of red for values above 0 and green (or blue on a white scale) below, reaching
// full strength at the display range. Inline: views colour every cell they draw.
#pragma once

#include <cmath>

#include "engine/base/colour.hpp"
#include "engine/base/missing_value.hpp"

inline constexpr COLORREF kMissingValueColor = RGB(150, 150, 150);
inline constexpr int kFullValueStrength = 255;

// The strength 0..255 of a value: |x| / range x 255, rounded half up and capped at 255.
// A range of 0 or below (or not a number) gives every non-zero value full strength.
inline int ValueStrength(double x, double displayRange) {
  const double magnitude = std::fabs(x);
  if (magnitude == 0.0) return 0;
  // Guards the division: a setting of 0 would turn 0/0 into a colour of chance.
  if (!(displayRange > 0.0)) return kFullValueStrength;
  const double scaled = magnitude / displayRange * kFullValueStrength + 0.5;
  return scaled >= kFullValueStrength ? kFullValueStrength : static_cast<int>(scaled);
}

// Missing and non-finite values are grey. With greenRed, x > 0 is RGB(c, 0, 0) and the
// rest RGB(0, c, 0), so 0 is black; without, x > 0 is RGB(255, 255-c, 255-c) and the rest
// RGB(255-c, 255-c, 255), so 0 is white.
inline COLORREF ValueToColor(double x, double displayRange, bool greenRed) {
  if (IsMissing(x) || !std::isfinite(x)) return kMissingValueColor;
  const int c = ValueStrength(x, displayRange);
  if (greenRed) return x > 0.0 ? RGB(c, 0, 0) : RGB(0, c, 0);
  return x > 0.0 ? RGB(kFullValueStrength, kFullValueStrength - c, kFullValueStrength - c)
                 : RGB(kFullValueStrength - c, kFullValueStrength - c, kFullValueStrength);
}

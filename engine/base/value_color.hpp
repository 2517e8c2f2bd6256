// The colour of one value in the heat maps of the cluster, chromosome and genome views:
// shades of red for values above 0 and green (or blue on a white scale) below, reaching
// full strength at the display range.
#pragma once

#include "engine/base/colour.hpp"

inline constexpr COLORREF kMissingValueColor = RGB(150, 150, 150);

// The strength 0..255 of a value: |x| / range x 255, rounded half up and capped at 255.
// A range of 0 or below (or not a number) gives every non-zero value full strength.
int ValueStrength(double x, double displayRange);

// Missing and non-finite values are grey. With greenRed, x > 0 is RGB(c, 0, 0) and the
// rest RGB(0, c, 0), so 0 is black; without, x > 0 is RGB(255, 255-c, 255-c) and the rest
// RGB(255-c, 255-c, 255), so 0 is white.
COLORREF ValueToColor(double x, double displayRange, bool greenRed);

// Heat-map colours of values.
#include "engine/base/value_color.hpp"

#include <cmath>

#include "engine/base/missing_value.hpp"

namespace {
constexpr int kFullStrength = 255;
}  // namespace

int ValueStrength(double x, double displayRange) {
  const double magnitude = std::fabs(x);
  if (magnitude == 0.0) return 0;
  // Guards the division: a setting of 0 would turn 0/0 into a colour of chance.
  if (!(displayRange > 0.0)) return kFullStrength;
  const double scaled = magnitude / displayRange * kFullStrength + 0.5;
  return scaled >= kFullStrength ? kFullStrength : static_cast<int>(scaled);
}

COLORREF ValueToColor(double x, double displayRange, bool greenRed) {
  if (IsMissing(x) || !std::isfinite(x)) return kMissingValueColor;
  const int c = ValueStrength(x, displayRange);
  if (greenRed) return x > 0.0 ? RGB(c, 0, 0) : RGB(0, c, 0);
  return x > 0.0 ? RGB(kFullStrength, kFullStrength - c, kFullStrength - c)
                 : RGB(kFullStrength - c, kFullStrength - c, kFullStrength);
}

// The black-to-yellow scale of intensities.
#include "engine/base/brightness_scale.hpp"

#include <algorithm>

namespace {
constexpr double kLevels = 255.0;
}

int BrightnessLevel(double v, int low, int high) {
  if (high < low || !(v == v)) return 0;
  const double held = std::clamp(v, static_cast<double>(low), static_cast<double>(high));
  // Plus one, so that a range of a single value divides by 1, not 0.
  const double span = static_cast<double>(high) - low + 1.0;
  return static_cast<int>((held - low) * kLevels / span + 0.5);
}

COLORREF BrightnessColor(double v, int low, int high) {
  const int level = BrightnessLevel(v, low, high);
  return RGB(level, level, 0);
}

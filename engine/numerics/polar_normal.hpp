// Two independent standard normal deviates from uniform draws by the polar method: points
// of the square [-1, 1)^2 are drawn until one falls inside the unit circle (its centre
// left out), and its two coordinates are scaled onto the normal.
#pragma once

#include <cmath>

struct NormalPair {
  double first = 0.0;   // from the point's first coordinate
  double second = 0.0;  // from its second
};

// drawUniform() gives a uniform deviate in [0, 1); each point takes two, first coordinate
// first.
template <typename DrawUniform>
NormalPair PolarNormalPair(DrawUniform&& drawUniform) {
  double x = 0.0;
  double y = 0.0;
  double radiusSquared = 0.0;
  do {
    x = 2.0 * drawUniform() - 1.0;
    y = 2.0 * drawUniform() - 1.0;
    radiusSquared = x * x + y * y;
  } while (radiusSquared >= 1.0 || radiusSquared == 0.0);
  const double factor = std::sqrt(-2.0 * std::log(radiusSquared) / radiusSquared);
  return {x * factor, y * factor};
}

// The black-to-yellow intensity scale against its formula over a whole range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/base/brightness_scale.hpp"

namespace {

TEST(BrightnessScaleTest, FollowsTheFormulaAndHoldsValuesInsideTheRange) {
  for (const auto& [low, high] : {std::pair{100, 1100}, std::pair{0, 254}, std::pair{7, 7}}) {
    for (int v = low - 50; v <= high + 50; ++v) {
      const double held = std::clamp<double>(v, low, high);
      const int expected =
          static_cast<int>(std::trunc((held - low) * 255.0 / (high - low + 1) + 0.5));
      ASSERT_EQ(BrightnessLevel(v, low, high), expected) << low << " " << high << " " << v;
      ASSERT_EQ(BrightnessColor(v, low, high), RGB(expected, expected, 0));
    }
    EXPECT_EQ(BrightnessLevel(low, low, high), 0);
  }
  // Anchors computed by hand: the plus one keeps the top of a short range below yellow.
  EXPECT_EQ(BrightnessLevel(1100, 100, 1100), 255);
  EXPECT_EQ(BrightnessLevel(254, 0, 254), 254);
  EXPECT_EQ(BrightnessLevel(3, 0, 3), 191);
  EXPECT_EQ(BrightnessLevel(5.0, 10, 2), 0) << "an empty range";
}

}  // namespace

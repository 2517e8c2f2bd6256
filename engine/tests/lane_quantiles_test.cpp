// The side-by-side quantiles give SelectQuantile's value of the absolute values of every row
// they take: row lengths up to the largest they take, every quantile they take, rows of many
// ties, of zeros of both signs, infinities, sorted and reversed, row counts that leave
// lanes empty, and a row with NaN told apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "engine/numerics/lane_quantiles.hpp"
#include "engine/numerics/numerics.hpp"

namespace {

// A non-negative value of one of several forms.
double Value(int form, std::mt19937_64& engine) {
  std::uniform_real_distribution<double> spread(0.0, 1000.0);
  std::uniform_int_distribution<int> level(0, 2);
  switch (form) {
    case 0:
      return spread(engine);
    case 1:
      return level(engine);  // three values only, zero among them
    case 2:
      return level(engine) == 0 ? std::numeric_limits<double>::infinity() : spread(engine);
    default:
      return std::round(spread(engine) / 100.0);
  }
}

}  // namespace

TEST(LaneAbsQuantiles, GiveSelectQuantilesValueOfEveryRowTheyTake) {
  std::mt19937_64 engine(20261211);
  constexpr double kQuantiles[] = {0.5, 0.7, 0.8, 0.9, 0.95, 1.0};
  int checked = 0;
  for (int n = 1; n <= 48; ++n)
    for (const double q : kQuantiles) {
      if (!LaneAbsQuantilesTake(n, q)) continue;
      for (const int rows : {1, 3, 4, 7, 13}) {
        const int form = (n + rows) % 6;
        // Rows with room after their values, which no row may read.
        const auto stride = static_cast<std::size_t>(n + rows % 3);
        std::vector<double> values(stride * static_cast<std::size_t>(rows),
                                   std::numeric_limits<double>::quiet_NaN());
        for (int r = 0; r < rows; ++r) {
          double* const row = values.data() + static_cast<std::size_t>(r) * stride;
          // Signs are dropped: negative values, and zeros of both signs.
          for (int j = 0; j < n; ++j) row[j] = (j % 2 == 0 ? -1.0 : 1.0) * Value(form % 4, engine);
          if (form == 4) std::sort(row, row + n);
          if (form == 5) std::sort(row, row + n, std::greater<>());
        }
        // One row with NaN among its values when there are several.
        if (rows > 3) values[2 * stride + static_cast<std::size_t>(n / 2)] = std::nan("");
        std::vector<double> quantiles(static_cast<std::size_t>(rows), -2.0);
        std::unique_ptr<bool[]> taken(new bool[static_cast<std::size_t>(rows)]);
        LaneAbsQuantiles(values.data(), stride, rows, n, q, quantiles.data(), taken.get());
        for (int r = 0; r < rows; ++r) {
          const double* const row = values.data() + static_cast<std::size_t>(r) * stride;
          std::vector<double> work;
          for (int j = 0; j < n; ++j) work.push_back(std::fabs(row[j]));
          const bool withNan =
              std::any_of(work.begin(), work.end(), [](double v) { return std::isnan(v); });
          EXPECT_EQ(taken[static_cast<std::size_t>(r)], !withNan) << "n " << n << " row " << r;
          if (withNan) continue;
          EXPECT_EQ(quantiles[static_cast<std::size_t>(r)], SelectQuantile(work.data(), n, q))
              << "n " << n << " q " << q << " row " << r << " form " << form;
          ++checked;
        }
      }
    }
  EXPECT_GT(checked, 2000);
}

TEST(LaneAbsQuantiles, TakeRowsWhoseQuantileIsAmongTheirFewLargest) {
  for (int n = 1; n <= 24; ++n) EXPECT_TRUE(LaneAbsQuantilesTake(n, 0.8)) << n;
  EXPECT_TRUE(LaneAbsQuantilesTake(40, 0.8));   // 8 values at or above the 32nd smallest
  EXPECT_FALSE(LaneAbsQuantilesTake(41, 0.8));  // 9 values
  EXPECT_FALSE(LaneAbsQuantilesTake(0, 0.8));
  EXPECT_FALSE(LaneAbsQuantilesTake(100, 0.5));
}

// The branch-free selection gives SelectQuantile's value on every list it takes: lengths
// on both sides of its short-list and partition bounds, values drawn from few levels (so
// that pivots meet long runs of ties), sorted, reversed and constant lists, and every
// quantile from the smallest to the largest; the values it is given stay untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/numerics/numerics.hpp"
#include "engine/numerics/partitioned_select.hpp"

namespace {

// Non-negative lists of one of several forms.
std::vector<double> List(int n, int form, std::mt19937_64& engine) {
  std::vector<double> values(static_cast<std::size_t>(n));
  std::uniform_real_distribution<double> spread(0.0, 1000.0);
  std::uniform_int_distribution<int> level(0, 3);
  for (double& value : values) {
    switch (form) {
      case 0:
        value = spread(engine);
        break;
      case 1:
        value = level(engine);  // four values only, zero among them
        break;
      case 2:
        value = 7.5;
        break;
      default:
        value = std::round(spread(engine) / 50.0);
        break;
    }
  }
  if (form == 4) std::sort(values.begin(), values.end());
  if (form == 5) std::sort(values.rbegin(), values.rend());
  return values;
}

}  // namespace

TEST(PartitionedSelect, GivesSelectQuantilesValueOnEveryListItTakes) {
  std::mt19937_64 engine(20261211);
  constexpr double kQuantiles[] = {0.0, 0.01, 0.25, 0.5, 0.8, 0.95, 0.999, 1.0};
  int lists = 0;
  for (const int n : {1, 2, 11, 24, 25, 26, 31, 64, 99, 100, 101, 257, 999, 1000, 1001, 1500})
    for (int form = 0; form < 6; ++form)
      for (int repeat = 0; repeat < 3; ++repeat) {
        const std::vector<double> values = List(n, form, engine);
        for (const double q : kQuantiles) {
          std::vector<double> work = values;
          const double expected = SelectQuantile(work.data(), n, q);
          EXPECT_EQ(PartitionedQuantile(values.data(), n, q), expected)
              << "n " << n << " form " << form << " q " << q;
        }
        ++lists;
      }
  EXPECT_EQ(lists, 16 * 6 * 3);

  // The list itself is read only.
  const std::vector<double> values = List(300, 0, engine);
  const std::vector<double> before = values;
  static_cast<void>(PartitionedQuantile(values.data(), 300, 0.8));
  EXPECT_EQ(values, before);
}

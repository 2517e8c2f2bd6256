#include "engine/numerics/lane_quantiles.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "engine/numerics/numerics.hpp"

namespace {

// Two values in one register of any processor. Written as a > b ? a : b and a < b ? a : b,
// each choice is one maximum or minimum instruction.
using Pair = double __attribute__((vector_size(2 * sizeof(double))));
using PairMask = std::int64_t __attribute__((vector_size(2 * sizeof(std::int64_t))));
// Rows side by side: two pairs.
constexpr int kLanes = 4;

// The `Kept` largest absolute values of each of four rows in descending order, each value
// going down the short list by a maximum and a minimum per place; the list's length is
// fixed, so it stays in registers. A NaN compares unordered with itself.
template <int Kept>
void SmallestOfLargest(const double* values, std::size_t rowStride, int rows, int n,
                       double* quantiles, bool* numbers) {
  const double lowest = -std::numeric_limits<double>::infinity();
  for (int first = 0; first < rows; first += kLanes) {
    // A last group short of rows repeats its last row in the lanes it lacks.
    std::array<const double*, kLanes> row;
    for (int l = 0; l < kLanes; ++l)
      row[static_cast<std::size_t>(l)] =
          values + static_cast<std::size_t>(std::min(first + l, rows - 1)) * rowStride;
    std::array<std::array<Pair, 2>, Kept> largest;
    for (auto& place : largest) place.fill(Pair{lowest, lowest});
    std::array<PairMask, 2> unordered{};
    for (int j = 0; j < n; ++j) {
#pragma GCC unroll 2
      for (int p = 0; p < 2; ++p) {
        Pair value{std::fabs(row[2 * static_cast<std::size_t>(p)][j]),
                   std::fabs(row[2 * static_cast<std::size_t>(p) + 1][j])};
        unordered[static_cast<std::size_t>(p)] |= value != value;
#pragma GCC unroll 8
        for (int m = 0; m < Kept; ++m) {
          Pair& place = largest[static_cast<std::size_t>(m)][static_cast<std::size_t>(p)];
          const Pair above = value > place ? value : place;
          value = value < place ? value : place;
          place = above;
        }
      }
    }
    for (int l = 0; l < kLanes && first + l < rows; ++l) {
      const auto p = static_cast<std::size_t>(l / 2);
      const auto lane = static_cast<std::size_t>(l % 2);
      quantiles[first + l] = largest[Kept - 1][p][lane];
      numbers[first + l] = unordered[p][lane] == 0;
    }
  }
}

template <int... Kept>
constexpr auto SmallestOfLargestTable(std::integer_sequence<int, Kept...>) {
  return std::array<void (*)(const double*, std::size_t, int, int, double*, bool*),
                    sizeof...(Kept)>{&SmallestOfLargest<Kept + 1>...};
}

// How many of the n values lie at or above the k-th smallest.
int KeptLargest(int n, double q) {
  return n - QuantileRank(n, q);
}

}  // namespace

bool LaneAbsQuantilesTake(int n, double q) {
  return n >= 1 && KeptLargest(n, q) <= kLaneQuantileMaxKept;
}

void LaneAbsQuantiles(const double* values, std::size_t rowStride, int rows, int n, double q,
                      double* quantiles, bool* numbers) {
  static constexpr auto kSmallestOfLargest =
      SmallestOfLargestTable(std::make_integer_sequence<int, kLaneQuantileMaxKept>{});
  kSmallestOfLargest[static_cast<std::size_t>(KeptLargest(n, q) - 1)](values, rowStride, rows, n,
                                                                      quantiles, numbers);
}

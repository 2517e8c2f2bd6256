// Three-way partitions around the median of three, written without branches.
#include "engine/numerics/partitioned_select.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "engine/numerics/numerics.hpp"
#include "engine/numerics/sort_steps.hpp"

namespace {

// Lists shorter than this are sorted outright, as SelectQuantile sorts its short lists.
constexpr int kPartitionedFrom = 25;

}  // namespace

double PartitionedQuantile(const double* values, int n, double q) {
  if (n < kPartitionedFrom) {
    std::array<double, kPartitionedFrom> copy;
    std::copy_n(values, std::max(n, 0), copy.begin());
    return SelectQuantile(copy.data(), n, q);
  }
  if (n > kPartitionedSelectMax) {
    std::vector<double> copy(values, values + n);
    return SelectQuantile(copy.data(), n, q);
  }
  const double position = std::floor(n * q);
  int k = !(position > 0.0) ? 0 : position >= n ? n - 1 : static_cast<int>(position);
  // Each value is written to both sides and only the side it belongs to counts it. A
  // partition never writes before the value it reads, so a side may be partitioned into
  // itself. The values equal to the pivot are the middle part.
  std::array<double, kPartitionedSelectMax> lower;
  std::array<double, kPartitionedSelectMax> upper;
  const double* current = values;
  while (n >= kPartitionedFrom) {
    const double first = current[0];
    const double middle = current[n / 2];
    const double last = current[n - 1];
    const double pivot = std::max(std::min(first, middle), std::min(std::max(first, middle), last));
    int below = 0;
    int above = 0;
    for (int i = 0; i < n; ++i) {
      const double value = current[i];
      lower[static_cast<std::size_t>(below)] = value;
      upper[static_cast<std::size_t>(above)] = value;
      below += value < pivot ? 1 : 0;
      above += value > pivot ? 1 : 0;
    }
    if (k < below) {
      current = lower.data();
      n = below;
    } else if (k >= n - above) {
      k -= n - above;
      current = upper.data();
      n = above;
    } else {
      return pivot;
    }
  }
  std::array<double, kPartitionedFrom> rest;
  std::copy_n(current, n, rest.begin());
  InsertionSort(rest.data(), n);
  return rest[static_cast<std::size_t>(k)];
}

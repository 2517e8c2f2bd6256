// SelectQuantile's value of the absolute values of many short rows at once, four rows side
// by side in lanes: a row's quantile near its top is the smallest of its few largest
// values, and those are kept for four rows in registers by maxima and minima, with no
// branch, no value moved and nothing stored but the results.
#pragma once

#include <cstddef>

// The most of a row's largest values the lanes keep.
inline constexpr int kLaneQuantileMaxKept = 8;

// Whether LaneAbsQuantiles takes rows of n values at quantile q: n >= 1 and the k-th
// smallest (QuantileRank) among the kLaneQuantileMaxKept largest.
bool LaneAbsQuantilesTake(int n, double q);

// Row r is the n values from values + r * rowStride, for r < rows, and n one that
// LaneAbsQuantilesTake takes. quantiles[r] becomes SelectQuantile's value of the row's
// absolute values at q, and numbers[r] whether none of them is NaN; a row with NaN has no
// quantile here (quantiles[r] is then of no use).
void LaneAbsQuantiles(const double* values, std::size_t rowStride, int rows, int n, double q,
                      double* quantiles, bool* numbers);

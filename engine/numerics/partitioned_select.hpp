// SelectQuantile's value found by partitions that take no branch per value: for lists of
// a few dozen to a thousand numbers, whose unpredictable comparisons cost a selection more
// than its arithmetic.
#pragma once

// The most values the partitions hold; a longer list takes SelectQuantile.
inline constexpr int kPartitionedSelectMax = 1000;

// The value SelectQuantile(values, n, q) returns, leaving values as they are. No value may
// be NaN, and no two values may be zeros of different signs (absolute values and positive
// numbers are neither): the k-th smallest is then one value, whichever selection finds it.
double PartitionedQuantile(const double* values, int n, double q);

// Distances between two profiles for hierarchical clustering, over the positions where
// both have a value. A pair that shares too few values, or whose correlation is
// undefined (a constant side), has no distance: MISSING_VALUE, which the clustering ranks
// after every real distance instead of letting it win or lose every comparison.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "genes/cluster/cluster_settings.hpp"

// Shared present values a correlation needs: with fewer, r is always +1 or -1.
inline constexpr int kMinSharedForCorrelation = 3;
// Shared present values the Euclidean distance needs.
inline constexpr int kMinSharedForEuclidean = 1;

// Over the positions where both profiles have a value: how many there are and, when at
// least fewest, the sums of the products of their deviations from the means there.
struct SharedDeviations {
  int shared = 0;
  double aa = 0.0;
  double bb = 0.0;
  double ab = 0.0;
};
SharedDeviations SharedDeviationSums(const double* a, const double* b, std::size_t n, int fewest);

// Profiles that are equal up to scale and offset (duplicated, or standardised rows of
// genes that differ only so) have r = +1 or -1, but rounding leaves it a few units in
// the last place short, by amounts that differ from pair to pair; the merge order would
// then follow those specks. Within this many rounding units per shared value r counts
// as exactly +1 or -1, so such pairs tie at distance 0.
inline constexpr double kCorrelationTieUnits = 16.0;

// r, taken as exactly +1 or -1 when within rounding of it over shared values.
inline double TiedCorrelation(double r, int shared) {
  const double tolerance = kCorrelationTieUnits * shared * std::numeric_limits<double>::epsilon();
  if (r >= 1.0 - tolerance) return 1.0;
  if (r <= -1.0 + tolerance) return -1.0;
  return r;
}

struct ProfileDistance {
  double distance = 0.0;  // MISSING_VALUE when there is none
  bool positive = false;  // correlation measures: r > 0
};

// The distance under measure (ClusterDistance) between a and b of n values each.
ProfileDistance ProfileDistanceOf(const double* a, const double* b, int n, int measure);

// A profile prepared for fast Pearson correlations: when complete (no missing value and
// some spread), its values centred and scaled to unit length, so that r is one dot
// product. Incomplete profiles fall back on the general routine.
struct CenteredProfile {
  std::vector<double> unit;  // empty when the profile is not complete
};
CenteredProfile CenterProfile(const double* x, int n);
// 1 - r or 1 - |r| of two complete centred profiles. Inline: the triangle calls it for
// every pair.
inline double CenteredCorrelationDistance(const CenteredProfile& a, const CenteredProfile& b, int n,
                                          int measure, bool* positive) {
  const double* x = a.unit.data();
  const double* y = b.unit.data();
  // Four running sums let the compiler keep several products in flight.
  double s0 = 0.0;
  double s1 = 0.0;
  double s2 = 0.0;
  double s3 = 0.0;
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    s0 += x[k] * y[k];
    s1 += x[k + 1] * y[k + 1];
    s2 += x[k + 2] * y[k + 2];
    s3 += x[k + 3] * y[k + 3];
  }
  for (; k < n; ++k) s0 += x[k] * y[k];
  const double r = TiedCorrelation(std::clamp((s0 + s1) + (s2 + s3), -1.0, 1.0), n);
  *positive = r > 0.0;
  return measure == kDistanceAbsoluteCorrelation ? 1.0 - std::fabs(r) : 1.0 - r;
}

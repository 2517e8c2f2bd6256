// Distances between two profiles for hierarchical clustering, over the positions where
// both have a value. A pair that shares too few values, or whose correlation is
// undefined (a constant side), has no distance: MISSING_VALUE, which the clustering ranks
// after every real distance instead of letting it win or lose every comparison.
#pragma once

#include <cstddef>
#include <vector>

#include "genes/cluster_settings.hpp"

// Shared present values a correlation needs: with fewer, r is always +1 or -1.
inline constexpr int kMinSharedForCorrelation = 3;
// Shared present values the Euclidean distance needs.
inline constexpr int kMinSharedForEuclidean = 1;

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
// 1 - r or 1 - |r| of two complete centred profiles.
double CenteredCorrelationDistance(const CenteredProfile& a, const CenteredProfile& b, int n,
                                   int measure, bool* positive);

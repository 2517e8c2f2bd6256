// Profile distances of the clustering, with the shared-value rules that keep a pair
// without a meaningful distance out of the comparisons.
#include "genes/cluster/cluster_distance.hpp"

#include <algorithm>
#include <cmath>

#include "engine/base/missing_value.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/numerics/rank_correlation.hpp"

SharedDeviations SharedDeviationSums(const double* a, const double* b, std::size_t n, int fewest) {
  SharedDeviations sums;
  double sumA = 0.0;
  double sumB = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    if (IsMissing(a[k]) || IsMissing(b[k])) continue;
    sumA += a[k];
    sumB += b[k];
    ++sums.shared;
  }
  if (sums.shared < fewest) return sums;
  const double meanA = sumA / sums.shared;
  const double meanB = sumB / sums.shared;
  for (std::size_t k = 0; k < n; ++k) {
    if (IsMissing(a[k]) || IsMissing(b[k])) continue;
    const double da = a[k] - meanA;
    const double db = b[k] - meanB;
    sums.ab += da * db;
    sums.aa += da * da;
    sums.bb += db * db;
  }
  return sums;
}

namespace {

struct Correlation {
  double r = 0.0;
  bool defined = false;
  int shared = 0;
};

Correlation PearsonShared(const double* a, const double* b, int n) {
  const SharedDeviations sums =
      SharedDeviationSums(a, b, static_cast<std::size_t>(std::max(n, 0)), kMinSharedForCorrelation);
  if (sums.shared < kMinSharedForCorrelation) return {};
  if (!(sums.aa > 0.0) || !(sums.bb > 0.0)) return {};
  const double r = sums.ab / std::sqrt(sums.aa * sums.bb);
  if (!std::isfinite(r)) return {};
  return {std::clamp(r, -1.0, 1.0), true, sums.shared};
}

Correlation SpearmanShared(const double* a, const double* b, int n) {
  // One pair of buffers per thread: the triangle asks for millions of pairs.
  thread_local std::vector<double> x;
  thread_local std::vector<double> y;
  x.clear();
  y.clear();
  for (int k = 0; k < n; ++k) {
    if (IsMissing(a[k]) || IsMissing(b[k])) continue;
    x.push_back(a[k]);
    y.push_back(b[k]);
  }
  const int shared = static_cast<int>(x.size());
  if (shared < kMinSharedForCorrelation) return {};
  // Ranks of a constant side are all tied: no correlation to speak of.
  const auto constant = [](const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [&](double value) { return value == v.front(); });
  };
  if (constant(x) || constant(y)) return {};
  double d = 0.0;
  double zd = 0.0;
  double probd = 0.0;
  double rs = 0.0;
  double probrs = 0.0;
  SpearmanCorrelation(x.data(), y.data(), shared, &d, &zd, &probd, &rs, &probrs);
  if (!std::isfinite(rs)) return {};
  return {std::clamp(rs, -1.0, 1.0), true, shared};
}

ProfileDistance FromCorrelation(const Correlation& c, int measure) {
  if (!c.defined) return {MISSING_VALUE, false};
  const double r = TiedCorrelation(c.r, c.shared);
  const double distance = measure == kDistanceAbsoluteCorrelation ? 1.0 - std::fabs(r) : 1.0 - r;
  return {distance, r > 0.0};
}

}  // namespace

ProfileDistance ProfileDistanceOf(const double* a, const double* b, int n, int measure) {
  switch (measure) {
    case kDistanceRankCorrelation:
      return FromCorrelation(SpearmanShared(a, b, n), measure);
    case kDistanceEuclidean: {
      int shared = 0;
      for (int k = 0; k < n; ++k)
        if (!IsMissing(a[k]) && !IsMissing(b[k])) ++shared;
      if (shared < kMinSharedForEuclidean) return {MISSING_VALUE, false};
      return {RmsDifference(a, b, n), false};
    }
    case kDistanceAbsoluteCorrelation:
    case kDistanceCorrelation:
    default:
      return FromCorrelation(PearsonShared(a, b, n), measure);
  }
}

CenteredProfile CenterProfile(const double* x, int n) {
  CenteredProfile result;
  if (n < kMinSharedForCorrelation) return result;
  double sum = 0.0;
  for (int k = 0; k < n; ++k) {
    if (IsMissing(x[k])) return result;
    sum += x[k];
  }
  const double mean = sum / n;
  double squares = 0.0;
  for (int k = 0; k < n; ++k) squares += (x[k] - mean) * (x[k] - mean);
  if (!(squares > 0.0) || !std::isfinite(squares)) return result;
  const double scale = 1.0 / std::sqrt(squares);
  result.unit.resize(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) result.unit[static_cast<std::size_t>(k)] = (x[k] - mean) * scale;
  return result;
}

#include "genes/compare/compare_statistics.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/numerics/numerics.hpp"
#include "engine/numerics/random_deviates.hpp"

FiellerBounds FIELLER(double a, double b) {
  const double q = kFiellerChiSquare;
  const double qa = b * b - q;
  const double qb = -2.0 * a * b;
  const double qc = a * a - q;
  const double d = qb * qb - 4.0 * qa * qc;
  if (qa == 0.0) {
    if (qb < 0.0) return {std::max(-qc / qb, 0.0), kUnboundedFold};
    if (qb > 0.0) return {0.0, std::max(-qc / qb, 0.0)};
    return qc > 0.0 ? FiellerBounds{0.0, 0.0} : FiellerBounds{0.0, kUnboundedFold};
  }
  const double root = d >= 0.0 ? std::sqrt(d) : 0.0;
  const double r1 = (-qb - root) / (2.0 * qa);
  const double r2 = (root - qb) / (2.0 * qa);
  if (qa > 0.0) {
    if (d < 0.0) return {0.0, 0.0};
    return r1 >= 0.0 ? FiellerBounds{r1, r2} : FiellerBounds{0.0, std::max(r2, 0.0)};
  }
  // The baseline is not significantly above zero: the interval has no upper end.
  if (d < 0.0) return {0.0, kUnboundedFold};
  return r2 > 0.0 ? FiellerBounds{0.0, kUnboundedFold}
                  : FiellerBounds{std::max(r1, 0.0), kUnboundedFold};
}

FoldChange GetFoldChangeBound(double m1, double s1, double m2, double s2) {
  if (IsMissing(m1) || IsMissing(m2)) return {MISSING_VALUE, MISSING_VALUE, MISSING_VALUE};
  FoldChange result;
  if (m1 < 0.0) m1 = 1.0;
  if (m2 < 0.0) m2 = 1.0;
  if (m1 == 0.0 || m2 == 0.0) return result;
  double sign = 1.0;
  if (m1 < m2) {
    std::swap(m1, m2);
    std::swap(s1, s2);
    sign = -1.0;
  }
  // m2 is now the smaller mean and above zero.
  result.fold = sign * m1 / m2;
  if (IsMissing(s1) || IsMissing(s2) || s1 <= 0.0 || s2 <= 0.0) {
    result.lower = result.upper = result.fold;
    return result;
  }
  FiellerBounds bounds = FIELLER(m1 / s1, m2 / s2);
  const double scale = s1 / s2;
  bounds.lower *= scale;
  if (bounds.upper != kUnboundedFold) bounds.upper *= scale;
  result.lower = sign * bounds.lower;
  result.upper = sign * bounds.upper;
  return result;
}

TTestResult WelchTTest(double meanB, double seB, int nB, double meanE, double seE, int nE) {
  TTestResult result;
  if (IsMissing(meanB) || IsMissing(meanE) || IsMissing(seB) || IsMissing(seE)) return result;
  if (nB < 2 || nE < 2) return result;
  const double vB = seB * seB;
  const double vE = seE * seE;
  const double v = vB + vE;
  if (!(v > 0.0)) return result;
  const double df = v * v / (vE * vE / (nE - 1) + vB * vB / (nB - 1));
  if (!(df > 0.0) || !std::isfinite(df)) return result;
  result.t = (meanE - meanB) / std::sqrt(v);
  result.p = TwoSidedTPValue(result.t, df);
  return result;
}

SetStatistics SampleSetMean(std::span<const double> values, std::span<const double> stdErrs,
                            bool considerError) {
  SetStatistics s;
  const std::size_t n = values.size();
  if (n == 0) return s;
  if (n == 1) {
    s.present = IsMissing(values[0]) ? 0 : 1;
    s.mean = values[0];
    s.stdErr = stdErrs[0];
    return s;
  }
  if (considerError) {
    bool withError = false;
    for (std::size_t i = 0; i < n; ++i) withError = withError || stdErrs[i] > 0.0;
    if (withError) {
      for (std::size_t i = 0; i < n; ++i) s.present += IsMissing(values[i]) ? 0 : 1;
      WeightedMeanWithErrors(values.data(), stdErrs.data(), static_cast<int>(n), &s.mean,
                             &s.stdErr);
      return s;
    }
  }
  SetSums sums(values[0]);
  for (std::size_t i = 0; i < n; ++i) sums.Add(values[i]);
  return PlainSetMean(sums);
}

TTestResult PairedTTestOfDifferences(std::span<const double> d, std::span<const double> e,
                                     bool considerError) {
  TTestResult result;
  const SetStatistics s = SampleSetMean(d, e, considerError);
  if (s.present < 2 || IsMissing(s.mean) || IsMissing(s.stdErr) || !(s.stdErr > 0.0)) return result;
  result.t = s.mean / s.stdErr;
  result.p = TwoSidedTPValue(result.t, s.present - 1);
  return result;
}

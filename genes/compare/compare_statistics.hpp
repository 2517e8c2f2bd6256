// The statistics one comparison computes for a gene: the fold change of two means with
// its 90% confidence interval from Fieller's theorem, and the unpaired (Welch) and paired
// t tests. A result that cannot be computed is MISSING_VALUE, and a missing value passes
// no test.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>

#include "engine/base/missing_value.hpp"

// Chi-square quantile of one degree of freedom at 90%.
inline constexpr double kFiellerChiSquare = 2.705543;
// Stands for an unbounded upper limit of the fold change interval.
inline constexpr double kUnboundedFold = 1e8;

struct FoldChange {
  double fold = 0.0;   // experiment / baseline; a decrease is -(baseline / experiment)
  double lower = 0.0;  // 90% confidence bounds, on the same signed scale
  double upper = 0.0;
};

// Bounds of the ratio a / b (a and b each a mean over its standard error) on the ratio
// scale; upper is kUnboundedFold when the interval has no upper end.
struct FiellerBounds {
  double lower = 0.0;
  double upper = 0.0;
};
FiellerBounds FIELLER(double a, double b);

// Fold change of the experiment mean m1 (standard error s1) over the baseline mean m2
// (s2). Either mean missing: all three missing. A negative mean counts as 1.0; a mean of
// zero gives 0, 0, 0, a fold that no fold test passes. With either standard error 0 the
// bounds are the fold itself.
FoldChange GetFoldChangeBound(double m1, double s1, double m2, double s2);

struct TTestResult {
  double t = MISSING_VALUE;
  double p = MISSING_VALUE;
  bool Missing() const { return IsMissing(t); }
};

// Welch's test of two means from their standard errors, over nB and nE values present.
// Missing when a mean is missing, a side has fewer than two values, both standard errors
// are 0, or the degrees of freedom are not a positive number.
TTestResult WelchTTest(double meanB, double seB, int nB, double meanE, double seE, int nE);

// Paired t test of per-pair differences d with their standard errors e (MISSING_VALUE
// where absent): the mean difference over its standard error, n - 1 degrees of freedom.
// With considerError and some e above 0 the mean and its error come from
// WeightedMeanWithErrors. Missing when fewer than two differences are present or the
// standard error is 0.
TTestResult PairedTTestOfDifferences(std::span<const double> d, std::span<const double> e,
                                     bool considerError);

// Mean and standard error of a sample set's values (missing ones skipped): one value is
// its own mean and error; with considerError and some error above 0 the weighted mean of
// WeightedMeanWithErrors, else the plain mean and standard error of the mean, which is
// exactly 0 when the values present are all equal.
struct SetStatistics {
  double mean = MISSING_VALUE;
  double stdErr = MISSING_VALUE;
  int present = 0;  // values not missing
};
SetStatistics SampleSetMean(std::span<const double> values, std::span<const double> stdErrs,
                            bool considerError);

// The count, range and sums of a set's values present, taken one value at a time without
// branches (this runs for every set of every gene), so that a caller gathering the values
// can sum them on the way. The sums are of the values less a shift near them (one of the
// values), which keeps the squares from cancelling the spread.
struct SetSums {
  explicit SetSums(double near) : shift(IsMissing(near) ? 0.0 : near) {}
  double shift;
  int present = 0;
  double sum = 0.0;
  double squares = 0.0;
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void Add(double v) {
    const bool missing = IsMissing(v);
    const double d = missing ? 0.0 : v - shift;
    sum += d;
    squares += d * d;
    present += missing ? 0 : 1;
    low = std::min(low, missing ? low : v);
    high = std::max(high, missing ? high : v);
  }
};
// The plain mean and standard error of SampleSetMean from the sums. Inline, so that the
// sums of a caller's loop never leave its registers.
inline SetStatistics PlainSetMean(const SetSums& sums) {
  SetStatistics s;
  s.present = sums.present;
  if (sums.present == 0) return s;
  const double n = sums.present;
  s.mean = sums.shift + sums.sum / n;
  s.stdErr = 0.0;
  // Equal values have no spread at all, however the sums round.
  if (sums.present < 2 || sums.low == sums.high) return s;
  const double variance = (sums.squares - sums.sum * sums.sum / n) / (n - 1.0);
  s.stdErr = std::sqrt(std::max(variance, 0.0) / n);
  return s;
}

// Shared numerical routines: log-factorials, statistics that skip missing values,
// significance of t and correlation values, quantile selection and small comparators
// and text helpers. The random deviates live in random_deviates.hpp, the rank
// correlation in rank_correlation.hpp.
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/missing_value.hpp"

// ln(n!). Values for n up to 100 are cached for the process; a negative n logs a
// message and gives 0.0.
double factln(int n);

// n over k, rounded to the nearest integer from the log-factorials.
double BinomialCoefficient(int n, int k);

// ln Gamma(x) for x > 0 (six-term Lanczos approximation, error below 2e-10).
double LogGamma(double x);

// Regularised incomplete beta I_x(a, b). Accurate to about 3e-7; x is not range checked.
double IncompleteBeta(double a, double b, double x);

// Root mean square of x[i] - y[i] over the pairs where neither is missing; 3.0 when
// there is no such pair.
double RmsDifference(const double* x, const double* y, int n);

void SwapDouble(double* a, double* b);
void SwapInt(int* a, int* b);

// Mean of the non-missing values; MISSING_VALUE when there is none.
double MeanMissing(const double* x, int n);

// Standard deviation about the given mean (not recomputed) of the k non-missing values,
// or with standardError set the standard error s / sqrt(k). MISSING_VALUE when k is 0,
// 0.0 when k is 1.
double StdDevMissing(const double* x, double mean, int n, bool standardError);

// With standardise set, turns each non-missing value v into (v - m) / s (0.0 when s is
// 0), where m is centre unless centre is MISSING_VALUE, else the mean. Returns s, or
// with ratio set abs(s / m). MISSING_VALUE (and nothing changed, except a single value
// being set to 0.0 when standardising) when fewer than two values are present.
double StandardizeMissing(double* x, int n, bool standardise, bool ratio, double centre);

// Mean and standard error of the non-missing values.
void MeanAndStdErr(const double* x, int n, double* mean, double* se);

// Two-sided p-value of Student's t with df degrees of freedom.
double TwoSidedTPValue(double t, double df);

// Two-sided p-value of a correlation coefficient r over n pairs (n - 2 degrees of
// freedom), from the incomplete beta.
double CorrelationPValue(double r, int n);

void ScaleVector(double* x, double factor, int n);

// The k-th smallest value, k = floor(n * q) (n - 1 when that reaches n, so q = 1 gives
// the largest). Partially reorders values in place. MISSING_VALUE when n <= 0.
double SelectQuantile(double* values, int n, double q);
// The k of SelectQuantile's k-th smallest of n values (n >= 1).
int QuantileRank(int n, double q);
// The same k-th smallest of 16-bit values, found by counting them instead of reordering:
// the value SelectQuantile gives for them. MISSING_VALUE when there are none.
double SelectQuantile(std::span<const std::uint16_t> values, double q);

// Sum over the entries not masked (mask null, or mask[i] == 0) of (x - cx)(y - cy);
// with centre set cx and cy are those entries' sums divided by the full count n.
double CrossProductMasked(const double* x, const double* y, int n, const short* mask, bool centre);

// True when the mean absolute difference of the unmasked entries (divided by the full
// count n) is below 1e-6.
bool VectorsConverged(const double* x, const double* y, int n, const short* mask);

// Mean +- 3 standard deviations of the values left when one smallest and one largest
// value are set aside. Both bounds are MISSING_VALUE when fewer than three values are given.
void OutlierBounds(const double* x, int n, double* low, double* high);
// The same on values the caller has no further use for: the smallest is swapped with the
// last but one and then the largest with the last, as OutlierBounds does in its copy.
void OutlierBoundsInPlace(double* x, int n, double* low, double* high);

// Ascending comparators in the qsort shape: 1, 0 or -1.
int CompareFloat(const void* a, const void* b);
int CompareDouble(const void* a, const void* b);
// First minus second (saturated to the int range).
int CompareInt(const void* a, const void* b);

// Upper-cases text in place and returns it; a null pointer comes back unchanged.
char* ToUpper(char* text);
// Removes trailing blanks and tabs in place.
void TrimTrailingBlanks(char* text);

// For tests: clears every process-wide cache and generator state (log-factorial cache,
// shuffle table and last output, stored Gaussian deviate, the NormalDeviate seed and
// the deviate cache of WeightedMeanWithErrors), as at program start.
void ResetNumericState();

// What is done to the group's expression values after they are fitted or read: low
// values raised to a floor, and the log transform.
#pragma once

// printf forms: the percentile and its value; the floor; the log base.
inline constexpr const char* kAbsentPercentileMessage =
    "\n  The %d-th percentile of the expression values for absent genes is %.2f";
inline constexpr const char* kTruncatingMessage = "  Truncating expression values to %.2f...\n";
inline constexpr const char* kLogTransformMessage =
    "  Log %.0f transforming the expression values (< 1 values truncated to 1 first)...\n";
// Our own: a base that gives no logarithm.
inline constexpr const char* kLogBaseUnusableMessage =
    "  Log base %g cannot be used; the expression values are not transformed\n";

// With TRUNCATE__ and/or TRUNCATE_PCT__ on, raises every value below the floor (the fixed
// TRUNCATE_VALUE, the TRUNCATE_PCT_VALUE-th percentile of the values called absent, or
// the larger of the two) to the floor, with a standard error of 0. Missing values stay
// missing. Nothing happens with both switches off.
void TruncateExpression();

// Only when the group is modelled, LOG_TRANSFORM is on and the arrays are expression
// arrays: every value v becomes log(max(v, 1)) in base LOG_BASE with a standard error of
// 0; the group is then Logged and carries no standard errors. Missing values stay missing.
void LogTransformExpression();

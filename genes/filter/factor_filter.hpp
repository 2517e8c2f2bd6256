// The ANOVA gene filter: every probe set tested against the categories of one factor of
// the sample information, or the interaction of two; the genes whose p-value reaches the
// group's threshold go to a table. A numeric factor is a correlation filter instead
// (factor_correlation.hpp).
#pragma once

#include <string>

inline constexpr const char* kObtainFactorMessage = "  Obtain factor information";
// printf form with the samples known in every factor, all samples and ANOVA_FACTOR.
inline constexpr const char* kFactorSamplesMessage = "    %d of %d sample have information on '%s'";
// Around the path.
inline constexpr const char* kFactorWriteFailedStart = "  Writing file ";
inline constexpr const char* kFactorWriteFailedEnd = " failed; is it open in Excel?";
// Followed by the threshold's text.
inline constexpr const char* kFilteringByMessage = "  Filtering by p-value ";
// printf form with ARRAY_LIST_FILE and "Yes" or "No" by USE_STD_SEP.
inline constexpr const char* kFactorListMessage =
    "    Use array list file '%s', use standardize separators: %s";
// printf form with the probe sets done.
inline constexpr const char* kFactorGeneMessage = "    Gene %d";
// printf form with the count and the path.
inline constexpr const char* kAnovaSavedMessage =
    "    %d genes passing ANOVA filtering saved in '%s'";

// Our own: a numeric second factor has no categories to cross with the first; printf form
// with its name.
inline constexpr const char* kNumericSecondFactorMessage =
    "    Error: the second factor '%s' is numeric; the interaction test needs categories";

// Tests every probe set (control probe sets left out with OMIT_VOSK) against ANOVA_FACTOR
// and writes those with p <= ANOVA_PVALUE to path. False, logged in red, when a factor is
// not a sample-information column, the second one is numeric, or the file cannot be written.
bool FilterGenesByFactor(const std::string& path);

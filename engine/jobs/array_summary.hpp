// The array summary table of the group: one row per array with its file, median
// intensity, call rate and, once modelled, its outlier percentages.
#pragma once

#include <string>

// printf forms: the path; the group name, array count and path.
inline constexpr const char* kSummaryWriteFailedMessage =
    "  Writing file '%s'  failed. Possibly the file is open in Excel or wrong directory name\n";
inline constexpr const char* kSummaryWritingMessage = "  Writing array summary file %s\n";
inline constexpr const char* kGroupContainsMessage =
    "  Group \"%s\" contains %d arrays; see '%s' for details\n";
// An array whose share of array-outlier probe sets exceeds this is marked in the table.
inline constexpr double kArrayOutlierWarningFraction = 0.05;

// "<WORKING_DIR>/<group name> arrays.xls".
std::string ArraySummaryPath();

// Writes the table and registers it; modelForm false is the opening's form, which also
// logs how many arrays the group holds. A file that cannot be written is logged in red.
void WriteArraySummary(bool modelForm);

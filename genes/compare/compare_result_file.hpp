// The compare result file: a tab-separated table that opens with the comparison list and
// its options, so that it is also where the list is kept between runs.
#pragma once

#include <string>

#include "genes/compare/compare_criteria.hpp"

inline constexpr const char* kCompareCriteriaHeading = "[COMPARE_CRITERIA_V2]";
inline constexpr const char* kCompareResultHeading = "[COMPARE_RESULT]";
inline constexpr const char* kCriteriaColumnTitles =
    "$Parenthesis\tCombine\tBaseline\tExperiment\tE/B>\tor B/E>\tUse\tE-B>\tor B-E>\tP value "
    "<=\tP call % of B >=\tand P call % of E >=\tPair P value <=";
// Lines are read up to this length.
inline constexpr std::size_t kCompareLineLength = 20000;
// The option lines this version writes.
inline constexpr int kCompareOptionLines = 5;
// More option lines than this are not believed.
inline constexpr int kMaxCompareOptionLines = 1000;

// printf forms with the path.
inline constexpr const char* kCompareFileMissingMessage =
    "  Compare result file \"%s\" does not exist; will create new file\n";
inline constexpr const char* kCompareFileOldMessage =
    "  The file '%s' does not contain the comparison criteria usable with this Zelko version\n";
inline constexpr const char* kCompareRowsMissingMessage =
    "  Error: did not find specified number of comparison criterion lines";
// printf form with the count and the path.
inline constexpr const char* kCompareReadMessage =
    "  Read in %d comparison criteria line in file '%s'\n";
// Our own: a count of rows that is not a whole number a list can hold; printf form with
// the count's text.
inline constexpr const char* kCompareCountBadMessage =
    "  Error: the number of comparison criterion lines '%s' is not a count from 0 to 28";
// Our own: printf form with the count's text.
inline constexpr const char* kCompareOptionCountBadMessage =
    "  Error: the number of option lines '%s' is not a count from 0 to 1000";
// Our own: a row whose fields or samples cannot be believed (a threshold neither "NA"
// nor a finite number among them); printf form with the row, followed by ": " and what
// is wrong with which field.
inline constexpr const char* kCompareRowBadMessage =
    "  Error: comparison criterion line %d is not valid";
// Fields of a criterion row that is not a parenthesis.
inline constexpr std::size_t kCriteriaFields = 13;

// Appends the block of the list and its options (lines up to "[COMPARE_RESULT]"), the
// options taken from the group settings.
void AppendCriteriaBlock(std::string& text, const COMPARE_CRITERIA& criteria);

// Reads the list and its options from the file into criteria and the group settings
// (the array list file is read as the sample grouping). False when the path is empty,
// the file does not open (logged unless quiet), is not of this layout, a count is no
// whole number in its range, or its rows end early or one is not valid (the rows read
// so far are kept).
bool ReadCompareResultFile(COMPARE_CRITERIA& criteria, const std::string& path, bool quiet);
// The same for the group's COMPARE_COMPARISON_FILE.
bool ReadCompareResult(COMPARE_CRITERIA& criteria, bool quiet);

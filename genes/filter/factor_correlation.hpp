// The correlation filter: every probe set's profile across the samples correlated with a
// reference profile (a numeric factor of the sample information, one gene, or the average
// profile of a gene branch of the clustering tree); the genes correlated at the group's
// p-value threshold go to a table.
#pragma once

#include <span>
#include <string>

#include "engine/base/missing_value.hpp"

// printf form with the path.
inline constexpr const char* kCorrelationWriteFailedMessage =
    "  Cannot write file %s; is it open in Excel?";
// printf form with the count, the reference's label and the path.
inline constexpr const char* kCorrelatedGenesMessage =
    "Found %d genes correlated with the current %s and save in '%s'";
// Our own: a gene or branch asked for without a clustering tree, or not in it; printf
// form with the row.
inline constexpr const char* kNoTreeRowMessage =
    "  Error: row %d is no gene or branch of a clustering tree over the current samples";

// A correlation coefficient and its two-sided p-value over the pairs where neither value
// is missing; both MISSING_VALUE when fewer than three pairs are left or either side is
// constant over them (no correlation is defined).
struct Correlation {
  double r = MISSING_VALUE;
  double p = MISSING_VALUE;
};
Correlation PearsonCorrelationMissing(std::span<const double> x, std::span<const double> y);
Correlation SpearmanCorrelationMissing(std::span<const double> x, std::span<const double> y);

// row -1: against variable 0 of the sample grouping (a numeric factor, SetSampleVariable);
// a row below the gene tree's leaf count: against that gene; a higher row: against that
// branch. Rank correlation and absolute correlation as the group's run options choose;
// the genes with p <= ANOVA_PVALUE (and r > 0 unless absolute) are written to path.
// False, logged in red, when there is no such gene or branch or the file cannot be written.
bool WriteFactorFilterResult(const std::string& path, int row);

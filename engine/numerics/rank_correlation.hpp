// Spearman rank correlation and the sorting and tie-aware ranking it is built on.
#pragma once

// Sorts a ascending (quicksort, insertion sort for short stretches) and makes every move
// of a on b too.
void SortWithCompanion(double* a, double* b, int n);

// Replaces the n sorted values of w by their ranks 1..n, tied runs sharing their mean
// rank; tieSum receives the sum of t^3 - t over the runs of t tied values.
void RankWithTies(double* w, int n, double* tieSum);

// Spearman rank correlation of x and y (left unchanged): d, the sum of squared rank
// differences, its normal score zd and two-sided significance probd, the tie-corrected
// coefficient rs and its two-sided significance probrs (0 when rs is +-1).
void SpearmanCorrelation(const double* x, const double* y, int n, double* d, double* zd,
                         double* probd, double* rs, double* probrs);

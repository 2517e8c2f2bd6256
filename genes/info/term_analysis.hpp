// Turning the genes' term fields into term indices of their columns' tables, with the
// counts of genes per term. The columns are independent of each other, and a column of
// numbers looks its terms up in a table that does not change, so the work is cut into
// slices that run side by side: a column of numbers into ranges of genes, a column of
// names (whose table grows in the order the genes come) whole.
#pragma once

#include <string_view>

// Term indices of every loaded gene in every column of GeneInfo, each gene counted once
// unless it is a control probe set left out or a probe set masked as redundant; the
// counts start afresh. The genes' term fields inside text may be read in whole blocks up
// to its end. Up to threads threads share the work. False, with the reason in red, when a
// table fills up or a gene has too many terms: the first such gene in unit order, then
// column order, is reported, as if the genes were taken in turn with all their columns.
[[nodiscard]] bool AnalyseTerms(std::string_view text, int threads);

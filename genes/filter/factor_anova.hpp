// Analysis of variance of one probe set's sample values against the categories of one
// or two factors, with sums of squares taken in sequence (the first factor, the second
// given the first, their interaction given both), so that unbalanced designs and missing
// values are handled by least squares. A category (or cell) that holds no usable sample
// is left out, and the degrees of freedom follow the categories that do.
#pragma once

#include <span>

#include "engine/base/missing_value.hpp"

// One row of the table: sum of squares, degrees of freedom, F and its upper-tail p.
// f and p are MISSING_VALUE when the test is undefined: no degree of freedom on either
// side, a gene without variation, or a fit that leaves no residual scatter to test against.
struct AnovaTerm {
  double sumOfSquares = 0.0;
  int df = 0;
  double f = MISSING_VALUE;
  double p = MISSING_VALUE;
};

struct TwoWayAnovaTable {
  AnovaTerm first;
  AnovaTerm second;
  AnovaTerm interaction;  // only with the interaction in the model
  double residualSumOfSquares = 0.0;
  int residualDf = 0;
  // Samples with a value and a category in both factors.
  int used = 0;
};

// values[i] (MISSING_VALUE for none) and codes[i] (below 0 for none) of sample i;
// codes run from 0 to categories - 1.
AnovaTerm OneWayAnova(std::span<const double> values, std::span<const int> codes, int categories);

// Both factors' codes per sample as above. With interaction the residual is the scatter
// within cells; without, what the two factors' additive fit leaves.
TwoWayAnovaTable TwoWayAnova(std::span<const double> values, std::span<const int> first,
                             int firstCategories, std::span<const int> second, int secondCategories,
                             bool interaction);

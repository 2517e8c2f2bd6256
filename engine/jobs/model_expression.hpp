// The model-based expression job: every probe set fitted over all arrays, the results
// stored per array with their outlier counts, truncated, saved into the QVF files, log
// transformed and summarised.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/value_triple.hpp"

class MODEL;

inline constexpr const char* kModelMethodMessage =
    "  Obtain model-based expression values using '%s' method...";
inline constexpr const char* kProbeSetProgressMessage = "    Probe set %d";
inline constexpr const char* kSavingExpressionMessage =
    "  Saving expression values into Zelko(QVF) files...";
inline constexpr const char* kCheckImagesMessage =
    "  You may now check CEL images for quality information\n";
// Our own, the closing line's end when QVF files did not take the values: the count of
// such arrays and of all arrays.
inline constexpr const char* kValuesNotSavedMessage =
    "the values of %d of %d arrays were not saved into their QVF files and are held in "
    "memory only";
// The progress line moves on every this many probe sets.
inline constexpr int kProbeSetProgressStep = 20;

// What a model run fits before it replaces the group's tables: per array a value table
// and its array-outlier and single-outlier counts.
struct ModelResults {
  std::vector<std::vector<VALUE_TRIPLE>> values;
  std::vector<int> arrayOutliers;
  std::vector<std::int64_t> singleOutliers;

  // Tables for arrays x units, every triple empty and every count 0.
  void Allocate(int arrays, int units);
};

// Stores the fitted probe set on every array: its value, standard error and outlier word
// (-1 counted as an array outlier, every set bit as a single outlier).
void StoreModelResults(int unit, const MODEL& model, ModelResults& results);
// Its two halves: the triples alone (probe sets fitted on several threads write only
// their own), and the counts from the stored triples.
void StoreModelTriples(int unit, const MODEL& model, ModelResults& results);
void CountModelOutliers(int unit, ModelResults& results);

// Fits the probe set (whose data the model takes from the group's planes or the probe
// data cache) and stores it; false when the model cannot take it.
[[nodiscard]] bool FitAndStoreProbeSet(int unit, MODEL& model, ModelResults& results);

// The whole job. A stop or failure leaves the group's tables, outlier fractions and flags
// as they were, and writes no QVF file.
[[nodiscard]] bool ComputeModelExpression();

// The factors an ANOVA filter tests against, as the sample grouping holds them (variables
// 0 and 1), and the test of one probe set under them: one-way for one factor, the
// interaction of the two for two.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/base/missing_value.hpp"

// The interaction test's limit on the categories of each factor that hold samples.
inline constexpr int kMaxInteractionCategories = 10;
// Our own: printf form with the limit and the larger count.
inline constexpr const char* kInteractionCategoriesMessage =
    "    Error: the interaction test takes at most %d categories a factor; a factor has %d";
// Followed by the probe set's name.
inline constexpr const char* kReplicatesNeededMessage =
    "    Error: When both factors are selected, replicates are needed; probe set ";

struct FactorDesign {
  int factors = 1;
  // Per sample, its category in each factor; -1 when not known.
  std::vector<int> first;
  std::vector<int> second;
  int firstCategories = 0;
  int secondCategories = 0;
  // Samples whose category is known in every factor, and the categories they fill.
  int known = 0;
  int heldFirst = 0;
  int heldSecond = 0;
  // The gene standardisation's blocks (ClusterOptions::blockStarts).
  std::vector<int> blockStarts;

  bool TooManyCategories() const {
    return factors == 2 &&
           (heldFirst > kMaxInteractionCategories || heldSecond > kMaxInteractionCategories);
  }
};

enum class FactorTestStatus {
  kTested,             // p is the test's, or MISSING_VALUE when the test is undefined
  kNoReplicates,       // two factors and no cell with two samples to measure scatter
  kTooManyCategories,  // two factors, one over kMaxInteractionCategories
};

struct FactorTest {
  double p = MISSING_VALUE;
  FactorTestStatus status = FactorTestStatus::kTested;
};

// ANOVA_FACTOR's names: one, or two joined by ", " (split at the first).
struct FactorNames {
  std::string first;
  std::string second;  // empty with one factor
};
FactorNames SplitFactorNames(std::string_view factors);

// The threshold as the filters log and head their tables with: "%f", or "%e" below 0.00001.
std::string ThresholdText(double threshold);

// From the sample grouping's variable 0 (and 1 with two factors), set by SetSampleVariable,
// and the group's settings.
FactorDesign FactorDesignFromGrouping(int factors);

// The probe set's values of every sample after the group's gene standardisation.
void GetStandardizedSampleValues(std::span<double> out, int probeSet,
                                 const std::vector<int>& blockStarts);

// The probe set's test; values is scratch of one value a sample.
FactorTest TestFactor(const FactorDesign& design, int probeSet, std::span<double> values);

// The ANOVA p-value of the probe set across the categories of variable 0;
// MISSING_VALUE when undefined.
double OneWayAnovaPValue(int probeSet);
// The p-value of the interaction of variables 0 and 1; MISSING_VALUE (with a red line)
// when it cannot be tested.
double InteractionPValue(int probeSet);

// Expression values for testing sample comparisons: a baseline and an experiment set of
// samples (one array each), and genes planted so that each kind passes exactly one of
// the comparison tests under the thresholds of ComparisonThresholds, or none. Values are
// made from fixed patterns (a mean and a spread exactly), so with four samples a side
// (the default) the truth of every kind holds for any seed; the seed only orders the
// genes and draws the noise genes. Larger sets keep the kinds' shapes, but their tests
// grow stronger (a fold gene of 50 against 50 samples passes the t test as well).
#pragma once

#include <cstdint>
#include <vector>

namespace synth {

enum class PlantedKind {
  kNone,        // equal sets, absent calls: passes no test
  kFold,        // experiment 3 x baseline at a low level: only the fold test
  kDifference,  // experiment 300 above a high baseline with a wide spread: only the difference
  kTTest,       // a small shift with a moderate spread: only the unpaired t test
  kPresent,     // equal sets, every call present: only the present-call test
  kPaired,      // a steady shift of each pair on widely spread pairs: only the paired t test
  kNoise,       // both sets drawn from one normal distribution: no true difference
};
inline constexpr int kPlantedKinds = 7;

// The thresholds under which each planted kind passes its own test and fails the rest
// (each test alone): experiment / baseline above 2 (the fold itself, not its bound),
// difference above 100, p-values at most 0.05, present calls in at least half of each set.
struct ComparisonThresholds {
  static constexpr double kFold = 2.0;
  static constexpr double kDifference = 100.0;
  static constexpr double kPValue = 0.05;
  static constexpr int kPresentPercent = 50;
};

struct CompareDataOptions {
  std::uint64_t seed = 1;
  int baselineSamples = 4;  // samples 0 .. b-1 are the baseline
  int experimentSamples = 4;
  // Genes of each kind, in PlantedKind order; the genes are shuffled by the seed.
  std::vector<int> genesPerKind = {5, 5, 5, 5, 5, 5, 0};
};

struct CompareData {
  int samples = 0;
  int baselineSamples = 0;
  std::vector<PlantedKind> kinds;  // per gene
  // Per sample (array), per gene.
  std::vector<std::vector<float>> values;
  std::vector<std::vector<float>> stdErrs;
  std::vector<std::vector<char>> calls;
};

// Needs at least two samples on each side, the same number for paired genes.
CompareData MakeCompareData(const CompareDataOptions& options);

}  // namespace synth

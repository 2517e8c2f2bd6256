// Expression values for testing the factor filters: samples laid out over the cells of two
// categorical factors (a number of samples a cell), a numeric property per sample, and
// genes planted with a known effect: a shift between categories of the first factor, an
// interaction of the two factors with no main effect in a balanced layout, a linear trend
// in the numeric property, or none. Noise is normal with unit spread, so an effect is in
// units of the noise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

enum class FactorEffect {
  kNone,
  kFirstFactor,  // +effect on the odd categories of the first factor
  kInteraction,  // +-effect by the parity of (first + second category)
  kNumeric,      // effect x the standardised numeric property
};

struct FactorDataOptions {
  std::uint64_t seed = 1;
  int firstCategories = 4;
  int secondCategories = 2;
  // Samples of each cell, first-factor major; a single entry holds for every cell.
  std::vector<int> cellSamples = {3};
  // Genes of each effect, in FactorEffect order; the genes are shuffled by the seed.
  std::vector<int> genesPerEffect = {40, 10, 10, 10};
  double effect = 3.0;
  double level = 8.0;
  // Chance of a value being missing, in percent.
  int missingPercent = 0;
};

struct FactorData {
  int samples = 0;
  std::vector<int> first;  // per sample, its categories
  std::vector<int> second;
  std::vector<double> numeric;        // per sample, the numeric property (20 to 80)
  std::vector<FactorEffect> effects;  // per gene
  // Per sample (array), per gene; missing marks the values to be left out.
  std::vector<std::vector<float>> values;
  std::vector<std::vector<bool>> missing;

  int Genes() const { return static_cast<int>(effects.size()); }
  // The sample information file for arrays named prefix1, prefix2 ... : the columns
  // "Treatment" (categories t0, t1 ...), "Batch" (b0, b1 ...) and "Age (numeric)".
  std::string SampleInfoText(const std::string& prefix) const;
};

FactorData MakeFactorData(const FactorDataOptions& options);

}  // namespace synth

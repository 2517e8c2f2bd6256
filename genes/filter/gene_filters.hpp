// The four gene filters on the samples of the sample grouping: variation across the
// samples, present-call percentage, replicate variation and expression level, each
// switched on by its group setting.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct VALUE_TRIPLE;

// Probe sets whose values a filter reads at a time.
inline constexpr int kFilterBlock = 128;

// The filters' settings, taken once per run.
struct GeneFilterCriteria {
  bool variation = false;
  int variationMethod = 0;  // 0 |deviation / mean|, 1 deviation (logged data)
  double variationLower = 0.0;
  double variationUpper = 0.0;
  bool withinGroups = false;  // the variation within each sample group, averaged
  bool presence = false;      // only when the group has calls
  int presencePercent = 0;
  bool replicate = false;
  double replicateLower = 0.0;
  double replicateUpper = 0.0;
  bool expression = false;
  double expressionLevel = 0.0;
  int expressionPercent = 0;
  bool hasCalls = false;
  bool outliersMissing = false;  // array outliers read as missing values

  static GeneFilterCriteria FromSettings();
  // The logged and written text of each active criterion, in filter order.
  std::vector<std::string> ActiveTexts() const;
};

// The filters over one sample grouping and group, holding what every probe set needs so
// that a run over all of them allocates nothing per probe set. The grouping and the
// group's arrays must not change while it lives.
class GeneFilter {
 public:
  explicit GeneFilter(const GeneFilterCriteria& criteria);

  bool Passes(int unit);
  // values: one per sample of the grouping (MISSING_VALUE where a sample has none).
  bool PassesVariation(std::span<const double> values) const;

 private:
  void LoadBlock(int unit);
  void LoadPresentBlock();
  // arrayValues: the probe set's value on each array, by position of the list order.
  bool PassesReplicateVariation(int unit, const double* arrayValues);

  GeneFilterCriteria mCriteria;
  std::vector<const std::vector<VALUE_TRIPLE>*> mValues;  // by position of the list order
  std::vector<const std::vector<char>*> mCalls;
  std::vector<int> mArrays;  // the arrays the grouping uses, in list order
  // The values of kFilterBlock probe sets from mBlockFirst on, probe set by probe set,
  // each by position of the list order.
  std::vector<double> mBlock;
  std::vector<std::uint8_t> mPresentBlock;  // 1 for a 'P' call, in the same places
  bool mPresentLoaded = false;
  int mBlockFirst = -1;
  std::vector<double> mSampleValues;  // replicates combined
};

// Whether the probe set passes every active filter under the current settings.
bool PassesGeneFilters(int unit);
// Whether the sample values pass the variation filter under the current settings.
bool PassesVariationFilter(std::span<const double> values);

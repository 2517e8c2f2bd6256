#include "genes/filter/gene_filters.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/base/missing_value.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"

namespace {

constexpr const char* kVariationCriterion = "Variation across samples: %.2f < %s < %.2f";
constexpr const char* kPresenceCriterion = "P call %% in the array used >= %d%%";
constexpr const char* kReplicateCriterion =
    "Replicate variation: %.2f < Median(Standard deviation / Mean) < %.2f";
constexpr const char* kExpressionCriterion = "The expression level >= %.2f in >= %d%% samples";

const char* VariationName(int method) {
  return method == 1 ? "Standard deviation (for logged data)" : "Standard deviation / Mean";
}

// The measure of a set of values, MISSING_VALUE with fewer than two of them or when it
// is not a number (a mean of 0 under deviation / mean).
double VariationMeasure(const double* values, int n, int method) {
  // Without standardising, the routine only reads the values.
  const double measure =
      StandardizeMissing(const_cast<double*>(values), n, false, method == 0, MISSING_VALUE);
  return IsMissing(measure) || !std::isfinite(measure) ? MISSING_VALUE : measure;
}

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

GeneFilterCriteria GeneFilterCriteria::FromSettings() {
  const Group& group = TheGroup();
  const GroupSettings& s = group.Settings();
  GeneFilterCriteria c;
  c.variation = s.USE_CV_FILTER != 0;
  c.variationMethod = s.FILTER_VAR_METHOD;
  c.variationLower = s.CV_LOWER;
  c.variationUpper = s.CV_UPPER;
  c.withinGroups = s.USE_STD_SEP != 0;
  c.hasCalls = group.HasCalls;
  c.presence = group.HasCalls && s.USE_CALL_FILTER != 0;
  c.presencePercent = s.FILTER_PRESENCE;
  c.replicate = s.USE_REP_FILTER != 0;
  c.replicateLower = s.REP_FILTER_LOW;
  c.replicateUpper = s.REP_FILTER_HIGH;
  c.expression = s.USE_EXPR_FILTER != 0;
  c.expressionLevel = s.EXPR_FILTER_VALUE;
  c.expressionPercent = s.EXPR_FILTER_PCT;
  c.outliersMissing = group.HasProbeData && s.ALLOW_MISSING != 0;
  return c;
}

std::vector<std::string> GeneFilterCriteria::ActiveTexts() const {
  std::vector<std::string> texts;
  if (variation)
    texts.push_back(MessageBuffer(kVariationCriterion, variationLower,
                                  VariationName(variationMethod), variationUpper));
  if (presence) texts.push_back(MessageBuffer(kPresenceCriterion, presencePercent));
  if (replicate)
    texts.push_back(MessageBuffer(kReplicateCriterion, replicateLower, replicateUpper));
  if (expression)
    texts.push_back(MessageBuffer(kExpressionCriterion, expressionLevel, expressionPercent));
  return texts;
}

GeneFilter::GeneFilter(const GeneFilterCriteria& criteria) : mCriteria(criteria) {
  const Group& group = TheGroup();
  const int arrays = SampleGrouping.ArrayCount();
  for (int position = 0; position < arrays; ++position) {
    const int array = SampleGrouping.OrderedArray(position);
    mArrays.push_back(array);
    const ArraySlot& slot = group.Array(array);
    mValues.push_back(&slot.values);
    mCalls.push_back(&slot.calls);
  }
  mBlock.resize(At(arrays) * kFilterBlock);
  mPresentBlock.resize(At(arrays) * kFilterBlock);
  mSampleValues.resize(At(SampleGrouping.SampleCount()));
}

// The values of a block of probe sets, read array by array: a pass over the probe sets
// then reads every array's table in order instead of jumping between arrays per probe set.
void GeneFilter::LoadBlock(int unit) {
  mBlockFirst = unit - unit % kFilterBlock;
  const std::size_t arrays = mValues.size();
  mPresentLoaded = false;
  for (std::size_t position = 0; position < arrays; ++position) {
    const std::vector<VALUE_TRIPLE>& values = *mValues[position];
    double* out = mBlock.data() + position;
    for (int j = 0; j < kFilterBlock; ++j, out += arrays) {
      const std::size_t u = At(mBlockFirst + j);
      if (u >= values.size()) {
        *out = MISSING_VALUE;
        continue;
      }
      const VALUE_TRIPLE& triple = values[u];
      *out = mCriteria.outliersMissing && triple.outlier == kArrayOutlierWord ? MISSING_VALUE
                                                                              : triple.value;
    }
  }
}

// The calls of the block, loaded once a probe set of it reaches the replicate filter.
void GeneFilter::LoadPresentBlock() {
  const std::size_t arrays = mCalls.size();
  for (std::size_t position = 0; position < arrays; ++position) {
    const std::vector<char>& calls = *mCalls[position];
    std::uint8_t* out = mPresentBlock.data() + position;
    for (int j = 0; j < kFilterBlock; ++j, out += arrays) {
      const std::size_t u = At(mBlockFirst + j);
      *out = mCriteria.hasCalls && u < calls.size() && calls[u] == kCallPresent ? 1 : 0;
    }
  }
  mPresentLoaded = true;
}

// Whether the median ratio (element floor(n / 2) in ascending order) lies strictly between
// the bounds, told by counting instead of ranking: it is above the lower bound when at most
// floor(n / 2) ratios are not, and below the upper one when more than floor(n / 2) are.
// Each ratio is |StdDevMissing / sample value|, computed in place.
bool GeneFilter::PassesReplicateVariation(int unit, const double* arrayValues) {
  if (!mPresentLoaded) LoadPresentBlock();
  const std::uint8_t* present = mPresentBlock.data() + At(unit - mBlockFirst) * mArrays.size();
  const std::size_t samples = mSampleValues.size();
  int ratios = 0;
  int notAboveLower = 0;
  int belowUpper = 0;
  for (std::size_t s = 0; s < samples; ++s) {
    const double value = mSampleValues[s];
    const int first = SampleGrouping.SampleFirst(static_cast<int>(s));
    const int replicates = SampleGrouping.ReplicateCount(static_cast<int>(s));
    if (IsMissing(value) || replicates < 2) continue;
    int presentCount = 0;
    int counted = 0;
    double sumOfSquares = 0.0;
    for (int k = first; k < first + replicates; ++k) {
      presentCount += present[k];
      if (IsMissing(arrayValues[k])) continue;
      sumOfSquares += arrayValues[k] * arrayValues[k];
      ++counted;
    }
    // Without calls every sample of replicates counts; a deviation needs two values.
    if (mCriteria.hasCalls && presentCount < replicates / 2) continue;
    if (counted < 2) continue;
    const double variance = (sumOfSquares - counted * value * value) / (counted - 1);
    const double ratio = std::fabs(std::sqrt(std::max(0.0, variance)) / value);
    if (!std::isfinite(ratio)) continue;
    ++ratios;
    notAboveLower += ratio <= mCriteria.replicateLower ? 1 : 0;
    belowUpper += ratio < mCriteria.replicateUpper ? 1 : 0;
  }
  if (ratios == 0) return true;
  const int middle = ratios / 2;
  return notAboveLower <= middle && belowUpper > middle;
}

// Every criterion must hold, so the cheap ones go first and the rest are not computed
// for a probe set that already failed.
bool GeneFilter::Passes(int unit) {
  if (unit < 0) return false;
  if (mBlockFirst < 0 || unit < mBlockFirst || unit >= mBlockFirst + kFilterBlock) LoadBlock(unit);
  const int arrays = static_cast<int>(mArrays.size());
  const double* arrayValues = mBlock.data() + At(unit - mBlockFirst) * At(arrays);
  int withValue = 0;
  int atLevel = 0;
  const std::size_t samples = mSampleValues.size();
  for (std::size_t s = 0; s < samples; ++s) {
    const int first = SampleGrouping.SampleFirst(static_cast<int>(s));
    const double value =
        MeanMissing(arrayValues + first, SampleGrouping.ReplicateCount(static_cast<int>(s)));
    mSampleValues[s] = value;
    if (IsMissing(value)) continue;
    ++withValue;
    if (value >= mCriteria.expressionLevel) ++atLevel;
  }

  // In whole numbers, so that a share exactly at the percentage passes.
  if (mCriteria.expression && withValue > 0 &&
      100LL * atLevel < static_cast<long long>(mCriteria.expressionPercent) * withValue)
    return false;
  if (mCriteria.variation && !PassesVariation(mSampleValues)) return false;
  if (mCriteria.presence && TheGroup().PresentCallFraction(unit, mArrays.data(), arrays) <
                                mCriteria.presencePercent / 100.0)
    return false;
  return !mCriteria.replicate || PassesReplicateVariation(unit, arrayValues);
}

bool GeneFilter::PassesVariation(std::span<const double> values) const {
  const int n = static_cast<int>(values.size());
  const int method = mCriteria.variationMethod;
  double measure = MISSING_VALUE;
  if (!mCriteria.withinGroups) {
    measure = VariationMeasure(values.data(), n, method);
  } else {
    double sum = 0.0;
    int groups = 0;
    for (int g = 0; g < SampleGrouping.GroupCount(); ++g) {
      const int first = SampleGrouping.GroupFirstSample(g);
      const int size = std::min(SampleGrouping.GroupSize(g), n - first);
      if (first < 0 || size < 2) continue;
      const double m = VariationMeasure(values.data() + first, size, method);
      if (IsMissing(m)) continue;
      sum += m;
      ++groups;
    }
    // No group with a measure is no variation at all, which no bounds should let pass.
    if (groups > 0) measure = sum / groups;
  }
  if (IsMissing(measure)) return false;
  return mCriteria.variationLower < measure && measure < mCriteria.variationUpper;
}

bool PassesGeneFilters(int unit) {
  GeneFilter filter(GeneFilterCriteria::FromSettings());
  return filter.Passes(unit);
}

bool PassesVariationFilter(std::span<const double> values) {
  GeneFilterCriteria criteria = GeneFilterCriteria::FromSettings();
  criteria.variation = true;
  return GeneFilter(criteria).PassesVariation(values);
}

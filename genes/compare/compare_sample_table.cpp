#include "genes/compare/compare_sample_table.hpp"

#include <algorithm>
#include <utility>

#include "engine/base/missing_value.hpp"

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/compare/compare_samples.hpp"

void CompareSampleTable::Gather(const COMPARE_CRITERIA& criteria) {
  const int samples = SampleGrouping.SampleCount();
  mColumnOf.assign(static_cast<std::size_t>(std::max(samples, 0)), -1);
  std::vector<int> gathered;
  for (const COMPARE_CRITERION& entry : criteria.Entries()) {
    if (entry.isParenthesis) continue;
    for (const std::vector<int>* side : {&entry.baseline, &entry.experiment})
      for (const int s : *side) {
        if (s < 0 || s >= samples || mColumnOf[static_cast<std::size_t>(s)] >= 0) continue;
        mColumnOf[static_cast<std::size_t>(s)] = static_cast<int>(gathered.size());
        gathered.push_back(s);
      }
  }
  mUnits = std::max(Layout.unitCount, 0);
  mColumns = gathered.size();
  const std::size_t cells = static_cast<std::size_t>(mUnits) * mColumns;
  mValues.assign(cells, MISSING_VALUE);
  mStdErrs.assign(cells, 0.0);
  mCalls.assign(cells, ' ');
  for (int unit = 0; unit < mUnits; ++unit) {
    const std::size_t row = static_cast<std::size_t>(unit) * mColumns;
    for (std::size_t c = 0; c < mColumns; ++c)
      SampleGrouping.GetSampleValue(unit, gathered[c], &mValues[row + c], &mStdErrs[row + c],
                                    &mCalls[row + c]);
  }
}

void CompareSampleTable::Assign(int units, int samples, std::vector<double> values,
                                std::vector<double> stdErrs, std::vector<char> calls) {
  mUnits = units;
  mColumns = static_cast<std::size_t>(samples);
  mColumnOf.resize(mColumns);
  for (int s = 0; s < samples; ++s) mColumnOf[static_cast<std::size_t>(s)] = s;
  mValues = std::move(values);
  mStdErrs = std::move(stdErrs);
  mCalls = std::move(calls);
  const std::size_t cells = static_cast<std::size_t>(units) * mColumns;
  mValues.resize(cells, MISSING_VALUE);
  mStdErrs.resize(cells, 0.0);
  mCalls.resize(cells, ' ');
}

bool ComparisonSamplesValid(const COMPARE_CRITERIA& criteria, int sampleCount) {
  int number = 0;
  for (const COMPARE_CRITERION& entry : criteria.Entries()) {
    ++number;
    if (entry.isParenthesis) continue;
    bool valid = entry.BaselineCount() >= 1 && entry.BaselineCount() <= kMaxComparisonSamples &&
                 entry.ExperimentCount() >= 1 && entry.ExperimentCount() <= kMaxComparisonSamples;
    for (const std::vector<int>* side : {&entry.baseline, &entry.experiment})
      for (const int s : *side) valid = valid && s >= 0 && s < sampleCount;
    if (!valid) {
      LogMessage(MessageBuffer(kComparisonSamplesMessage, number), 0, kLogRed);
      return false;
    }
  }
  return true;
}

#include "genes/filter/batch_adjustment.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/filter/sample_values.hpp"

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

class Refusals {
 public:
  void Add(int unit, int batch, const char* reason) {
    if (++mCount <= kMaxBatchRefusalLines)
      LogMessage(
          MessageBuffer(kBatchRefusedMessage, Layout.units[At(unit)].name, batch + 1, reason), 0,
          kLogRed);
  }
  void LogTotal() const {
    if (mCount > kMaxBatchRefusalLines)
      LogMessage(MessageBuffer(kBatchRefusalTotalMessage, mCount), 0, kLogRed);
  }

 private:
  int mCount = 0;
};

// Every replicate array of the batch's samples; a missing value keeps its marker.
void ScaleBatch(Group& group, int batch, int unit, double factor) {
  const int firstSample = SampleGrouping.GroupFirstSample(batch);
  for (int s = firstSample; s < firstSample + SampleGrouping.GroupSize(batch); ++s) {
    const int first = SampleGrouping.SampleFirst(s);
    for (int k = 0; k < SampleGrouping.ReplicateCount(s); ++k) {
      std::vector<VALUE_TRIPLE>& values =
          group.Array(SampleGrouping.OrderedArray(first + k)).values;
      if (At(unit) >= values.size()) continue;
      VALUE_TRIPLE& triple = values[At(unit)];
      if (IsMissing(triple.value)) continue;
      triple.value = static_cast<float>(triple.value * factor);
      // An error is a spread: it scales by the size of the factor.
      triple.stdErr = static_cast<float>(triple.stdErr * std::fabs(factor));
    }
  }
}

}  // namespace

bool AdjustBatchEffect() {
  LogMessage(kBatchAdjustStartMessage, 0, kLogBlue);
  Group& group = TheGroup();
  const int samples = SampleGrouping.SampleCount();
  const int batches = SampleGrouping.GroupCount();
  const int units = std::max(0, std::min(Layout.unitCount, static_cast<int>(Layout.units.size())));
  std::vector<double> values(At(std::max(samples, 1)));
  std::vector<double> means(At(std::max(batches, 1)));
  Refusals refusals;
  for (int unit = 0; unit < units && batches > 1; ++unit) {
    GetSampleValues(values.data(), unit, 0);
    for (int k = 0; k < batches; ++k)
      means[At(k)] = MeanMissing(values.data() + SampleGrouping.GroupFirstSample(k),
                                 SampleGrouping.GroupSize(k));
    const double target = means[0];
    for (int k = 1; k < batches; ++k) {
      const double mean = means[At(k)];
      if (IsMissing(target) || target == 0.0)
        refusals.Add(unit, k, kFirstBatchUnusableReason);
      else if (IsMissing(mean))
        refusals.Add(unit, k, kBatchMeanMissingReason);
      else if (mean == 0.0)
        refusals.Add(unit, k, kBatchMeanZeroReason);
      else
        ScaleBatch(group, k, unit, target / mean);
    }
  }
  refusals.LogTotal();
  group.Adjusted = true;
  LogMessage("}\n", 0, kLogBlue);
  return true;
}

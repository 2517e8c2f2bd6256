// Truncation and log transform of the group's expression values.
#include "engine/jobs/expression_transforms.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"

namespace {

// Every array's value table, as far as it reaches the layout's probe sets.
template <typename Visit>
void ForEachValue(Group& group, Visit visit) {
  const auto units = static_cast<std::size_t>(std::max(Layout.unitCount, 0));
  for (int i = 0; i < group.NumArrays(); ++i) {
    ArraySlot& slot = group.Array(i);
    const std::size_t count = std::min(units, slot.values.size());
    for (std::size_t u = 0; u < count; ++u) visit(slot, u, slot.values[u]);
  }
}

double AbsentPercentile(Group& group, int percentile) {
  std::vector<double> absent;
  ForEachValue(group, [&absent](const ArraySlot& slot, std::size_t u, const VALUE_TRIPLE& t) {
    if (u < slot.calls.size() && slot.calls[u] == kCallAbsent && !IsMissing(t.value))
      absent.push_back(t.value);
  });
  return SelectQuantile(absent.data(), static_cast<int>(absent.size()), percentile * 0.01);
}

}  // namespace

void TruncateExpression() {
  Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  const bool byPercentile = settings.TRUNCATE_PCT != 0;
  const bool byValue = settings.TRUNCATE != 0;
  if (!byPercentile && !byValue) return;
  double floor = settings.TRUNCATE_VALUE;
  if (byPercentile) {
    const double percentile = AbsentPercentile(group, settings.TRUNCATE_PCT_VALUE);
    LogMessage(MessageBuffer(kAbsentPercentileMessage, settings.TRUNCATE_PCT_VALUE, percentile));
    floor = byValue ? std::max(percentile, settings.TRUNCATE_VALUE) : percentile;
  }
  LogMessage(MessageBuffer(kTruncatingMessage, floor));
  const auto floorValue = static_cast<float>(floor);
  ForEachValue(group, [floorValue](const ArraySlot&, std::size_t, VALUE_TRIPLE& triple) {
    if (IsMissing(triple.value) || !(triple.value < floorValue)) return;
    triple.value = floorValue;
    triple.stdErr = 0.0f;
  });
}

void LogTransformExpression() {
  Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  if (!group.Modelled || settings.LOG_TRANSFORM == 0 || ArrayType != 0) return;
  const double base = settings.LOG_BASE;
  if (!(base > 1.0) || !std::isfinite(base)) {
    LogMessage(MessageBuffer(kLogBaseUnusableMessage, base), 0, kLogRed);
    return;
  }
  LogMessage(MessageBuffer(kLogTransformMessage, base));
  const double logBase = std::log(base);
  ForEachValue(group, [logBase](const ArraySlot&, std::size_t, VALUE_TRIPLE& triple) {
    triple.stdErr = 0.0f;
    if (IsMissing(triple.value)) return;
    triple.value = static_cast<float>(std::log(std::max(double{triple.value}, 1.0)) / logBase);
  });
  group.HasStdErrors = false;
  group.Logged = true;
}

// The invariant set of two arrays: the cells (or values) whose ranks agree on both, found
// by repeatedly keeping those whose rank difference is within a threshold that shrinks
// each round, until the set is stable or small. The curve is then fitted on the set.
#include <algorithm>
#include <cmath>
#include <new>
#include <span>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/array/chip_data_internal.hpp"
#include "engine/array/normalizer.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"

namespace {

constexpr double kFirstLowThreshold = 0.07;   // at the low end of the ranks
constexpr double kFirstHighThreshold = 0.03;  // at the high end
constexpr double kLowThresholdFloor = 0.007;
constexpr double kHighThresholdFloor = 0.003;
constexpr double kThresholdShrink = 0.9;
// A round that keeps all but this many is the last.
constexpr int kStableMargin = 50;
// A set this small is not searched further.
constexpr int kSmallestSearchedSet = 900;

// Ranks 0 to k-1 of the members' values, equal values in member order. Intensities are
// 16-bit, so they are counted into buckets instead of sorted.
class IntensityRanker {
 public:
  void Rank(std::span<const std::uint16_t> values, const std::vector<int>& members,
            std::vector<int>& ranks) {
    mStarts.assign(65537, 0);
    for (const int member : members) ++mStarts[values[static_cast<std::size_t>(member)] + 1u];
    for (std::size_t v = 1; v < mStarts.size(); ++v) mStarts[v] += mStarts[v - 1];
    ranks.resize(members.size());
    for (std::size_t p = 0; p < members.size(); ++p)
      ranks[p] = mStarts[values[static_cast<std::size_t>(members[p])]]++;
  }

 private:
  std::vector<int> mStarts;  // where each value's ranks begin
};

class ValueRanker {
 public:
  void Rank(std::span<const float> values, const std::vector<int>& members,
            std::vector<int>& ranks) {
    mOrder.resize(members.size());
    for (std::size_t p = 0; p < members.size(); ++p) mOrder[p] = static_cast<int>(p);
    std::sort(mOrder.begin(), mOrder.end(), [&](int a, int b) {
      const float first = values[static_cast<std::size_t>(members[static_cast<std::size_t>(a)])];
      const float second = values[static_cast<std::size_t>(members[static_cast<std::size_t>(b)])];
      return first < second || (first == second && a < b);
    });
    ranks.resize(members.size());
    for (std::size_t r = 0; r < mOrder.size(); ++r)
      ranks[static_cast<std::size_t>(mOrder[r])] = static_cast<int>(r);
  }

 private:
  std::vector<int> mOrder;
};

template <typename Value, typename Ranker>
bool Search(std::span<const Value> array, std::span<const Value> baseline, std::vector<int> members,
            std::vector<int>& result, Ranker& ranker) {
  double lowThreshold = kFirstLowThreshold;
  double highThreshold = kFirstHighThreshold;
  std::vector<int> arrayRanks;
  std::vector<int> baselineRanks;
  std::vector<int> kept;
  kept.reserve(members.size());
  JobProgress& progress = Progress();
  for (;;) {
    const int k = static_cast<int>(members.size());
    progress.ShowProgress(MessageBuffer("    Searching Invariant-set: %d", k));
    if (k == 0) break;
    ranker.Rank(array, members, arrayRanks);
    ranker.Rank(baseline, members, baselineRanks);
    kept.clear();
    const double count = k;
    for (std::size_t p = 0; p < members.size(); ++p) {
      const int first = arrayRanks[p];
      const int second = baselineRanks[p];
      const double height = (first + second) / (2.0 * count);
      if (lowThreshold * (1.0 - height) + highThreshold * height > std::abs(first - second) / count)
        kept.push_back(members[p]);
    }
    if (progress.Stopped()) return false;
    members.swap(kept);
    const int j = static_cast<int>(members.size());
    if (j >= k - kStableMargin) break;
    if (lowThreshold > kLowThresholdFloor) lowThreshold *= kThresholdShrink;
    if (highThreshold > kHighThresholdFloor) highThreshold *= kThresholdShrink;
    if (j <= kSmallestSearchedSet) break;
  }
  progress.ShowProgress(
      MessageBuffer("    Searching Invariant-set: %d", static_cast<int>(members.size())));
  result = std::move(members);
  return true;
}

// The search on cell intensities and on value vectors: the candidates are the indices
// taking part, members receives the final set. False only on a user stop.
bool SearchInvariantSet(std::span<const std::uint16_t> array,
                        std::span<const std::uint16_t> baseline, std::vector<int> candidates,
                        std::vector<int>& members) {
  IntensityRanker ranker;
  return Search(array, baseline, std::move(candidates), members, ranker);
}

bool SearchInvariantSet(std::span<const float> array, std::span<const float> baseline,
                        std::vector<int> candidates, std::vector<int>& members) {
  ValueRanker ranker;
  return Search(array, baseline, std::move(candidates), members, ranker);
}

constexpr const char* kTooFewMessage = "    Error: Too few points in the Invariant set";

}  // namespace

bool CHIP_DATA::FilterDat(const CHIP_DATA* baseline) {
  if (!PlanesFitLayout(*this, *baseline)) return false;
  std::vector<int> candidates;
  std::vector<int> members;
  try {
    candidates.reserve(Layout.cells.size() / 2);
    for (std::size_t i = 0; i < Layout.cells.size(); ++i)
      if (Layout.cells[i].kind == kCellPerfectMatch) candidates.push_back(static_cast<int>(i));
  } catch (const std::bad_alloc&) {
    LogMessage("    Memory not enough at FilterDat()", 0, kLogRed);
    return false;
  }
  LogMessage("    Searching Invariant-set:");
  if (!SearchInvariantSet(std::span<const std::uint16_t>(plane1),
                          std::span<const std::uint16_t>(baseline->plane1), std::move(candidates),
                          members))
    return false;
  // A set too small to place the curve's knots fails this array, not the program.
  if (static_cast<int>(members.size()) < kMinCurvePairs) {
    LogMessage(kTooFewMessage, 0, kLogRed);
    return false;
  }
  Normalizer.ClearPoints(members.size());
  for (const int cell : members)
    Normalizer.AddPoint(plane1[static_cast<std::size_t>(cell)],
                        baseline->plane1[static_cast<std::size_t>(cell)]);
  return Normalizer.FitCurve();
}

bool InvariantSetScaling(float* values, const float* reference, int n,
                         std::vector<std::uint8_t>* invariant, bool keepCurve) {
  const auto count = static_cast<std::size_t>(std::max(n, 0));
  const std::span<const float> array(values, count);
  const std::span<const float> base(reference, count);
  std::vector<int> candidates;
  std::vector<int> members;
  try {
    candidates.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
      // A value that is not a number could not be ranked.
      if (!IsMissing(array[i]) && !IsMissing(base[i]) && std::isfinite(array[i]) &&
          std::isfinite(base[i]))
        candidates.push_back(static_cast<int>(i));
  } catch (const std::bad_alloc&) {
    LogMessage("    Memory not enough at InvariantSetScaling()", 0, kLogRed);
    return false;
  }
  LogMessage("    Searching Invariant-set:");
  if (!SearchInvariantSet(array, base, std::move(candidates), members)) return false;
  if (static_cast<int>(members.size()) < kMinInvariantValues) {
    LogMessage(kTooFewMessage, 0, kLogRed);
    return false;
  }
  Normalizer.ClearPoints(members.size());
  for (const int i : members)
    Normalizer.AddPoint(array[static_cast<std::size_t>(i)], base[static_cast<std::size_t>(i)]);
  if (!Normalizer.FitCurve()) return false;

  LogMessage("    Normalizing arrays...");
  if (invariant != nullptr) {
    invariant->assign(count, 0);
    for (const int i : members) (*invariant)[static_cast<std::size_t>(i)] = 1;
  }
  for (std::size_t i = 0; i < count; ++i)
    if (!IsMissing(values[i])) values[i] = static_cast<float>(Normalizer.MapValue(values[i]));
  if (!keepCurve) Normalizer.FreeCurve();
  return true;
}

// The invariant set of two arrays: the cells (or values) whose ranks agree on both, found
// by repeatedly keeping those whose rank difference is within a threshold that shrinks
// each round, until the set is stable or small. The curve is then fitted on the set.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>
#include <span>
#include <vector>

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/array/chip_data_internal.hpp"
#include "engine/array/invariant_keep.hpp"
#include "engine/array/normalizer.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
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

// The candidates' positions (0 to k-1) in ascending order of their values, equal values
// in position order. Intensities are 16-bit, so they are counted into buckets instead of
// sorted.
void SortPositions(std::span<const std::uint16_t> values, const std::vector<int>& candidates,
                   std::vector<int>& order) {
  std::vector<int> starts(65537, 0);
  for (const int cell : candidates) ++starts[values[static_cast<std::size_t>(cell)] + 1u];
  for (std::size_t v = 1; v < starts.size(); ++v) starts[v] += starts[v - 1];
  order.resize(candidates.size());
  for (std::size_t p = 0; p < candidates.size(); ++p)
    order[static_cast<std::size_t>(starts[values[static_cast<std::size_t>(candidates[p])]]++)] =
        static_cast<int>(p);
}

void SortPositions(std::span<const float> values, const std::vector<int>& candidates,
                   std::vector<int>& order) {
  order.resize(candidates.size());
  for (std::size_t p = 0; p < order.size(); ++p) order[p] = static_cast<int>(p);
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const float first = values[static_cast<std::size_t>(candidates[static_cast<std::size_t>(a)])];
    const float second = values[static_cast<std::size_t>(candidates[static_cast<std::size_t>(b)])];
    return first < second || (first == second && a < b);
  });
}

// Members only ever drop out, so each side's sorted order, with the dropped removed, gives
// the ranks of every round without sorting again: a member's rank is its place among
// those left. One pass ranks and removes; a dropped position gets a rank no one reads.
void RankAndCompact(std::vector<int>& order, const std::vector<std::uint8_t>& dropped,
                    std::vector<int>& ranks) {
  std::size_t left = 0;
  for (const int p : order) {
    order[left] = p;
    ranks[static_cast<std::size_t>(p)] = static_cast<int>(left);
    left += dropped[static_cast<std::size_t>(p)] == 0 ? 1u : 0u;
  }
  order.resize(left);
}

// Members are flagged a block at a time, their ranks gathered into contiguous buffers
// first, so that the flags are computed four to a register.
constexpr std::size_t kKeepBlock = 512;

struct KeepBlock {
  std::array<int, kKeepBlock> first;
  std::array<int, kKeepBlock> second;
  std::array<std::uint8_t, kKeepBlock> keep;
};

// One round: the members (ascending) that keep their place go to kept, in order, and
// the others are marked dropped.
void KeepRound(const std::vector<int>& members, const std::vector<int>& arrayRanks,
               const std::vector<int>& baselineRanks, double low, double high,
               std::vector<int>& kept, std::vector<std::uint8_t>& dropped, KeepBlock& block) {
  const double count = static_cast<double>(members.size());
  kept.resize(members.size());
  std::size_t keptCount = 0;
  for (std::size_t start = 0; start < members.size(); start += kKeepBlock) {
    const std::size_t n = std::min(kKeepBlock, members.size() - start);
    const int* const blockMembers = members.data() + start;
    for (std::size_t m = 0; m < n; ++m) {
      const auto p = static_cast<std::size_t>(blockMembers[m]);
      block.first[m] = arrayRanks[p];
      block.second[m] = baselineRanks[p];
    }
    InvariantKeepFlags(block.first.data(), block.second.data(), block.keep.data(), n, count, low,
                       high);
    for (std::size_t m = 0; m < n; ++m) {
      const int p = blockMembers[m];
      const std::uint8_t keep = block.keep[m];
      kept[keptCount] = p;
      keptCount += keep;
      dropped[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(keep ^ 1u);
    }
  }
  kept.resize(keptCount);
}

template <typename Value>
bool Search(std::span<const Value> array, std::span<const Value> baseline,
            const std::vector<int>& candidates, std::vector<int>& result) {
  double lowThreshold = kFirstLowThreshold;
  double highThreshold = kFirstHighThreshold;
  // Everything below works on the candidates' positions; members stay in ascending order.
  std::vector<int> arrayOrder;
  std::vector<int> baselineOrder;
  SortPositions(array, candidates, arrayOrder);
  SortPositions(baseline, candidates, baselineOrder);
  std::vector<int> arrayRanks(candidates.size());
  std::vector<int> baselineRanks(candidates.size());
  std::vector<std::uint8_t> dropped(candidates.size(), 0);
  std::vector<int> members(candidates.size());
  for (std::size_t p = 0; p < members.size(); ++p) members[p] = static_cast<int>(p);
  std::vector<int> kept;
  kept.reserve(members.size());
  KeepBlock block;
  for (;;) {
    const int k = static_cast<int>(members.size());
    ArrayProgress(MessageBuffer("    Searching Invariant-set: %d", k));
    if (k == 0) break;
    RankAndCompact(arrayOrder, dropped, arrayRanks);
    RankAndCompact(baselineOrder, dropped, baselineRanks);
    KeepRound(members, arrayRanks, baselineRanks, lowThreshold, highThreshold, kept, dropped,
              block);
    if (ArrayStopped()) return false;
    members.swap(kept);
    const int j = static_cast<int>(members.size());
    if (j >= k - kStableMargin) break;
    if (lowThreshold > kLowThresholdFloor) lowThreshold *= kThresholdShrink;
    if (highThreshold > kHighThresholdFloor) highThreshold *= kThresholdShrink;
    if (j <= kSmallestSearchedSet) break;
  }
  ArrayProgress(MessageBuffer("    Searching Invariant-set: %d", static_cast<int>(members.size())));
  result.resize(members.size());
  for (std::size_t m = 0; m < members.size(); ++m)
    result[m] = candidates[static_cast<std::size_t>(members[m])];
  return true;
}

// The search on cell intensities and on value vectors: the candidates are the indices
// taking part, in ascending order; members receives the final set. False only on a user
// stop.
bool SearchInvariantSet(std::span<const std::uint16_t> array,
                        std::span<const std::uint16_t> baseline, const std::vector<int>& candidates,
                        std::vector<int>& members) {
  return Search(array, baseline, candidates, members);
}

bool SearchInvariantSet(std::span<const float> array, std::span<const float> baseline,
                        const std::vector<int>& candidates, std::vector<int>& members) {
  return Search(array, baseline, candidates, members);
}

constexpr const char* kTooFewMessage = "    Error: Too few points in the Invariant set";

}  // namespace

bool CHIP_DATA::FilterDat(const CHIP_DATA* baseline) {
  if (!PlanesFitLayout(*this, *baseline)) return false;
  std::vector<int> candidates;
  std::vector<int> members;
  try {
    // Every cell is written and only the perfect-match ones are counted, which needs no
    // branch on the kind.
    candidates.resize(Layout.cells.size());
    std::size_t found = 0;
    for (std::size_t i = 0; i < Layout.cells.size(); ++i) {
      candidates[found] = static_cast<int>(i);
      found += Layout.cells[i].kind == kCellPerfectMatch ? 1u : 0u;
    }
    candidates.resize(found);
  } catch (const std::bad_alloc&) {
    ArrayMessage("    Memory not enough at FilterDat()", 0, kLogRed);
    return false;
  }
  ArrayMessage("    Searching Invariant-set:");
  if (!SearchInvariantSet(std::span<const std::uint16_t>(plane1),
                          std::span<const std::uint16_t>(baseline->plane1), candidates, members))
    return false;
  // A set too small to place the curve's knots fails this array, not the program.
  if (static_cast<int>(members.size()) < kMinCurvePairs) {
    ArrayMessage(kTooFewMessage, 0, kLogRed);
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
    ArrayMessage("    Memory not enough at InvariantSetScaling()", 0, kLogRed);
    return false;
  }
  ArrayMessage("    Searching Invariant-set:");
  if (!SearchInvariantSet(array, base, candidates, members)) return false;
  if (static_cast<int>(members.size()) < kMinInvariantValues) {
    ArrayMessage(kTooFewMessage, 0, kLogRed);
    return false;
  }
  Normalizer.ClearPoints(members.size());
  for (const int i : members)
    Normalizer.AddPoint(array[static_cast<std::size_t>(i)], base[static_cast<std::size_t>(i)]);
  if (!Normalizer.FitCurve()) return false;

  ArrayMessage("    Normalizing arrays...");
  if (invariant != nullptr) {
    invariant->assign(count, 0);
    for (const int i : members) (*invariant)[static_cast<std::size_t>(i)] = 1;
  }
  for (std::size_t i = 0; i < count; ++i)
    if (!IsMissing(values[i])) values[i] = static_cast<float>(Normalizer.MapValue(values[i]));
  if (!keepCurve) Normalizer.FreeCurve();
  return true;
}

// The invariant set of two arrays: the cells (or values) whose ranks agree on both, found
// by repeatedly keeping those whose rank difference is within a threshold that shrinks
// each round, until the set is stable or small. The curve is then fitted on the set.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
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
#include "engine/chip/cell_kinds.hpp"
#include "engine/chip/job_cell_kinds.hpp"
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

// Each candidate's place (0 to k-1) in ascending order of the values, equal values in
// position order, handed to place(p, r) for candidate p. Intensities are 16-bit, so they
// are counted into buckets instead of sorted, and each place is handed out in the
// candidates' order.
template <typename Place>
void RankPositions(std::span<const std::uint16_t> values, std::span<const int> candidates,
                   Place place) {
  static thread_local std::vector<int> starts;
  starts.assign(65537, 0);
  for (const int cell : candidates) ++starts[values[static_cast<std::size_t>(cell)] + 1u];
  for (std::size_t v = 1; v < starts.size(); ++v) starts[v] += starts[v - 1];
  for (std::size_t p = 0; p < candidates.size(); ++p)
    place(p, starts[values[static_cast<std::size_t>(candidates[p])]]++);
}

template <typename Place>
void RankPositions(std::span<const float> values, std::span<const int> candidates, Place place) {
  std::vector<int> order(candidates.size());
  for (std::size_t p = 0; p < order.size(); ++p) order[p] = static_cast<int>(p);
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const float first = values[static_cast<std::size_t>(candidates[static_cast<std::size_t>(a)])];
    const float second = values[static_cast<std::size_t>(candidates[static_cast<std::size_t>(b)])];
    return first < second || (first == second && a < b);
  });
  for (std::size_t r = 0; r < order.size(); ++r)
    place(static_cast<std::size_t>(order[r]), static_cast<int>(r));
}

// The members by their first place in the baseline's order, one bit each in the round's
// rank table (invariant_keep.hpp): a member's baseline rank in a round is the number of
// members before it in that order, counted in the few kilobytes of the bits instead of
// written to a rank table of the candidates' size.
struct BaselineBits {
  std::vector<std::uint64_t> entries;
  std::vector<int> dropped;

  void Reset(std::size_t count) {
    constexpr std::uint64_t kFull = (std::uint64_t{1} << kRankEntryPlaces) - 1;
    entries.assign((count + kRankEntryPlaces - 1) / kRankEntryPlaces, kFull);
    if (count % kRankEntryPlaces != 0)
      entries.back() = (std::uint64_t{1} << (count % kRankEntryPlaces)) - 1;
    dropped.resize(count + kDroppedRoom);
  }
  bool Holds(int place) const {
    const auto at = static_cast<std::size_t>(place);
    return ((entries[at / kRankEntryPlaces] >> (at % kRankEntryPlaces)) & 1u) != 0;
  }
};

// One round over the members in the array's order; those that keep their place move
// down, the others' bits are cleared.
void KeepRound(std::vector<int>& members, BaselineBits& bits, double low, double high) {
  InvariantRound round;
  round.members = members.data();
  round.count = members.size();
  round.ranks = bits.entries.data();
  round.rankEntries = bits.entries.size();
  round.dropped = bits.dropped.data();
  round.low = low;
  round.high = high;
  members.resize(KeepInvariantRound(round));
}

// The search's tables, kept for the thread's next array.
struct SearchScratch {
  std::vector<int> baselinePlaces;
  std::vector<int> members;
  BaselineBits baselineBits;
};

template <typename Value>
bool Search(std::span<const Value> array, std::span<const Value> baseline,
            std::span<const int> candidates, std::vector<int>& result) {
  static thread_local SearchScratch scratch;
  double lowThreshold = kFirstLowThreshold;
  double highThreshold = kFirstHighThreshold;
  std::vector<int>& baselinePlaces = scratch.baselinePlaces;
  std::vector<int>& members = scratch.members;
  baselinePlaces.resize(candidates.size());
  members.resize(candidates.size());
  RankPositions(baseline, candidates, [&](std::size_t p, int r) { baselinePlaces[p] = r; });
  // Each member lands at its place in the array's order, holding its baseline place.
  RankPositions(array, candidates, [&](std::size_t p, int r) {
    members[static_cast<std::size_t>(r)] = baselinePlaces[p];
  });
  scratch.baselineBits.Reset(candidates.size());
  for (;;) {
    const int k = static_cast<int>(members.size());
    ArrayProgress(MessageBuffer("    Searching Invariant-set: %d", k));
    if (k == 0) break;
    KeepRound(members, scratch.baselineBits, lowThreshold, highThreshold);
    if (ArrayStopped()) return false;
    const int j = static_cast<int>(members.size());
    if (j >= k - kStableMargin) break;
    if (lowThreshold > kLowThresholdFloor) lowThreshold *= kThresholdShrink;
    if (highThreshold > kHighThresholdFloor) highThreshold *= kThresholdShrink;
    if (j <= kSmallestSearchedSet) break;
  }
  ArrayProgress(MessageBuffer("    Searching Invariant-set: %d", static_cast<int>(members.size())));
  // The set in ascending order of the candidates; every candidate is written to the next
  // place, which only a member moves on.
  result.resize(members.size() + 1);
  std::size_t found = 0;
  for (std::size_t p = 0; p < candidates.size(); ++p) {
    result[found] = candidates[p];
    found += scratch.baselineBits.Holds(scratch.baselinePlaces[p]) ? 1u : 0u;
  }
  result.resize(found);
  return true;
}

// The search on cell intensities and on value vectors: the candidates are the indices
// taking part, in ascending order; members receives the final set. False only on a user
// stop.
bool SearchInvariantSet(std::span<const std::uint16_t> array,
                        std::span<const std::uint16_t> baseline, std::span<const int> candidates,
                        std::vector<int>& members) {
  return Search(array, baseline, candidates, members);
}

bool SearchInvariantSet(std::span<const float> array, std::span<const float> baseline,
                        std::span<const int> candidates, std::vector<int>& members) {
  return Search(array, baseline, candidates, members);
}

constexpr const char* kTooFewMessage = "    Error: Too few points in the Invariant set";

}  // namespace

bool CHIP_DATA::FilterDat(const CHIP_DATA* baseline) {
  if (!PlanesFitLayout(*this, *baseline)) return false;
  // The job's arrays share the list of perfect-match cells.
  std::shared_ptr<const CellKinds> kinds;
  try {
    kinds = LayoutCellKinds();
  } catch (const std::bad_alloc&) {
    ArrayMessage("    Memory not enough at FilterDat()", 0, kLogRed);
    return false;
  }
  const std::span<const int> candidates = kinds->PerfectMatchCells();
  std::vector<int> members;
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

// The invariant set of two arrays: the cells (or values) whose ranks agree on both, found
// by repeatedly keeping those whose rank difference is within a threshold that shrinks
// each round, until the set is stable or small. The curve is then fitted on the set.
// On cell intensities the baseline's side of the ranking is prepared once per baseline
// (InvariantBaseline).
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
#include "engine/array/invariant_baseline.hpp"
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

// The rounds of the search over the candidates with these places in the baseline's
// order. The members are left in the array's order, each holding its baseline place,
// and their places' bits set. False only on a user stop.
template <typename Value>
bool Search(std::span<const Value> array, std::span<const int> candidates,
            std::span<const int> baselinePlaces, SearchScratch& scratch) {
  double lowThreshold = kFirstLowThreshold;
  double highThreshold = kFirstHighThreshold;
  std::vector<int>& members = scratch.members;
  members.resize(candidates.size());
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
  return true;
}

// The search on value vectors: the candidates are the indices taking part, in ascending
// order; members receives the final set in that order. False only on a user stop.
bool SearchInvariantSet(std::span<const float> array, std::span<const float> baseline,
                        std::span<const int> candidates, std::vector<int>& members) {
  static thread_local SearchScratch scratch;
  std::vector<int>& baselinePlaces = scratch.baselinePlaces;
  baselinePlaces.resize(candidates.size());
  RankPositions(baseline, candidates, [&](std::size_t p, int r) { baselinePlaces[p] = r; });
  if (!Search(array, candidates, baselinePlaces, scratch)) return false;
  // Every candidate is written to the next place, which only a member moves on.
  members.resize(scratch.members.size() + 1);
  std::size_t found = 0;
  for (std::size_t p = 0; p < candidates.size(); ++p) {
    members[found] = candidates[p];
    found += scratch.baselineBits.Holds(baselinePlaces[p]) ? 1u : 0u;
  }
  members.resize(found);
  return true;
}

constexpr const char* kTooFewMessage = "    Error: Too few points in the Invariant set";

}  // namespace

bool InvariantBaseline::Prepare(const CHIP_DATA& baseline) {
  mPlane = nullptr;
  mCells = 0;
  const std::size_t cells = Layout.cells.size();
  if (cells == 0 || baseline.plane1.size() != cells) return false;
  std::size_t found = 0;
  try {
    // The job's arrays share the list of perfect-match cells.
    const std::shared_ptr<const CellKinds> kinds = LayoutCellKinds();
    const std::span<const int> perfectMatches = kinds->PerfectMatchCells();
    mCandidates.assign(perfectMatches.begin(), perfectMatches.end());
    found = mCandidates.size();
    mPlaces.resize(found);
    mCellsByPlace.resize(found);
    mIntensitiesByPlace.resize(found);
  } catch (const std::bad_alloc&) {
    return false;
  }
  RankPositions(std::span<const std::uint16_t>(baseline.plane1), mCandidates,
                [&](std::size_t p, int r) {
                  mPlaces[p] = r;
                  mCellsByPlace[static_cast<std::size_t>(r)] = mCandidates[p];
                });
  for (std::size_t r = 0; r < found; ++r)
    mIntensitiesByPlace[r] = baseline.plane1[static_cast<std::size_t>(mCellsByPlace[r])];
  mPlane = baseline.plane1.data();
  mCells = cells;
  return true;
}

bool InvariantBaseline::PreparedFor(const CHIP_DATA& baseline) const {
  return mPlane != nullptr && mPlane == baseline.plane1.data() && mCells == Layout.cells.size() &&
         baseline.plane1.size() == mCells;
}

bool CHIP_DATA::FilterDat(const CHIP_DATA* baseline, const InvariantBaseline* prepared) {
  if (!PlanesFitLayout(*this, *baseline)) return false;
  // Prepared here for a caller that brings none, kept for the thread's next array.
  static thread_local InvariantBaseline own;
  if (prepared == nullptr || !prepared->PreparedFor(*baseline)) {
    if (!own.Prepare(*baseline)) {
      ArrayMessage("    Memory not enough at FilterDat()", 0, kLogRed);
      return false;
    }
    prepared = &own;
  }
  static thread_local SearchScratch scratch;
  ArrayMessage("    Searching Invariant-set:");
  if (!Search(std::span<const std::uint16_t>(plane1), prepared->Candidates(), prepared->Places(),
              scratch))
    return false;
  const std::vector<int>& members = scratch.members;
  // A set too small to place the curve's knots fails this array, not the program.
  if (static_cast<int>(members.size()) < kMinCurvePairs) {
    ArrayMessage(kTooFewMessage, 0, kLogRed);
    return false;
  }
  // The members in the array's order are the pairs in the order sorting them by the
  // array's value would give: equal values in cell order, as the candidates are ranked.
  const std::span<const int> cellsByPlace = prepared->CellsByPlace();
  const std::span<const std::uint16_t> baselineByPlace = prepared->IntensitiesByPlace();
  NORMALIZER& normalizer = Normalizer;
  const std::span<NormPoint> points = normalizer.PointsToWrite(members.size());
  constexpr std::size_t kAhead = 16;
  for (std::size_t m = 0; m < members.size(); ++m) {
    if (m + 2 * kAhead < members.size())
      __builtin_prefetch(&cellsByPlace[static_cast<std::size_t>(members[m + 2 * kAhead])]);
    if (m + kAhead < members.size())
      __builtin_prefetch(&plane1[static_cast<std::size_t>(
          cellsByPlace[static_cast<std::size_t>(members[m + kAhead])])]);
    const auto place = static_cast<std::size_t>(members[m]);
    points[m] = {static_cast<float>(plane1[static_cast<std::size_t>(cellsByPlace[place])]),
                 static_cast<float>(baselineByPlace[place])};
  }
  return normalizer.FitSortedCurve();
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

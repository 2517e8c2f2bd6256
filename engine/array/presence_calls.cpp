// Presence calls from an array's own intensities, for arrays without a result text file:
// per probe set, how many probe pairs show the perfect-match cell clearly above its
// mismatch cell over the background and noise of the array. Also the rescaling of an
// array's raw intensities to a chosen median.
#include <algorithm>
#include <cmath>
#include <memory>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/job_cell_kinds.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"

namespace {

constexpr double kBackgroundQuantile = 0.02;
constexpr double kThresholdPerNoise = 4.0;
constexpr double kClearRatio = 1.5;
constexpr int kFewPairs = 9;  // below this no outlying differences are set aside
constexpr double kPresentFraction = 0.33;
constexpr double kMarginalFraction = 0.43;
constexpr double kPresentLogScore = 0.9;
constexpr int kProgressStep = 300;
// The mean log ratio from float logarithms lies within 1e-5 of the exact one (each
// logarithm within 3e-7, each quotient's rounding and log10's error far below); a mean
// this far from the call's limit is decided by it, and only nearer ones take log10 of
// every pair's ratio.
constexpr double kSureLogScoreMargin = 1e-4;

// log10 of every whole intensity over the background, rounded to float.
const std::vector<float>& WholeIntensityLogs() {
  static const std::vector<float> logs = [] {
    std::vector<float> table(65536, 0.0f);
    for (std::size_t v = 1; v < table.size(); ++v)
      table[v] = static_cast<float>(std::log10(static_cast<double>(v)));
    return table;
  }();
  return logs;
}

// What the pairs of a probe set are read against.
struct PairInputs {
  double background;
  double floorValue;  // a side at or below the background counts as this
  double threshold;   // the difference that is clearly more than the noise
};

// Each counted pair's perfect-match side less its mismatch side (twice: the second copy
// for the outlier bounds, which reorder it), and the two sides.
struct PairScratch {
  double* differences;
  double* boundDifferences;
  double* perfects;
  double* mismatches;
};

struct PairTallies {
  int positives = 0;  // the perfect match clearly above its mismatch
  int negatives = 0;  // the mismatch clearly above its perfect match
};

// Counts a probe set's pairs, given as the raw perfect-match and mismatch intensity of
// each in turn, and keeps their sides in the scratch in the pairs' order.
PairTallies TallyPairs(const std::uint16_t* sides, int pairs, const PairInputs& in,
                       const PairScratch& out) {
  PairTallies tallies;
  int p = 0;
#if defined(__SSE2__)
  // Two pairs side by side, each lane with the operations of the scalar loop below, its
  // tests as masks rather than branches, whose outcomes no predictor can guess; both
  // quotients are taken for every pair, which only the scalar branch could skip.
  const __m128d background = _mm_set1_pd(in.background);
  const __m128d floorValue = _mm_set1_pd(in.floorValue);
  const __m128d threshold = _mm_set1_pd(in.threshold);
  const __m128d clearRatio = _mm_set1_pd(kClearRatio);
  const __m128d zero = _mm_setzero_pd();
  const auto overBackground = [&](std::uint16_t first, std::uint16_t second) {
    const __m128d side = _mm_sub_pd(_mm_set_pd(second, first), background);
    const __m128d above = _mm_cmpgt_pd(side, zero);
    return _mm_or_pd(_mm_and_pd(above, side), _mm_andnot_pd(above, floorValue));
  };
  for (; p + 1 < pairs; p += 2) {
    const std::uint16_t* const two = sides + 2 * p;
    const __m128d pm = overBackground(two[0], two[2]);
    const __m128d mm = overBackground(two[1], two[3]);
    const __m128d up = _mm_sub_pd(pm, mm);
    const __m128d down = _mm_sub_pd(mm, pm);
    const __m128d positive =
        _mm_and_pd(_mm_cmpge_pd(up, threshold), _mm_cmpge_pd(_mm_div_pd(pm, mm), clearRatio));
    const __m128d negative = _mm_andnot_pd(
        positive,
        _mm_and_pd(_mm_cmpge_pd(down, threshold), _mm_cmpge_pd(_mm_div_pd(mm, pm), clearRatio)));
    const int positiveLanes = _mm_movemask_pd(positive);
    const int negativeLanes = _mm_movemask_pd(negative);
    tallies.positives += (positiveLanes & 1) + (positiveLanes >> 1);
    tallies.negatives += (negativeLanes & 1) + (negativeLanes >> 1);
    _mm_storeu_pd(out.differences + p, up);
    _mm_storeu_pd(out.boundDifferences + p, up);
    _mm_storeu_pd(out.perfects + p, pm);
    _mm_storeu_pd(out.mismatches + p, mm);
  }
#endif
  for (; p < pairs; ++p) {
    double pm = sides[2 * p] - in.background;
    double mm = sides[2 * p + 1] - in.background;
    if (!(pm > 0.0)) pm = in.floorValue;
    if (!(mm > 0.0)) mm = in.floorValue;
    const double ratio = pm / mm;
    if (pm - mm >= in.threshold && ratio >= kClearRatio)
      ++tallies.positives;
    else if (mm - pm >= in.threshold && mm / pm >= kClearRatio)
      ++tallies.negatives;
    out.differences[p] = pm - mm;
    out.boundDifferences[p] = pm - mm;
    out.perfects[p] = pm;
    out.mismatches[p] = mm;
  }
  return tallies;
}

// Sums the errors of the probe set cells whose intensity lies below the background. The
// errors are whole numbers, so their sum is exact in any order and is kept whole. Few
// cells lie below the background, so the plane is scanned for them first and the
// table's bit of a cell read only for those.
void SumErrorsBelow(std::span<const std::uint16_t> means, std::span<const std::uint16_t> errors,
                    const CellKinds& kinds, int background, std::uint64_t& sum,
                    std::uint64_t& cells) {
  if (background <= 0) return;
  const std::uint64_t* const ofUnit = kinds.UnitCellBits().data();
  const auto take = [&](std::size_t i) {
    const std::uint64_t counted = (ofUnit[i / 64] >> (i % 64)) & 1u;
    sum += counted * errors[i];
    cells += counted;
  };
  std::size_t i = 0;
  const std::size_t count = means.size();
#if defined(__SSE2__)
  // Eight cells to a comparison; the values are taken as signed after their top bit is
  // turned, which keeps their order.
  const __m128i turn = _mm_set1_epi16(static_cast<short>(0x8000));
  const __m128i limit = _mm_set1_epi16(
      static_cast<short>(static_cast<std::uint16_t>(std::min(background, 65535)) ^ 0x8000u));
  for (; i + 8 <= count; i += 8) {
    const __m128i eight =
        _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(means.data() + i)), turn);
    auto below = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi16(eight, limit)));
    while (below != 0) {
      const int byte = __builtin_ctz(below);
      take(i + static_cast<std::size_t>(byte / 2));
      below &= ~(3u << byte);
    }
  }
#endif
  for (; i < count; ++i)
    if (means[i] < background) take(i);
}

// The probe sets whose pairs are gathered from the plane at a time: their intensities
// stay in the processor's first caches until their calls are made.
constexpr int kUnitsPerBlock = 256;

// Gathers the raw intensities of the given cells, as the table lists a block of probe
// sets' pairs, into sides. The cells lie scattered over the plane; a loop that only loads
// lets the processor wait for many of them at once.
void GatherPairSides(std::span<const std::uint32_t> cells, const std::uint16_t* plane,
                     std::vector<std::uint16_t>& sides) {
  if (sides.size() < cells.size()) sides.resize(cells.size());
  std::uint16_t* const to = sides.data();
  for (std::size_t i = 0; i < cells.size(); ++i) to[i] = plane[cells[i]];
}

}  // namespace

void CHIP_DATA::ComputePresenceCalls() {
  ArrayMessage("    No matching QEX txt file; calculating Presence calls...", 0, kLogRed);
  ArrayMessage("      Gene 0:");
  if (calls.size() != static_cast<std::size_t>(Layout.unitCount)) AllocateUnitTables();

  const std::shared_ptr<const CellKinds> kinds = LayoutCellKinds();
  const double background = QuantileOf(*kinds, kBackgroundQuantile, false);
  mPresenceBackground = IsMissing(background) ? 0 : static_cast<int>(background);
  std::uint64_t noiseSum = 0;
  std::uint64_t noiseCells = 0;
  if (Layout.cells.size() == plane1.size() && plane2.size() == plane1.size())
    SumErrorsBelow(plane1, plane2, *kinds, mPresenceBackground, noiseSum, noiseCells);
  // No cell below the background, or standard errors of 0, would make every difference
  // infinitely significant and every ratio a division by zero.
  const double noise =
      noiseCells > 0 ? static_cast<double>(noiseSum) / static_cast<double>(noiseCells) : 0.0;
  mPresenceNoise = noise >= 1.0 ? noise : 1.0;
  mPresenceThreshold = kThresholdPerNoise * mPresenceNoise;
  mPresenceNoiseLog = static_cast<float>(std::log10(mPresenceNoise));

  const int side = Layout.dimension;
  const bool planeFits =
      side > 0 && plane1.size() == static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
  for (int first = 0; first < Layout.unitCount; first += kUnitsPerBlock) {
    const int last = std::min(Layout.unitCount, first + kUnitsPerBlock);
    if (planeFits) GatherPairSides(kinds->PairCells(first, last), plane1.data(), mPairSides);
    const std::uint16_t* sides = mPairSides.data();
    for (int unit = first; unit < last; ++unit) {
      const int pairs = planeFits ? kinds->PairsOnArray(unit) : 0;
      const char call = PresenceCall(sides, pairs);
      sides += 2 * pairs;
      calls[static_cast<std::size_t>(unit)] = call;
      ArrayProgressPump();
      if (unit % kProgressStep == 0) ArrayProgress(MessageBuffer("      Gene %d: %c", unit, call));
    }
  }
}

char CHIP_DATA::PresenceCall(const std::uint16_t* sides, int pairs) {
  if (pairs == 0) return kCallAbsent;
  const double floorValue = mPresenceNoise;
  // The scratch grows to the largest probe set and is written by place, not appended to.
  const auto count = static_cast<std::size_t>(pairs);
  if (mPairDifferences.size() < count) {
    mPairDifferences.resize(count);
    mPairBoundDifferences.resize(count);
    mPairPerfect.resize(count);
    mPairMismatch.resize(count);
  }
  const PairInputs inputs{static_cast<double>(mPresenceBackground), floorValue, mPresenceThreshold};
  const PairTallies tallies = TallyPairs(sides, pairs, inputs,
                                         {mPairDifferences.data(), mPairBoundDifferences.data(),
                                          mPairPerfect.data(), mPairMismatch.data()});
  const int positives = tallies.positives;
  const int negatives = tallies.negatives;
  const double* const differences = mPairDifferences.data();
  const double* const perfects = mPairPerfect.data();
  const double* const mismatches = mPairMismatch.data();

  const double positiveFraction = static_cast<double>(positives) / pairs;
  const double ratio = negatives > 0 ? static_cast<double>(positives) / negatives : -1.0;
  // The mean log ratio of the pairs, those with outlying differences set aside when there
  // are many; taken only for the calls that depend on it. The logarithms are most of the
  // work, so the mean is bounded from float logarithms of the two sides first.
  const std::vector<float>& wholeLogs = WholeIntensityLogs();
  const auto sideLog = [&](double value) {
    // A side that is not the floor is a whole intensity below 65536.
    return value == floorValue ? mPresenceNoiseLog
                               : wholeLogs[static_cast<std::size_t>(static_cast<int>(value))];
  };
  const auto strong = [&] {
    double low = 0.0;
    double high = 0.0;
    const bool few = pairs < kFewPairs;
    if (!few) OutlierBoundsInPlace(mPairBoundDifferences.data(), pairs, &low, &high);
    const auto counts = [&](int i) {
      return few || (differences[i] > low && differences[i] < high);
    };
    double boundSum = 0.0;
    int counted = 0;
    for (int i = 0; i < pairs; ++i) {
      if (!counts(i)) continue;
      boundSum += static_cast<double>(sideLog(perfects[i])) - sideLog(mismatches[i]);
      ++counted;
    }
    // Equal differences leave no pair strictly inside the bounds.
    if (counted == 0) return false;
    const double boundScore = 10.0 * boundSum / counted;
    if (std::abs(boundScore - kPresentLogScore) > kSureLogScoreMargin)
      return boundScore >= kPresentLogScore;
    double logSum = 0.0;
    for (int i = 0; i < pairs; ++i)
      if (counts(i)) logSum += std::log10(perfects[i] / mismatches[i]);
    return 10.0 * logSum / counted >= kPresentLogScore;
  };

  if (ratio < 0.0 || (ratio >= 3.0 && ratio < 4.0))
    return positiveFraction >= kPresentFraction && strong() ? kCallPresent : kCallAbsent;
  if (ratio < 3.0) return kCallAbsent;
  if (positiveFraction < kPresentFraction) return kCallAbsent;
  if (positiveFraction < kMarginalFraction) return strong() ? kCallPresent : kCallAbsent;
  return strong() ? kCallPresent : kCallMarginal;
}

bool CHIP_DATA::ScaleIntensities(int newMedian) {
  if (medianIntensity <= 0) {
    ArrayMessage(
        MessageBuffer(
            "    Cannot scale intensities to median %d: the array's median intensity is %d",
            newMedian, static_cast<int>(medianIntensity)),
        0, kLogRed);
    return false;
  }
  const double factor = static_cast<double>(newMedian) / medianIntensity;
  for (std::uint16_t& value : plane1) {
    const double scaled = factor * value + 0.5;
    value = !(scaled > 0.0) ? 0 : scaled >= 65535.0 ? 65535 : static_cast<std::uint16_t>(scaled);
  }
  medianIntensity = newMedian;
  return WriteQvf();
}

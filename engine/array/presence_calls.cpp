// Presence calls from an array's own intensities, for arrays without a result text file:
// per probe set, how many probe pairs show the perfect-match cell clearly above its
// mismatch cell over the background and noise of the array. Also the rescaling of an
// array's raw intensities to a chosen median.
#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
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

// One unsigned comparison per coordinate: a negative one wraps beyond the side.
bool CellOnArray(const ProbePosition& cell, int dimension) {
  const auto side = static_cast<unsigned>(dimension);
  return static_cast<unsigned>(cell.x) < side && static_cast<unsigned>(cell.y) < side;
}

}  // namespace

void CHIP_DATA::ComputePresenceCalls() {
  ArrayMessage("    No matching QEX txt file; calculating Presence calls...", 0, kLogRed);
  ArrayMessage("      Gene 0:");
  if (calls.size() != static_cast<std::size_t>(Layout.unitCount)) AllocateUnitTables();

  const double background = GetQuantile(kBackgroundQuantile, false);
  mPresenceBackground = IsMissing(background) ? 0 : static_cast<int>(background);
  double noiseSum = 0.0;
  long long noiseCells = 0;
  if (Layout.cells.size() == plane1.size() && plane2.size() == plane1.size()) {
    for (std::size_t i = 0; i < plane1.size(); ++i) {
      if (Layout.cells[i].kind == kCellNoUnit || plane1[i] >= mPresenceBackground) continue;
      noiseSum += plane2[i];
      ++noiseCells;
    }
  }
  // No cell below the background, or standard errors of 0, would make every difference
  // infinitely significant and every ratio a division by zero.
  const double noise = noiseCells > 0 ? noiseSum / static_cast<double>(noiseCells) : 0.0;
  mPresenceNoise = noise >= 1.0 ? noise : 1.0;
  mPresenceThreshold = kThresholdPerNoise * mPresenceNoise;
  mPresenceNoiseLog = static_cast<float>(std::log10(mPresenceNoise));

  for (int unit = 0; unit < Layout.unitCount; ++unit) {
    const char call = PresenceCall(unit);
    calls[static_cast<std::size_t>(unit)] = call;
    ArrayProgressPump();
    if (unit % kProgressStep == 0) ArrayProgress(MessageBuffer("      Gene %d: %c", unit, call));
  }
}

char CHIP_DATA::PresenceCall(int unit) {
  if (unit < 0 || unit >= Layout.unitCount) return kCallAbsent;
  const int side = Layout.dimension;
  if (side <= 0 || plane1.size() != static_cast<std::size_t>(side) * static_cast<std::size_t>(side))
    return kCallAbsent;
  const double floorValue = mPresenceNoise;
  const double threshold = mPresenceThreshold;
  const double background = static_cast<double>(mPresenceBackground);
  const std::span<const PairPositions> unitPairs = Layout.Positions(unit);
  // The scratch grows to the largest probe set and is written by place, not appended to.
  if (mPairDifferences.size() < unitPairs.size()) {
    mPairDifferences.resize(unitPairs.size());
    mPairPerfect.resize(unitPairs.size());
    mPairMismatch.resize(unitPairs.size());
  }
  double* const differences = mPairDifferences.data();
  double* const perfects = mPairPerfect.data();
  double* const mismatches = mPairMismatch.data();
  const std::uint16_t* const intensities = plane1.data();
  const auto stride = static_cast<std::size_t>(side);
  int pairs = 0;
  int positives = 0;
  int negatives = 0;
  for (const PairPositions& pair : unitPairs) {
    const ProbePosition& mismatch = pair[0];
    const ProbePosition& perfect = pair[1];
    if (!CellOnArray(perfect, side) || !CellOnArray(mismatch, side)) continue;
    double pm = intensities[static_cast<std::size_t>(perfect.x) * stride +
                            static_cast<std::size_t>(perfect.y)] -
                background;
    double mm = intensities[static_cast<std::size_t>(mismatch.x) * stride +
                            static_cast<std::size_t>(mismatch.y)] -
                background;
    if (!(pm > 0.0)) pm = floorValue;
    if (!(mm > 0.0)) mm = floorValue;
    const double ratio = pm / mm;
    if (pm - mm >= threshold && ratio >= kClearRatio)
      ++positives;
    else if (mm - pm >= threshold && mm / pm >= kClearRatio)
      ++negatives;
    differences[pairs] = pm - mm;
    perfects[pairs] = pm;
    mismatches[pairs] = mm;
    ++pairs;
  }
  if (pairs == 0) return kCallAbsent;

  const double positiveFraction = static_cast<double>(positives) / pairs;
  const double ratio = negatives > 0 ? static_cast<double>(positives) / negatives : -1.0;
  // The mean log ratio of the pairs, those with outlying differences set aside when there
  // are many; taken only for the calls that depend on it. The logarithms are most of the
  // work, so the mean is bounded from float logarithms of the two sides first.
  const std::vector<float>& wholeLogs = WholeIntensityLogs();
  const auto sideLog = [&](double value) {
    return value == floorValue ? mPresenceNoiseLog : wholeLogs[static_cast<std::size_t>(value)];
  };
  const auto strong = [&] {
    double low = 0.0;
    double high = 0.0;
    const bool few = pairs < kFewPairs;
    if (!few) OutlierBounds(differences, pairs, &low, &high);
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

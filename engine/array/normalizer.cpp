// The normalisation curve: knots at the 2% to 98% quantiles of the array's values, each
// the median of the baseline values around it, joined by straight segments, with
// least-squares lines through the outer knots beyond them.
#include "engine/array/normalizer.hpp"

#include <algorithm>
#include <cmath>

#include "engine/array/array_messages.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"

thread_local NORMALIZER Normalizer;

void NORMALIZER::ClearPoints(std::size_t capacity) {
  mPoints.clear();
  mPoints.reserve(capacity);
  mCapacity = capacity;
}

void NORMALIZER::AddPoint(double x, double y) {
  if (mPoints.size() >= mCapacity) {
    ArrayMessage("    NORMALIZER: NumPoint exceeds limit", 0, kLogRed);
    return;
  }
  mPoints.push_back({static_cast<float>(x), static_cast<float>(y)});
}

std::span<NormPoint> NORMALIZER::PointsToWrite(std::size_t count) {
  mPoints.resize(count);
  mCapacity = count;
  return mPoints;
}

void NORMALIZER::SortPoints() {
  // Pairs of cell intensities have whole x from 0 to 65535: counted into one bucket per
  // value they come out in the order a stable sort gives, in two passes.
  const bool intensities =
      mPoints.size() >= kCountingSortPairs &&
      std::all_of(mPoints.begin(), mPoints.end(), [](const NormPoint& point) {
        return point.x >= 0.0f && point.x <= 65535.0f && point.x == std::floor(point.x);
      });
  if (!intensities) {
    std::stable_sort(mPoints.begin(), mPoints.end(),
                     [](const NormPoint& a, const NormPoint& b) { return a.x < b.x; });
    return;
  }
  mStarts.assign(65537, 0);
  for (const NormPoint& point : mPoints) ++mStarts[static_cast<std::size_t>(point.x) + 1];
  for (std::size_t v = 1; v < mStarts.size(); ++v) mStarts[v] += mStarts[v - 1];
  mSorted.resize(mPoints.size());
  for (const NormPoint& point : mPoints)
    mSorted[static_cast<std::size_t>(mStarts[static_cast<std::size_t>(point.x)]++)] = point;
  mPoints.swap(mSorted);
}

double NORMALIZER::LineSlope(const CurveKnot& knot, int first, int count, int step,
                             double fallback) {
  double crossed = 0.0;
  double squared = 0.0;
  for (int i = 0, at = first; i < count; ++i, at += step) {
    const NormPoint& point = mPoints[static_cast<std::size_t>(at)];
    const double dx = point.x - knot.x;
    crossed += dx * (point.y - knot.y);
    squared += dx * dx;
  }
  // No pair beyond the knot, or all of them level with it: carry on the last segment.
  return squared > 0.0 ? crossed / squared : fallback;
}

bool NORMALIZER::FitCurve() {
  SortPoints();
  return FitSortedCurve();
}

bool NORMALIZER::FitSortedCurve() {
  mHasCurve = false;
  const int n = static_cast<int>(mPoints.size());
  if (n < kMinCurvePairs) {
    ArrayMessage(MessageBuffer("    Too few points to fit the normalization curve: %d", n), 0,
                 kLogRed);
    return false;
  }
  // Pairs that all share one x give knots on that x joined by level steps, and lines
  // that carry the level on: a flat mapping onto the median of their y.

  const int halfWidth = std::max(n / kCurveKnots, 2);
  const int reach = 3 * halfWidth;
  mWindow.reserve(static_cast<std::size_t>(2 * reach + 1));
  // Pairs of cell intensities have whole y from 0 to 65535: their windows, which only
  // move up the pairs, are counted as they slide, and each median is read from the counts.
  const bool intensities = std::all_of(mPoints.begin(), mPoints.end(), [](const NormPoint& point) {
    return point.y >= 0.0f && point.y <= 65535.0f && point.y == std::floor(point.y);
  });
  if (intensities) {
    mWindowCounts.assign(65536, 0);
    mWindowBuckets.fill(0);
  }
  int windowFrom = 0;  // the counted window: pairs windowFrom to windowTo - 1
  int windowTo = 0;
  const auto count = [&](int pair, int change) {
    const auto value = static_cast<std::size_t>(mPoints[static_cast<std::size_t>(pair)].y);
    mWindowCounts[value] += change;
    mWindowBuckets[value >> 8] += change;
  };
  const auto countedMedian = [&](int from, int to) {
    if (from >= windowTo) {
      for (; windowFrom < windowTo; ++windowFrom) count(windowFrom, -1);
      windowFrom = windowTo = from;
    }
    for (; windowFrom < from; ++windowFrom) count(windowFrom, -1);
    for (; windowTo <= to; ++windowTo) count(windowTo, 1);
    int k = QuantileRank(to - from + 1, 0.5);
    std::size_t bucket = 0;
    while (k >= mWindowBuckets[bucket]) k -= mWindowBuckets[bucket++];
    std::size_t value = bucket << 8;
    while (k >= mWindowCounts[value]) k -= mWindowCounts[value++];
    return static_cast<double>(value);
  };
  for (int i = 0; i < kCurveKnots; ++i) {
    CurveKnot& knot = mKnots[static_cast<std::size_t>(i)];
    const double quantile = i * 0.96 / (kCurveKnots - 1) + 0.02;
    // Fewer than 26 pairs would put the top knot one past the end.
    knot.index = std::min(static_cast<int>(std::floor(quantile * n + 0.5)), n - 1);
    knot.x = mPoints[static_cast<std::size_t>(knot.index)].x;
    const CurveKnot* previous = i > 0 ? &mKnots[static_cast<std::size_t>(i - 1)] : nullptr;
    if (previous != nullptr && previous->x == knot.x) {
      knot.y = previous->y;
      continue;
    }
    const int from = std::max(0, knot.index - reach);
    const int to = std::min(n - 1, knot.index + reach);
    if (intensities) {
      knot.y = countedMedian(from, to);
      continue;
    }
    mWindow.clear();
    for (int k = from; k <= to; ++k) mWindow.push_back(mPoints[static_cast<std::size_t>(k)].y);
    knot.y = SelectQuantile(mWindow.data(), static_cast<int>(mWindow.size()), 0.5);
  }
  for (int i = 0; i + 1 < kCurveKnots; ++i) {
    CurveKnot& knot = mKnots[static_cast<std::size_t>(i)];
    const CurveKnot& next = mKnots[static_cast<std::size_t>(i + 1)];
    // Knots on one x (many equal intensities) are joined by a level step, never 0/0.
    const double dx = next.x - knot.x;
    knot.slope = dx > 0.0 ? (next.y - knot.y) / dx : 0.0;
  }
  mKnots.back().slope = 0.0;

  const CurveKnot& first = mKnots.front();
  const CurveKnot& last = mKnots.back();
  const int below = first.index;
  const int above = n - 1 - last.index;
  for (const int beyond : {above, below}) {
    if (beyond > kLineFitLimit)
      ArrayMessage(
          MessageBuffer(
              "    Exceeds the limit %d in LSE_FINDER; use this many data points to fit slope",
              kLineFitLimit),
          0, kLogRed);
  }
  mLower = {first.x, first.y, LineSlope(first, 0, std::min(below, kLineFitLimit), 1, first.slope)};
  mUpper = {last.x, last.y,
            LineSlope(last, n - 1, std::min(above, kLineFitLimit), -1,
                      mKnots[static_cast<std::size_t>(kCurveKnots - 2)].slope)};
  mHasCurve = true;
  return true;
}

double NORMALIZER::MapValue(double x) const {
  if (!mHasCurve) return x;
  const CurveKnot& first = mKnots.front();
  const CurveKnot& last = mKnots.back();
  if (x < first.x) return (x - first.x) * mLower.slope + first.y + 0.5;
  if (x > last.x) return (x - last.x) * mUpper.slope + last.y + 0.5;
  int low = 0;
  int high = kCurveKnots - 1;
  while (low + 1 != high) {
    const int middle = (low + high + 1) / 2;
    if (x >= mKnots[static_cast<std::size_t>(middle)].x)
      low = middle;
    else
      high = middle;
  }
  const CurveKnot& knot = mKnots[static_cast<std::size_t>(low)];
  return knot.y + (x - knot.x) * knot.slope;
}

namespace {

std::uint16_t ClampToIntensity(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 65535.0) return 65535;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

void NORMALIZER::MapIntensities(std::span<std::uint16_t> mapped) const {
  const CurveKnot& first = mKnots.front();
  const CurveKnot& last = mKnots.back();
  // The last knot MapValue's search can land on, below the top one.
  constexpr std::size_t kLastSegment = kCurveKnots - 2;
  std::size_t segment = 0;
  for (std::size_t v = 0; v < mapped.size(); ++v) {
    const auto x = static_cast<double>(v);
    double y = x;
    if (!mHasCurve) {
    } else if (x < first.x) {
      y = (x - first.x) * mLower.slope + first.y + 0.5;
    } else if (x > last.x) {
      y = (x - last.x) * mUpper.slope + last.y + 0.5;
    } else {
      while (segment < kLastSegment && x >= mKnots[segment + 1].x) ++segment;
      const CurveKnot& knot = mKnots[segment];
      y = knot.y + (x - knot.x) * knot.slope;
    }
    mapped[v] = ClampToIntensity(y);
  }
}

void NORMALIZER::CurvePoints(double low, double high, std::vector<double>& x,
                             std::vector<double>& y) const {
  x.clear();
  y.clear();
  x.push_back(low);
  y.push_back(MapValue(low));
  for (const CurveKnot& knot : mKnots) {
    x.push_back(knot.x);
    y.push_back(knot.y);
  }
  x.push_back(high);
  y.push_back(MapValue(high));
}

// The normalisation curve: a monotone mapping of one array's intensities onto a
// baseline's scale, fitted through pairs of (array value, baseline value) as running
// medians at 300 knots with straight lines beyond the ends. The pairs come from an
// invariant set of cells or from matched quantiles (normalize_cel.cpp), or from two
// vectors of values (InvariantSetScaling).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr int kCurveKnots = 300;
// The end lines are fitted on at most this many pairs.
inline constexpr int kLineFitLimit = 10000;
// The smallest number of pairs whose 2% and 98% knots leave a pair beyond each end.
inline constexpr int kMinCurvePairs = 26;
// From this many pairs on, pairs of cell intensities are sorted by counting.
inline constexpr std::size_t kCountingSortPairs = 4096;
// InvariantSetScaling refuses a set smaller than this.
inline constexpr int kMinInvariantValues = 600;

struct NormPoint {
  float x = 0.0f;  // the array's value
  float y = 0.0f;  // the baseline's value
};

struct CurveKnot {
  double x = 0.0;
  double y = 0.0;
  double slope = 0.0;  // towards the next knot
  int index = 0;       // position of the knot in the sorted pairs
};

// A straight line through a point, used beyond the outer knots.
struct CurveLine {
  double x = 0.0;
  double y = 0.0;
  double slope = 0.0;
};

class NORMALIZER {
 public:
  // Drops the pairs; up to capacity may be added.
  void ClearPoints(std::size_t capacity);
  // Beyond the capacity the pair is dropped with a red line.
  void AddPoint(double x, double y);
  // Drops the pairs and makes room for count of them, which the caller writes in place of
  // adding them one by one.
  std::span<NormPoint> PointsToWrite(std::size_t count);
  void SortPoints();  // ascending by x
  // Fits the curve through the pairs (sorting them first). False with a red line when
  // there are too few pairs or their array values do not spread.
  [[nodiscard]] bool FitCurve();
  // FitCurve for pairs added in ascending order of x already, equal x in the order they
  // would keep in SortPoints.
  [[nodiscard]] bool FitSortedCurve();
  // The baseline value for an array value; the value itself while no curve is fitted.
  double MapValue(double x) const;
  // The mapped value of every whole intensity 0 to mapped.size() - 1, clamped to 0..65535
  // and truncated: MapValue's segment and arithmetic for each, found by one sweep along the
  // knots instead of a search for each value.
  void MapIntensities(std::span<std::uint16_t> mapped) const;
  void FreeCurve() { mHasCurve = false; }
  bool HasCurve() const { return mHasCurve; }

  std::span<const NormPoint> Points() const { return mPoints; }
  std::span<const CurveKnot> Knots() const { return mKnots; }
  const CurveLine& LowerLine() const { return mLower; }
  const CurveLine& UpperLine() const { return mUpper; }
  // The curve for drawing: (low, mapped), the 300 knots, (high, mapped).
  void CurvePoints(double low, double high, std::vector<double>& x, std::vector<double>& y) const;

 private:
  // Least-squares slope through the knot of the pairs from first, stepping by step.
  double LineSlope(const CurveKnot& knot, int first, int count, int step, double fallback);

  std::vector<NormPoint> mPoints;
  std::size_t mCapacity = 0;
  std::array<CurveKnot, kCurveKnots> mKnots{};
  CurveLine mLower;
  CurveLine mUpper;
  bool mHasCurve = false;
  std::vector<double> mWindow;  // the y values of one knot's median
  // The y values of the knot's window counted by value, and by their high byte, while the
  // window slides along pairs whose y are all 16-bit intensities.
  std::vector<int> mWindowCounts;
  std::array<int, 256> mWindowBuckets{};
  // SortPoints' buckets and its sorted copy, kept for the next array.
  std::vector<int> mStarts;
  std::vector<NormPoint> mSorted;
};

// The normaliser of the thread: the calling thread's serves the plots, and arrays
// normalised side by side on worker threads each fit their own curve.
extern thread_local NORMALIZER Normalizer;

// Normalises values onto reference through the invariant set of the two vectors (entries
// where either is MISSING_VALUE take no part and stay as they are). False with a red line
// when the set is smaller than kMinInvariantValues or the user stops. invariant, when
// given, receives 1 for the members of the set and 0 for the rest; keepCurve leaves the
// fitted curve in Normalizer for plotting.
[[nodiscard]] bool InvariantSetScaling(float* values, const float* reference, int n,
                                       std::vector<std::uint8_t>* invariant = nullptr,
                                       bool keepCurve = false);

// The curve of the LOH-call and allele-sharing data types: at each marker of the genome
// order (X left out) the weighted mean over the sample groups of each group's value, and
// how high or low such a curve gets by chance when every group's values are shifted
// round the genome by its own random offset.
//
// The groups' values are gathered once into tracks along the marker order; every shifted
// curve is then a sum of contiguous pieces of the tracks, so a round of the permutation
// costs one pass per group and no lookups through the units.
#pragma once

#include <span>
#include <vector>

#include "genome/chromosome/chromosome.hpp"

inline constexpr int kPermuteRoundCount = 1000;
// The permuted maxima and minima each keep this many.
inline constexpr int kPermuteListCapacity = 1000;
inline constexpr int kPermuteProgressStep = 10;
// A sample weight that leaves the sample out.
inline constexpr float kExcludedWeight = -1000000.0f;

inline constexpr const char* kPermuteStartMessage = "{Permute to assess curve significance...";
inline constexpr const char* kAssessScoreMessage =
    "  Assess the '%s' score at the genome-wide %.3f significance level";
inline constexpr const char* kCorrelateMessage =
    "  Correlate '%s' with %s data at the genome-wide %.3f significance level";
inline constexpr const char* kPermuteRoundMessage = "    Round %d";

// Set by the permute dialog for the run: markers whose inferred copy number is
// significant count as not lost in the LOH curve.
extern bool PermuteUseInferred;

// One sample group's part of the curve: the sample whose values it takes (the second of
// a larger group, the only one of a single) and the weight of its first sample.
struct CurveGroup {
  int sample = 0;
  float weight = 1.0f;
};

// The groups of the sample grouping.
std::vector<CurveGroup> CurveGroupsOfGrouping();

// The units the curve runs over: the genome order without the X chromosome, each held by
// the chromosome data.
std::vector<int> CurveMarkers(const CHROMOSOME& data);

// Each group's weighted values along the curve's markers; excluded groups hold no track
// but count in the divisor.
class CurveTracks {
 public:
  void Reset(int groups, int markers);
  int Groups() const { return mGroups; }
  int Markers() const { return mMarkers; }
  // A counted group's row, to be filled with weight x value (0 where the value is missing).
  float* Track(int group);
  void Exclude(int group) { mCounted[static_cast<std::size_t>(group)] = 0; }
  bool Counted(int group) const { return mCounted[static_cast<std::size_t>(group)] != 0; }

  // The curve at every marker with each group read shifts[g] markers further on (wrapping
  // round); all shifts 0 give the observed curve.
  void Curve(std::span<const int> shifts, std::vector<float>& out) const;
  // The smallest and largest value of that curve; both missing when it has no marker.
  void Extremes(std::span<const int> shifts, std::vector<float>& scratch, float* minOut,
                float* maxOut) const;
  // One random shift per group, (int)((n - 1) x runif(0, 1)).
  void DrawShifts(std::vector<int>& shifts) const;

 private:
  int mGroups = 0;
  int mMarkers = 0;
  std::vector<float> mValues;  // groups x markers
  std::vector<char> mCounted;
};

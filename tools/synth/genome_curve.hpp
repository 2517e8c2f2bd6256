// LOH probabilities of sample groups along a run of markers: every group loses
// heterozygosity over short random stretches of its own, and most groups share the
// planted stretches. The truth of each marker (planted or not) comes with the values, so
// a curve's significance can be scored marker by marker.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace synth {

struct CurvePlan {
  int groups = 10;
  int markers = 3000;
  // Each group's own losses cover about this share of its markers, in stretches of
  // ownLength[0] to ownLength[1] markers.
  double ownShare = 0.05;
  std::pair<int, int> ownLength{20, 150};
  // Planted stretches (first and last marker included), lost in this share of the groups.
  std::vector<std::pair<int, int>> planted;
  double plantedShare = 0.8;
  // LOH probability inside a loss and outside, each spread by noise (clamped to 0..1).
  double lostLevel = 0.9;
  double keptLevel = 0.05;
  double noise = 0.05;
  std::uint64_t seed = 1;
};

struct CurveData {
  std::vector<std::vector<float>> lohProbability;  // per group, per marker
  std::vector<bool> planted;                       // the truth per marker
};

CurveData DrawCurveData(const CurvePlan& plan);

}  // namespace synth

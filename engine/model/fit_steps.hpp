// The arithmetic of the model's alternating fit: the masked sums of one side's effects
// times the work values, and one whole step (theta from phi, then phi's sums from that
// theta) in a single pass over the arrays. Every sum takes its terms one by one in the
// order of the other side, each product rounded before it is added, whatever the
// processor: the results are those of plain loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Values side by side in the fit's padded work copies; strides are multiples of it.
inline constexpr int kFitLanes = 4;
// The most probes one whole step keeps its sums in registers for; a probe set with more
// takes the two sums apart.
inline constexpr int kFitStepMaxProbes = 32;

// The most arrays one step takes: the model's tables' room.
inline constexpr int kFitStepMaxArrays = 1000;

// count rounded up to whole lanes.
inline std::size_t PaddedToLanes(int count) {
  const auto n = static_cast<std::size_t>(count > 0 ? count : 0);
  return (n + kFitLanes - 1) / kFitLanes * kFitLanes;
}

// sums[r] is the sum of columns[k * stride + r] * other[k] over the k < count whose mask is
// 0, in the order of k, for each r < rows.
void MaskedColumnSums(const double* columns, std::size_t stride, int rows, const double* other,
                      int count, const std::int16_t* mask, double* sums);

// One step of the fit with phi fitted. byProbe holds the work values probe-major (probe j's
// arrays from byProbe[j * arrayStride]) and byArray array-major (array i's probes from
// byArray[i * probeStride]), both with their padding 0. theta[i] becomes the sum of
// byProbe[j][i] x phi[j] over the probes in use divided by probesInUse, for the arrays in
// use (the others keep theirs); phiSums[j] the sum of byArray[i][j] x theta[i] over the
// arrays in use, for every j below probes rounded up to lanes.
struct FitStep {
  const double* byProbe = nullptr;
  std::size_t arrayStride = 0;
  const double* byArray = nullptr;
  std::size_t probeStride = 0;
  int arrays = 0;  // at most kFitStepMaxArrays
  int probes = 0;  // at most kFitStepMaxProbes
  const std::int16_t* arrayMask = nullptr;
  const std::int16_t* probeMask = nullptr;
  double probesInUse = 0.0;
  const double* phi = nullptr;
  double* theta = nullptr;
  double* phiSums = nullptr;
};
void AlternatingStep(const FitStep& step);

// The builds of the sums: for any processor, for one with AVX2, for one with AVX-512.
enum class FitBuild { kPlain, kAvx2, kAvx512 };
// Those this processor can run, widest first; the fit takes the first.
std::vector<FitBuild> FitBuildsOfProcessor();
// AlternatingStep in the build given, which the processor must be able to run.
void AlternatingStepOf(FitBuild build, const FitStep& step);

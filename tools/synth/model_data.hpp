// Probe-level values of one probe set made from the multiplicative model the expression
// fit assumes: value(i, j) = theta[i] x phi[j] plus Gaussian noise, with planted single
// outlier cells, a bad array and a bad probe, and the truth they were made from.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace synth {

struct ModelDataOptions {
  int arrays = 20;
  int probes = 11;
  std::uint64_t seed = 1;
  // theta spread evenly on the log scale between these; phi likewise.
  double lowestTheta = 100.0;
  double highestTheta = 1000.0;
  double lowestPhi = 0.5;
  double highestPhi = 2.0;
  double noise = 0.0;  // standard deviation of the additive noise
  // Cells in distinct arrays and probes whose value gains outlierFactor x its true value.
  int singleOutliers = 0;
  double outlierFactor = 4.0;
  // An array whose probes each respond by a random factor from 1/4 to 4, and a probe
  // whose values ignore theta; -1 for none.
  int badArray = -1;
  int badProbe = -1;
};

struct ModelDataTruth {
  int arrays = 0;
  int probes = 0;
  double noise = 0.0;
  std::vector<double> theta;
  std::vector<double> phi;
  std::vector<double> values;                       // values[i * probes + j]
  std::vector<std::pair<int, int>> singleOutliers;  // (array, probe)
  int badArray = -1;
  int badProbe = -1;

  double Value(int array, int probe) const {
    return values[static_cast<std::size_t>(array) * static_cast<std::size_t>(probes) +
                  static_cast<std::size_t>(probe)];
  }
  // theta and phi on the fit's scale, where the squares of phi over the probes sum to
  // their count; an excluded probe (the bad one, say) is left out of that sum.
  std::vector<double> ScaledTheta(int excludedProbe = -1) const;
  std::vector<double> ScaledPhi(int excludedProbe = -1) const;
};

ModelDataTruth MakeModelData(const ModelDataOptions& options);

}  // namespace synth

// Making model-shaped probe-level data with known effects, noise and outliers.
#include "tools/synth/model_data.hpp"

#include <algorithm>
#include <cmath>

#include "tools/synth/random.hpp"

namespace synth {
namespace {

// The sum of phi squared over the probes kept, and the factor that puts phi on the fit's scale.
double PhiScale(const ModelDataTruth& truth, int excludedProbe) {
  double squares = 0.0;
  int kept = 0;
  for (int j = 0; j < truth.probes; ++j) {
    if (j == excludedProbe) continue;
    squares += truth.phi[static_cast<std::size_t>(j)] * truth.phi[static_cast<std::size_t>(j)];
    ++kept;
  }
  return squares > 0.0 ? std::sqrt(kept / squares) : 1.0;
}

}  // namespace

std::vector<double> ModelDataTruth::ScaledTheta(int excludedProbe) const {
  const double scale = PhiScale(*this, excludedProbe);
  std::vector<double> scaled = theta;
  for (double& value : scaled) value /= scale;
  return scaled;
}

std::vector<double> ModelDataTruth::ScaledPhi(int excludedProbe) const {
  const double scale = PhiScale(*this, excludedProbe);
  std::vector<double> scaled = phi;
  for (double& value : scaled) value *= scale;
  return scaled;
}

ModelDataTruth MakeModelData(const ModelDataOptions& options) {
  Draws draws(options.seed);
  ModelDataTruth truth;
  truth.arrays = options.arrays;
  truth.probes = options.probes;
  truth.noise = options.noise;
  truth.badArray = options.badArray;
  truth.badProbe = options.badProbe;
  for (int i = 0; i < options.arrays; ++i)
    truth.theta.push_back(draws.LogBetween(options.lowestTheta, options.highestTheta));
  for (int j = 0; j < options.probes; ++j)
    truth.phi.push_back(draws.LogBetween(options.lowestPhi, options.highestPhi));

  double largest = 0.0;
  truth.values.resize(static_cast<std::size_t>(options.arrays) *
                      static_cast<std::size_t>(options.probes));
  for (int i = 0; i < options.arrays; ++i)
    for (int j = 0; j < options.probes; ++j) {
      const double value =
          truth.theta[static_cast<std::size_t>(i)] * truth.phi[static_cast<std::size_t>(j)];
      largest = std::max(largest, value);
      truth.values[static_cast<std::size_t>(i * options.probes + j)] = value;
    }

  if (options.badArray >= 0 && options.badArray < options.arrays)
    for (int j = 0; j < options.probes; ++j)
      truth.values[static_cast<std::size_t>(options.badArray * options.probes + j)] *=
          draws.LogBetween(0.25, 4.0);
  if (options.badProbe >= 0 && options.badProbe < options.probes)
    for (int i = 0; i < options.arrays; ++i)
      truth.values[static_cast<std::size_t>(i * options.probes + options.badProbe)] =
          draws.Between(0.0, largest);

  // Planted cells take distinct arrays and probes, so no array or probe reaches the
  // fit's limit on single outliers.
  const int planted = std::min({options.singleOutliers, options.arrays, options.probes});
  std::vector<int> arrays;
  std::vector<int> probes;
  for (int i = 0; i < options.arrays; ++i)
    if (i != options.badArray) arrays.push_back(i);
  for (int j = 0; j < options.probes; ++j)
    if (j != options.badProbe) probes.push_back(j);
  for (int k = 0; k < planted && !arrays.empty() && !probes.empty(); ++k) {
    const int a = draws.Index(static_cast<int>(arrays.size()));
    const int p = draws.Index(static_cast<int>(probes.size()));
    const int array = arrays[static_cast<std::size_t>(a)];
    const int probe = probes[static_cast<std::size_t>(p)];
    arrays.erase(arrays.begin() + a);
    probes.erase(probes.begin() + p);
    truth.values[static_cast<std::size_t>(array * options.probes + probe)] *=
        1.0 + options.outlierFactor;
    truth.singleOutliers.emplace_back(array, probe);
  }

  if (options.noise > 0.0)
    for (double& value : truth.values) value += options.noise * draws.Normal();
  return truth;
}

}  // namespace synth

// The model data generator: reproducible, noise-free values are exactly theta x phi, and
// planted outliers, bad arrays and bad probes land where the truth says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "platform/tests/temp_folder.hpp"
#include "tools/synth/model_data.hpp"

namespace {

TEST(ModelData, SameSeedSameDataAndEffectsInRange) {
  platform::testing::TempFolder folder;
  synth::ModelDataOptions options;
  options.noise = 3.0;
  options.singleOutliers = 2;
  const auto first = synth::MakeModelData(options);
  EXPECT_EQ(first.values, synth::MakeModelData(options).values);
  options.seed = 2;
  EXPECT_NE(first.values, synth::MakeModelData(options).values);
  for (const double theta : first.theta) {
    EXPECT_GE(theta, options.lowestTheta);
    EXPECT_LE(theta, options.highestTheta);
  }
  // On the fit's scale the squares of phi sum to the probe count and the products stay.
  const auto theta = first.ScaledTheta();
  const auto phi = first.ScaledPhi();
  double squares = 0.0;
  for (const double value : phi) squares += value * value;
  EXPECT_NEAR(squares, first.probes, 1e-9);
  EXPECT_NEAR(theta[3] * phi[5], first.theta[3] * first.phi[5], 1e-9);
}

TEST(ModelData, PlantedCellsDepartFromTheModel) {
  platform::testing::TempFolder folder;
  const auto truth = synth::MakeModelData(
      synth::ModelDataOptions{.singleOutliers = 4, .badArray = 2, .badProbe = 7});
  std::set<int> arrays;
  std::set<int> probes;
  for (const auto& [array, probe] : truth.singleOutliers) {
    arrays.insert(array);
    probes.insert(probe);
    EXPECT_NE(array, 2);
    EXPECT_NE(probe, 7);
    EXPECT_DOUBLE_EQ(truth.Value(array, probe), 5.0 * truth.theta[static_cast<std::size_t>(array)] *
                                                    truth.phi[static_cast<std::size_t>(probe)]);
  }
  EXPECT_EQ(arrays.size(), 4u);
  EXPECT_EQ(probes.size(), 4u);
  int departures = 0;
  for (int j = 0; j < truth.probes; ++j)
    if (std::fabs(truth.Value(2, j) - truth.theta[2] * truth.phi[static_cast<std::size_t>(j)]) >
        1e-9)
      ++departures;
  EXPECT_GE(departures, truth.probes - 1);
  // Elsewhere, without noise, every value is the product.
  for (int i = 0; i < truth.arrays; ++i) {
    if (i == 2 || arrays.count(i) != 0) continue;
    for (int j = 0; j < truth.probes; ++j) {
      if (j == 7) continue;
      EXPECT_DOUBLE_EQ(truth.Value(i, j), truth.theta[static_cast<std::size_t>(i)] *
                                              truth.phi[static_cast<std::size_t>(j)]);
    }
  }
}

TEST(ModelData, NoiseAndEffectsHaveTheSpreadAndRangeAsked) {
  synth::ModelDataOptions options;
  options.arrays = 300;
  options.probes = 20;
  options.seed = 9;
  options.noise = 5.0;
  options.badArray = 4;
  options.badProbe = 2;
  const auto noisy = synth::MakeModelData(options);
  options.noise = 0.0;
  const auto clean = synth::MakeModelData(options);
  // The noise is drawn last: the same effects with and without it.
  EXPECT_EQ(noisy.theta, clean.theta);
  double sum = 0.0;
  double squares = 0.0;
  for (std::size_t k = 0; k < noisy.values.size(); ++k) {
    const double residual = noisy.values[k] - clean.values[k];
    sum += residual;
    squares += residual * residual;
  }
  const double n = static_cast<double>(noisy.values.size());
  EXPECT_NEAR(sum / n, 0.0, 0.4);
  EXPECT_NEAR(std::sqrt(squares / n - (sum / n) * (sum / n)), 5.0, 0.2);

  // theta spread evenly on the log scale: the mean log lies midway.
  double logSum = 0.0;
  for (const double theta : clean.theta) logSum += std::log(theta);
  EXPECT_NEAR(logSum / 300.0, (std::log(100.0) + std::log(1000.0)) / 2, 0.1);
  const double largest = *std::max_element(clean.theta.begin(), clean.theta.end()) *
                         *std::max_element(clean.phi.begin(), clean.phi.end());
  for (int j = 0; j < 20; ++j) {
    if (j == 2) continue;
    // The bad array's probes respond by a factor from a quarter to four.
    const double factor =
        clean.Value(4, j) / (clean.theta[4] * clean.phi[static_cast<std::size_t>(j)]);
    EXPECT_GE(factor, 0.25 - 1e-12);
    EXPECT_LE(factor, 4.0 + 1e-12);
  }
  // The bad probe ignores theta: its values lie anywhere up to the largest product.
  for (int i = 0; i < 300; ++i) {
    EXPECT_GE(clean.Value(i, 2), 0.0);
    EXPECT_LE(clean.Value(i, 2), largest);
  }
}

}  // namespace

// The model data generator: reproducible, noise-free values are exactly theta x phi, and
// planted outliers, bad arrays and bad probes land where the truth says.
#include <gtest/gtest.h>

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
  synth::ModelDataOptions options;
  options.singleOutliers = 4;
  options.badArray = 2;
  options.badProbe = 7;
  const auto truth = synth::MakeModelData(options);
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

}  // namespace

// The model fit checked against the model it assumes: data made as theta x phi plus
// noise give theta and phi back (on the fit's scale) within what the noise allows,
// planted outliers are found, and the iteration's rules hold at their edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "engine/array/local_background.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/tests/model_test_support.hpp"

namespace {

ModelOptions NoSteps() {
  ModelOptions options;
  options.detectSingleOutlier = false;
  options.detectArrayOutlier = false;
  options.detectProbeOutlier = false;
  return options;
}

double Norm(const std::vector<double>& values) {
  return std::sqrt(std::inner_product(values.begin(), values.end(), values.begin(), 0.0));
}

// The fit's errors on noisy data: theta[i] averages J values of noise sigma with weights
// whose squares sum to J, so its deviation is sigma / sqrt(J); phi[j] averages the arrays
// with weights theta, so its deviation is sigma / |theta|; each carries the other's error
// in proportion. Five deviations keep a fixed seed far from the edge.
double ThetaTolerance(const synth::ModelDataTruth& truth, double theta,
                      const std::vector<double>& scaledTheta) {
  return 5.0 * truth.noise / std::sqrt(truth.probes) +
         5.0 * std::fabs(theta) * truth.noise / Norm(scaledTheta);
}
double PhiTolerance(const synth::ModelDataTruth& truth, double phi,
                    const std::vector<double>& scaledTheta) {
  return 5.0 * truth.noise / Norm(scaledTheta) * (1.0 + std::fabs(phi));
}

int CountArrayOutliers(const MODEL& model) {
  int count = 0;
  for (int i = 0; i < model.ArrayCount(); ++i) count += model.IsArrayOutlier(i) ? 1 : 0;
  return count;
}
int CountProbeOutliers(const MODEL& model) {
  int count = 0;
  for (int j = 0; j < model.ProbeCount(); ++j) count += model.IsProbeOutlier(j) ? 1 : 0;
  return count;
}

}  // namespace

TEST_F(ModelTest, NoiseFreeDataAreFitExactlyAndFlagNothing) {
  synth::ModelDataOptions options;
  options.arrays = 25;
  options.seed = 11;
  const auto truth = synth::MakeModelData(options);
  const MODEL& model = FitTruth(truth);

  const auto theta = truth.ScaledTheta();
  const auto phi = truth.ScaledPhi();
  for (int i = 0; i < truth.arrays; ++i) {
    EXPECT_NEAR(model.ResultTheta(i), theta[static_cast<std::size_t>(i)],
                1e-9 * theta[static_cast<std::size_t>(i)]);
    EXPECT_EQ(model.ThetaStdErr(i), 0.0) << i;
  }
  for (int j = 0; j < truth.probes; ++j) {
    EXPECT_NEAR(model.ResultPhi(j), phi[static_cast<std::size_t>(j)], 1e-9) << j;
    EXPECT_EQ(model.PhiStdErr(j), 0.0) << j;
  }
  EXPECT_EQ(model.ExplainedFraction(), 1.0);
  // A perfect fit has no positive standard error; the error rules must not flag anything.
  EXPECT_EQ(model.SingleOutlierCount(), 0);
  EXPECT_EQ(CountArrayOutliers(model), 0);
  EXPECT_EQ(CountProbeOutliers(model), 0);
  EXPECT_EQ(model.Passes(), kModelStablePasses);
}

TEST_F(ModelTest, NoisyDataGiveBackEffectsWithinTheNoise) {
  for (const std::uint64_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    synth::ModelDataOptions options;
    options.arrays = 30;
    options.noise = 5.0;
    options.seed = seed;
    const auto truth = synth::MakeModelData(options);
    const MODEL& model = FitTruth(truth);
    const auto theta = truth.ScaledTheta();
    const auto phi = truth.ScaledPhi();
    for (int i = 0; i < truth.arrays; ++i) {
      const double expected = theta[static_cast<std::size_t>(i)];
      EXPECT_NEAR(model.ResultTheta(i), expected, ThetaTolerance(truth, expected, theta)) << i;
      // Its standard error estimates sigma / sqrt(J) from J - 1 degrees of freedom.
      const double ratio = model.ThetaStdErr(i) / (truth.noise / std::sqrt(truth.probes));
      EXPECT_GT(ratio, 0.3) << i;
      EXPECT_LT(ratio, 2.0) << i;
    }
    for (int j = 0; j < truth.probes; ++j) {
      const double expected = phi[static_cast<std::size_t>(j)];
      EXPECT_NEAR(model.ResultPhi(j), expected, PhiTolerance(truth, expected, theta)) << j;
    }
    // Pure noise never reaches three times the median error of an array or a probe.
    EXPECT_EQ(CountArrayOutliers(model), 0);
    EXPECT_EQ(CountProbeOutliers(model), 0);
    EXPECT_GT(model.ExplainedFraction(), 0.99);
  }
}

TEST_F(ModelTest, PlantedOutliersAreFlagged) {
  synth::ModelDataOptions options;
  options.arrays = 30;
  options.noise = 5.0;
  options.seed = 21;
  options.singleOutliers = 4;
  const auto singles = synth::MakeModelData(options);
  const MODEL& model = FitTruth(singles);
  for (const auto& [array, probe] : singles.singleOutliers)
    EXPECT_TRUE(model.IsSingleOutlier(array, probe)) << array << "," << probe;
  EXPECT_LE(model.SingleOutlierCount(), static_cast<int>(singles.singleOutliers.size()) + 1);
  // With them set aside the effects are as good as without them.
  const auto theta = singles.ScaledTheta();
  for (int i = 0; i < singles.arrays; ++i)
    EXPECT_NEAR(model.ResultTheta(i), theta[static_cast<std::size_t>(i)],
                ThetaTolerance(singles, theta[static_cast<std::size_t>(i)], theta))
        << i;

  options.singleOutliers = 0;
  options.badArray = 7;
  const auto badArray = synth::MakeModelData(options);
  FitTruth(badArray);
  EXPECT_TRUE(model.IsArrayOutlier(7));
  EXPECT_EQ(CountArrayOutliers(model), 1);
  EXPECT_EQ(model.StoredTriple(7).outlier, kArrayOutlierWord);
  EXPECT_NE(model.StoredTriple(6).outlier, kArrayOutlierWord);

  options.badArray = -1;
  options.badProbe = 3;
  const auto badProbe = synth::MakeModelData(options);
  FitTruth(badProbe);
  EXPECT_TRUE(model.IsProbeOutlier(3));
  EXPECT_EQ(CountProbeOutliers(model), 1);
  const auto phi = badProbe.ScaledPhi(3);
  const auto probeTheta = badProbe.ScaledTheta(3);
  for (int j = 0; j < badProbe.probes; ++j) {
    if (j == 3) continue;
    EXPECT_NEAR(model.ResultPhi(j), phi[static_cast<std::size_t>(j)],
                PhiTolerance(badProbe, phi[static_cast<std::size_t>(j)], probeTheta))
        << j;
  }
}

TEST_F(ModelTest, ProbeSetOfOneProbe) {
  synth::ModelDataOptions options;
  options.probes = 1;
  options.noise = 5.0;
  ModelOptions fit;
  fit.excludedFivePrimeProbes = 5;
  const auto truth = synth::MakeModelData(options);
  const MODEL& model = FitTruth(truth, fit);
  EXPECT_DOUBLE_EQ(model.ResultPhi(0), 1.0);
  EXPECT_FALSE(model.IsProbeOutlier(0));
  for (int i = 0; i < truth.arrays; ++i) {
    EXPECT_DOUBLE_EQ(model.ResultTheta(i), truth.Value(i, 0));
    EXPECT_EQ(model.ThetaStdErr(i), 0.0);
  }
}

TEST_F(ModelTest, PassesRunTheStepsInTurnAndStopWhenQuiet) {
  synth::ModelDataOptions options;
  options.noise = 5.0;
  options.singleOutliers = 3;
  const auto truth = synth::MakeModelData(options);
  // Without steps nothing changes, so three quiet passes end it.
  EXPECT_EQ(FitTruth(truth, NoSteps()).Passes(), kModelStablePasses);
  EXPECT_EQ(Fit().SingleOutlierCount(), 0);

  // One pass at a time: the first pass looks for single outliers only.
  MODEL& model = FitTruth(truth);
  model.ResetOutliers();
  EXPECT_EQ(model.FitModel(true), 1);
  for (const auto& [array, probe] : truth.singleOutliers)
    EXPECT_TRUE(model.IsSingleOutlier(array, probe));
  EXPECT_EQ(CountArrayOutliers(model), 0);
  EXPECT_EQ(model.FitModel(true), 2);
}

TEST_F(ModelTest, SignRuleMakesPresentArraysPositive) {
  synth::ModelDataOptions options;
  options.arrays = 12;
  options.noise = 2.0;
  auto truth = synth::MakeModelData(options);
  // Arrays 0-5 respond upwards and are called present, 6-11 downwards and absent.
  std::vector<char> calls(12, 'P');
  for (int i = 6; i < 12; ++i) {
    calls[static_cast<std::size_t>(i)] = 'A';
    for (int j = 0; j < truth.probes; ++j)
      truth.values[static_cast<std::size_t>(i * truth.probes + j)] *= -1.0;
  }
  for (const double sign : {1.0, -1.0}) {
    std::vector<double> values = truth.values;
    for (double& value : values) value *= sign;
    ASSERT_TRUE(Fit().LoadData(12, truth.probes, values, calls, NoSteps()));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(Fit().ResultTheta(i) > 0.0, i < 6) << sign << " " << i;
    // theta x phi still reproduces the data.
    EXPECT_NEAR(Fit().Fitted(0, 0), values[0], 5.0 * truth.noise);
  }
}

TEST_F(ModelTest, DominantArrayIsFlaggedOnlyWhileItWasNotAnOutlier) {
  synth::ModelDataOptions options;
  options.arrays = 10;
  options.lowestTheta = 50.0;
  options.highestTheta = 100.0;
  auto truth = synth::MakeModelData(options);
  for (int j = 0; j < truth.probes; ++j)
    truth.values[static_cast<std::size_t>(4 * truth.probes + j)] *= 100.0;
  MODEL& model = FitTruth(truth);
  model.ResetOutliers();
  model.FitModel(true);
  model.FitModel(true);
  // The fit is perfect, so only the share of the squares can flag, and only array 4 holds
  // over 90 % of it.
  for (int i = 0; i < truth.arrays; ++i) EXPECT_EQ(model.IsArrayOutlier(i), i == 4) << i;
  model.FitModel(true);
  model.FitModel(true);
  model.FitModel(true);
  EXPECT_FALSE(model.IsArrayOutlier(4));
  // So the mark flips on every array step and only the pass limit ends the iteration.
  EXPECT_EQ(FitTruth(truth).Passes(), kModelLastPass + 1);
}

TEST_F(ModelTest, AllZeroDataLeaveMissingValuesAndARedLine) {
  synth::ModelDataOptions options;
  auto truth = synth::MakeModelData(options);
  for (double& value : truth.values) value = -value;
  ModelOptions zeroed;
  zeroed.zeroNegDiff = true;
  const MODEL& model = FitTruth(truth, zeroed);
  for (int i = 0; i < truth.arrays; ++i) {
    EXPECT_TRUE(IsMissing(model.ResultTheta(i)));
    EXPECT_TRUE(IsMissing(model.ThetaStdErr(i)));
  }
  EXPECT_TRUE(IsMissing(model.ResultPhi(0)));
  EXPECT_TRUE(mLog.ContainsRed("cannot be scaled"));
  EXPECT_EQ(model.StoredTriple(0).value, kMissingValueFloat);
}

TEST_F(ModelTest, MissingOrNonFiniteDataGiveMissingResultsWithTheirReason) {
  synth::ModelDataOptions options;
  const auto truth = synth::MakeModelData(options);
  const std::size_t cells = truth.values.size();
  ModelOptions average;
  average.method = kModelAverageDifference;
  for (const ModelOptions& method : {ModelOptions{}, NoSteps(), average}) {
    synth::ModelDataTruth missing = truth;
    std::fill(missing.values.begin(), missing.values.end(), MISSING_VALUE);
    mLog.Clear();
    const MODEL& model = FitTruth(missing, method);
    EXPECT_TRUE(
        mLog.ContainsRed("    Probe set -1: every value is missing; its values are missing"));
    for (int i = 0; i < truth.arrays; ++i) {
      EXPECT_TRUE(IsMissing(model.ResultTheta(i))) << i;
      EXPECT_TRUE(IsMissing(model.ThetaStdErr(i))) << i;
    }
    EXPECT_EQ(model.StoredTriple(0).value, kMissingValueFloat);
    EXPECT_EQ(model.StoredTriple(0).stdErr, kMissingValueFloat);

    synth::ModelDataTruth broken = truth;
    broken.values[3] = std::numeric_limits<double>::quiet_NaN();
    broken.values[cells - 1] = -std::numeric_limits<double>::infinity();
    mLog.Clear();
    FitTruth(broken, method);
    EXPECT_TRUE(mLog.ContainsRed(
        "    Probe set -1: 2 of its values are not finite numbers; its values are missing"));
    EXPECT_FALSE(mLog.ContainsRed("all 0"));
    for (int i = 0; i < truth.arrays; ++i) EXPECT_TRUE(IsMissing(model.ResultTheta(i))) << i;
    // Stepping the fit on from there gives nothing else.
    Fit().FitModel(true);
    EXPECT_TRUE(IsMissing(model.ResultTheta(0)));
  }
  // The same probe set with usable data is fitted again.
  EXPECT_FALSE(IsMissing(FitTruth(truth).ResultTheta(0)));
}

TEST_F(ModelTest, AverageDifferenceIsTheMeanWithItsStandardError) {
  const std::vector<double> values = {1.0, 3.0, 2.0, 2.0};
  ModelOptions options;
  options.method = kModelAverageDifference;
  ASSERT_TRUE(Fit().LoadData(2, 2, values, {}, options));
  EXPECT_DOUBLE_EQ(Fit().ResultTheta(0), 2.0);
  EXPECT_DOUBLE_EQ(Fit().ThetaStdErr(0), 1.0);
  EXPECT_DOUBLE_EQ(Fit().ResultTheta(1), 2.0);
  EXPECT_DOUBLE_EQ(Fit().ThetaStdErr(1), 0.0);
  EXPECT_EQ(Fit().Passes(), 0);
}

TEST_F(ModelTest, ImageSpikesAreMarkedUnlessTheWholeProbeIsBright) {
  synth::ModelDataOptions options;
  options.probes = 12;
  auto truth = synth::MakeModelData(options);
  // Probe 0 is bright on every array; one cell of probe 5 spikes.
  for (int i = 0; i < truth.arrays; ++i)
    truth.values[static_cast<std::size_t>(i * truth.probes)] *= 20.0;
  truth.values[static_cast<std::size_t>(3 * truth.probes + 5)] *= 20.0;
  ModelOptions spikes = NoSteps();
  spikes.handleImageSpike = true;
  const MODEL& model = FitTruth(truth, spikes);
  for (int i = 0; i < truth.arrays; ++i)
    for (int j = 0; j < truth.probes; ++j)
      EXPECT_EQ(model.IsImageSpike(i, j), i == 3 && j == 5) << i << "," << j;
  // The spike is left out, so the rest fits exactly.
  EXPECT_DOUBLE_EQ(model.ExplainedFraction(), 1.0);
}

// A spike stays one only above three times the 0.8 quantile of its probe's values: at that
// limit exactly it is the probe's nature, one step above it a spike, whether the probe has
// few marked cells or many.
TEST_F(ModelTest, ImageSpikesMeetTheirProbesLimitExactly) {
  constexpr int kArrays = 10;
  constexpr int kProbes = 11;
  constexpr int kProbe = 5;
  constexpr int kArray = 7;
  // Every other cell is 1, so a cell of the probe above 3 is marked on its array's side.
  // Either way the probe's 0.8 quantile is 10 and its limit 30; the first column leaves
  // eight cells marked, the second all ten.
  const std::vector<std::vector<double>> columns = {{3, 3, 10, 10, 10, 10, 10, 0, 10, 10},
                                                    {10, 10, 10, 10, 10, 10, 10, 0, 10, 10}};
  const double limit = 30.0;
  for (const std::vector<double>& column : columns)
    for (const double value : {limit, std::nextafter(limit, 100.0), std::nextafter(limit, 0.0)}) {
      std::vector<double> values(kArrays * kProbes, 1.0);
      for (int i = 0; i < kArrays; ++i)
        values[static_cast<std::size_t>(i * kProbes + kProbe)] =
            i == kArray ? value : column[static_cast<std::size_t>(i)];
      ModelOptions spikes = NoSteps();
      spikes.handleImageSpike = true;
      ASSERT_TRUE(Fit().LoadData(kArrays, kProbes, values, {}, spikes));
      for (int i = 0; i < kArrays; ++i)
        for (int j = 0; j < kProbes; ++j)
          EXPECT_EQ(Fit().IsImageSpike(i, j), i == kArray && j == kProbe && value > limit)
              << i << "," << j << " at " << value << " with " << column[0];
    }
}

TEST_F(ModelTest, OutlierWordPutsTheFirstProbeHighest) {
  synth::ModelDataOptions options;
  options.probes = 12;
  auto truth = synth::MakeModelData(options);
  truth.values[static_cast<std::size_t>(2 * 12 + 0)] *= 10.0;
  truth.values[static_cast<std::size_t>(2 * 12 + 11)] *= 10.0;
  const MODEL& model = FitTruth(truth);
  EXPECT_EQ(model.StoredTriple(2).outlier, 2049);
  EXPECT_EQ(model.StoredTriple(1).outlier, 0);
  EXPECT_FLOAT_EQ(model.StoredTriple(1).value, static_cast<float>(model.ResultTheta(1)));
  EXPECT_FLOAT_EQ(model.StoredTriple(1).stdErr, static_cast<float>(model.ThetaStdErr(1)));
}

TEST_F(ModelTest, FivePrimeProbesAreLeftOut) {
  synth::ModelDataOptions options;
  const auto truth = synth::MakeModelData(options);
  ModelOptions fit;
  fit.excludedFivePrimeProbes = 2;
  const MODEL& model = FitTruth(truth, fit);
  for (int j = 0; j < truth.probes; ++j) EXPECT_EQ(model.IsProbeOutlier(j), j < 2) << j;
  EXPECT_EQ(model.ProbesInUse(), truth.probes - 2);
  // The kept probes carry the scale: their squares sum to their count.
  double squares = 0.0;
  for (int j = 2; j < truth.probes; ++j) squares += model.ResultPhi(j) * model.ResultPhi(j);
  EXPECT_NEAR(squares, truth.probes - 2, 1e-9);
}

TEST_F(ModelTest, FixedPhiFitsOnlyTheArrays) {
  synth::ModelDataOptions options;
  options.noise = 5.0;
  const auto truth = synth::MakeModelData(options);
  // Probe sensitivities as a fit leaves them: their squares sum to the probe count.
  const auto phi = truth.ScaledPhi();
  ModelOptions fixed = NoSteps();
  fixed.fitPhi = false;
  ASSERT_TRUE(Fit().LoadData(truth.arrays, truth.probes, truth.values, {}, fixed, phi));
  for (int j = 0; j < truth.probes; ++j)
    EXPECT_EQ(Fit().ResultPhi(j), phi[static_cast<std::size_t>(j)]);
  // theta is the least-squares value for the given phi.
  for (int i = 0; i < truth.arrays; ++i) {
    double cross = 0.0;
    for (int j = 0; j < truth.probes; ++j)
      cross += truth.Value(i, j) * phi[static_cast<std::size_t>(j)];
    EXPECT_NEAR(Fit().ResultTheta(i), cross / truth.probes, 1e-9 * std::fabs(cross / truth.probes))
        << i;
  }
}

TEST_F(ModelTest, ArrayOrderFollowsTheta) {
  synth::ModelDataOptions options;
  options.arrays = 5;
  const auto truth = synth::MakeModelData(options);
  Fit().SetDisplayMode(true);
  FitTruth(truth);
  std::vector<int> expected = {0, 1, 2, 3, 4};
  std::sort(expected.begin(), expected.end(), [&](int a, int b) {
    return truth.theta[static_cast<std::size_t>(a)] < truth.theta[static_cast<std::size_t>(b)];
  });
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(static_cast<int>(Fit().OrderEntry(k).array), expected[static_cast<std::size_t>(k)])
        << k;

  Fit().FindArrayInOrder(expected[3]);
  EXPECT_EQ(Fit().OrderPosition(), 3);
  Fit().StepArrayInOrder(0);
  EXPECT_EQ(Fit().OrderPosition(), 4);
  EXPECT_EQ(Settings().CUR_ARRAY, expected[4]);
  // At the end the position stays and the direction turns.
  Fit().StepArrayInOrder(0);
  EXPECT_EQ(Fit().OrderPosition(), 4);
  Fit().StepArrayInOrder(0);
  EXPECT_EQ(Fit().OrderPosition(), 3);
  Fit().StepArrayInOrder(2);
  EXPECT_EQ(Fit().OrderPosition(), 0);
  Fit().StepArrayInOrder(-1);
  EXPECT_EQ(Fit().OrderPosition(), 4);
  Fit().FindArrayInOrder(99);
  EXPECT_EQ(Fit().OrderPosition(), 0);
}

TEST_F(ModelTest, GetDataTakesTheGroupsIntensities) {
  synth::ModelDataOptions options;
  options.noise = 5.0;
  MakeGroup(8, 4, 11, options);
  TheGroup().Array(2).calls[1] = 'A';
  MODEL& model = Fit();
  model.SetDisplayMode(true);
  ASSERT_TRUE(model.GetData(1));
  EXPECT_EQ(model.ProbeSet(), 1);
  EXPECT_EQ(model.ArrayCount(), 8);
  EXPECT_EQ(model.PresentPercent(), 87);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 11; ++j) {
      EXPECT_EQ(model.Data(i, j), Values(1)[static_cast<std::size_t>(i * 11 + j)]);
      EXPECT_EQ(model.Mm(i, j), kMismatchLevel);
    }
  EXPECT_EQ(model.ProbePosition(0), 0);
  EXPECT_EQ(model.DisplayLow(), kMismatchLevel);

  // The same numbers given directly fit the same.
  const auto direct = std::make_unique<MODEL>();
  std::vector<char> calls(8, 'P');
  calls[2] = 'A';
  ASSERT_TRUE(direct->LoadData(8, 11, Values(1), calls, ModelOptionsFrom(Settings())));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(model.ResultTheta(i), direct->ResultTheta(i)) << i;

  // The PM-only model subtracts the zone background and keeps nothing below 0.
  Settings().MODEL_METHOD = kModelPmOnly;
  for (int i = 0; i < 8; ++i)
    TheGroup().Array(i).background.fill(static_cast<std::uint16_t>(kMismatchLevel + 400));
  ASSERT_TRUE(model.GetData(1));
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 11; ++j)
      EXPECT_EQ(model.Data(i, j),
                std::max(0.0, Values(1)[static_cast<std::size_t>(i * 11 + j)] - 400.0));

  // The full model's second half holds zeros, whatever the tables held before.
  Settings().MODEL_METHOD = kModelFull;
  ASSERT_TRUE(model.GetData(1));
  ASSERT_EQ(model.ProbeCount(), 22);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 22; ++j) {
      const double expected = j < 11 ? Values(1)[static_cast<std::size_t>(i * 11 + j)] : 0.0;
      EXPECT_EQ(model.Data(i, j), expected) << i << "," << j;
      EXPECT_EQ(model.Mm(i, j), j < 11 ? kMismatchLevel : 0.0) << i << "," << j;
      if (j >= 11) {
        EXPECT_EQ(model.Pm(i, j), 0.0) << i << "," << j;
        EXPECT_EQ(model.Background(i, j), 0.0) << i << "," << j;
      }
    }

  EXPECT_FALSE(model.GetData(4));
  EXPECT_TRUE(mLog.ContainsRed("is not in the chip layout"));
}

TEST_F(ModelTest, ReplicatesOfASampleAreNotAllSetAside) {
  synth::ModelDataOptions options;
  options.noise = 5.0;
  options.badArray = 3;
  MakeGroup(10, 1, 11, options);
  ASSERT_TRUE(Fit().GetData(0));
  EXPECT_TRUE(Fit().IsArrayOutlier(3));

  // Every array is a sample of its own, so no array may be set aside.
  SampleGrouping.SetDefaultGrouping();
  Settings().NO_REP_ARRAY_OUTLIER = 1;
  ASSERT_TRUE(Fit().GetData(0));
  EXPECT_EQ(CountArrayOutliers(Fit()), 0);
}

TEST_F(ModelTest, SnpSecondAlleleProbesJoinTheirPartners) {
  synth::ModelDataOptions options;
  MakeGroup(6, 2, 8, options);
  ArrayType = 1;
  ASSERT_TRUE(Fit().GetData(0));
  // With 8 probes, probes 2, 3, 6 and 7 are the second allele of 0, 1, 4 and 5.
  const auto& values = Values(0);
  for (int i = 0; i < 6; ++i) {
    const auto v = [&](int j) { return values[static_cast<std::size_t>(i * 8 + j)]; };
    EXPECT_EQ(Fit().Data(i, 0), v(0) + v(2));
    EXPECT_EQ(Fit().Data(i, 5), v(5) + v(7));
    EXPECT_EQ(Fit().Data(i, 2), 0.0);
  }

  // Apart, the B signal is fitted on a second copy of the arrays.
  Settings().SEPARATE_AB_SIGNAL = 1;
  ASSERT_TRUE(Fit().GetData(0));
  EXPECT_EQ(Fit().ArrayCount(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Fit().Data(6 + i, 0), values[static_cast<std::size_t>(i * 8 + 2)]);
    EXPECT_EQ(Fit().StoredTriple(i).stdErr, static_cast<float>(Fit().ResultTheta(6 + i)));
  }

  Group& group = TheGroup();
  while (group.NumArrays() < 500) {
    group.NextArraySlot().name = "more";
    ASSERT_TRUE(group.CountArray());
  }
  EXPECT_FALSE(Fit().GetData(0));
  EXPECT_TRUE(mLog.ContainsRed(kModelArrayLimitMessage));
}

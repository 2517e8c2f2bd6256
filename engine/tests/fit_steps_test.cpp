// Every build of the fit's whole step that the processor runs gives the bits of plain loops
// over the same values: theta for the arrays in use (the others keep theirs) and phi's sums,
// on shapes around each build's register widths, with arrays and probes set aside.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/model/fit_steps.hpp"

namespace {

struct StepCase {
  int arrays = 0;
  int probes = 0;
  std::size_t arrayStride = 0;
  std::size_t probeStride = 0;
  std::vector<double> byProbe;
  std::vector<double> byArray;
  std::vector<std::int16_t> arrayMask;
  std::vector<std::int16_t> probeMask;
  std::vector<double> phi;
  std::vector<double> theta;
  double probesInUse = 0.0;
};

StepCase MakeCase(int arrays, int probes, double setAside, std::mt19937_64& engine) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_real_distribution<double> value(-50.0, 3000.0);
  StepCase c;
  c.arrays = arrays;
  c.probes = probes;
  c.arrayStride = PaddedToLanes(arrays);
  c.probeStride = PaddedToLanes(probes);
  c.byProbe.assign(c.arrayStride * static_cast<std::size_t>(probes), 0.0);
  c.byArray.assign(static_cast<std::size_t>(arrays) * c.probeStride, 0.0);
  for (int i = 0; i < arrays; ++i)
    for (int j = 0; j < probes; ++j) {
      const double v = value(engine) / 7.0;
      c.byProbe[static_cast<std::size_t>(j) * c.arrayStride + static_cast<std::size_t>(i)] = v;
      c.byArray[static_cast<std::size_t>(i) * c.probeStride + static_cast<std::size_t>(j)] = v;
    }
  for (int i = 0; i < arrays; ++i) c.arrayMask.push_back(unit(engine) < setAside ? 1 : 0);
  int inUse = 0;
  for (int j = 0; j < probes; ++j) {
    c.probeMask.push_back(unit(engine) < setAside ? 1 : 0);
    inUse += c.probeMask.back() == 0 ? 1 : 0;
    c.phi.push_back(0.3 + unit(engine) / 3.0);
  }
  for (int i = 0; i < arrays; ++i) c.theta.push_back(-1.0 - i);
  c.probesInUse = inUse;
  return c;
}

// The step as plain loops: the oracle.
void PlainStep(const StepCase& c, std::vector<double>& theta, std::vector<double>& sums) {
  theta = c.theta;
  for (int i = 0; i < c.arrays; ++i) {
    if (c.arrayMask[static_cast<std::size_t>(i)] != 0) continue;
    double total = 0.0;
    for (int j = 0; j < c.probes; ++j)
      if (c.probeMask[static_cast<std::size_t>(j)] == 0)
        total +=
            c.byProbe[static_cast<std::size_t>(j) * c.arrayStride + static_cast<std::size_t>(i)] *
            c.phi[static_cast<std::size_t>(j)];
    theta[static_cast<std::size_t>(i)] = total / c.probesInUse;
  }
  sums.assign(static_cast<std::size_t>(c.probes), 0.0);
  for (int j = 0; j < c.probes; ++j) {
    double total = 0.0;
    for (int i = 0; i < c.arrays; ++i)
      if (c.arrayMask[static_cast<std::size_t>(i)] == 0)
        total +=
            c.byArray[static_cast<std::size_t>(i) * c.probeStride + static_cast<std::size_t>(j)] *
            theta[static_cast<std::size_t>(i)];
    sums[static_cast<std::size_t>(j)] = total;
  }
}

std::uint64_t Bits(double value) {
  return std::bit_cast<std::uint64_t>(value);
}

}  // namespace

TEST(FitSteps, EveryBuildGivesThePlainLoopsBits) {
  std::mt19937_64 engine(4711);
  const std::vector<FitBuild> builds = FitBuildsOfProcessor();
  ASSERT_FALSE(builds.empty());
  EXPECT_EQ(builds.back(), FitBuild::kPlain);
  int compared = 0;
  for (const int arrays : {1, 3, 4, 7, 8, 9, 16, 17, 31, 100, 203})
    for (int probes = 1; probes <= kFitStepMaxProbes; probes += (probes < 13 ? 1 : 5))
      for (const double setAside : {0.0, 0.15}) {
        const StepCase c = MakeCase(arrays, probes, setAside, engine);
        if (c.probesInUse < 1) continue;
        std::vector<double> theta;
        std::vector<double> sums;
        PlainStep(c, theta, sums);
        for (const FitBuild build : builds) {
          std::vector<double> stepTheta = c.theta;
          std::vector<double> stepSums(static_cast<std::size_t>(kFitStepMaxProbes), -7.0);
          FitStep step;
          step.byProbe = c.byProbe.data();
          step.arrayStride = c.arrayStride;
          step.byArray = c.byArray.data();
          step.probeStride = c.probeStride;
          step.arrays = arrays;
          step.probes = probes;
          step.arrayMask = c.arrayMask.data();
          step.probeMask = c.probeMask.data();
          step.probesInUse = c.probesInUse;
          step.phi = c.phi.data();
          step.theta = stepTheta.data();
          step.phiSums = stepSums.data();
          AlternatingStepOf(build, step);
          for (int i = 0; i < arrays; ++i)
            ASSERT_EQ(Bits(stepTheta[static_cast<std::size_t>(i)]),
                      Bits(theta[static_cast<std::size_t>(i)]))
                << "build " << static_cast<int>(build) << " arrays " << arrays << " probes "
                << probes << " theta " << i;
          for (int j = 0; j < probes; ++j)
            ASSERT_EQ(Bits(stepSums[static_cast<std::size_t>(j)]),
                      Bits(sums[static_cast<std::size_t>(j)]))
                << "build " << static_cast<int>(build) << " arrays " << arrays << " probes "
                << probes << " phi " << j;
          ++compared;
        }
      }
  EXPECT_GT(compared, 11 * 18 * static_cast<int>(builds.size()));
}

// The comparison data generator: every planted kind clears its own test's threshold and
// no other, worked out here from the values with plain formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/numerics/numerics.hpp"
#include "tools/synth/compare_data.hpp"

namespace {

using synth::ComparisonThresholds;
using synth::PlantedKind;

struct Moments {
  double mean = 0.0;
  double variance = 0.0;  // of the values, n - 1 in the divisor
};

Moments Of(const std::vector<double>& x) {
  Moments m;
  for (const double v : x) m.mean += v;
  m.mean /= static_cast<double>(x.size());
  for (const double v : x) m.variance += (v - m.mean) * (v - m.mean);
  m.variance /= static_cast<double>(x.size() - 1);
  return m;
}

// Which of the five tests the gene's values pass, in the order fold, difference, t,
// present, paired.
std::vector<bool> TestsPassed(const synth::CompareData& data, std::size_t gene) {
  std::vector<double> b;
  std::vector<double> e;
  int presentB = 0;
  int presentE = 0;
  for (int s = 0; s < data.samples; ++s) {
    const double v = data.values[static_cast<std::size_t>(s)][gene];
    const bool present = data.calls[static_cast<std::size_t>(s)][gene] == 'P';
    (s < data.baselineSamples ? b : e).push_back(v);
    (s < data.baselineSamples ? presentB : presentE) += present ? 1 : 0;
  }
  const Moments mb = Of(b);
  const Moments me = Of(e);
  const double nB = static_cast<double>(b.size());
  const double nE = static_cast<double>(e.size());
  const double vB = mb.variance / nB;
  const double vE = me.variance / nE;
  const double t = (me.mean - mb.mean) / std::sqrt(vB + vE);
  const double df = (vB + vE) * (vB + vE) / (vB * vB / (nB - 1) + vE * vE / (nE - 1));
  std::vector<double> d;
  for (std::size_t i = 0; i < b.size() && i < e.size(); ++i) d.push_back(e[i] - b[i]);
  const Moments md = Of(d);
  const double pairedSe = std::sqrt(md.variance / static_cast<double>(d.size()));
  const bool pairedPass =
      pairedSe > 1e-9 && TwoSidedTPValue(md.mean / pairedSe, static_cast<double>(d.size()) - 1) <=
                             ComparisonThresholds::kPValue;
  return {me.mean / mb.mean > ComparisonThresholds::kFold,
          me.mean - mb.mean > ComparisonThresholds::kDifference,
          TwoSidedTPValue(t, df) <= ComparisonThresholds::kPValue,
          presentB * 100 >= ComparisonThresholds::kPresentPercent * static_cast<int>(nB) &&
              presentE * 100 >= ComparisonThresholds::kPresentPercent * static_cast<int>(nE),
          pairedPass};
}

TEST(CompareData, EachPlantedKindPassesOnlyItsOwnTest) {
  for (const std::uint64_t seed : {1u, 7u}) {
    const synth::CompareData data = synth::MakeCompareData(synth::CompareDataOptions{.seed = seed});
    ASSERT_EQ(data.kinds.size(), 30u);
    for (std::size_t g = 0; g < data.kinds.size(); ++g) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " gene " << g);
      std::vector<bool> expected(5, false);
      switch (data.kinds[g]) {
        case PlantedKind::kFold:
          expected[0] = true;
          break;
        case PlantedKind::kDifference:
          expected[1] = true;
          break;
        case PlantedKind::kTTest:
          expected[2] = true;
          break;
        case PlantedKind::kPresent:
          expected[3] = true;
          break;
        case PlantedKind::kPaired:
          expected[4] = true;
          break;
        default:
          break;
      }
      EXPECT_EQ(TestsPassed(data, g), expected);
    }
  }
}

TEST(CompareData, SeedOrdersTheGenesAndDrawsTheNoise) {
  synth::CompareDataOptions options;
  options.genesPerKind = {0, 0, 0, 0, 0, 0, 400};
  options.baselineSamples = 3;
  options.experimentSamples = 5;
  const synth::CompareData first = synth::MakeCompareData(options);
  EXPECT_EQ(first.values, synth::MakeCompareData(options).values);
  options.seed = 2;
  EXPECT_NE(first.values, synth::MakeCompareData(options).values);
  std::vector<double> all;
  for (const auto& sample : first.values) all.insert(all.end(), sample.begin(), sample.end());
  const Moments m = Of(all);
  EXPECT_NEAR(m.mean, 500.0, 5.0);
  EXPECT_NEAR(std::sqrt(m.variance), 100.0, 5.0);
  // Paired genes need pairs.
  options.genesPerKind = {0, 0, 0, 0, 0, 1, 0};
  EXPECT_THROW(synth::MakeCompareData(options), std::invalid_argument);
}

}  // namespace

// The group's planted truth as the model fit sees it: the bad array leaves every other
// array as it was, its probes respond by their recorded factors, and a fit of each probe
// set's perfect-match minus mismatch differences follows the planted theta up to scale
// while setting the bad array aside on most expressed probe sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/model/model.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2),
                   values.end());
  return values[values.size() / 2];
}

// The probe set's differences on every array, each cell taken back to the baseline's
// scale through its array's curve: what an exact normalisation would hand the fit.
std::vector<double> Differences(const synth::ChipTruth& chip, const synth::ArrayGroupTruth& group,
                                int unit) {
  std::vector<double> values;
  for (const synth::SynthesisedArray& array : group.arrays)
    for (const synth::ProbePair& pair : chip.units[static_cast<std::size_t>(unit)].blocks[0].pairs)
      values.push_back(
          array.curve.Invert(array.intensities[group.CellIndex(pair.pm.x, pair.pm.y)]) -
          array.curve.Invert(array.intensities[group.CellIndex(pair.mm.x, pair.mm.y)]));
  return values;
}

}  // namespace

TEST(SynthBadArray, OnlyTheBadArrayChangesAndItsProbesRespondByTheirFactors) {
  const synth::ChipTruth chip =
      synth::testing::ChipWithShape(synth::ChipKind::kExpression, 100, 200, 8);
  synth::ArrayGroupOptions options;
  options.arrays = 5;
  options.seed = 21;
  const synth::ArrayGroupTruth plain = synth::MakeArrayGroup(chip, options);
  options.badArray = 3;
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, options);
  EXPECT_EQ(plain.badArray, -1);
  EXPECT_EQ(group.badArray, 3);
  EXPECT_TRUE(std::all_of(plain.badFactors.begin(), plain.badFactors.end(),
                          [](double factor) { return factor == 1.0; }));
  for (int a = 0; a < 5; ++a) {
    SCOPED_TRACE(a);
    if (a == 3) {
      EXPECT_NE(group.arrays[3].intensities, plain.arrays[3].intensities);
    } else {
      EXPECT_EQ(group.arrays[static_cast<std::size_t>(a)].intensities,
                plain.arrays[static_cast<std::size_t>(a)].intensities);
    }
    EXPECT_EQ(group.arrays[static_cast<std::size_t>(a)].fold,
              plain.arrays[static_cast<std::size_t>(a)].fold);
  }

  // Both cells of a pair share a factor, spread evenly on the log scale from 1/4 to 4;
  // the bright cells of the bad array move from the group without it by that factor.
  std::vector<double> logFactors;
  std::vector<double> misfits;
  for (const synth::ChipUnit& unit : chip.units)
    for (const synth::ProbePair& pair : unit.blocks[0].pairs) {
      const std::size_t pm = group.CellIndex(pair.pm.x, pair.pm.y);
      const double factor = group.badFactors[pm];
      EXPECT_EQ(group.badFactors[group.CellIndex(pair.mm.x, pair.mm.y)], factor);
      ASSERT_GE(factor, 0.25);
      ASSERT_LE(factor, 4.0);
      logFactors.push_back(std::log(factor));
      const auto& curve = group.arrays[3].curve;
      const double before = curve.Invert(plain.arrays[3].intensities[pm]);
      const double after = curve.Invert(group.arrays[3].intensities[pm]);
      // Bright cells, mostly signal: they move from the group without a bad array by
      // about the factor (the same noise drawn for both, only the background unscaled).
      if (group.trueIntensity[pm] < 3000.0 || group.arrays[3].intensities[pm] == 65535) continue;
      misfits.push_back(std::abs(std::log(after / before) - std::log(factor)));
    }
  double mean = 0.0;
  for (double value : logFactors) mean += value;
  mean /= static_cast<double>(logFactors.size());
  EXPECT_NEAR(mean, 0.0, 0.1);
  EXPECT_LT(*std::min_element(logFactors.begin(), logFactors.end()), std::log(0.3));
  EXPECT_GT(*std::max_element(logFactors.begin(), logFactors.end()), std::log(3.3));
  ASSERT_GT(misfits.size(), 50u);
  EXPECT_LT(Median(misfits), 0.15);
}

TEST(SynthBadArray, TheModelFitFollowsThetaAndSetsTheBadArrayAside) {
  const synth::ChipTruth chip =
      synth::testing::ChipWithShape(synth::ChipKind::kExpression, 120, 240, 9);
  synth::ArrayGroupOptions options;
  options.arrays = 10;
  options.seed = 22;
  options.badArray = 4;
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, options);

  MODEL model;
  int present = 0;
  int badFlagged = 0;
  int otherFlagged = 0;
  int followed = 0;
  for (int u = 0; u < static_cast<int>(chip.units.size()); ++u) {
    if (group.present[static_cast<std::size_t>(u)] != 'P') continue;
    ++present;
    const int probes = chip.units[static_cast<std::size_t>(u)].PairCount();
    const std::vector<char> calls(group.arrays.size(), 'P');
    ASSERT_TRUE(model.LoadData(options.arrays, probes, Differences(chip, group, u), calls, {}));
    badFlagged += model.IsArrayOutlier(4) ? 1 : 0;
    // The good arrays' fitted theta over the planted one: one scale for all of them.
    const std::vector<double> theta = group.ThetaOfProbeSet(u);
    std::vector<double> ratios;
    for (int a = 0; a < options.arrays; ++a) {
      if (a == 4) continue;
      otherFlagged += model.IsArrayOutlier(a) ? 1 : 0;
      ratios.push_back(model.ResultTheta(a) / theta[static_cast<std::size_t>(a)]);
    }
    const double scale = Median(ratios);
    followed += std::all_of(ratios.begin(), ratios.end(),
                            [&](double ratio) { return std::abs(ratio / scale - 1.0) < 0.2; })
                    ? 1
                    : 0;
  }
  ASSERT_GT(present, 80);
  // The share the array summary marks an array at is 0.05 of all probe sets.
  EXPECT_GT(badFlagged, present * 3 / 4);
  EXPECT_GT(badFlagged / static_cast<double>(chip.units.size()), 0.3);
  EXPECT_LT(otherFlagged, present * (options.arrays - 1) / 50);
  EXPECT_GT(followed, present * 9 / 10);
}

// The generator's related pairs and curve data hold what their truth says: siblings agree
// as their planted sharing allows, and planted curve stretches are lost in the planned
// share of the groups.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/synth/genome_curve.hpp"
#include "tools/synth/genome_sharing.hpp"

namespace {

TEST(GenomeSharingTest, SiblingsAgreeAsTheirPlantedSharingAllows) {
  synth::SharingPlan plan;
  plan.markers = 30000;
  plan.stretches = {{0, 2}, {10000, 1}, {20000, 0}};
  plan.errorRate = 0;
  plan.noCallRate = 0;
  plan.lowFrequency = plan.highFrequency = 0.5;
  const synth::SharingPair pair = synth::DrawSharingPair(plan);
  ASSERT_EQ(pair.shared.size(), 30000u);
  // Identical genotypes: always with two shared alleles; with one, when the unshared
  // alleles agree (1/2); with none, by chance: 1/16 + 1/16 + 1/4 = 3/8 at p = 1/2.
  const double expected[3] = {0.375, 0.5, 1.0};
  for (int stretch = 0; stretch < 3; ++stretch) {
    int same = 0;
    int opposite = 0;  // AA beside BB
    for (int i = 10000 * stretch; i < 10000 * (stretch + 1); ++i) {
      ASSERT_EQ(pair.shared[static_cast<std::size_t>(i)], 2 - stretch);
      same += pair.first[static_cast<std::size_t>(i)] == pair.second[static_cast<std::size_t>(i)];
      opposite +=
          pair.first[static_cast<std::size_t>(i)] + pair.second[static_cast<std::size_t>(i)] == 1;
    }
    const double share = expected[2 - stretch];
    EXPECT_NEAR(same / 10000.0, share, 4 * std::sqrt(share * (1 - share) / 10000)) << stretch;
    // Sharing an allele rules out opposite homozygotes.
    if (stretch < 2) {
      EXPECT_EQ(opposite, 0) << stretch;
    } else {
      EXPECT_GT(opposite, 0);
    }
  }
  for (const float f : pair.frequency) EXPECT_EQ(f, 0.5f);
}

TEST(GenomeCurveTest, PlantedStretchesAreLostInThePlannedShareOfGroups) {
  synth::CurvePlan plan;
  plan.groups = 10;
  plan.markers = 2000;
  plan.planted = {{500, 599}};
  plan.noise = 0;
  const synth::CurveData data = synth::DrawCurveData(plan);
  ASSERT_EQ(data.lohProbability.size(), 10u);
  int lostOutside = 0;
  for (int i = 0; i < plan.markers; ++i) {
    int lost = 0;
    for (const auto& group : data.lohProbability)
      lost += group[static_cast<std::size_t>(i)] == static_cast<float>(plan.lostLevel);
    EXPECT_EQ(data.planted[static_cast<std::size_t>(i)], i >= 500 && i <= 599);
    if (data.planted[static_cast<std::size_t>(i)]) {
      EXPECT_GE(lost, 8) << i;
    } else {
      lostOutside += lost;
    }
  }
  // The groups' own losses cover about 5% of their markers.
  const double ownShare = lostOutside / (10.0 * (plan.markers - 100));
  EXPECT_GT(ownShare, 0.02);
  EXPECT_LT(ownShare, 0.06);
}

}  // namespace

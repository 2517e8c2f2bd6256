// The generator's copy-number arrays: the planted copies are the truth of their cells,
// and the signals follow them with the stated mean and spread.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/synth/genome_copy_number.hpp"

namespace {

TEST(GenomeCopyNumberTest, SignalsFollowThePlantedCopies) {
  synth::CopyPlan plan;
  plan.markers = 4000;
  plan.samples = 2;
  plan.normals = 30;
  plan.segments = {{1, 1000, 2999, 4}};
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  ASSERT_EQ(arrays.normal.size(), 30u);
  EXPECT_EQ(arrays.copies[1][999], 2.0f);
  EXPECT_EQ(arrays.copies[1][1000], 4.0f);
  EXPECT_EQ(arrays.copies[1][2999], 4.0f);
  EXPECT_EQ(arrays.copies[0][1500], 2.0f);
  // The ratio to the normal mean is c / 2 plus noise of spread 0.15 max(c / 2, 0.5): its
  // average over 2000 markers lies within 4 standard errors.
  double normalRatio = 0, gainRatio = 0, normalSpread = 0;
  for (int u = 1000; u < 3000; ++u) {
    normalRatio += arrays.signal[0][u] / arrays.mean[u];
    gainRatio += arrays.signal[1][u] / arrays.mean[u];
    const double z = (arrays.normal[5][u] - arrays.mean[u]) / arrays.sd[u];
    normalSpread += z * z;
  }
  EXPECT_NEAR(normalRatio / 2000, 1.0, 4 * 0.15 / std::sqrt(2000.0));
  EXPECT_NEAR(gainRatio / 2000, 2.0, 4 * 0.30 / std::sqrt(2000.0));
  EXPECT_NEAR(normalSpread / 2000, 1.0, 4 * std::sqrt(2.0 / 2000));
}

TEST(GenomeCopyNumberTest, ParentSpecificSignalsSplitTheCopiesByAllele) {
  synth::CopyPlan plan;
  plan.markers = 3000;
  plan.samples = 1;
  plan.spread = 0.02;
  plan.parentSpecific = true;
  plan.segments = {{0, 0, 2999, 0, 0, 3}};
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  ASSERT_EQ(arrays.signalB.size(), 1u);
  EXPECT_EQ(arrays.copies[0][10], 3.0f);
  // Copies of A are 0 or 3 at each marker, about half each; A and B add up to 3.
  int none = 0;
  for (int u = 0; u < plan.markers; ++u) {
    const double a = 2 * arrays.signal[0][u] / arrays.mean[u];
    const double b = 2 * arrays.signalB[0][u] / arrays.mean[u];
    ASSERT_NEAR(a + b, 3.0, 0.4);
    ASSERT_TRUE(std::abs(a) < 0.2 || std::abs(a - 3) < 0.4) << a;
    none += std::abs(a) < 0.2 ? 1 : 0;
  }
  EXPECT_NEAR(none, 1500, 4 * std::sqrt(750.0));
}

}  // namespace

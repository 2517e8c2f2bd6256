// The generated SNP group: its arrays, copies and genders follow the plan, calls follow
// the copies of each allele, pairs share their normal's genotypes, and the signals
// average to the copies times the signal per copy.
#include "tools/synth/genome_snp_group.hpp"

#include <gtest/gtest.h>

namespace {

TEST(GenomeSnpGroupTest, ArraysCarryThePlannedCopiesCallsAndSignals) {
  synth::SnpGroupPlan plan;
  plan.markersPerChro = {400, 300, 200};
  plan.withX = true;
  plan.normals = 4;
  plan.males = 1;
  plan.pairs = 2;
  plan.singles = 1;
  plan.noCallRate = 0;
  plan.stretches = {{4, 10, 109, 4}, {4, 200, 299, 1}, {6, 500, 599, 0}};
  const synth::SnpGroupTruth truth = synth::MakeSnpGroup(plan);
  ASSERT_EQ(truth.MarkerCount(), 900);
  ASSERT_EQ(truth.arrays.size(), 7u);
  EXPECT_EQ(truth.chro[0], 0);
  EXPECT_EQ(truth.chro[899], 22);
  for (int u = 1; u < 400; ++u) EXPECT_GT(truth.pos[u], truth.pos[u - 1]);

  const synth::SnpGroupArray& male = truth.arrays[0];
  const synth::SnpGroupArray& tumour = truth.arrays[4];  // paired with the male
  const synth::SnpGroupArray& single = truth.arrays[6];
  EXPECT_EQ(male.gender, 'M');
  EXPECT_EQ(tumour.name, "T0");
  EXPECT_EQ(tumour.gender, 'M');
  EXPECT_EQ(truth.arrays[1].gender, 'F');
  EXPECT_EQ(male.copies[899], 1);
  EXPECT_EQ(truth.arrays[1].copies[899], 2);
  EXPECT_EQ(tumour.copies[50], 4);
  EXPECT_EQ(tumour.copies[250], 1);
  EXPECT_EQ(single.copies[550], 0);

  double sum[2] = {0, 0};
  int count[2] = {0, 0};
  for (int u = 0; u < 900; ++u) {
    const auto k = static_cast<std::size_t>(u);
    // A male's X and a single copy are never heterozygous; no copies is no call.
    // A male's X and a single copy are never heterozygous; no copies is no call.
    EXPECT_TRUE(truth.chro[k] != 22 || male.calls[k] != 2) << u;
    EXPECT_TRUE(tumour.copies[k] != 1 || tumour.calls[k] != 2) << u;
    EXPECT_TRUE(single.copies[k] != 0 || single.calls[k] == 3) << u;
    // Where the tumour keeps two copies it has its normal's genotype.
    EXPECT_TRUE(tumour.copies[k] != 2 || tumour.calls[k] == male.calls[k]) << u;
    EXPECT_TRUE(tumour.copies[k] != 4 || male.calls[k] != 2 || tumour.calls[k] == 2) << u;
    const double ratio = (truth.arrays[1].a[k] + truth.arrays[1].b[k]) / truth.perCopy[k];
    const int het = truth.arrays[1].calls[k] == 2 ? 1 : 0;
    sum[het] += ratio;
    ++count[het];
  }
  // Two copies; a homozygote also shows the background of its absent allele.
  EXPECT_NEAR(sum[1] / count[1], 2.0, 0.02);
  EXPECT_NEAR(sum[0] / count[0], 2.0 + synth::kSnpBackgroundCopies, 0.02);

  EXPECT_EQ(synth::SnpGroupArrayListText(truth),
            "N0\nT0\nStandardize\nN1\nT1\nStandardize\nN2\nStandardize\nN3\nStandardize\n"
            "S0\nStandardize\n");
  const std::string info = synth::SnpGroupSampleInfoText(truth);
  EXPECT_EQ(info.substr(0, info.find('\n', info.find('\n') + 1)),
            "Array\tName\tPloidy(numeric)\tGender\nN0\t\t2\tMale");
  EXPECT_NE(info.find("\nT1\t\t\tfemale\n"), std::string::npos);
}

}  // namespace

// The generator's ENU crosses hold what their truth says: each generation's genotypes in
// the shares its origin chances give, origins that change between close markers only by
// recombination, affected status decided by the planted locus, and calls wrong and missing
// at the planned rates.
#include "tools/synth/genome_enu.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TEST(GenomeEnuTest, CrossesFollowTheirGenerationsLocusAndCallRates) {
  synth::EnuPlan plan;
  plan.markersPerChromosome = {400, 400};
  plan.spacingMb = 1;
  for (int generation = 0; generation < 6; ++generation)
    plan.generations.resize(100 * (generation + 1), generation);
  plan.penetrance = {1, 0, 0.5};
  plan.mutationChromosome = 1;
  plan.mutationMarker = 100;
  const synth::EnuCross cross = synth::DrawEnuCross(plan);
  ASSERT_EQ(cross.MarkerCount(), 800);
  ASSERT_EQ(cross.mutationIndex, 500);
  EXPECT_EQ(cross.labels[0] + cross.labels[1] + cross.labels[2] + cross.labels[601], "MB05");
  std::array<std::array<double, 3>, 6> share{};
  int switches = 0, wrong = 0, missing = 0, ab = 0, abAffected = 0;
  for (std::size_t s = 0; s < cross.labels.size(); ++s) {
    const auto& genotype = cross.genotype[s];
    for (std::size_t m = 0; m < genotype.size(); ++m) {
      missing += cross.calls[s][m] == 3;
      wrong += cross.calls[s][m] != 3 && cross.calls[s][m] != genotype[m];
      if (s < 2) {
        ASSERT_EQ(genotype[m], static_cast<int>(s));  // the strains
        continue;
      }
      share[std::stoul(cross.labels[s])][static_cast<std::size_t>(genotype[m])] += 1.0 / 80000;
      switches += m % 400 > 0 && genotype[m] != genotype[m - 1];
    }
    const int atLocus = genotype[static_cast<std::size_t>(cross.mutationIndex)];
    // AA at the locus is always affected, BB never, AB half the time.
    if (s >= 2 && atLocus != 2) {
      EXPECT_EQ(cross.affected[s], atLocus == 0);
    }
    ab += s >= 2 && atLocus == 2;
    abAffected += s >= 2 && atLocus == 2 && cross.affected[s];
  }
  for (std::size_t generation = 0; generation < 6; ++generation) {
    const auto [x, y] = synth::kEnuOriginChances[generation];
    const double expected[3] = {x * y, (1 - x) * (1 - y), x * (1 - y) + y * (1 - x)};
    // Linked markers: about eight stretches a chromosome, some 1600 draws a generation.
    for (std::size_t g = 0; g < 3; ++g) EXPECT_NEAR(share[generation][g], expected[g], 0.05);
  }
  // An origin is redrawn between neighbours 1 Mb apart with chance 1 - exp(-0.02), and only
  // a redraw changes the genotype.
  EXPECT_GT(switches, 0);
  EXPECT_LT(switches / (600.0 * 798), 2 * (1 - std::exp(-0.02)));
  const double calls = 602.0 * 800;
  EXPECT_NEAR(missing / calls, plan.noCallRate, 0.002);
  EXPECT_NEAR(wrong / (calls - missing), plan.errorRate, 0.002);
  ASSERT_GT(ab, 50);
  EXPECT_NEAR(static_cast<double>(abAffected) / ab, 0.5, 0.15);
}

}  // namespace

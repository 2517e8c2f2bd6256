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
    for (int k = 0; k < 100; ++k) plan.generations.push_back(generation);
  plan.penetrance = {1, 0, 0.5};
  plan.mutationChromosome = 1;
  plan.mutationMarker = 100;
  const synth::EnuCross cross = synth::DrawEnuCross(plan);
  const int markers = cross.MarkerCount();
  ASSERT_EQ(markers, 800);
  ASSERT_EQ(cross.mutationIndex, 500);
  ASSERT_EQ(cross.labels.size(), plan.generations.size() + 2);
  EXPECT_EQ(cross.labels[0] + cross.labels[1], "MB");
  EXPECT_EQ(cross.chromosome[399], 0);
  EXPECT_EQ(cross.chromosome[400], 1);
  EXPECT_FLOAT_EQ(cross.position[401] - cross.position[400], 1e6f);

  // Genotype shares per generation against x y, (1 - x)(1 - y) and the rest.
  std::array<std::array<int, 3>, 6> counts{};
  int switches = 0;
  int steps = 0;
  int wrong = 0;
  int missing = 0;
  int calls = 0;
  for (std::size_t s = 0; s < cross.labels.size(); ++s) {
    for (int m = 0; m < markers; ++m) {
      const int g = cross.genotype[s][static_cast<std::size_t>(m)];
      const int c = cross.calls[s][static_cast<std::size_t>(m)];
      ASSERT_GE(g, 0);
      ASSERT_LE(g, 2);
      ++calls;
      missing += c == 3;
      wrong += c != 3 && c != g;
      if (s >= 2) {
        ++counts[static_cast<std::size_t>(std::stoi(cross.labels[s]))][static_cast<std::size_t>(g)];
        if (m > 0 && cross.chromosome[static_cast<std::size_t>(m)] ==
                         cross.chromosome[static_cast<std::size_t>(m - 1)]) {
          ++steps;
          switches += g != cross.genotype[s][static_cast<std::size_t>(m - 1)];
        }
      }
    }
    if (s < 2) {
      for (int g : cross.genotype[s]) EXPECT_EQ(g, static_cast<int>(s));
      EXPECT_FALSE(cross.affected[s]);
    }
  }
  for (int generation = 0; generation < 6; ++generation) {
    const auto [x, y] = synth::kEnuOriginChances[static_cast<std::size_t>(generation)];
    const double expected[3] = {x * y, (1 - x) * (1 - y), x * (1 - y) + y * (1 - x)};
    const double n = 100.0 * markers;
    for (int g = 0; g < 3; ++g) {
      const double share =
          counts[static_cast<std::size_t>(generation)][static_cast<std::size_t>(g)] / n;
      // Markers of one offspring are linked (about eight stretches a chromosome), so the
      // spread is that of about 1600 draws.
      EXPECT_NEAR(share, expected[g], 0.05) << generation << " " << g;
    }
  }
  // Neighbours 1 Mb apart redraw an origin with chance 1 - exp(-0.02), and a redraw
  // changes the genotype at most that often.
  EXPECT_GT(switches, 0);
  EXPECT_LT(static_cast<double>(switches) / steps, 2 * (1 - std::exp(-0.02)));
  EXPECT_NEAR(static_cast<double>(missing) / calls, plan.noCallRate, 0.004);
  EXPECT_NEAR(static_cast<double>(wrong) / (calls - missing), plan.errorRate, 0.003);

  // AA at the locus is always affected, BB never, AB half the time.
  int abAffected = 0;
  int ab = 0;
  for (std::size_t s = 2; s < cross.labels.size(); ++s) {
    const int g = cross.genotype[s][static_cast<std::size_t>(cross.mutationIndex)];
    if (g == 0) {
      EXPECT_TRUE(cross.affected[s]);
    } else if (g == 1) {
      EXPECT_FALSE(cross.affected[s]);
    } else {
      ++ab;
      abAffected += cross.affected[s];
    }
  }
  ASSERT_GT(ab, 50);
  EXPECT_NEAR(static_cast<double>(abAffected) / ab, 0.5, 0.15);

  const std::string info = synth::EnuSampleInfoText(cross);
  EXPECT_EQ(info.substr(0, info.find('\n')), "Array\tName\tENU\tAffected");
  EXPECT_NE(info.find("Mutated\t\tM\tUnaffected\n"), std::string::npos);
}

}  // namespace

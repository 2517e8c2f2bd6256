// Gene stretch genomes: the planted genes are listed and lie in their window, the rest
// spread over the chromosomes by length, and every position is distinct on its chromosome.
#include "tools/synth/gene_stretch_data.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

TEST(GeneStretchData, PlantedWindowListedCountsAndUniformSpread) {
  for (const int planted : {0, 12}) {
    SCOPED_TRACE(planted);
    synth::StretchGenomeOptions options;
    options.seed = 7;
    options.planted = planted;
    const synth::StretchGenome g = synth::MakeStretchGenome(options);
    ASSERT_EQ(g.chro.size(), 30'000u);
    ASSERT_EQ(g.lengths.size(), 24u);
    EXPECT_EQ(g.lengths.front(), options.longest);
    EXPECT_EQ(g.lengths.back(), options.shortest);

    int listed = 0;
    std::set<std::pair<int, int>> seen;
    std::vector<int> perChro(24, 0);
    for (std::size_t i = 0; i < g.chro.size(); ++i) {
      listed += g.listed[i] ? 1 : 0;
      ASSERT_GE(g.chro[i], 0);
      ASSERT_LT(g.chro[i], 24);
      ASSERT_GE(g.pos[i], 1);
      ASSERT_LE(g.pos[i], g.lengths[static_cast<std::size_t>(g.chro[i])]);
      EXPECT_TRUE(seen.insert({g.chro[i], g.pos[i]}).second) << "position taken twice";
      ++perChro[static_cast<std::size_t>(g.chro[i])];
    }
    EXPECT_EQ(listed, options.listed);

    // Genes per chromosome follow the lengths within five standard deviations.
    double total = 0;
    for (const int length : g.lengths) total += length;
    for (std::size_t c = 0; c < 24; ++c) {
      const double expected = 30'000.0 * g.lengths[c] / total;
      EXPECT_NEAR(perChro[c], expected, 5 * std::sqrt(expected) + planted) << c;
    }

    ASSERT_EQ(static_cast<int>(g.plantedGenes.size()), planted);
    if (planted == 0) {
      EXPECT_EQ(g.plantedChro, -1);
      continue;
    }
    EXPECT_EQ(g.plantedEnd - g.plantedStart, options.plantedSpan);
    for (const int gene : g.plantedGenes) {
      const auto i = static_cast<std::size_t>(gene);
      EXPECT_TRUE(g.listed[i]);
      EXPECT_EQ(g.chro[i], g.plantedChro);
      EXPECT_GE(g.pos[i], g.plantedStart);
      EXPECT_LE(g.pos[i], g.plantedEnd);
    }
    const std::vector<float> positions = g.ListedPositions(g.plantedChro);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    int inWindow = 0;
    for (const float p : positions)
      inWindow += p >= static_cast<float>(g.plantedStart) && p <= static_cast<float>(g.plantedEnd);
    EXPECT_GE(inWindow, planted);
  }
}

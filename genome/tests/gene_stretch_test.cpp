// Gene stretches: the binomial tail against R's pbinom up to 5,000 genes, a planted crowd
// found as the most significant stretch while uniformly spread lists give none, and the
// assessment over genome_info with its rules (longest stretch per start, nested ones
// dropped, equal positions once, 20 genes at most, the stretch limit).
#include "genome/stretch/gene_stretch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/numerics/numerics.hpp"
#include "engine/services/r_link.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/gene_stretch_data.hpp"

TEST(GeneStretchPValue, BinomialTailMatchesRUpTo5000Genes) {
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";
  std::vector<double> ns, ks, ds, ours;
  for (const int n : {2, 7, 20, 83, 500, 1029, 1030, 1031, 1100, 2000, 5000})
    for (const int k : {1, 2, 5, 12, 19})
      for (const double d : {1e-7, 1e-5, 1e-3, 0.01, 0.05, 0.3, 0.9}) {
        if (k > n) continue;
        ns.push_back(n), ks.push_back(k), ds.push_back(d);
        ours.push_back(BinomialUpperTail(n, d, k));
      }
  RLink& r = RConnection();
  ASSERT_TRUE(r.SetVector("n", ns) && r.SetVector("k", ks) && r.SetVector("d", ds));
  ASSERT_TRUE(r.ExecuteCommand(
      "out <- pbinom(as.vector(k) - 1, as.vector(n), as.vector(d), lower.tail = FALSE)"));
  RMatrix tail(static_cast<int>(ns.size()), 1);
  ASSERT_TRUE(r.GetMatrix("out", tail));
  for (std::size_t i = 0; i < ns.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "n " << ns[i] << " k " << ks[i] << " d " << ds[i]);
    const double want = tail.At(static_cast<int>(i), 0);
    ASSERT_TRUE(std::isfinite(ours[i]));
    EXPECT_NEAR(ours[i], want, 1e-300 + 1e-10 * want);
  }
  // Past about 1030 genes the coefficients alone overflow, which is what the term-by-term
  // sum would have multiplied by.
  EXPECT_TRUE(std::isinf(BinomialCoefficient(1100, 550)));
  EXPECT_EQ(BinomialUpperTail(10, 0.5, 0), 1.0);
  EXPECT_EQ(BinomialUpperTail(10, 0.5, 11), 0.0);
}

// The planted crowd of twelve genes is the most significant stretch of its genome in
// every seed; at the same threshold, no stretch turns up anywhere else, planted or not.
TEST(GeneStretchSearch, PlantedCrowdFoundFirstUniformListsGiveNone) {
  constexpr double kThreshold = 1e-8;
  int plantedFound = 0;
  int elsewhere = 0;
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    for (const int planted : {12, 0}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " planted " << planted);
      synth::StretchGenomeOptions options;
      options.seed = seed;
      options.planted = planted;
      const synth::StretchGenome g = synth::MakeStretchGenome(options);
      double best = 2;
      int bestChro = -1;
      FoundStretch bestStretch;
      std::vector<float> bestPositions;
      for (int c = 0; c < options.chromosomes; ++c) {
        const std::vector<float> positions = g.ListedPositions(c);
        int assessments = 0;
        const std::vector<FoundStretch> found = FindGeneStretches(
            positions, g.lengths[static_cast<std::size_t>(c)], kThreshold, assessments);
        for (const FoundStretch& f : found) {
          EXPECT_LT(f.pValue, kThreshold);
          EXPECT_LE(f.last - f.first + 1, kMaxStretchGenes);
          if (f.pValue < best)
            best = f.pValue, bestChro = c, bestStretch = f, bestPositions = positions;
          if (c != g.plantedChro) ++elsewhere;
        }
      }
      if (planted == 0) continue;
      ASSERT_EQ(bestChro, g.plantedChro);
      // The stretch holds every planted gene.
      const float first = bestPositions[static_cast<std::size_t>(bestStretch.first)];
      const float last = bestPositions[static_cast<std::size_t>(bestStretch.last)];
      bool all = true;
      for (const int gene : g.plantedGenes) {
        const auto p = static_cast<float>(g.pos[static_cast<std::size_t>(gene)]);
        all = all && p >= first && p <= last;
      }
      plantedFound += all ? 1 : 0;
    }
  }
  EXPECT_EQ(plantedFound, 20);
  EXPECT_EQ(elsewhere, 0);
}

namespace {

class GeneStretchFixture : public GenomeFixture {
 protected:
  // Listed units at the given positions of chromosome 0 (length 1,000,000), then one
  // listed unit on chromosome 1 and one unlisted unit on chromosome 0.
  void Place(const std::vector<float>& positions) {
    const int count = static_cast<int>(positions.size()) + 2;
    UseUnits(Names("g", count));
    genome_info.Unit.assign(static_cast<std::size_t>(count), UNIT_POS{});
    GeneList.FitLayout();
    for (int u = 0; u < count; ++u) {
      UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(u)];
      const bool onFirst = u < count - 2 || u == count - 1;
      unit.chro = static_cast<std::int16_t>(onFirst ? 0 : 1);
      unit.pos = u < count - 2 ? positions[static_cast<std::size_t>(u)] : 500'000.0f;
      GeneList.SetListed(u, u < count - 1);
    }
    genome_info.NumChro = 2;
    genome_info.chroLength[0] = 1'000'000;
    genome_info.chroLength[1] = 1'000'000;
  }
  static double PartTail(int n, double d, int k) {
    double p = 0;
    for (int i = k; i <= n; ++i)
      p += BinomialCoefficient(n, i) * std::pow(1 - d, n - i) * std::pow(d, i);
    return p;
  }
};

}  // namespace

// Genes 1 to 4 crowd within 3 kb and gene 5 lies 57 kb on: the start keeps the longer
// stretch 1-5 though its p-value is larger than that of 1-4, the stretch 2-4 inside it goes,
// the gene repeated at 2 kb counts once, and 20 genes on a chromosome give 45 assessments
// only when 10 remain distinct.
TEST_F(GeneStretchFixture, LongerStretchWinsNestedDroppedEqualPositionsOnce) {
  Place({0, 1000, 2000, 2000, 3000, 60000, 200000, 400000, 600000, 800000, 1000000});
  CapturedLog log;
  ASSERT_TRUE(GetAllChroPValue(0.01));
  const GeneStretches& g = gene_stretches;
  EXPECT_EQ(g.listedCount[0], 11);
  EXPECT_EQ(g.listedCount[1], 1);
  EXPECT_EQ(g.listLength, 12);
  EXPECT_EQ(g.assessmentCount, 45);  // 9 + 8 + ... + 0; one gene on chromosome 1 makes none
  ASSERT_EQ(g.stretchCount, 1);
  const GENE_STRETCH& s = g.stretches[0];
  EXPECT_EQ(s.chro, 0);
  EXPECT_EQ(s.start, 0.0f);
  EXPECT_EQ(s.end, 60000.0f);
  EXPECT_NEAR(s.proportion, 0.06, 1e-7);
  const double want = PartTail(10, 0.06, 4);
  EXPECT_NEAR(s.pValue, want, 1e-6 * want);
  EXPECT_GT(s.pValue, PartTail(10, 0.003, 3)) << "the shorter stretch has the smaller p";
  EXPECT_TRUE(log.Contains(
      MessageBuffer("    Chromosome 1, the stretch of gene 1 to 5 has p-value %f", want),
      kLogBlack));
  EXPECT_TRUE(log.Contains("      g5, ''(GeneID ), 0.060--0.000Mb", kLogBlack));
  EXPECT_TRUE(log.Contains(
      "  1 significant stretches found at 0.010000 level from 45 p-value assessments", kLogBlack));

  // Threshold 0 finds nothing after the same assessments.
  ASSERT_TRUE(GetAllChroPValue(0));
  EXPECT_EQ(g.stretchCount, 0);
  EXPECT_EQ(g.assessmentCount, 45);
}

// Thirty genes within 30 bp: only runs of at most 20 genes are assessed, so eleven
// overlapping 20-gene stretches stay (none lies within another).
TEST_F(GeneStretchFixture, NoStretchLongerThanTwentyGenes) {
  std::vector<float> positions;
  for (int k = 0; k < 30; ++k) positions.push_back(static_cast<float>(k));
  Place(positions);
  CapturedLog log;
  ASSERT_TRUE(GetAllChroPValue(0.05));
  ASSERT_EQ(gene_stretches.stretchCount, 11);
  for (int k = 0; k < 11; ++k) {
    EXPECT_EQ(gene_stretches.stretches[static_cast<std::size_t>(k)].start, static_cast<float>(k));
    EXPECT_EQ(gene_stretches.stretches[static_cast<std::size_t>(k)].end,
              static_cast<float>(k + 19));
  }
}

// 149 crowded pairs pass; the 150th stretch ends the assessment with the limit message.
TEST_F(GeneStretchFixture, HundredFiftiethStretchEndsTheAssessment) {
  for (const int pairs : {149, 150}) {
    SCOPED_TRACE(pairs);
    std::vector<float> positions;
    for (int k = 0; k < pairs; ++k) {
      positions.push_back(static_cast<float>(k) * 6000.0f + 1.0f);
      positions.push_back(static_cast<float>(k) * 6000.0f + 2.0f);
    }
    Place(positions);
    CapturedLog log;
    EXPECT_EQ(GetAllChroPValue(0.01), pairs < MAX_STRETCH);
    EXPECT_EQ(gene_stretches.stretchCount, pairs);
    EXPECT_EQ(log.ContainsRed(kStretchLimitMessage), pairs == MAX_STRETCH);
  }
}

TEST_F(GeneStretchFixture, StopRequestEndsTheAssessment) {
  Place({0, 1000, 2000, 3000});
  CapturedLog log;
  ExpectRunningFlagKept([] { return GetAllChroPValue(0.01); });
}

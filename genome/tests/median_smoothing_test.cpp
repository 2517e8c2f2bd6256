// Running medians worked out by hand on short series: the mirrored window at both ends,
// series shorter than half the window, missing values, and the window a setting makes.
#include <gtest/gtest.h>

#include <vector>

#include "engine/testing/captured_log.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/median_smoothing.hpp"
#include "genome/info/genome_info.hpp"

namespace {

std::vector<float> Smooth(const std::vector<float>& values, int half) {
  std::vector<float> out(values.size(), -1);
  MedianSmooth(values, half, out);
  return out;
}

TEST(MedianSmoothingTest, WindowsMirrorAtBothEnds) {
  // Centre 0 reads {1, 5, 1} (place -1 is place 1); centre 4 reads {2, 3, 2} (place 5 is
  // place 3).
  EXPECT_EQ(Smooth({5, 1, 4, 2, 3}, 1), (std::vector<float>{1, 4, 2, 3, 2}));
  // Window 5: centre 0 reads places 2, 1, 0, 1, 2 = {4, 1, 5, 1, 4}; centre 1 reads
  // 1, 0, 1, 2, 3 = {1, 5, 1, 4, 2}; centre 3 reads 1..4 and 3 = {1, 4, 2, 3, 2}.
  EXPECT_EQ(Smooth({5, 1, 4, 2, 3}, 2), (std::vector<float>{4, 2, 3, 2, 3}));
  EXPECT_EQ(Smooth({7, 7, 7}, 0), (std::vector<float>{-1, -1, -1}));
}

TEST(MedianSmoothingTest, SeriesShorterThanHalfTheWindowStayInside) {
  // Window 11 over two values: the places reflect back and forth, -5..5 reading
  // 1 0 1 0 1 0 1 0 1 0 1 (six of the second value), -4..6 five of them.
  EXPECT_EQ(Smooth({10, 20}, 5), (std::vector<float>{20, 10}));
  EXPECT_EQ(Smooth({3}, 50), (std::vector<float>{3}));
  // Three values, window 9: centre 0 reads places 0 1 2 1 0 1 2 1 0.
  EXPECT_EQ(Smooth({1, 8, 9}, 4)[0], 8);
}

TEST(MedianSmoothingTest, MissingValuesTakePartAsTheLowest) {
  const float m = kMissingValueFloat;
  EXPECT_EQ(Smooth({2, m, 2}, 1), (std::vector<float>{m, 2, m}));
  EXPECT_EQ(Smooth({2, m, 3, 4, m}, 2)[2], 2);
}

TEST(MedianSmoothingTest, SamplesAreSmoothedPerChromosomeWithTheWindowOfTheSetting) {
  // Two chromosomes of four units each, laid out out of unit order: the windows follow
  // each chromosome's list and never cross into the other.
  GENOME_INFO genome;
  genome.NumChro = 2;
  genome.posList[0] = {{1, 3}, {2, 0}, {3, 5}, {4, 1}};
  genome.posList[1] = {{1, 2}, {2, 7}, {3, 4}, {4, 6}};
  CHROMOSOME chro;
  ASSERT_TRUE(chro.Allocate(1, 8, TablesFor(kChroCopyNumber, false, false)));
  // Along chromosome 1: 1 9 2 3; along chromosome 2: 50 60 0 70.
  const std::vector<float> raw = {9, 3, 50, 1, 0, 2, 70, 60};
  CapturedLog log;
  MedianSmoothSamples(chro, genome, 3, [&](int, int unit) { return raw[unit]; }, {"tumour"});
  const float* row = chro.inferred.Row(0);
  // Chromosome 1: {9, 1, 9} = 9, {1, 9, 2} = 2, {9, 2, 3} = 3, {2, 3, 2} = 2.
  EXPECT_EQ(row[3], 9);
  EXPECT_EQ(row[0], 2);
  EXPECT_EQ(row[5], 3);
  EXPECT_EQ(row[1], 2);
  // Chromosome 2: {60, 50, 60} = 60, {50, 60, 0} = 50, {60, 0, 70} = 60, {0, 70, 0} = 0.
  EXPECT_EQ(row[2], 60);
  EXPECT_EQ(row[7], 50);
  EXPECT_EQ(row[4], 60);
  EXPECT_EQ(row[6], 0);
  EXPECT_TRUE(log.Contains("window size of 3 SNPs", kLogBlack));
  EXPECT_TRUE(log.Contains("    Sample 'tumour', Chro 2", kLogBlue));
  log.Clear();
  MedianSmoothSamples(chro, genome, 10, [&](int, int unit) { return raw[unit]; }, {"tumour"});
  EXPECT_TRUE(log.Contains("window size of 11 SNPs", kLogBlack));
}

}  // namespace

#include "genome/inference/random_seed.hpp"

#include <gtest/gtest.h>

TEST(RandomSeedTest, SquaresTheSecondsAndKeepsTheLow32BitsNonNegative) {
  EXPECT_EQ(DefaultRandomSeed(0), 0);
  EXPECT_EQ(DefaultRandomSeed(46340), 46340 * 46340);  // the last square below 2^31
  // 46341^2 = 2,147,488,281 reads as -2,147,479,015 in 32 bits.
  EXPECT_EQ(DefaultRandomSeed(46341), 2147479015);
  // 50000^2 = 2,500,000,000 reads as -1,794,967,296.
  EXPECT_EQ(DefaultRandomSeed(50000), 1794967296);
  EXPECT_EQ(DefaultRandomSeed(65536), 0);  // 2^32 leaves nothing in the low bits
  // Only the seconds modulo 10,000,000 count; 9,999,999^2 = 99,999,980,000,001 would
  // overflow a 32-bit product.
  EXPECT_EQ(DefaultRandomSeed(9'999'999), 256447233);
  EXPECT_EQ(DefaultRandomSeed(1'769'999'999), 256447233);
  EXPECT_EQ(DefaultRandomSeed(1'765'000'000), 1004630016);
}

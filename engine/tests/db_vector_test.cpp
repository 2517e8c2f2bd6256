// Checks the bounded vector: dropping on overflow with its logged line, and tail trimming
// against bounds worked out by sorting.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/numerics/db_vector.hpp"
#include "engine/testing/captured_log.hpp"

namespace {

constexpr double M = MISSING_VALUE;

TEST(DbVector, AppendsUpToCapacityThenDropsWithRedLine) {
  CapturedLog log;
  DB_VECTOR vector(3);
  EXPECT_EQ(vector.Length(), 0);
  EXPECT_EQ(vector.MissingMarker(), M);
  for (double value : {1.5, 2.5, 3.5}) vector.Append(value);
  EXPECT_TRUE(log.Lines().empty());
  vector.Append(4.5);
  vector.Append(5.5);
  EXPECT_EQ(vector.Length(), 3);
  EXPECT_EQ(std::vector<double>(vector.Values().begin(), vector.Values().end()),
            (std::vector<double>{1.5, 2.5, 3.5}));
  ASSERT_EQ(log.Lines().size(), 2u);
  for (const CapturedLine& line : log.Lines()) {
    EXPECT_EQ(line.text, "  DB_VECTOR error: length limit reached");
    EXPECT_EQ(line.colour, kLogRed);
    EXPECT_FALSE(line.replaceLastLine);
  }
  vector.Clear();
  vector.Append(9.0);
  EXPECT_EQ(vector.Length(), 1);
  EXPECT_EQ(vector[0], 9.0);
}

TEST(DbVector, ZeroCapacityDropsEverything) {
  CapturedLog log;
  DB_VECTOR vector(0);
  vector.Append(1.0);
  EXPECT_EQ(vector.Length(), 0);
  EXPECT_EQ(log.CountInColour(kLogRed), 1);
  EXPECT_EQ(vector.TrimTails(10), 0);
}

// Values 1..n in a scrambled order (n prime to 37).
DB_VECTOR Scrambled(int n) {
  DB_VECTOR vector(n);
  for (int i = 0; i < n; ++i) vector.Append(1.0 + (i * 37) % n);
  return vector;
}

TEST(DbVector, TrimTenPercentOfHundredValues) {
  DB_VECTOR vector = Scrambled(100);
  EXPECT_EQ(vector.TrimTails(10), 100);
  EXPECT_EQ(vector.Length(), 100);
  // Bounds are the values of ranks 5 and 95 counted from 0, that is 6 and 96.
  std::vector<double> kept;
  int missing = 0;
  for (double value : vector.Values()) {
    if (IsMissing(value))
      ++missing;
    else
      kept.push_back(value);
  }
  EXPECT_EQ(missing, 9);
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept.front(), 6.0);
  EXPECT_EQ(kept.back(), 96.0);
}

TEST(DbVector, TrimBoundsFollowTruncatedRanks) {
  DB_VECTOR vector = Scrambled(41);
  vector.TrimTails(20);  // ranks (int)4.1 = 4 and (int)36.9 = 36
  std::vector<double> kept;
  for (double value : vector.Values())
    if (!IsMissing(value)) kept.push_back(value);
  std::sort(kept.begin(), kept.end());
  ASSERT_EQ(kept.size(), 33u);
  EXPECT_EQ(kept.front(), 5.0);
  EXPECT_EQ(kept.back(), 37.0);

  DB_VECTOR untrimmed = Scrambled(10);
  untrimmed.TrimTails(0);
  EXPECT_EQ(std::count_if(untrimmed.Values().begin(), untrimmed.Values().end(), IsMissing), 0);
}

}  // namespace

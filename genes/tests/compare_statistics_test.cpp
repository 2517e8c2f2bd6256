// The comparison's statistics against cases worked by hand from the fold change formula
// and against R's t.test (the p-values below are R's), and the cases where a statistic
// cannot be computed and must come back missing rather than as 0 or NaN.
#include "genes/compare/compare_statistics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/numerics/numerics.hpp"

namespace {

struct FoldCase {
  const char* what;
  double m1, s1, m2, s2;
  double fold, lower, upper;
};

TEST(CompareStatistics, FoldChangeAndItsFiellerBoundsMatchHandWorkedCases) {
  const double kMissing = MISSING_VALUE;
  const FoldCase cases[] = {
      // a = b = 10: Qa = 97.294457, D = 2135.1545; roots 0.790344 and 1.265271, times 4.
      {"increase", 400, 40, 100, 10, 4.0, 3.1613777842, 5.0610844677},
      {"decrease mirrors it", 100, 10, 400, 40, -4.0, -3.1613777842, -5.0610844677},
      // a = 5, b = 4: roots 0.738746 and 2.270026, times 2.4.
      {"unequal errors", 300, 60, 100, 25, 3.0, 1.7729914740, 5.4480631354},
      // b = 1: Qa < 0 and r2 < 0, so the interval runs from r1 x 4 without an upper end.
      {"baseline within noise", 400, 40, 10, 10, 40.0, 14.7933256015, kUnboundedFold},
      {"negative baseline counts as 1", 50, 5, -5, 0, 50.0, 50.0, 50.0},
      {"zero baseline", 50, 5, 0, 1, 0.0, 0.0, 0.0},
      {"zero experiment", 0, 1, 50, 5, 0.0, 0.0, 0.0},
      {"no error: bounds are the fold", 90, 0, 30, 3, 3.0, 3.0, 3.0},
      {"missing mean", kMissing, 1, 30, 3, kMissing, kMissing, kMissing},
  };
  for (const FoldCase& c : cases) {
    SCOPED_TRACE(c.what);
    const FoldChange f = GetFoldChangeBound(c.m1, c.s1, c.m2, c.s2);
    EXPECT_NEAR(f.fold, c.fold, 1e-9);
    EXPECT_NEAR(f.lower, c.lower, 1e-8);
    EXPECT_NEAR(f.upper, c.upper, 1e-8);
    EXPECT_TRUE(std::isfinite(f.lower) && std::isfinite(f.upper));
  }
  // A decrease whose interval has no end shows it as -1e8.
  EXPECT_EQ(GetFoldChangeBound(10, 10, 400, 40).upper, -kUnboundedFold);
}

SetStatistics Set(const std::vector<double>& x) {
  const std::vector<double> noErrors(x.size(), 0.0);
  return SampleSetMean(x, noErrors, false);
}

TEST(CompareStatistics, TTestsAgreeWithRsTTest) {
  struct Case {
    std::vector<double> b, e;
    double t, p;
  } welch[] = {
      {{1, 2, 3, 4}, {3, 4, 5, 6}, 2.19089023, 0.07098765432},
      {{10, 12, 9, 11, 13}, {20, 14, 25}, 2.660551453, 0.105922894},
      {{100, 140}, {90, 95, 97, 300}, 0.4613983531, 0.6701971933},
  };
  for (const Case& c : welch) {
    const SetStatistics b = Set(c.b);
    const SetStatistics e = Set(c.e);
    const TTestResult r = WelchTTest(b.mean, b.stdErr, b.present, e.mean, e.stdErr, e.present);
    EXPECT_NEAR(r.t, c.t, 1e-8);
    EXPECT_NEAR(r.p, c.p, 1e-8);
  }
  const Case paired[] = {
      {{1, 2, 3, 4, 5}, {2, 4, 3, 6, 7}, 3.5, 0.02489616346},
      {{10, 20, 30}, {11, 19.5, 33}, 1.150792911, 0.3688312557},
  };
  for (const Case& c : paired) {
    std::vector<double> d;
    for (std::size_t i = 0; i < c.b.size(); ++i) d.push_back(c.e[i] - c.b[i]);
    const TTestResult r = PairedTTestOfDifferences(d, std::vector<double>(d.size(), 0.0), false);
    EXPECT_NEAR(r.t, c.t, 1e-8);
    EXPECT_NEAR(r.p, c.p, 1e-8);
  }
  // The t distribution itself: 2.228139 is the 97.5% point of 10 degrees of freedom.
  EXPECT_NEAR(TwoSidedTPValue(2.228138852, 10), 0.05, 1e-9);
}

TEST(CompareStatistics, TestsThatCannotBeComputedAreMissing) {
  const double m = MISSING_VALUE;
  // Both errors 0, a side with one value, a missing mean, a missing error.
  EXPECT_TRUE(WelchTTest(10, 0, 3, 20, 0, 3).Missing());
  EXPECT_TRUE(WelchTTest(10, 1, 1, 20, 1, 3).Missing());
  EXPECT_TRUE(WelchTTest(10, 1, 3, 20, 1, 1).Missing());
  EXPECT_TRUE(WelchTTest(m, 1, 3, 20, 1, 3).Missing());
  EXPECT_TRUE(WelchTTest(10, m, 3, 20, 1, 3).Missing());
  // One side without spread still has a test: its error is 0, the other's is not.
  EXPECT_FALSE(WelchTTest(10, 0, 3, 20, 2, 3).Missing());

  const std::vector<double> none(3, 0.0);
  EXPECT_TRUE(PairedTTestOfDifferences(std::vector<double>{5, 5, 5}, none, false).Missing());
  EXPECT_TRUE(
      PairedTTestOfDifferences(std::vector<double>{5}, std::vector<double>{1.0}, false).Missing());
  EXPECT_TRUE(PairedTTestOfDifferences(std::vector<double>{5, m, m}, none, false).Missing());
  // Missing values drop out of a set, and the set's count says how many stayed.
  const SetStatistics s = Set({m, 4, 6, m});
  EXPECT_EQ(s.present, 2);
  EXPECT_DOUBLE_EQ(s.mean, 5.0);
  EXPECT_DOUBLE_EQ(s.stdErr, 1.0);
  // Equal values have no spread however their mean rounds, so neither test has a p-value.
  // (The sum of squares less n x mean^2 leaves about 1e-16 for 0.7 and 3.3 thrice.)
  const SetStatistics flatB = Set({0.7, 0.7, 0.7, m});
  const SetStatistics flatE = Set({3.3, 3.3, 3.3});
  EXPECT_EQ(flatB.stdErr, 0.0);
  EXPECT_TRUE(WelchTTest(flatB.mean, flatB.stdErr, 3, flatE.mean, flatE.stdErr, 3).Missing());
  EXPECT_TRUE(PairedTTestOfDifferences(std::vector<double>{0.3, 0.3, 0.3}, none, false).Missing());
  const SetStatistics empty = Set({m, m});
  EXPECT_TRUE(IsMissing(empty.mean));
}

}  // namespace

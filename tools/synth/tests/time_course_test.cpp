// Planted time courses: each target follows its driver at the planted lag with the planted
// sign, shuffling breaks every relation, and the group put into memory hands back exactly
// the truth's values, one sample per time point.
#include "tools/synth/time_course.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

// Pearson of x[t] with y[t + lag] over the time points both have.
double LaggedCorrelation(const std::vector<double>& x, const std::vector<double>& y, int lag) {
  std::vector<std::pair<double, double>> pairs;
  for (std::size_t t = 0; t + static_cast<std::size_t>(lag) < x.size(); ++t)
    if (!IsMissing(x[t]) && !IsMissing(y[t + static_cast<std::size_t>(lag)]))
      pairs.emplace_back(x[t], y[t + static_cast<std::size_t>(lag)]);
  double mx = 0, my = 0;
  for (const auto& [a, b] : pairs) mx += a, my += b;
  mx /= static_cast<double>(pairs.size());
  my /= static_cast<double>(pairs.size());
  double ab = 0, aa = 0, bb = 0;
  for (const auto& [a, b] : pairs) {
    ab += (a - mx) * (b - my);
    aa += (a - mx) * (a - mx);
    bb += (b - my) * (b - my);
  }
  return ab / std::sqrt(aa * bb);
}

TEST(TimeCourses, TargetsFollowTheirDriversAndTheGroupHoldsTheValues) {
  synth::TimeCourseOptions options;
  options.genes = 50;
  options.motifNodes = 4;
  options.relations = {{0, 1, 1, false}, {1, 2, 3, true}, {0, 3, 0, false}};
  options.missingPercent = 5;
  for (const bool shuffle : {false, true}) {
    SCOPED_TRACE(shuffle ? "shuffled" : "planted");
    options.shuffle = shuffle;
    const synth::TimeCourseTruth truth = synth::MakeTimeCourses(options);
    ASSERT_EQ(truth.GeneCount(), 50);
    ASSERT_EQ(truth.motifGenes.size(), 4u);
    for (const synth::PlantedRelation& r : truth.relations) {
      const double rho = LaggedCorrelation(
          truth
              .values[static_cast<std::size_t>(truth.motifGenes[static_cast<std::size_t>(r.from)])],
          truth.values[static_cast<std::size_t>(truth.motifGenes[static_cast<std::size_t>(r.to)])],
          r.lag);
      if (shuffle)
        EXPECT_LT(std::fabs(rho), 0.7);
      else
        EXPECT_GT(r.inhibition ? -rho : rho, 0.95);
    }
  }

  platform::testing::TempFolder folder;
  StartGroup(folder.Path().string());
  const synth::TimeCourseTruth truth = synth::MakeTimeCourses(options);
  synth::InstallTimeCourseGroup(truth);
  EXPECT_EQ(Layout.unitCount, 50);
  ASSERT_EQ(SampleGrouping.SampleCount(), options.timePoints);
  EXPECT_EQ(GeneList.NumInteresting, 50);
  int missing = 0;
  for (int g = 0; g < 50; ++g) {
    EXPECT_EQ(Layout.units[static_cast<std::size_t>(g)].name,
              truth.probeSets[static_cast<std::size_t>(g)]);
    for (int t = 0; t < options.timePoints; ++t) {
      double value = 0, se = 0;
      char call = 0;
      SampleGrouping.GetSampleValue(g, t, &value, &se, &call);
      EXPECT_EQ(value, truth.values[static_cast<std::size_t>(g)][static_cast<std::size_t>(t)]);
      missing += IsMissing(value) ? 1 : 0;
    }
  }
  EXPECT_GT(missing, 0);
  Layout = CDF_LAYOUT{};
  GeneList = GENE_LIST{};
  DiscardGroup();
}

}  // namespace

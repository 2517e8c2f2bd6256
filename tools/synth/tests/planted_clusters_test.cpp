// Planted gene clusters: each gene follows its own cluster's shape far more closely than
// any other cluster's, and the group put into memory hands back exactly those values.
#include "tools/synth/planted_clusters.hpp"

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

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  double sa = 0, sb = 0;
  int n = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (IsMissing(a[k]) || IsMissing(b[k])) continue;
    sa += a[k];
    sb += b[k];
    ++n;
  }
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (IsMissing(a[k]) || IsMissing(b[k])) continue;
    const double da = a[k] - sa / n;
    const double db = b[k] - sb / n;
    ab += da * db;
    aa += da * da;
    bb += db * db;
  }
  return ab / std::sqrt(aa * bb);
}

TEST(PlantedClusters, GenesFollowTheirOwnClusterAndTheGroupHoldsTheirValues) {
  const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(
      {.clusters = 5, .genesPerCluster = 6, .samples = 10, .missingPercent = 5});
  ASSERT_EQ(truth.GeneCount(), 30);
  std::vector<int> sizes(5, 0);
  for (int c : truth.clusterOf) ++sizes[static_cast<std::size_t>(c)];
  for (int size : sizes) EXPECT_EQ(size, 6);
  EXPECT_NE(truth.clusterOf, std::vector<int>({0, 0, 0, 0, 0, 0, 1}))
      << "genes of a cluster are shuffled";

  for (int g = 0; g < truth.GeneCount(); ++g) {
    double worstOwn = 1.0;
    double bestOther = -1.0;
    for (int h = 0; h < truth.GeneCount(); ++h) {
      if (h == g) continue;
      const double r = Correlation(truth.values[g], truth.values[h]);
      if (truth.clusterOf[g] == truth.clusterOf[h])
        worstOwn = std::min(worstOwn, r);
      else
        bestOther = std::max(bestOther, r);
    }
    EXPECT_GT(worstOwn, 0.95) << "gene " << g;
    EXPECT_GT(worstOwn, bestOther + 0.1) << "gene " << g;
  }

  platform::testing::TempFolder folder;
  StartGroup(folder.Path().string());
  synth::InstallPlantedClusterGroup(truth);
  EXPECT_EQ(Layout.unitCount, 30);
  EXPECT_EQ(SampleGrouping.SampleCount(), 10);
  EXPECT_EQ(GeneList.NumInteresting, 30);
  int missing = 0;
  for (int g = 0; g < 30; ++g) {
    EXPECT_EQ(Layout.units[static_cast<std::size_t>(g)].name, truth.geneNames[g]);
    for (int j = 0; j < 10; ++j) {
      double value = 0;
      double se = 0;
      char call = 0;
      SampleGrouping.GetSampleValue(g, j, &value, &se, &call);
      EXPECT_EQ(value, truth.values[g][j]);
      EXPECT_FLOAT_EQ(se, truth.errors[g][j]);
      missing += IsMissing(value) ? 1 : 0;
    }
  }
  EXPECT_GT(missing, 0);
  Layout = CDF_LAYOUT{};
  GeneList = GENE_LIST{};
  DiscardGroup();
}

}  // namespace

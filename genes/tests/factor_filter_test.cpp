// The ANOVA and correlation filters on generated groups: the planted genes pass and the
// others at most at the threshold's share; the same table on one thread and many; and the
// tests left undefined (no variation, too few samples, no replicates, too many categories)
// give no result instead of a p-value that passes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "genes/cluster/cluster_engine.hpp"
#include "genes/filter/factor_anova.hpp"
#include "genes/filter/factor_correlation.hpp"
#include "genes/filter/factor_design.hpp"
#include "genes/filter/factor_filter.hpp"
#include "genes/tests/cluster_test_support.hpp"
#include "genes/tests/factor_test_support.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

constexpr double kThreshold = 0.001;

class FactorFilter : public FactorFixture {
 protected:
  // Runs the filter on factors into a file; its path.
  std::string Run(const std::string& factors, const std::string& name) {
    TheGroup().Settings().ANOVA_FACTOR = factors;
    TheGroup().Settings().ANOVA_PVALUE = kThreshold;
    const std::string path = mFolder.File(name);
    EXPECT_TRUE(FilterGenesByFactor(path));
    return path;
  }
  // The planted genes all listed, and of the genes without any effect no more than chance
  // allows (the other effects may reach a test through the random ages of the samples).
  void ExpectPlanted(const std::set<int>& listed, synth::FactorEffect effect) const {
    for (const int g : GenesOf(effect)) EXPECT_EQ(listed.count(g), 1u) << "planted gene " << g;
    const std::set<int> null = GenesOf(synth::FactorEffect::kNone);
    int passed = 0;
    for (const int g : listed) passed += null.count(g);
    const double expected = kThreshold * static_cast<double>(null.size());
    EXPECT_LE(passed, expected + 3.0 * std::sqrt(expected) + 1.0);
  }
};

TEST_F(FactorFilter, PlantedGenesPassAndTheOthersAtChance) {
  synth::FactorDataOptions options;
  options.genesPerEffect = {900, 50, 50, 50};
  // Strong enough for every planted gene of 24 samples to pass at 0.001.
  options.effect = 5.0;
  options.missingPercent = 5;
  Load(synth::MakeFactorData(options));

  ExpectPlanted(Listed(Run("Treatment", "one.xls"), 1), synth::FactorEffect::kFirstFactor);
  EXPECT_EQ(ReadFile(mFolder.File("one.xls")).substr(0, 18), "probe set\tp-value\n");
  EXPECT_TRUE(mLog.Contains("    24 of 24 sample have information on 'Treatment'", kLogBlack));
  EXPECT_TRUE(mLog.Contains("  Filtering by p-value 0.001000", kLogBlack));

  ExpectPlanted(Listed(Run("Treatment, Batch", "two.xls"), 1), synth::FactorEffect::kInteraction);
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);

  TheGroup().RunOptions().factorRankCorrelation = false;
  const std::string pearson = Run("Age (numeric)", "age.xls");
  ExpectPlanted(Listed(pearson, 2), synth::FactorEffect::kNumeric);
  EXPECT_EQ(ReadFile(pearson).substr(0, 30), "[Correlation p-value <=0.00100");
  TheGroup().RunOptions().factorRankCorrelation = true;
  const std::set<int> ranked = Listed(Run("Age (numeric)", "rank.xls"), 2);
  ExpectPlanted(ranked, synth::FactorEffect::kNumeric);
  EXPECT_TRUE(mLog.Contains("\n  Found " + std::to_string(ranked.size()) +
                                " genes correlated with the current factor 'Age (numeric)' and "
                                "save in '" +
                                mFolder.File("rank.xls") + "'",
                            kLogBlack));
}

TEST_F(FactorFilter, AGeneOrABranchOfTheTreeFindsTheGenesThatFollowIt) {
  Load(synth::MakeFactorData(
      synth::FactorDataOptions{.genesPerEffect = {300, 0, 0, 30}, .effect = 5.0}));
  TheGroup().Settings().ANOVA_PVALUE = kThreshold;
  TheGroup().RunOptions().factorRankCorrelation = false;
  EXPECT_FALSE(WriteFactorFilterResult(mFolder.File("no tree.xls"), 0));
  EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kNoTreeRowMessage, 0)));

  cluster_test::Profiles profiles(static_cast<std::size_t>(mData.Genes()));
  for (int g = 0; g < mData.Genes(); ++g)
    for (int s = 0; s < mData.samples; ++s)
      profiles[static_cast<std::size_t>(g)].push_back(
          mData.values[static_cast<std::size_t>(s)][static_cast<std::size_t>(g)]);
  auto tree = cluster_test::TreeOf(
      profiles, cluster_test::PlainOptions(kDistanceCorrelation, kLinkageAverage));
  ASSERT_TRUE(tree->Run(true));
  const std::set<int> trend = GenesOf(synth::FactorEffect::kNumeric);
  // The branch that joins two genes of the trend.
  int branch = *trend.begin();
  std::set<int> above;
  for (int node = branch; node >= 0; node = tree->Node(node).parent) above.insert(node);
  branch = *std::next(trend.begin());
  while (above.count(branch) == 0) branch = tree->Node(branch).parent;
  SetClusterTrees(std::move(tree), nullptr);

  for (const auto& [row, name] :
       {std::pair{*trend.begin(), "gene"}, std::pair{branch, "gene branch"}}) {
    SCOPED_TRACE(name);
    const std::string path = mFolder.File(std::string(name) + ".xls");
    ASSERT_TRUE(WriteFactorFilterResult(path, row));
    const std::set<int> listed = Listed(path, 2);
    ExpectPlanted(listed, synth::FactorEffect::kNumeric);
    EXPECT_TRUE(mLog.Contains("\n  Found " + std::to_string(listed.size()) +
                                  " genes correlated with the current " + name + " and save in '" +
                                  path + "'",
                              kLogBlack));
  }
  FreeClusterTrees();
}

TEST_F(FactorFilter, OneThreadAndManyWriteTheSameTables) {
  Load(synth::MakeFactorData(synth::FactorDataOptions{
      .cellSamples = {2, 3, 4}, .genesPerEffect = {1500, 100, 100, 100}, .missingPercent = 5}));
  TheGroup().Settings().USE_STD_SEP = 1;
  std::vector<std::string> texts;
  for (const int threads : {1, 0}) {
    platform::LimitWorkerThreads(threads);
    texts.push_back(ReadFile(Run("Treatment, Batch", "t.xls")));
    texts.push_back(ReadFile(Run("Age (numeric)", "t.xls")));
  }
  platform::LimitWorkerThreads(0);
  EXPECT_GT(texts[0].size(), 1000u);
  EXPECT_EQ(texts[0], texts[2]);
  EXPECT_EQ(texts[1], texts[3]);
}

TEST(FactorTests, UndefinedTestsGiveNoResult) {
  // No variation, or a single usable pair: no correlation at all, not r = 1 with p = 0.
  const std::vector<double> ramp = {1, 2, 3, 4, 5};
  const std::vector<double> flat = {7, 7, 7, 7, 7};
  const double m = MISSING_VALUE;
  for (const auto& y :
       {flat, std::vector<double>{m, 2, m, m, m}, std::vector<double>{m, 2, 5, m, m}}) {
    EXPECT_TRUE(IsMissing(PearsonCorrelationMissing(ramp, y).p));
    EXPECT_TRUE(IsMissing(SpearmanCorrelationMissing(ramp, y).p));
  }
  // The same ranks with a missing value left out, not ranked as a number.
  EXPECT_NEAR(SpearmanCorrelationMissing(ramp, std::vector<double>{1, m, 3, 4, 5}).r, 1.0, 1e-12);

  const std::vector<int> codes = {0, 0, 2, 2, 3, 3};
  EXPECT_TRUE(IsMissing(OneWayAnova(flat, codes, 4).p)) << "zero variance";
  // A category without samples leaves the test as over the categories that have them.
  const std::vector<double> y = {1.0, 1.5, 3.0, 3.2, 0.2, 0.9};
  const AnovaTerm gap = OneWayAnova(y, codes, 4);
  const AnovaTerm dense = OneWayAnova(y, std::vector<int>{0, 0, 1, 1, 2, 2}, 3);
  EXPECT_EQ(gap.df, 2);
  EXPECT_FALSE(IsMissing(gap.p));
  EXPECT_DOUBLE_EQ(gap.p, dense.p);
  // One sample a category: N - k is 0, nothing to test against.
  EXPECT_TRUE(IsMissing(OneWayAnova(y, std::vector<int>{0, 1, 2, 3, 4, 5}, 6).p));
  // A value equal to its cell mean is no sign of a cell without replicates.
  const TwoWayAnovaTable table =
      TwoWayAnova(std::vector<double>{1, 2, 3, 5, 6, 9, 2, 4, 1, 8, 8, 3},
                  std::vector<int>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}, 2,
                  std::vector<int>{0, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1}, 2, true);
  EXPECT_FALSE(IsMissing(table.interaction.p));
  EXPECT_EQ(table.residualDf, 8);
}

TEST_F(FactorFilter, GroupTestsLeftUndefinedPassNoGene) {
  // One sample a cell: no replicates; and a constant gene.
  synth::FactorData data = synth::MakeFactorData(
      synth::FactorDataOptions{.cellSamples = {1}, .genesPerEffect = {20, 0, 5, 0}});
  for (auto& sample : data.values) sample[0] = 5.0f;
  Load(data);
  EXPECT_TRUE(Listed(Run("Treatment, Batch", "none.xls"), 1).empty());
  EXPECT_EQ(mLog.CountInColour(kLogRed), 1) << "one line for the run, not one a probe set";
  EXPECT_TRUE(mLog.ContainsRed(std::string(kReplicatesNeededMessage) + "ps_0"));
  mLog.Clear();
  EXPECT_TRUE(IsMissing(InteractionPValue(3)));
  EXPECT_EQ(mLog.CountInColour(kLogRed), 1);
  EXPECT_TRUE(IsMissing(OneWayAnovaPValue(0))) << "the constant gene";
  EXPECT_FALSE(IsMissing(OneWayAnovaPValue(1)));
}

TEST_F(FactorFilter, InteractionOverTheCategoryLimitIsOneRedLineAndNoGene) {
  Load(synth::MakeFactorData(synth::FactorDataOptions{
      .firstCategories = kMaxInteractionCategories + 1, .genesPerEffect = {10, 0, 10, 0}}));
  TheGroup().Settings().ANOVA_PVALUE = 0.000001;
  TheGroup().Settings().ANOVA_FACTOR = "Treatment, Batch";
  const std::string path = mFolder.File("limit.xls");
  ASSERT_TRUE(FilterGenesByFactor(path));
  EXPECT_EQ(ReadFile(path), "probe set\tp-value\n");
  EXPECT_TRUE(mLog.Contains("  Filtering by p-value 1.000000e-06", kLogBlack));
  EXPECT_EQ(mLog.CountInColour(kLogRed), 1);
  EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(
      kInteractionCategoriesMessage, kMaxInteractionCategories, kMaxInteractionCategories + 1)));
  EXPECT_TRUE(IsMissing(InteractionPValue(0)));
  // The one-way test has no such limit.
  EXPECT_FALSE(IsMissing(OneWayAnovaPValue(0)));

  // A numeric second factor has no cells: refused before anything is written.
  TheGroup().Settings().ANOVA_FACTOR = "Treatment, Age (numeric)";
  EXPECT_FALSE(FilterGenesByFactor(mFolder.File("numeric second.xls")));
  EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kNumericSecondFactorMessage, "Age (numeric)")));
  EXPECT_FALSE(std::filesystem::exists(mFolder.File("numeric second.xls")));
}

}  // namespace

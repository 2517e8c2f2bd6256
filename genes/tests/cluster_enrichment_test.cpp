// Branch enrichment on trees linked by hand: which branches are tested, reported and
// suppressed, counts past 16 bits, leaves outside the annotation, and sample categories
// read from a sample information file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/cluster/functional_clusters.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/tests/cluster_test_support.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

using cluster_test::BalancedEight;
using cluster_test::LinkedTree;
using Pairs = std::vector<std::pair<int, int>>;

// One term column "Terms" whose terms T0, T1, ... the units carry as listed.
void UseTerms(const std::vector<std::vector<int>>& termsOf, int termCount) {
  ClearGeneInformation();
  GeneInfo.genes.assign(termsOf.size(), GENE_INFO{});
  GeneInfo.numColumns = 1;
  GeneInfo.columnNames[0] = "Terms";
  TERM_TABLE& table = TermTables[0];
  table.Clear();
  for (int t = 0; t < termCount; ++t) table.Append("T" + std::to_string(t), 0);
  for (std::size_t unit = 0; unit < termsOf.size(); ++unit) {
    std::vector<std::int16_t> indices;
    for (int t : termsOf[unit]) {
      indices.push_back(static_cast<std::int16_t>(t));
      if (t < termCount) table.AddGeneCount(t);
    }
    GeneInfo.SetTermIndices(GeneInfo.genes[unit], 0, indices);
    if (!indices.empty()) ++table.numAnnotated;
  }
}

// The recorded pairs as (node, term) for one tree.
Pairs Recorded(bool geneTree) {
  Pairs pairs;
  for (int k = 0; k < FunctionalClusters.count; ++k)
    if ((FunctionalClusters.isGeneTree[k] != 0) == geneTree)
      pairs.emplace_back(FunctionalClusters.node[k], FunctionalClusters.term[k]);
  return pairs;
}

std::string Assessed(int tests, const char* column, double threshold) {
  return MessageBuffer(kTermPairsAssessedMessage, tests, column, threshold);
}

class ClusterEnrichmentTest : public ::testing::Test {
 protected:
  void SetUp() override { FunctionalClusters = FUNCTIONAL_CLUSTERS{}; }
  void TearDown() override {
    FunctionalClusters = FUNCTIONAL_CLUSTERS{};
    ClearGeneInformation();
    SampleInfo.Clear();
  }
  CapturedLog mLog;
};

TEST_F(ClusterEnrichmentTest, BranchesAreTestedFromFourGenesAndReportedAboveTheirSubBranches) {
  // Eight tree genes (units 0-7) and 192 others; T1 is everywhere, so only T0 can be
  // enriched. The 4-gene branches are 12 (leaves 0-3) and 13 (4-7); 14 is the root.
  struct Case {
    const char* name;
    std::vector<std::vector<int>> leafTerms;  // units 0-7
    int othersWithT0;                         // of units 8-199
    std::vector<int> items;                   // leaf items where not the unit itself
    double threshold;
    int tests;
    Pairs pairs;
    const char* found;
  };
  const std::vector<int> both{0, 1};
  const std::vector<int> common{1};
  const std::vector<Case> cases = {
      {"three annotated genes are never tested",
       {{0}, {0}, {0}, {}, {}, {}, {}, {}},
       0,
       {},
       0.001,
       0,
       {},
       nullptr},
      {"a term on three genes of a branch gets no test",
       {both, both, both, common, common, common, common, common},
       0,
       {},
       0.001,
       3,
       {},
       nullptr},
      {"the root reports the term its branches share",
       {both, both, both, both, both, both, both, both},
       0,
       {},
       0.001,
       6,
       {{14, 0}},
       "    Found 8 \"T0\" genes in a cluster with 8 annotated genes (all: 8/200, PValue: "},
      {"four genes of four are enough",
       {common, common, common, common, both, both, both, both},
       36,
       {},
       0.01,
       5,
       {{13, 0}},
       "    Found 4 \"T0\" genes in a cluster with 4 annotated genes (all: 40/200, PValue: "},
      // Leaf 6 has no unit, leaf 7 one past the gene information, leaf 5 a term the table
      // lacks: branch 13 keeps two annotated genes and is not tested.
      {"leaves outside the annotation are unannotated",
       {both, both, both, both, both, {0, 1, 57}, both, both},
       0,
       {0, 1, 2, 3, 4, 5, -1, 100000},
       0.001,
       4,
       {{14, 0}},
       "    Found 6 \"T0\" genes in a cluster with 6 annotated genes (all: 8/200, PValue: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::vector<int>> terms = c.leafTerms;
    for (int unit = 8; unit < 200; ++unit)
      terms.push_back(unit - 8 < c.othersWithT0 ? both : common);
    UseTerms(terms, 2);
    auto tree = LinkedTree(8, BalancedEight());
    for (std::size_t i = 0; i < c.items.size(); ++i)
      tree->Node(static_cast<int>(i)).item = c.items[i];
    tree->options.geneSignificance = c.threshold;
    FunctionalClusters = FUNCTIONAL_CLUSTERS{};
    mLog.Clear();
    ASSERT_TRUE(tree->FindGeneClusters());
    EXPECT_EQ(Recorded(true), c.pairs);
    EXPECT_TRUE(mLog.Contains("  Finding significant Terms clusters...", kLogBlack));
    EXPECT_TRUE(mLog.Contains(Assessed(c.tests, "Terms", c.threshold), kLogBlack));
    if (c.found != nullptr) {
      EXPECT_TRUE(mLog.Contains(c.found, kLogBlack));
    }
    for (const auto& [node, term] : c.pairs) {
      const BranchAnnotation counted = tree->BranchTermCount(node, 0, term);
      EXPECT_GE(counted.hits, kMinTermGenes);
      EXPECT_GE(counted.annotated, counted.hits);
    }
  }
}

TEST_F(ClusterEnrichmentTest, CountsPastSixteenBitsAndAFullListOfPairs) {
  // 65,600 genes with T0 first, then 400 with T1, in a caterpillar: every branch of T0
  // genes holds all of them, more than 16 bits count.
  constexpr int kWithT0 = 65600;
  constexpr int kGenes = 66000;
  std::vector<std::vector<int>> terms(kGenes);
  for (int g = 0; g < kGenes; ++g) terms[g] = {g < kWithT0 ? 0 : 1};
  UseTerms(terms, 2);
  auto tree = LinkedTree(kGenes, cluster_test::Caterpillar(kGenes));
  ASSERT_TRUE(tree->FindGeneClusters());
  ASSERT_EQ(Recorded(true).size(), 1u);
  EXPECT_TRUE(mLog.Contains("    Found 65600 \"T0\" genes in a cluster with ", kLogBlack));
  EXPECT_TRUE(mLog.Contains("(all: 65600/66000, PValue: ", kLogBlack));
  const BranchAnnotation root = tree->BranchTermCount(tree->Root(), 0, 0);
  EXPECT_EQ(root.annotated, kGenes);
  EXPECT_EQ(root.hits, kWithT0);

  // A full list of pairs refuses the next one, and the enrichment says so.
  FunctionalClusters.count = kMaxFunctionalClusters;
  EXPECT_FALSE(tree->FindGeneClusters());
  EXPECT_TRUE(mLog.ContainsRed(kTooManyFunctionalClustersMessage));
}

TEST_F(ClusterEnrichmentTest, SampleCategoriesFromTheInformationFile) {
  platform::testing::TempFolder folder;
  StartGroup(folder.Path().string());
  synth::InstallPlantedClusterGroup(
      synth::MakePlantedClusters({.clusters = 2, .genesPerCluster = 3, .samples = 8}));
  std::string text = "Array\tName\tTissue\tDose (numeric)\n";
  for (int j = 0; j < 8; ++j)
    text += "sample" + std::to_string(j) + "\t\t" + (j < 4 ? "brain" : "liver") + "\t" +
            std::to_string(j) + "\n";
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(folder.Write("info.txt", text)));
  ASSERT_EQ(SampleInfo.ColumnCount(), 2);

  // Leaf 7 as a sample whose array lies past the information: branch 13 then holds three
  // liver samples, p = 4/56, no longer below 0.05.
  for (const bool outside : {false, true}) {
    SCOPED_TRACE(outside);
    auto tree = LinkedTree(8, BalancedEight());
    for (int j = 0; j < 8; ++j) tree->Node(j).item = SampleGrouping.GetSampleArray(j);
    if (outside) tree->Node(7).item = 99;
    tree->options.sampleSignificance = 0.05;
    FunctionalClusters = FUNCTIONAL_CLUSTERS{};
    mLog.Clear();
    ASSERT_TRUE(tree->FindSampleClusters());
    const int brain = 0;
    const int liver = 1;
    // Sample pairs name the column first and the category second.
    const std::vector<std::pair<int, int>> expected =
        outside ? Pairs{{12, 0}} : Pairs{{13, 0}, {12, 0}};
    EXPECT_EQ(Recorded(false), expected);
    EXPECT_EQ(FunctionalClusters.column[0], outside ? brain : liver);
    EXPECT_TRUE(mLog.Contains(kFindingSampleClustersMessage, kLogBlack));
    EXPECT_TRUE(
        mLog.Contains("    Found 4 \"Tissue brain\" samples in a cluster with 4 annotated "
                      "samples (all: 4/8, PValue: 0.014286)",
                      kLogBlack));
    EXPECT_TRUE(mLog.Contains(MessageBuffer(kCategoryPairsAssessedMessage, 4, 0.05), kLogBlack));
    const BranchAnnotation root = tree->BranchCategoryCount(tree->Root(), 0, liver);
    EXPECT_EQ(root.annotated, outside ? 7 : 8);
    EXPECT_EQ(root.hits, outside ? 3 : 4);
  }
  DiscardGroup();
}

}  // namespace

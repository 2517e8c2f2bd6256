// Finding genes: keyword search with wildcards over names and descriptions and its
// cyclic continuation, exact name lookup, probe sets of one LocusLink, term membership,
// term pages, the enrichment probability and the list of significant clusters.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/testing/captured_log.hpp"
#include "genes/annotation/term_links.hpp"
#include "genes/cluster/functional_clusters.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/tests/gene_test_support.hpp"

namespace {

class GeneSearch : public GeneInfoFixture {
 protected:
  void SetUp() override {
    GeneInfoFixture::SetUp();
    UseProbeSets(Names("PS", 6));
    const std::string path = WriteFile(
        "genes.txt",
        GeneInfoHeader({"GeneOntology.txt", "ProteinDomain.txt", "Pathway"}) +
            "PS0\tNM_0\t7157\tTumor protein p53\t|5634|\t|3|\t|apoptosis|\tcellular tumor antigen\n"
            "PS1\tNM_1\t60\tActin beta\t\t\t\tcytoskeleton\n"
            "PS2\tNM_2\t1017\tCDK2\t\t\t\tcyclin-dependent kinase 2\n"
            "PS3\tNM_3\t71\tActin gamma\t\t\t\tcytoskeleton\n"
            "PS4\tNM_4\t1022\tKinase 7\t\t\t\tsomething else\n"
            "PS5\tNM_5\t60\tActb\t\t\t\tsecond probe set of actin beta\n");
    WriteFile("GeneOntology.txt", "5634\tnucleus\n");
    WriteFile("ProteinDomain.txt", "3\tsome domain\n");
    CapturedLog quiet;
    ASSERT_TRUE(ReadGeneInfoFile(path, true));
  }
};

TEST_F(GeneSearch, KeywordsMatchAnywhereInAnyCaseWithWildcards) {
  const auto fresh = [](const char* keyword) {
    KeywordSearchStart = 0;
    return FindGeneByKeyword(keyword);
  };
  EXPECT_EQ(fresh("p53"), 0);
  EXPECT_EQ(fresh("ACTIN"), 1);
  EXPECT_EQ(fresh("p5?"), 0);
  EXPECT_EQ(fresh("*gamma"), 3);
  // The description is searched when the name does not match.
  EXPECT_EQ(fresh("cytoskel"), 1);
  EXPECT_EQ(fresh("kinase [1-5]"), 2);
  EXPECT_EQ(fresh("kinase [6-9]"), 4);
  // Negation inside a set: an actin whose next word does not begin with B.
  EXPECT_EQ(fresh("actin [!b]"), 3);
  EXPECT_EQ(fresh("zebrafish"), -1);
}

TEST_F(GeneSearch, ContinuesBehindTheLastHitAndWrapsRoundOnce) {
  EXPECT_EQ(FindGeneByKeyword("actin"), 1);
  EXPECT_EQ(KeywordSearchStart, 2);
  EXPECT_EQ(GeneInfo.lastKeyword, "actin");
  EXPECT_EQ(FindGeneByKeyword("actin"), 3);
  EXPECT_EQ(FindGeneByKeyword("actin"), 5);  // by its description
  EXPECT_EQ(FindGeneByKeyword("actin"), 1);
  // A miss changes neither the start nor the remembered keyword.
  EXPECT_EQ(FindGeneByKeyword("no such gene"), -1);
  EXPECT_EQ(KeywordSearchStart, 2);
  EXPECT_EQ(GeneInfo.lastKeyword, "actin");
  // A start left beyond the genes (by another chip) still wraps.
  KeywordSearchStart = 6;
  EXPECT_EQ(FindGeneByKeyword("p53"), 0);
}

TEST_F(GeneSearch, KeywordsNeedGeneInformation) {
  ClearGeneInfo();
  EXPECT_EQ(FindGeneByKeyword("actin"), -1);
  EXPECT_FALSE(GeneMatchesKeyword(1, "ACTIN"));
}

TEST_F(GeneSearch, FindsUnitsByExactGeneName) {
  EXPECT_EQ(FindUnitByGeneName("CDK2"), 2);
  EXPECT_EQ(FindUnitByGeneName("cdk2"), -1);
  EXPECT_EQ(FindUnitByGeneName("Actin"), -1);
}

TEST_F(GeneSearch, WritesTheProbeSetsOfOneLocusLink) {
  std::ostringstream out;
  EXPECT_EQ(WriteSameLocusGenes(out, 1), 2);
  EXPECT_EQ(out.str(), "PS1\t60\tActin beta\nPS5\t60\tActb\n");
  std::ostringstream single;
  EXPECT_EQ(WriteSameLocusGenes(single, 2), 1);
  EXPECT_EQ(single.str(), "PS2\t1017\tCDK2\n");
}

TEST_F(GeneSearch, TellsTermMembership) {
  const int pathway = TermTables[2].FindName("apoptosis");
  ASSERT_GE(pathway, 0);
  EXPECT_TRUE(HasTerm(Gene(0), pathway, 2));
  EXPECT_FALSE(HasTerm(Gene(1), pathway, 2));
  EXPECT_FALSE(HasTerm(Gene(0), pathway + 1, 2));
}

TEST_F(GeneSearch, BuildsPagesForOntologyAndDomainTermsOnly) {
  EXPECT_EQ(TermLinkAddress(0, 0),
            TermHosts.geneOntology + "cgi-bin/go.cgi?view=details&depth=1&query=GO:5634");
  EXPECT_EQ(TermLinkAddress(1, 0),
            TermHosts.proteinDomain + "Structure/cdd/cddsrv.cgi?uid=pfam00003");
  EXPECT_EQ(TermLinkAddress(2, 0), "");
  EXPECT_EQ(TermLinkAddress(0, 1), "");
  EXPECT_EQ(TermLinkAddress(3, 0), "");
}

TEST_F(GeneSearch, ClosingTheGroupEmptiesTheTermTablesToo) {
  ClearGeneInfo();
  EXPECT_FALSE(GeneInfo.Loaded());
  EXPECT_EQ(GeneInfo.numColumns, 0);
  EXPECT_EQ(TermTables[2].Count(), 1);  // kept until the next rebuild
  ClearGeneInformation();
  for (const TERM_TABLE& table : TermTables) EXPECT_EQ(table.Count(), 0);
  EXPECT_FALSE(GeneInformationPresent());
}

TEST(TermEnrichment, IsTheUpperTailOfTheHypergeometric) {
  TERM_TABLE table;
  ASSERT_EQ(table.Append("t", 0), 0);
  for (int i = 0; i < 3; ++i) table.AddGeneCount(0);
  table.numAnnotated = 10;
  // 2 or more of the 3 carriers among 4 drawn from 10: (3 x 21 + 1 x 7) / 210.
  EXPECT_NEAR(TermEnrichmentPValue(table, 0, 4, 2), 70.0 / 210.0, 1e-12);
  // All 3 carriers among 4: 7 / 210.
  EXPECT_NEAR(TermEnrichmentPValue(table, 0, 4, 3), 7.0 / 210.0, 1e-12);
  // One or more: all but the (7 over 4) draws without a carrier.
  EXPECT_NEAR(TermEnrichmentPValue(table, 0, 4, 1), 175.0 / 210.0, 1e-12);
}

TEST(FunctionalClusterList, HoldsAThousandPairs) {
  FunctionalClusters = FUNCTIONAL_CLUSTERS{};
  for (int i = 0; i < kMaxFunctionalClusters; ++i)
    ASSERT_TRUE(AddFunctionalCluster(i, 1, i % 7, i % 4));
  EXPECT_EQ(FunctionalClusters.node[999], 999);
  EXPECT_EQ(FunctionalClusters.term[999], 999 % 7);
  EXPECT_EQ(FunctionalClusters.column[998], 998 % 4);
  CapturedLog log;
  EXPECT_FALSE(AddFunctionalCluster(1000, 0, 1, 1));
  EXPECT_TRUE(log.ContainsRed(kTooManyFunctionalClustersMessage));
  EXPECT_EQ(FunctionalClusters.count, kMaxFunctionalClusters);
  FunctionalClusters = FUNCTIONAL_CLUSTERS{};
}

}  // namespace

// Online database pages of a probe set's gene: by LocusLink, probe set name and
// accession, taken from generated gene information whose truth is known.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "genes/annotation/online_addresses.hpp"
#include "genes/tests/gene_test_support.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

using OnlineAddresses = GeneInfoFixture;

TEST_F(OnlineAddresses, PagesFollowTheGeneInformation) {
  const std::vector<std::string> probeSets = Names("PS", 120);
  UseProbeSets(probeSets);
  Layout.chipType = "HG_U95Av2";
  // Before any gene information only the portal, which goes by the probe set, has a page.
  EXPECT_EQ(OnlineDatabaseGeneText(3), "PS3: " + std::string(kNoGeneInfoText));
  EXPECT_EQ(OnlineDatabaseAddress(kPortalDatabase, 3), OnlineHosts.portal + "PS3");
  EXPECT_EQ(OnlineDatabaseAddress(kLocusLinkDatabase, 3), "");
  EXPECT_EQ(OnlineDatabaseAddress(kGenBankDatabase, 3), "");

  synth::GeneInfoOptions options;
  options.seed = 5;
  options.termColumns = 1;
  options.emptyShare = 20;
  const synth::GeneInfoTruth truth = synth::MakeGeneInfo(probeSets, options);
  const std::string path = mFolder.File("genes.txt");
  ASSERT_TRUE(synth::WriteGeneInfo(truth, path));
  ASSERT_TRUE(ReadGeneInfoFile(path, true));

  int withoutLocus = 0;
  for (int unit = 0; unit < static_cast<int>(truth.genes.size()); ++unit) {
    const synth::GeneRecord& record = truth.genes[static_cast<std::size_t>(unit)];
    EXPECT_EQ(OnlineDatabaseGeneText(unit), record.probeSet + ": " + record.description);
    EXPECT_EQ(OnlineDatabaseAddress(kLocusLinkDatabase, unit),
              record.locusLink.empty() ? "" : OnlineHosts.gene + record.locusLink)
        << record.probeSet;
    EXPECT_EQ(OnlineDatabaseAddress(kGenBankDatabase, unit),
              record.identifier.empty() ? "" : OnlineHosts.sequence + record.identifier)
        << record.probeSet;
    EXPECT_EQ(OnlineDatabaseAddress(kDbSnpDatabase, unit), "") << "no SNP information";
    withoutLocus += record.locusLink.empty() ? 1 : 0;
  }
  EXPECT_GT(withoutLocus, 0) << "the data must hold genes without LocusLink";

  // Yeast chips look accessions up in the yeast genome database.
  Layout.chipType = "YG_S98";
  const synth::GeneRecord& first = truth.genes[0];
  ASSERT_FALSE(first.identifier.empty());
  EXPECT_EQ(OnlineDatabaseAddress(kGenBankDatabase, 0), OnlineHosts.yeast + first.identifier);

  // Units outside the layout have no page and no text.
  for (const int unit : {-1, 120}) {
    EXPECT_EQ(OnlineDatabaseGeneText(unit), "");
    EXPECT_EQ(OnlineDatabaseAddress(kPortalDatabase, unit), "");
  }
}

TEST_F(OnlineAddresses, QueryValuesAreEscaped) {
  UseProbeSets({"AFFX a&b#1", "PS1"});
  const std::string path =
      WriteFile("genes.txt", GeneInfoHeader({"Pathway"}) +
                                 "AFFX a&b#1\tNM 1/2?x\t7157\tp53\t\tdescription\n"
                                 "PS1\tÄ~b\t60\tActin\t\tactin\n");
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_EQ(OnlineDatabaseAddress(kPortalDatabase, 0), OnlineHosts.portal + "AFFX%20a%26b%231");
  EXPECT_EQ(OnlineDatabaseAddress(kGenBankDatabase, 0), OnlineHosts.sequence + "NM%201%2F2%3Fx");
  EXPECT_EQ(OnlineDatabaseAddress(kGenBankDatabase, 1), OnlineHosts.sequence + "%C3%84~b");
  EXPECT_EQ(OnlineDatabaseGeneText(0), "AFFX a&b#1: description");
}

}  // namespace

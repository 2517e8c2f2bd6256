// Web pages of the gene information: annotation term pages, and the online database page
// of the current probe set's gene, opened through the recording opener with generated
// gene information whose truth is known.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>

#include <cstdio>

#include "engine/chip/cdf_layout.hpp"
#include "genes/annotation/online_addresses.hpp"
#include "genes/annotation/term_links.hpp"
#include "genes/info/gene_info.hpp"
#include "shell/dialogs/links/open_term_link.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/shell_test.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

class OnlineLinksTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    std::vector<std::string> probeSets;
    for (int i = 0; i < 60; ++i) probeSets.push_back("PS" + std::to_string(i));
    Layout.units.resize(probeSets.size());
    for (std::size_t i = 0; i < probeSets.size(); ++i) Layout.units[i].SetName(probeSets[i]);
    Layout.unitCount = static_cast<int>(probeSets.size());
    synth::GeneInfoOptions options;
    options.seed = 3;
    options.indexBacked = {true, true, false, false};
    mTruth = synth::MakeGeneInfo(probeSets, options);
    ASSERT_TRUE(synth::WriteGeneInfo(mTruth, File("genes.txt")));
    AnalysisRunning = 1;  // the reader stops as soon as it finds the flag clear
    ASSERT_TRUE(ReadGeneInfoFile(File("genes.txt"), true));
    AnalysisRunning = 0;
  }
  void TearDown() override {
    ClearGeneInformation();
    ClearLayout();
    ShellTest::TearDown();
  }

  // The first probe set whose gene has a LocusLink and an accession, or neither.
  int UnitWith(bool identifiers) const {
    for (std::size_t i = 0; i < mTruth.genes.size(); ++i) {
      const synth::GeneRecord& gene = mTruth.genes[i];
      if (gene.locusLink.empty() != identifiers && gene.identifier.empty() != identifiers)
        return static_cast<int>(i);
    }
    return -1;
  }

  synth::GeneInfoTruth mTruth;
};

TEST_F(OnlineLinksTest, TermLinksOpenOntologyAndDomainPagesOnly) {
  ASSERT_EQ(GeneInfo.columnNames[0], "GeneOntology");
  ASSERT_EQ(GeneInfo.columnNames[1], "ProteinDomain");
  const std::vector<synth::IndexTerm>& ontology = mTruth.indexTerms[0];
  const std::vector<synth::IndexTerm>& domains = mTruth.indexTerms[1];
  const int lastDomain = static_cast<int>(domains.size()) - 1;
  OpenTermLink(0, 0);
  OpenTermLink(1, lastDomain);
  OpenTermLink(2, 0);  // a pathway has no page
  OpenTermLink(0, static_cast<int>(ontology.size()));
  OpenTermLink(kMaxTermColumns, 0);
  char domain[16];
  std::snprintf(domain, sizeof domain, "pfam%05d", domains.back().number);
  EXPECT_EQ(opener.opened,
            (std::vector<std::string>{
                TermHosts.geneOntology + "cgi-bin/go.cgi?view=details&depth=1&query=GO:" +
                    std::to_string(ontology.front().number),
                TermHosts.proteinDomain + "Structure/cdd/cddsrv.cgi?uid=" + domain}));
}

TEST_F(OnlineLinksTest, OnlineDatabaseOpensTheChosenPageOfTheCurrentGene) {
  CMainFrame& frame = OpenFrame();
  GroupSettings& settings = TheGroup().Settings();
  const int unit = UnitWith(true);
  ASSERT_GE(unit, 0);
  const synth::GeneRecord& gene = mTruth.genes[static_cast<std::size_t>(unit)];
  settings.CUR_UNIT = unit;
  TheGroup().HasProbeData = true;
  QString geneText;
  int choice = ids::kDatabaseLocusLink;
  prompts.dialogAnswer = [&geneText, &choice](QDialog& dialog) {
    geneText = dialog.findChild<QLabel*>(ControlName(ids::kCurrentGeneText))->text();
    dialog.findChild<QRadioButton*>(ControlName(choice))->setChecked(true);
    return int(QDialog::Accepted);
  };
  ASSERT_TRUE(frame.OnCommand(ids::kOnlineDatabase));
  EXPECT_EQ(geneText.toStdString(), gene.probeSet + ": " + gene.description);
  EXPECT_EQ(settings.WHICH_ONLINE_DATABASE, kLocusLinkDatabase);
  choice = ids::kDatabaseGenBank;
  ASSERT_TRUE(frame.OnCommand(ids::kOnlineDatabase));
  EXPECT_EQ(settings.WHICH_ONLINE_DATABASE, kGenBankDatabase);
  EXPECT_EQ(opener.opened, (std::vector<std::string>{OnlineHosts.gene + gene.locusLink,
                                                     OnlineHosts.sequence + gene.identifier}));

  // Ctrl+L set to go directly keeps the last choice; a gene without accession opens nothing.
  settings.DIRECT_GO_ONLINE_DATABASE = 1;
  settings.CUR_UNIT = UnitWith(false);
  ASSERT_GE(settings.CUR_UNIT, 0);
  ASSERT_TRUE(frame.OnCommand(ids::kOnlineDatabaseDirect));
  EXPECT_EQ(opener.opened.size(), 2u);
  // Cancel keeps the last choice and opens nothing.
  prompts.dialogAnswer = [](QDialog&) { return int(QDialog::Rejected); };
  settings.CUR_UNIT = unit;
  ASSERT_TRUE(frame.OnCommand(ids::kOnlineDatabase));
  EXPECT_EQ(settings.WHICH_ONLINE_DATABASE, kGenBankDatabase);
  EXPECT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kDialog), 3);
}

}  // namespace

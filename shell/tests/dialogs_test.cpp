// The find gene, online database and About dialogs, and the commands that run them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <functional>
#include <memory>
#include <string>

#include "engine/chip/cdf_layout.hpp"
#include "shell/commands/view_commands.hpp"
#include "shell/dialogs/annotation/keyword_gene_list_dialog.hpp"
#include "shell/dialogs/annotation/term_gene_list_dialog.hpp"
#include "shell/dialogs/common/static_link.hpp"
#include "shell/dialogs/expression/normalize_dialog.hpp"
#include "shell/dialogs/filter/anova_dialog.hpp"
#include "shell/dialogs/find/find_gene_dialog.hpp"
#include "shell/dialogs/genome/enu_dialog.hpp"
#include "shell/dialogs/genome/genome_dialog.hpp"
#include "shell/dialogs/genome/permute_dialog.hpp"
#include "shell/dialogs/help/about_dialog.hpp"
#include "shell/dialogs/links/online_database_dialog.hpp"
#include "shell/dialogs/pathway/pathway_filter_dialog.hpp"
#include "shell/services/web_addresses.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using DialogsTest = ShellTest;

TEST_F(DialogsTest, FindGeneKeepsTheDialogOpenOnANumberOutOfRange) {
  FindGeneDialog dialog(10, false, nullptr);
  EXPECT_FALSE(Control<QLineEdit>(dialog, ids::kFindGeneKeywords)->isEnabled());
  EXPECT_TRUE(Control<QLineEdit>(dialog, ids::kFindProbeSetName)->isEnabled());

  dialog.SetFields(10, "", "");
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "Please enter an integer between 0 and 9.");

  Control<QLineEdit>(dialog, ids::kFindProbeSetNumber)->setText(QStringLiteral("x"));
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);

  dialog.SetFields(9, "1000_at", "");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Number(), 9);
  EXPECT_EQ(dialog.Name(), "1000_at");
}

TEST_F(DialogsTest, FindGeneRefusesKeywordsPastTheirLength) {
  FindGeneDialog dialog(10, true, nullptr);
  EXPECT_TRUE(Control<QLineEdit>(dialog, ids::kFindGeneKeywords)->isEnabled());
  dialog.SetFields(0, "", std::string(kMaxFindKeywordLength + 1, 'k'));
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(prompts.prompts.back().text, "Please enter no more than 50 characters.");
  dialog.SetFields(0, "", "receptor * kinase");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Keywords(), "receptor * kinase");
}

TEST_F(DialogsTest, OnlineDatabaseDialogShowsAndReturnsTheChoice) {
  OnlineDatabaseDialog dialog(2, true, nullptr);
  EXPECT_TRUE(Control<QRadioButton>(dialog, ids::kDatabaseGenBank)->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(dialog, ids::kDirectGoCheck)->isChecked());
  Control<QRadioButton>(dialog, ids::kDatabaseDbSnp)->setChecked(true);
  EXPECT_EQ(dialog.Choice(), 3);
  Control<QCheckBox>(dialog, ids::kDirectGoCheck)->setChecked(false);
  EXPECT_FALSE(dialog.DirectGo());

  OnlineDatabaseDialog unknown(7, false, nullptr);
  EXPECT_EQ(unknown.Choice(), 0) << "a choice naming no database falls back to the first";
}

class OnlineDatabaseTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    Layout.units.resize(3);
    Layout.units[1].SetName("1000_at");
    Layout.unitCount = 3;
  }
  void TearDown() override {
    ClearLayout();
    ShellTest::TearDown();
  }
};

TEST_F(OnlineDatabaseTest, PortalChoiceOpensTheProbeSetPage) {
  CMainFrame& frame = OpenFrame();
  GroupSettings& settings = TheGroup().Settings();
  settings.CUR_UNIT = 1;
  EXPECT_FALSE(frame.CommandUi(ids::kOnlineDatabase).enabled) << "no group open";
  TheGroup().HasProbeData = true;
  ASSERT_TRUE(frame.CommandUi(ids::kOnlineDatabase).enabled);

  QString geneText;
  prompts.dialogAnswer = [&geneText](QDialog& dialog) {
    geneText = Control<QLabel>(dialog, ids::kCurrentGeneText)->text();
    Control<QRadioButton>(dialog, ids::kDatabasePortal)->setChecked(true);
    return int(QDialog::Accepted);
  };
  EXPECT_TRUE(frame.OnCommand(ids::kOnlineDatabase));
  EXPECT_EQ(geneText,
            QStringLiteral("1000_at: No gene info file used; can not go to LocusLink or GenBank"));
  EXPECT_EQ(settings.WHICH_ONLINE_DATABASE, 1);
  ASSERT_EQ(opener.opened.size(), 1u);
  EXPECT_NE(opener.opened[0].find("1000_at"), std::string::npos);

  // Ctrl+L with the direct choice goes there without asking.
  settings.DIRECT_GO_ONLINE_DATABASE = 1;
  EXPECT_TRUE(frame.OnCommand(ids::kOnlineDatabaseDirect));
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kDialog), 1);
  EXPECT_EQ(opener.opened.size(), 2u);
}

TEST_F(OnlineDatabaseTest, SnpDatabaseWithoutSnpInformationSaysSo) {
  CMainFrame& frame = OpenFrame();
  TheGroup().HasProbeData = true;
  TheGroup().Settings().CUR_UNIT = 1;
  TheGroup().Settings().WHICH_ONLINE_DATABASE = 3;
  GoToOnlineDatabase(frame, false);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "Not a SNP array or genome info file is not used");
  EXPECT_TRUE(opener.opened.empty());

  // A current probe set outside the chip description names nothing to look up.
  TheGroup().Settings().CUR_UNIT = 3;
  GoToOnlineDatabase(frame, true);
  EXPECT_EQ(prompts.prompts.size(), 1u);
}

TEST_F(DialogsTest, EachHelpLinkOpensItsOwnSectionOfTheManual) {
  struct Case {
    std::function<std::unique_ptr<QDialog>()> make;
    std::string section;
    QString text;
  };
  GroupSettings& settings = TheGroup().Settings();
  const Case cases[] = {
      {[] { return std::make_unique<PathwayFilterDialog>(nullptr); }, "#pathway", "Help"},
      {[] { return std::make_unique<KeywordGeneListDialog>(nullptr); }, "#make-gene-list", "Help"},
      {[] { return std::make_unique<TermGeneListDialog>(nullptr); }, "#make-gene-list", "Help"},
      {[] { return std::make_unique<NormalizeDialog>(nullptr); }, "#normalization", "Help"},
      // The analysis of variance is explained with the time courses.
      {[] { return std::make_unique<AnovaDialog>([] { return false; }, nullptr); }, "#timecourse",
       "Help"},
      {[] { return std::make_unique<PermuteDialog>(nullptr, nullptr); }, "#permute-chromosome",
       "Help"},
      {[] { return std::make_unique<EnuDialog>(nullptr, nullptr); }, "#enu", "Help"},
      {[&settings] { return std::make_unique<GenomeDialog>(settings, nullptr); }, "#genome",
       "Help and download genome info files"},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<QDialog> dialog = c.make();
    const auto* link = Control<CStaticLink>(*dialog, ids::kHelpLink);
    ASSERT_NE(link, nullptr) << c.section;
    EXPECT_EQ(link->Link(), std::string(kManualAddress) + c.section);
    EXPECT_EQ(link->text(), c.text) << c.section;
  }
}

TEST_F(DialogsTest, AboutBoxAndHelpLinks) {
  CMainFrame& frame = OpenFrame();
  std::string home;
  std::string thanks;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    home = Control<CStaticLink>(dialog, ids::kHelpLink)->Link();
    thanks = Control<CStaticLink>(dialog, ids::kAcknowledgementLink)->Link();
    return int(QDialog::Accepted);
  };
  EXPECT_TRUE(frame.OnCommand(ids::kAppAbout));
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "c100");
  EXPECT_EQ(prompts.prompts[0].caption, "About Zelko");
  EXPECT_EQ(home, kHomePageAddress);
  EXPECT_EQ(thanks, kAcknowledgementAddress);

  EXPECT_TRUE(frame.OnCommand(ids::kHelpManual));
  EXPECT_TRUE(frame.OnCommand(ids::kHelpLatestVersion));
  EXPECT_TRUE(frame.OnCommand(ids::kHelpWebsite));
  EXPECT_EQ(opener.opened,
            (std::vector<std::string>{kManualAddress, kManualAddress, kHomePageAddress}));
}

}  // namespace

// The chromosome analysis and permutation dialogs driven with real clicks and keys: the
// method follows the array kind, OK needs a genome information file, the file buttons
// edit the settings, and the factor for the permutation must be one numeric column or
// none. A picture of each dialog goes beside the build.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/chromosome_curve.hpp"
#include "shell/dialogs/common/select_factors_dialog.hpp"
#include "shell/dialogs/common/static_link.hpp"
#include "shell/dialogs/genome/chromosome_dialog.hpp"
#include "shell/dialogs/genome/permute_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using compare_events::Click;
using compare_events::ClickRow;

class ChromosomeDialogsTest : public ShellTest {
 protected:
  void TearDown() override {
    ArrayType = 0;
    PermuteUseInferred = false;
    SampleInfo.Clear();
    ShellTest::TearDown();
  }
  static void PressOk(QDialog& dialog) {
    Click(*dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
  }
  static std::string Text(QPushButton* button) { return button->text().toStdString(); }
};

TEST_F(ChromosomeDialogsTest, SnpArraysRefuseExpressionAndNeedAGenomeFile) {
  ArrayType = 1;
  GroupSettings& settings = TheGroup().Settings();
  settings.CHRO_METHOD = kChroCopyNumber;
  settings.GENOME_INFO_FILE = "None";
  settings.REF_GENE_FILE = File("refGene.txt");
  settings.CYTOBAND_FILE = "";
  settings.GENE_LIST_FILE = "None";
  int optionsOpened = 0;
  ChromosomeDialog dialog(
      settings, [&optionsOpened] { ++optionsOpened; }, nullptr);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  auto* method = Control<QComboBox>(dialog, ChromosomeDialog::kMethod);
  auto* genome = Control<QPushButton>(dialog, ChromosomeDialog::kGenomeInfoButton);
  auto* refGene = Control<QPushButton>(dialog, ChromosomeDialog::kRefGeneButton);
  auto* list = Control<QPushButton>(dialog, ChromosomeDialog::kGeneListButton);
  EXPECT_EQ(Text(genome), "None");
  EXPECT_EQ(Text(refGene), settings.REF_GENE_FILE);
  EXPECT_EQ(Text(Control<QPushButton>(dialog, ChromosomeDialog::kCytobandButton)), "None");
  EXPECT_EQ(Text(list), "all genes or SNPs");
  ASSERT_TRUE(method->isEnabled());
  ASSERT_EQ(method->count(), 5);
  EXPECT_EQ(method->itemText(3), QStringLiteral("Expression"));
  EXPECT_EQ(method->currentIndex(), kChroCopyNumber);

  // Down to "Linkage analysis" is taken; one more, to "Expression", snaps back to "LOH".
  method->setFocus();
  QTest::keyClick(method, Qt::Key_Down);
  EXPECT_EQ(settings.CHRO_METHOD, kChroLinkage);
  EXPECT_TRUE(prompts.Messages().empty());
  QTest::keyClick(method, Qt::Key_Down);
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>{kExpressionOnSnpMessage});
  EXPECT_EQ(method->currentIndex(), kChroLoh);
  EXPECT_EQ(settings.CHRO_METHOD, kChroLoh);
  QTest::keyClick(method, Qt::Key_End);
  EXPECT_EQ(settings.CHRO_METHOD, kChroAlleleSharing);

  PressOk(dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(prompts.Messages().back(), kNoGenomeInfoMessage);

  // The genome file cannot be switched off: a second click browses again.
  const std::string genomeFile = File("genome.txt");
  prompts.fileAnswers = {genomeFile, File("other.txt")};
  Click(*genome);
  EXPECT_EQ(Text(genome), genomeFile);
  prompts.fileAnswers = {genomeFile};
  Click(*genome);
  EXPECT_EQ(settings.GENOME_INFO_FILE, genomeFile);
  // The refGene file is switched off by a click, and back on by the next.
  const std::string refGeneFile = settings.REF_GENE_FILE;
  Click(*refGene);
  EXPECT_EQ(Text(refGene), "None");
  EXPECT_EQ(settings.REF_GENE_FILE, "None " + refGeneFile);
  prompts.fileAnswers = {File("list.txt")};
  Click(*list);
  EXPECT_EQ(settings.GENE_LIST_FILE, File("list.txt"));
  Click(*list);
  EXPECT_EQ(Text(list), "all genes/markers");
  Click(*Control<QPushButton>(dialog, ids::kOptionsButton));
  EXPECT_EQ(optionsOpened, 1);
  EXPECT_NE(Control<CStaticLink>(dialog, ids::kHelpLink), nullptr);
  CheckScreenshot(dialog, "chromosome_dialog.png", QStringLiteral("Analysis &method:"));

  dialog.show();
  PressOk(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.objectName(), QStringLiteral("c165"));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("View data along chromosome"));
}

TEST_F(ChromosomeDialogsTest, ExpressionArraysShowOnlyExpressionWhateverWasStored) {
  ArrayType = 0;
  GroupSettings& settings = TheGroup().Settings();
  for (int stored = 0; stored < 5; ++stored) {
    settings.CHRO_METHOD = stored;
    ChromosomeDialog dialog(settings, nullptr, nullptr);
    dialog.show();
    auto* method = Control<QComboBox>(dialog, ChromosomeDialog::kMethod);
    EXPECT_FALSE(method->isEnabled()) << stored;
    EXPECT_EQ(method->currentText(), QStringLiteral("Expression")) << stored;
    EXPECT_EQ(settings.CHRO_METHOD, kChroExpression) << stored;
    // Keys on a greyed combo change nothing.
    QTest::keyClick(method, Qt::Key_Home);
    EXPECT_EQ(settings.CHRO_METHOD, kChroExpression) << stored;
    if (stored == 0)
      CheckScreenshot(dialog, "chromosome_dialog_expression.png",
                      QStringLiteral("Analysis &method:"));
  }
  EXPECT_TRUE(prompts.Messages().empty());
}

TEST_F(ChromosomeDialogsTest, PermutationTakesOneNumericFactorOrNone) {
  // The rule on what "Select factors" hands back.
  const std::vector<std::pair<std::string, bool>> cases = {{"Age (numeric)", true},
                                                           {"None", true},
                                                           {"Tissue", false},
                                                           {"", false},
                                                           {"Age (numeric), Dose (numeric)", false},
                                                           {"Tissue, Age (numeric)", false}};
  for (const auto& [factor, accepted] : cases)
    EXPECT_EQ(PermuteDialog::AcceptableFactor(factor), accepted) << factor;

  for (const char* name : {"a1", "a2"}) {
    TheGroup().NextArraySlot().name = name;
    ASSERT_TRUE(TheGroup().CountArray());
  }
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(
      mFolder.Write("info.txt",
                    "Array\tName\tTissue\tAge (numeric)\tDose (numeric)\n"
                    "a1\t\tliver\t3\t1\na2\t\tbrain\t5\t2\n")));
  TheGroup().Settings().ANOVA_FACTOR = "";
  PermuteUseInferred = false;
  int optionsOpened = 0;
  PermuteDialog dialog([&optionsOpened] { ++optionsOpened; }, nullptr);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  auto* factor = Control<QPushButton>(dialog, PermuteDialog::kFactorButton);
  EXPECT_EQ(Text(factor), "factor");

  // Rows of "Select factors": Tissue, Age, Dose. Two numeric ones are refused and the
  // list asked for again; one numeric column is taken.
  std::vector<std::vector<int>> picks = {{1, 2}, {0}, {1}};
  std::vector<std::string> shownAfterEach;
  prompts.dialogAnswer = [&](QDialog& select) {
    select.show();
    auto& columns = *Control<QListWidget>(select, SelectFactorsDialog::kColumnList);
    const std::vector<int> rows = picks.front();
    picks.erase(picks.begin());
    for (std::size_t i = 0; i < rows.size(); ++i)
      QTest::mouseClick(columns.viewport(), Qt::LeftButton,
                        i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                        columns.visualItemRect(columns.item(rows[i])).center());
    Click(*select.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
    return select.result();
  };
  prompts.onMessage = [&](std::string_view) { shownAfterEach.push_back(Text(factor)); };
  Click(*factor);
  EXPECT_TRUE(picks.empty()) << "asked until a numeric column came";
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>(2, kOneNumericFactorMessage));
  EXPECT_EQ(shownAfterEach, (std::vector<std::string>{"Age (numeric), Dose (numeric)", "Tissue"}));
  EXPECT_EQ(Text(factor), "Age (numeric)");

  // A refused choice given up keeps the factor the dialog had.
  picks = {{0}};
  prompts.dialogAnswer = [&](QDialog& select) {
    if (picks.empty()) return static_cast<int>(QDialog::Rejected);
    select.show();
    ClickRow(*Control<QListWidget>(select, SelectFactorsDialog::kColumnList), picks.front()[0]);
    picks.clear();
    select.accept();
    return select.result();
  };
  Click(*factor);
  EXPECT_EQ(Text(factor), "Age (numeric)");
  EXPECT_EQ(prompts.Messages().size(), 3u);

  Click(*Control<QCheckBox>(dialog, PermuteDialog::kUseInferred));
  Click(*Control<QPushButton>(dialog, ids::kOptionsButton));
  EXPECT_EQ(optionsOpened, 1);
  EXPECT_EQ(TheGroup().Settings().ANOVA_FACTOR, "") << "nothing is stored before OK";
  EXPECT_FALSE(PermuteUseInferred);
  CheckScreenshot(dialog, "permute_dialog.png",
                  QStringLiteral("Only use LOH with inferred copy between Min and Max "));
  dialog.show();
  PressOk(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(TheGroup().Settings().ANOVA_FACTOR, "Age (numeric)");
  EXPECT_TRUE(PermuteUseInferred);

  // Escape stores nothing.
  PermuteDialog again(nullptr, nullptr);
  again.show();
  EXPECT_EQ(Text(Control<QPushButton>(again, PermuteDialog::kFactorButton)), "Age (numeric)");
  EXPECT_TRUE(Control<QCheckBox>(again, PermuteDialog::kUseInferred)->isChecked());
  Click(*Control<QCheckBox>(again, PermuteDialog::kUseInferred));
  QTest::keyClick(&again, Qt::Key_Escape);
  EXPECT_EQ(again.result(), QDialog::Rejected);
  EXPECT_TRUE(PermuteUseInferred);
}

}  // namespace

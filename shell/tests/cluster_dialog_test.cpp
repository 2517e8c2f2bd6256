// The clustering dialog driven as a user drives it, with real clicks and keys on a dialog
// that is shown but never run modally: the sample check box rules the column choice, OK
// without a gene list is refused, the file button fills it, Enter accepts and Escape
// leaves the settings alone.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

#include "shell/dialogs/cluster/cluster_dialog.hpp"
#include "shell/dialogs/common/static_link.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using ClusterDialogTest = ShellTest;

QPushButton* OkButton(QDialog& dialog) {
  auto* box = dialog.findChild<QDialogButtonBox*>();
  return box != nullptr ? box->button(QDialogButtonBox::Ok) : nullptr;
}

// Near the left edge: a check box takes clicks on its box and text, not on the room
// the layout gives it beyond them.
void Click(QWidget* control) {
  ASSERT_NE(control, nullptr);
  QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, QPoint(6, control->height() / 2));
}

TEST_F(ClusterDialogTest, UserChoosesTreesAndAGeneListThenAccepts) {
  GroupSettings& settings = TheGroup().Settings();
  settings.CLUSTER_GENE = 1;
  settings.CLUSTER_SAMPLE = 0;
  settings.STANDARDIZE_COL = 1;
  settings.GENE_LIST_FILE = "None";
  const std::string geneList = File("liver gene list.txt");
  prompts.fileAnswers.push_back(geneList);
  int optionsOpened = 0;
  ClusterDialog dialog(
      settings, [&optionsOpened] { ++optionsOpened; }, nullptr);

  bool sawRefusal = false;
  prompts.dialogAnswer = [&](QDialog& shown) {
    shown.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
    auto* genes = Control<QCheckBox>(shown, ClusterDialog::kClusterGenes);
    auto* samples = Control<QCheckBox>(shown, ClusterDialog::kClusterSamples);
    auto* columns = Control<QCheckBox>(shown, ClusterDialog::kStandardizeColumns);
    auto* file = Control<QPushButton>(shown, ClusterDialog::kGeneListButton);
    EXPECT_TRUE(genes->isChecked());
    EXPECT_FALSE(samples->isChecked());
    EXPECT_TRUE(columns->isChecked());
    EXPECT_FALSE(columns->isEnabled()) << "columns are standardised only for sample trees";
    EXPECT_EQ(file->text(), QStringLiteral("None"));

    Click(samples);
    EXPECT_TRUE(columns->isEnabled());
    Click(columns);
    Click(samples);
    EXPECT_FALSE(columns->isEnabled());
    Click(samples);
    Click(genes);

    // OK without a file: told, and the dialog stays.
    Click(OkButton(shown));
    sawRefusal = prompts.CountOf(RecordedPrompt::Kind::kMessage) == 1 &&
                 prompts.prompts.back().text == kNoGeneListMessage;
    EXPECT_TRUE(shown.isVisible());
    EXPECT_EQ(settings.CLUSTER_SAMPLE, 0) << "a refused OK stores nothing";

    Click(file);
    EXPECT_EQ(file->text().toStdString(), geneList);
    EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kFile), 1);
    EXPECT_TRUE(prompts.prompts.back().request.open) << "an existing file is chosen";

    Click(Control<QPushButton>(shown, ids::kOptionsButton));
    // Enter presses OK once the focus has left the push buttons.
    genes->setFocus();
    QTest::keyClick(&shown, Qt::Key_Return);
    return shown.result();
  };
  EXPECT_EQ(Prompts().RunDialog(dialog), QDialog::Accepted);
  EXPECT_TRUE(sawRefusal);
  EXPECT_EQ(optionsOpened, 1);
  EXPECT_EQ(dialog.objectName(), QStringLiteral("c140"));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Hierarchical Clustering"));
  EXPECT_NE(Control<CStaticLink>(dialog, ids::kHelpLink), nullptr);
  EXPECT_EQ(settings.CLUSTER_GENE, 0);
  EXPECT_EQ(settings.CLUSTER_SAMPLE, 1);
  EXPECT_EQ(settings.STANDARDIZE_COL, 0);
  EXPECT_EQ(settings.GENE_LIST_FILE, geneList);
}

TEST_F(ClusterDialogTest, EscapeLeavesTheTreeChoicesAsTheyWere) {
  GroupSettings& settings = TheGroup().Settings();
  settings.CLUSTER_GENE = 1;
  settings.CLUSTER_SAMPLE = 1;
  settings.STANDARDIZE_COL = 0;
  settings.GENE_LIST_FILE = File("genes.txt");
  ClusterDialog dialog(settings, nullptr, nullptr);
  prompts.dialogAnswer = [](QDialog& shown) {
    shown.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
    EXPECT_TRUE(Control<QCheckBox>(shown, ClusterDialog::kStandardizeColumns)->isEnabled());
    EXPECT_EQ(Control<QPushButton>(shown, ClusterDialog::kGeneListButton)->text().toStdString(),
              TheGroup().Settings().GENE_LIST_FILE);
    Click(Control<QCheckBox>(shown, ClusterDialog::kClusterGenes));
    Click(Control<QCheckBox>(shown, ClusterDialog::kStandardizeColumns));
    QTest::keyClick(&shown, Qt::Key_Escape);
    return shown.result();
  };
  EXPECT_EQ(Prompts().RunDialog(dialog), QDialog::Rejected);
  EXPECT_EQ(settings.CLUSTER_GENE, 1);
  EXPECT_EQ(settings.STANDARDIZE_COL, 0);
  EXPECT_TRUE(prompts.prompts.size() == 1u) << "only the dialog itself";
}

}  // namespace

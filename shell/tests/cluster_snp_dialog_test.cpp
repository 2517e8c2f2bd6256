// The cluster-SNP dialog driven with the mouse and the keyboard: the rule between its three
// choices, the region file button, Options, what OK and Cancel leave in the dendrogram
// switches and the group's settings, and its picture.
#include "shell/dialogs/genome/cluster_snp_dialog.hpp"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

#include <string>

#include "engine/group/group.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using Dialog = ClusterSnpDialog;
using ClusterSnpDialogTest = ShellTest;

void Click(QWidget& dialog, int id) {
  auto* button = Control<QAbstractButton>(dialog, id);
  ASSERT_NE(button, nullptr);
  const int side = qobject_cast<QCheckBox*>(button) ? button->height() / 2 : -1;
  QTest::mouseClick(button, Qt::LeftButton, {},
                    side > 0 ? QPoint(side, side) : button->rect().center());
}

// The three choices as "none samples regions", 1 for on.
std::string Choices(QWidget& dialog) {
  std::string text;
  for (const int id : {Dialog::kNoClustering, Dialog::kClusterSamples, Dialog::kClusterRegions})
    text += Control<QCheckBox>(dialog, id)->isChecked() ? '1' : '0';
  return text;
}

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  auto* button = dialog.findChild<QDialogButtonBox*>()->button(which);
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

TEST_F(ClusterSnpDialogTest, ChoicesExcludeEachOtherAndOkKeepsThem) {
  ShowSampleTree = ShowRegionTree = false;
  int optionsOpened = 0;
  Dialog dialog(nullptr, [&optionsOpened] { ++optionsOpened; });
  dialog.show();
  // Each step: the control clicked (0 the space key on regions), the choices after it.
  const std::vector<std::pair<int, std::string>> steps = {{Dialog::kNoClustering, "100"},
                                                          {Dialog::kClusterSamples, "010"},
                                                          {0, "011"},
                                                          {Dialog::kNoClustering, "100"},
                                                          {Dialog::kClusterRegions, "001"},
                                                          {Dialog::kClusterRegions, "100"},
                                                          {Dialog::kClusterSamples, "010"},
                                                          {Dialog::kClusterRegions, "011"}};
  for (const auto& [id, after] : steps) {
    if (id == 0) {
      QWidget* regions = Control<QCheckBox>(dialog, Dialog::kClusterRegions);
      regions->setFocus();
      QTest::keyClick(regions, Qt::Key_Space);
    } else {
      Click(dialog, id);
    }
    EXPECT_EQ(Choices(dialog), after) << id;
  }
  // The region file: "None" at first, a chosen file, switched off, then chosen again.
  auto* file = Control<QPushButton>(dialog, Dialog::kRegionFile);
  EXPECT_EQ(file->text(), QStringLiteral("None"));
  prompts.fileAnswers.push_back(File("regions.txt"));
  Click(dialog, Dialog::kRegionFile);
  EXPECT_TRUE(prompts.prompts.at(0).request.open);
  Click(dialog, Dialog::kRegionFile);
  EXPECT_EQ(file->text(), QStringLiteral("Do not use"));
  prompts.fileAnswers.push_back(File("regions.txt"));
  Click(dialog, Dialog::kRegionFile);
  EXPECT_EQ(file->text().toStdString(), File("regions.txt"));
  Click(dialog, ids::kOptionsButton);
  EXPECT_EQ(optionsOpened, 1);
  Press(dialog, QDialogButtonBox::Ok);
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(ShowSampleTree && ShowRegionTree);
  EXPECT_EQ(TheGroup().Settings().CHRO_REGION_FILE, File("regions.txt"));

  // The next dialog starts from what OK kept, and Cancel keeps it.
  Dialog again(nullptr);
  again.show();
  EXPECT_EQ(Choices(again), "011");
  Click(again, Dialog::kNoClustering);
  Press(again, QDialogButtonBox::Cancel);
  EXPECT_TRUE(ShowSampleTree && ShowRegionTree);
  ShowSampleTree = ShowRegionTree = false;

  Dialog shot(nullptr);
  CheckScreenshot(shot, "cluster_snp_dialog.png",
                  QStringLiteral("Use SNPs with thresholding. Select \"Options\" to adjust Min, "
                                 "Max or Threshold"));
}

}  // namespace

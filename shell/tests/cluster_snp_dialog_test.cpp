// The cluster-SNP dialog driven with the mouse and the keyboard: the rule between its
// three choices, the region file button, Options, and what OK and Cancel leave in the
// dendrogram switches and the group's settings; and its picture.
#include "shell/dialogs/cluster_snp_dialog.hpp"

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

class ClusterSnpDialogTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ShowSampleTree = false;
    ShowRegionTree = false;
  }
  void TearDown() override {
    ShowSampleTree = false;
    ShowRegionTree = false;
    ShellTest::TearDown();
  }
  static void Click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    const bool box = qobject_cast<QCheckBox*>(button) != nullptr;
    QTest::mouseClick(
        button, Qt::LeftButton, {},
        box ? QPoint(button->height() / 2, button->height() / 2) : button->rect().center());
  }
  // The three choices as "none samples regions", 1 for on.
  static std::string Choices(ClusterSnpDialog& dialog) {
    std::string text;
    for (const int id : {ClusterSnpDialog::kNoClustering, ClusterSnpDialog::kClusterSamples,
                         ClusterSnpDialog::kClusterRegions})
      text += Control<QCheckBox>(dialog, id)->isChecked() ? '1' : '0';
    return text;
  }
  static QPushButton* Button(ClusterSnpDialog& dialog, QDialogButtonBox::StandardButton which) {
    return dialog.findChild<QDialogButtonBox*>()->button(which);
  }
};

TEST_F(ClusterSnpDialogTest, ChoicesExcludeEachOtherAndOkKeepsThem) {
  int optionsOpened = 0;
  ClusterSnpDialog dialog(nullptr, [&optionsOpened] { ++optionsOpened; });
  dialog.show();
  auto* none = Control<QCheckBox>(dialog, ClusterSnpDialog::kNoClustering);
  auto* samples = Control<QCheckBox>(dialog, ClusterSnpDialog::kClusterSamples);
  auto* regions = Control<QCheckBox>(dialog, ClusterSnpDialog::kClusterRegions);
  EXPECT_EQ(Choices(dialog), "100");
  // Turning off "No clustering" with nothing else on turns it on again.
  Click(none);
  EXPECT_EQ(Choices(dialog), "100");
  Click(samples);
  EXPECT_EQ(Choices(dialog), "010");
  regions->setFocus();
  QTest::keyClick(regions, Qt::Key_Space);
  EXPECT_EQ(Choices(dialog), "011");
  Click(none);
  EXPECT_EQ(Choices(dialog), "100");
  Click(regions);
  Click(regions);
  EXPECT_EQ(Choices(dialog), "100");
  Click(samples);
  Click(regions);
  EXPECT_EQ(Choices(dialog), "011");

  // The region file: "None" at first, a chosen file, then switched off.
  auto* file = Control<QPushButton>(dialog, ClusterSnpDialog::kRegionFile);
  EXPECT_EQ(file->text(), QStringLiteral("None"));
  prompts.fileAnswers.push_back(File("regions.txt"));
  Click(file);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_TRUE(prompts.prompts[0].request.open);
  EXPECT_EQ(file->text().toStdString(), File("regions.txt"));
  Click(file);
  EXPECT_EQ(file->text(), QStringLiteral("Do not use"));
  EXPECT_EQ(dialog.RegionFile(), "None " + File("regions.txt"));
  Click(file);
  EXPECT_EQ(prompts.prompts.back().request.startFile, File("regions.txt"));
  prompts.fileAnswers.push_back(File("regions.txt"));
  Click(file);

  Click(Control<QPushButton>(dialog, ids::kOptionsButton));
  EXPECT_EQ(optionsOpened, 1);
  Click(Button(dialog, QDialogButtonBox::Ok));
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(ShowSampleTree);
  EXPECT_TRUE(ShowRegionTree);
  EXPECT_EQ(TheGroup().Settings().CHRO_REGION_FILE, File("regions.txt"));

  // The next dialog starts from what OK kept; Cancel keeps it too.
  ClusterSnpDialog again(nullptr);
  again.show();
  EXPECT_EQ(Choices(again), "011");
  EXPECT_EQ(Control<QPushButton>(again, ClusterSnpDialog::kRegionFile)->text().toStdString(),
            File("regions.txt"));
  Click(Control<QCheckBox>(again, ClusterSnpDialog::kNoClustering));
  EXPECT_EQ(Choices(again), "100");
  Click(Button(again, QDialogButtonBox::Cancel));
  EXPECT_EQ(again.result(), QDialog::Rejected);
  EXPECT_TRUE(ShowSampleTree && ShowRegionTree);

  ClusterSnpDialog shot(nullptr);
  CheckScreenshot(
      shot, "cluster_snp_dialog.png",
      QStringLiteral(
          "Use SNPs with thresholding. Select \"Options\" to adjust Min, Max or Threshold"));
}

}  // namespace

// The select factors and select sample by category dialogs, driven by setting their list
// selections and pressing OK.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <fstream>
#include <string>
#include <vector>

#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "shell/dialogs/common/select_factors_dialog.hpp"
#include "shell/dialogs/common/select_samples_dialog.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

class SampleDialogsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    for (const char* name : {"a1", "a2", "a3", "a4", "a5"}) {
      TheGroup().NextArraySlot().name = name;
      ASSERT_TRUE(TheGroup().CountArray());
    }
    std::ofstream(File("info.txt"), std::ios::binary) << "Array\tName\tTissue\tAge (numeric)\tSex\n"
                                                         "a1\t\tliver\t40\tF\n"
                                                         "a2\t\tbrain\t50\tM\n"
                                                         "a3\t\tliver\t60\tM\n"
                                                         "a4\t\tbrain\t70\tF\n"
                                                         "a5\t\tkidney\t80\tF\n";
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(File("info.txt")));
    // Samples: (a1 a2), (a3), (a4), (a5).
    std::ofstream(File("list.txt"), std::ios::binary)
        << "a1\na2\nReplicate\na3\nReplicate\na4\nReplicate\na5\n";
    SampleGrouping.ReadArrayListFile(File("list.txt"));
    SampleGrouping.ClearSelection();
  }
  void TearDown() override {
    SampleInfo.Clear();
    SampleGrouping.ClearSelection();
    ShellTest::TearDown();
  }

  static QListWidget& List(QDialog& dialog, int id) {
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("c%1").arg(id));
    EXPECT_NE(list, nullptr);
    return *list;
  }
  static std::vector<std::string> Lines(const QListWidget& list) {
    std::vector<std::string> lines;
    for (int row = 0; row < list.count(); ++row)
      lines.push_back(list.item(row)->text().toStdString());
    return lines;
  }
  static void PressOk(QDialog& dialog) {
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  }
  static std::vector<int> SelectedFlags(int count) {
    std::vector<int> flagged;
    for (int i = 0; i < count; ++i)
      if (SampleGrouping.Selected(i)) flagged.push_back(i);
    return flagged;
  }
};

TEST_F(SampleDialogsTest, SelectFactorsJoinsTheChosenColumns) {
  std::string factors = "old";
  SelectFactorsDialog dialog(factors, nullptr);
  QListWidget& list = List(dialog, SelectFactorsDialog::kColumnList);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"Tissue (liver|brain|kidney)",
                                                   "Age (numeric) ()", "Sex (F|M)"}));
  list.item(2)->setSelected(true);
  list.item(0)->setSelected(true);
  PressOk(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(factors, "Tissue, Sex");

  SelectFactorsDialog none(factors, nullptr);
  PressOk(none);
  EXPECT_EQ(none.result(), QDialog::Accepted);
  EXPECT_EQ(factors, "None");
}

TEST_F(SampleDialogsTest, SelectSampleCountsSamplesOrArraysPerCategory) {
  SelectSampleDialog bySample(false, kSelectionOverwrite, nullptr);
  EXPECT_EQ(Lines(List(bySample, SelectSampleDialog::kCategoryList)),
            (std::vector<std::string>{"Tissue liver [2]", "Tissue brain [1]", "Tissue kidney [1]",
                                      "Sex F [3]", "Sex M [1]"}));
  SelectSampleDialog byArray(true, kSelectionOverwrite, nullptr);
  EXPECT_EQ(Lines(List(byArray, SelectSampleDialog::kCategoryList)),
            (std::vector<std::string>{"Tissue liver [2]", "Tissue brain [2]", "Tissue kidney [1]",
                                      "Sex F [3]", "Sex M [2]"}));
}

TEST_F(SampleDialogsTest, SelectSampleFlagsTheChosenCategoriesAndKeepsTheMode) {
  SampleGrouping.SetSelected(2, true);  // a stale flag the new selection replaces
  SelectSampleDialog dialog(false, kSelectionOverwrite, nullptr);
  QListWidget& list = List(dialog, SelectSampleDialog::kCategoryList);
  list.item(2)->setSelected(true);  // Tissue kidney: sample 3
  list.item(4)->setSelected(true);  // Sex M: sample 1 (a3); a2 is a second replicate
  auto* combine =
      dialog.findChild<QGroupBox*>(QStringLiteral("c%1").arg(SelectSampleDialog::kCombineGroup));
  ASSERT_NE(combine, nullptr);
  const QList<QRadioButton*> modes = combine->findChildren<QRadioButton*>();
  ASSERT_EQ(modes.size(), 4);
  EXPECT_TRUE(modes[0]->isChecked());
  modes[1]->setChecked(true);
  PressOk(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Mode(), kSelectionOr);
  EXPECT_EQ(SelectedFlags(4), (std::vector<int>{1, 3}));

  // The caller's list of samples: sample 0 was selected there; Or keeps it.
  QListWidget samples;
  for (int s = 0; s < SampleGrouping.SampleCount(); ++s)
    samples.addItem(QString::fromStdString(SampleGrouping.SampleName(s)));
  samples.setSelectionMode(QAbstractItemView::MultiSelection);
  samples.item(0)->setSelected(true);
  SetListSelection(dialog.Mode(), samples, false);
  std::vector<bool> selected;
  for (int row = 0; row < samples.count(); ++row)
    selected.push_back(samples.item(row)->isSelected());
  EXPECT_EQ(selected, (std::vector<bool>{true, true, false, true}));
}

TEST_F(SampleDialogsTest, SelectSampleByArrayFlagsArrays) {
  SelectSampleDialog dialog(true, kSelectionInverse, nullptr);
  EXPECT_EQ(dialog.Mode(), kSelectionInverse);
  List(dialog, SelectSampleDialog::kCategoryList).item(4)->setSelected(true);  // Sex M
  PressOk(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(SelectedFlags(5), (std::vector<int>{1, 2}));
}

TEST_F(SampleDialogsTest, SelectSampleWithoutACategoryAsksAndStaysOpen) {
  SampleGrouping.SetSelected(2, true);
  SelectSampleDialog dialog(false, kSelectionOverwrite, nullptr);
  PressOk(dialog);
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "Must select a sample category");
  EXPECT_EQ(SelectedFlags(4), std::vector<int>{2});
}

}  // namespace

// The expression export dialog: the samples listed with their export flags, the rules
// between the table forms, the proposed file name following the gene list and the form
// (with the running number of exports with a header), and an export of no sample refused.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "engine/group/sample_grouping.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/expression/export_expression_dialog.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

class ExportExpressionDialogTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    Group& group = TheGroup();
    group.SetName("liver");
    for (const char* name : {"s1", "s2", "s3"}) {
      ArraySlot& slot = group.NextArraySlot();
      slot.name = name;
      ASSERT_TRUE(group.CountArray());
    }
    SampleGrouping.SetDefaultGrouping();
    SampleGrouping.ClearSelection();
    SampleGrouping.SetSelected(1, true);
    GroupSettings& settings = group.Settings();
    settings.WORKING_DIR = Folder();
    settings.GENE_LIST_FILE = "None";
    settings.HAS_BOTH = 1;
    settings.HAS_STD = 1;
    settings.GCT_FORMAT = 0;
    settings.NAME_LAST = 1;
    settings.EXPRESSION_INCLUDE_HEADER = 0;
    ExpressionExportNumber() = 1;
  }
};

TEST_F(ExportExpressionDialogTest, TheTableFormAndTheNameFollowTheChoices) {
  ExportExpressionDialog dialog(nullptr, nullptr);
  auto* samples = Control<QListWidget>(dialog, ExportExpressionDialog::kSampleList);
  ASSERT_EQ(samples->count(), 3);
  EXPECT_FALSE(samples->item(0)->isSelected());
  EXPECT_TRUE(samples->item(1)->isSelected()) << "the sample's export flag";
  EXPECT_EQ(dialog.OutputFile(), platform::JoinPath(Folder(), "liver expression.xls"));

  auto* gct = Control<QCheckBox>(dialog, ExportExpressionDialog::kGctFormat);
  gct->setChecked(true);
  EXPECT_FALSE(Control<QCheckBox>(dialog, ExportExpressionDialog::kHasBoth)->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(dialog, ExportExpressionDialog::kHasStd)->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(dialog, ExportExpressionDialog::kNameLast)->isChecked());
  EXPECT_EQ(dialog.OutputFile(), platform::JoinPath(Folder(), "liver expression.gct"));
  Control<QCheckBox>(dialog, ExportExpressionDialog::kHasStd)->setChecked(true);
  EXPECT_FALSE(gct->isChecked());
  EXPECT_EQ(dialog.OutputFile(), platform::JoinPath(Folder(), "liver expression.xls"));

  // A gene list names the file after itself; a header puts the running number in.
  prompts.fileAnswers.push_back(std::string("/lists/up genes.txt"));
  Control<QPushButton>(dialog, ExportExpressionDialog::kGeneListButton)->click();
  Control<QCheckBox>(dialog, ExportExpressionDialog::kIncludeHeader)->setChecked(true);
  EXPECT_EQ(dialog.OutputFile(), "/lists/up genes expression.1.xls");

  samples->item(2)->setSelected(true);
  dialog.accept();
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(SampleGrouping.Selected(0));
  EXPECT_TRUE(SampleGrouping.Selected(1));
  EXPECT_TRUE(SampleGrouping.Selected(2));
  const GroupSettings& settings = TheGroup().Settings();
  EXPECT_EQ(settings.GENE_LIST_FILE, "/lists/up genes.txt");
  EXPECT_EQ(settings.HAS_BOTH, 0);
  EXPECT_EQ(settings.HAS_STD, 1);
  EXPECT_EQ(settings.EXPRESSION_INCLUDE_HEADER, 1);
  EXPECT_EQ(ExpressionExportNumber(), 2) << "the next export with a header gets the next number";
}

TEST_F(ExportExpressionDialogTest, NoSampleSelectedKeepsTheDialogOpen) {
  ExportExpressionDialog dialog(nullptr, nullptr);
  Control<QListWidget>(dialog, ExportExpressionDialog::kSampleList)->clearSelection();
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "Please select arrays to be exported");
  EXPECT_TRUE(SampleGrouping.Selected(1)) << "the flags stay as they were";
}

TEST_F(ExportExpressionDialogTest, TheFirstExportOffersEverySampleSoItsFirstOkExports) {
  SampleGrouping.ClearSelection();
  ExportExpressionDialog dialog(nullptr, nullptr);
  dialog.show();
  auto* samples = Control<QListWidget>(dialog, ExportExpressionDialog::kSampleList);
  ASSERT_EQ(samples->count(), 3);
  EXPECT_EQ(samples->selectedItems().size(), 3);
  QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  ASSERT_NE(ok, nullptr);
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(prompts.prompts.empty());
  for (int sample = 0; sample < 3; ++sample) EXPECT_TRUE(SampleGrouping.Selected(sample));
}

}  // namespace

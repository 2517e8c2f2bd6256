// The model in the window: the model-based expression dialog shows and writes back the
// four truncation settings, refuses values out of range and offers the options; closing
// the group leaves the model without a probe set.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "engine/chip/cdf_layout.hpp"
#include "engine/model/model.hpp"
#include "shell/dialogs/common/static_link.hpp"
#include "shell/dialogs/expression/model_dialog.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using ModelDialogTest = ShellTest;

TEST_F(ModelDialogTest, ShowsAndWritesTheTruncationSettings) {
  GroupSettings& settings = TheGroup().Settings();
  settings.TRUNCATE = 1;
  settings.TRUNCATE_VALUE = 12.5;
  settings.TRUNCATE_PCT = 0;
  settings.TRUNCATE_PCT_VALUE = 30;
  ModelDialog dialog(settings, nullptr, nullptr);
  EXPECT_EQ(dialog.objectName(), QStringLiteral("c137"));
  EXPECT_TRUE(Control<QCheckBox>(dialog, ModelDialog::kTruncateCheck)->isChecked());
  EXPECT_EQ(Control<QLineEdit>(dialog, ModelDialog::kTruncateValue)->text(),
            QStringLiteral("12.5"));
  EXPECT_FALSE(Control<QCheckBox>(dialog, ModelDialog::kTruncatePercentileCheck)->isChecked());
  EXPECT_EQ(Control<QLineEdit>(dialog, ModelDialog::kTruncatePercentile)->text(),
            QStringLiteral("30"));
  EXPECT_NE(Control<CStaticLink>(dialog, ids::kHelpLink), nullptr);

  Control<QCheckBox>(dialog, ModelDialog::kTruncateCheck)->setChecked(false);
  Control<QLineEdit>(dialog, ModelDialog::kTruncateValue)->setText(QStringLiteral("50"));
  Control<QCheckBox>(dialog, ModelDialog::kTruncatePercentileCheck)->setChecked(true);
  Control<QLineEdit>(dialog, ModelDialog::kTruncatePercentile)->setText(QStringLiteral("100"));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings.TRUNCATE, 0);
  EXPECT_EQ(settings.TRUNCATE_VALUE, 50.0);
  EXPECT_EQ(settings.TRUNCATE_PCT, 1);
  EXPECT_EQ(settings.TRUNCATE_PCT_VALUE, 100);
}

TEST_F(ModelDialogTest, RefusesValuesOutOfRangeAndChangesNothing) {
  GroupSettings& settings = TheGroup().Settings();
  settings.TRUNCATE_VALUE = 7.0;
  settings.TRUNCATE_PCT_VALUE = 30;
  ModelDialog dialog(settings, nullptr, nullptr);
  Control<QLineEdit>(dialog, ModelDialog::kTruncatePercentile)->setText(QStringLiteral("101"));
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "Please enter an integer between 0 and 100.");

  Control<QLineEdit>(dialog, ModelDialog::kTruncatePercentile)->setText(QStringLiteral("40"));
  Control<QLineEdit>(dialog, ModelDialog::kTruncateValue)->setText(QStringLiteral("low"));
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(prompts.prompts.back().text, "Please enter a number.");
  EXPECT_EQ(settings.TRUNCATE_VALUE, 7.0);
  EXPECT_EQ(settings.TRUNCATE_PCT_VALUE, 30);
}

TEST_F(ModelDialogTest, OptionsButtonRunsTheOptionsCallback) {
  int opened = 0;
  ModelDialog dialog(
      TheGroup().Settings(), [&opened] { ++opened; }, nullptr);
  auto* options = Control<QPushButton>(dialog, ids::kOptionsButton);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->text(), QStringLiteral("&Options..."));
  options->click();
  EXPECT_EQ(opened, 1);
}

TEST_F(ModelDialogTest, ClosingTheGroupLeavesTheModelWithoutAProbeSet) {
  CMainFrame& frame = OpenFrame();
  Layout.units.resize(1);
  Layout.unitCount = 1;
  ASSERT_TRUE(Model.GetData(0));
  ASSERT_EQ(Model.ProbeSet(), 0);
  frame.CloseGroup();  // the first call only records that it ran
  EXPECT_EQ(Model.ProbeSet(), 0);
  frame.CloseGroup();
  EXPECT_EQ(Model.ProbeSet(), -1);
  Layout = CDF_LAYOUT{};
}

}  // namespace

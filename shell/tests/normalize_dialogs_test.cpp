// The Normalize and normalisation plot dialogs: the arrays listed by brightness with the
// median one offered as baseline, the wording for external data, the rules between the
// plot's options, and a baseline that is the current array refused.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "shell/dialogs/expression/normalization_plot_dialog.hpp"
#include "shell/dialogs/expression/normalize_dialog.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

class NormalizeDialogsTest : public ShellTest {
 protected:
  // Arrays a to d with the given medians.
  void AddArrays(std::initializer_list<int> medians) {
    char name = 'a';
    for (const int median : medians) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot.name = std::string(1, name++);
      slot.dataFile = File((slot.name + ".CEL").c_str());
      slot.medianIntensity = median;
      ASSERT_TRUE(TheGroup().CountArray());
    }
  }

  static std::vector<std::string> Entries(QComboBox& box) {
    std::vector<std::string> entries;
    for (int i = 0; i < box.count(); ++i) entries.push_back(box.itemText(i).toStdString());
    return entries;
  }
};

TEST_F(NormalizeDialogsTest, BaselinesAreListedByBrightnessWithTheMedianOneChosen) {
  AddArrays({300, 100, 400, 200});
  TheGroup().HasProbeData = true;
  TheGroup().Settings().VIEW_NORM_PLOT = 0;
  NormalizeDialog dialog(nullptr);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Normalize CEL values"));
  auto* list = Control<QComboBox>(dialog, NormalizeDialog::kBaselineList);
  EXPECT_EQ(Entries(*list), (std::vector<std::string>{"b [100]", "d [200]", "a [300]", "c [400]"}));
  EXPECT_EQ(list->currentIndex(), 2);
  // No QVF file yet: the first array is not normalised.
  EXPECT_EQ(Control<QLabel>(dialog, NormalizeDialog::kArrayState)->text(),
            QStringLiteral("The first array 'a' has not been normalized"));
  EXPECT_FALSE(Control<QCheckBox>(dialog, NormalizeDialog::kViewNormPlot)->isHidden());

  Control<QCheckBox>(dialog, NormalizeDialog::kIgnoreNormalized)->setChecked(true);
  Control<QCheckBox>(dialog, NormalizeDialog::kViewNormPlot)->setChecked(true);
  dialog.accept();
  EXPECT_EQ(dialog.BaselineArray(), 0) << "the array's index, not its place in the list";
  EXPECT_TRUE(dialog.IgnoreNormalized());
  EXPECT_EQ(TheGroup().Settings().VIEW_NORM_PLOT, 1);

  list->setCurrentIndex(0);
  dialog.accept();
  EXPECT_EQ(dialog.BaselineArray(), 1);
}

TEST_F(NormalizeDialogsTest, ExternalDataAreNormalisedByTheirValues) {
  AddArrays({7, 5, 6});
  TheGroup().HasProbeData = false;
  NormalizeDialog dialog(nullptr);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Noramlize expressoin values"));
  EXPECT_TRUE(Control<QLabel>(dialog, NormalizeDialog::kArrayState)->isHidden());
  EXPECT_TRUE(Control<QCheckBox>(dialog, NormalizeDialog::kViewNormPlot)->isHidden());
  EXPECT_EQ(Control<QLabel>(dialog, NormalizeDialog::kDefaultNote)->text(),
            QStringLiteral("The default one has median \"overall expression\" (median expression "
                           "value)"));
  EXPECT_EQ(Control<QComboBox>(dialog, NormalizeDialog::kBaselineList)->currentText(),
            QStringLiteral("c [6]"));
}

TEST_F(NormalizeDialogsTest, PlotBaselineMustDifferFromTheCurrentArray) {
  AddArrays({300, 100, 400});
  TheGroup().BaselineArray = 2;
  TheGroup().Settings().CUR_ARRAY = 1;
  NormalizationPlotDialog dialog(nullptr);
  auto* list = Control<QComboBox>(dialog, NormalizationPlotDialog::kBaselineList);
  EXPECT_EQ(Entries(*list), (std::vector<std::string>{"a [300]", "b [100]", "c [400]"}));
  EXPECT_EQ(list->currentIndex(), 2) << "the group's baseline";
  EXPECT_EQ(Control<QLabel>(dialog, NormalizationPlotDialog::kArrayState)->text(),
            QStringLiteral("'b' has not been normalized"));

  list->setCurrentIndex(1);
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, kSameBaselineMessage);

  list->setCurrentIndex(0);
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(TheGroup().NormPlot.array, 0);
}

TEST_F(NormalizeDialogsTest, SavingNormalisedValuesNeedsTheSplineAndExcludesViewing) {
  AddArrays({300, 100});
  NormPlotOptions() = {};
  NormalizationPlotDialog dialog(nullptr);
  auto* view = Control<QCheckBox>(dialog, NormalizationPlotDialog::kUseNormalized);
  auto* spline = Control<QCheckBox>(dialog, NormalizationPlotDialog::kSmoothingSpline);
  auto* save = Control<QCheckBox>(dialog, NormalizationPlotDialog::kSaveNormalized);
  view->setChecked(true);
  save->setChecked(true);
  EXPECT_FALSE(view->isChecked());
  EXPECT_TRUE(spline->isChecked());
  view->setChecked(true);
  EXPECT_FALSE(save->isChecked());
  save->setChecked(true);
  spline->setChecked(false);
  EXPECT_FALSE(save->isChecked());
}

}  // namespace

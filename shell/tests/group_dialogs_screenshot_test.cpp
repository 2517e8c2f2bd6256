// Pictures of the group sheets and the normalisation dialogs beside the build, for people
// to look at; each is checked for its size and for a label drawn where the dialog has it.
#include <gtest/gtest.h>

#include "engine/group/sample_grouping.hpp"
#include "shell/dialogs/expression/export_expression_dialog.hpp"
#include "shell/dialogs/expression/normalization_plot_dialog.hpp"
#include "shell/dialogs/expression/normalize_dialog.hpp"
#include "shell/dialogs/group/extract_cdf_page.hpp"
#include "shell/dialogs/group/extract_data_page.hpp"
#include "shell/dialogs/group/get_external_page.hpp"
#include "shell/dialogs/group/open_group_state.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

class GroupDialogsScreenshotTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    for (const char* name : {"liver01", "liver02", "liver03"}) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot.name = name;
      slot.dataFile = File((std::string(name) + ".CEL").c_str());
      slot.medianIntensity = 200;
      ASSERT_TRUE(TheGroup().CountArray());
    }
    TheGroup().HasProbeData = true;
  }

  void Check(QWidget& dialog, const char* file, const QString& text) {
    CheckScreenshot(dialog, file, text);
  }

  OpenGroupState state;
};

TEST_F(GroupDialogsScreenshotTest, OpenGroupSheet) {
  PropertySheet sheet(QStringLiteral("Working on a group of arrays"), nullptr);
  sheet.AddPage(new ExtractDataDlg(state, &sheet), QStringLiteral("Data files"));
  sheet.AddPage(new ExtractCdfDlg(state, &sheet), QStringLiteral("Other information"));
  Check(sheet, "open_group_sheet.png", QStringLiteral("Read &unnormalized probe data"));
}

TEST_F(GroupDialogsScreenshotTest, GetExternalDataSheet) {
  state.mode = kOpenGroupModeExternal;
  PropertySheet sheet(QStringLiteral("Get External Data"), nullptr);
  sheet.AddPage(new GetExternalDlg(&sheet), QStringLiteral("Data"));
  sheet.AddPage(new ExtractCdfDlg(state, &sheet), QStringLiteral("Other information"));
  Check(sheet, "get_external_data_sheet.png", QStringLiteral("Has standard error after call"));
}

TEST_F(GroupDialogsScreenshotTest, NormalizeDialog) {
  NormalizeDialog dialog(nullptr);
  Check(dialog, "normalize_dialog.png",
        QStringLiteral("The first array 'liver01' has not been normalized"));
}

TEST_F(GroupDialogsScreenshotTest, NormalizationPlotDialog) {
  TheGroup().Settings().CUR_ARRAY = 1;
  NormalizationPlotDialog dialog(nullptr);
  Check(dialog, "normalization_plot_dialog.png",
        QStringLiteral("'liver02' has not been normalized"));
}

TEST_F(GroupDialogsScreenshotTest, ExportExpressionDialog) {
  SampleGrouping.SetDefaultGrouping();
  ExportExpressionDialog dialog(nullptr, nullptr);
  Check(dialog, "export_expression_dialog.png", QStringLiteral("GCT format for GeneCluster"));
}

}  // namespace

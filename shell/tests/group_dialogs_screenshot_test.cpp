// Pictures of the group sheets and the normalisation dialogs beside the build, for people
// to look at; each is checked for its size and for a label drawn where the dialog has it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>

#include "engine/group/sample_grouping.hpp"
#include "shell/dialogs/export_expression_dialog.hpp"
#include "shell/dialogs/extract_cdf_page.hpp"
#include "shell/dialogs/extract_data_page.hpp"
#include "shell/dialogs/get_external_page.hpp"
#include "shell/dialogs/normalization_plot_dialog.hpp"
#include "shell/dialogs/normalize_dialog.hpp"
#include "shell/dialogs/open_group_state.hpp"
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

  // Saves the dialog's picture and checks its size, and that the label with text is drawn
  // inside it (its area holds dark pixels).
  void Check(QWidget& dialog, const char* file, const QString& text) {
    dialog.resize(dialog.sizeHint());
    dialog.show();
    QApplication::processEvents();
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
    const QString path = QStringLiteral(ZELKO_SCREENSHOT_DIR "/") + QString::fromLatin1(file);
    ASSERT_TRUE(dialog.grab().save(path));
    const QImage picture(path);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), dialog.size() * dialog.devicePixelRatio());
    QWidget* label = nullptr;
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
      const QVariant shown = child->property("text");
      const auto* box = qobject_cast<QLabel*>(child);
      if ((box != nullptr && box->text() == text) ||
          (box == nullptr && shown.isValid() && shown.toString() == text))
        label = child;
    }
    ASSERT_NE(label, nullptr) << text.toStdString();
    ASSERT_TRUE(label->isVisible());
    const QRect area(label->mapTo(&dialog, QPoint(0, 0)), label->size());
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        dark += qGray(picture.pixel(x, y)) < 100 ? 1 : 0;
    EXPECT_GT(dark, 20) << text.toStdString();
    dialog.hide();
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

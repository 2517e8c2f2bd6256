// The probe data view on a generated group fitted by the model: the picture read back
// pixel by pixel against the model's values at the places the geometry gives, the keys,
// the animation, the commands and Find Gene, and a screenshot beside the build.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFocusEvent>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimerEvent>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "engine/base/brightness_scale.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/model/model.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/group_commands_test.hpp"
#include "shell/tests/menu_clicks.hpp"
#include "shell/views/array/data_drawing.hpp"
#include "shell/views/array/data_view.hpp"

namespace {

constexpr QRgb kBluePen = qRgb(0, 0, 200);
constexpr QRgb kRedPen = qRgb(200, 0, 0);
// Labels take the top of each panel; points under them are not read back.
constexpr int kLabelBand = 20;

class DataViewTest : public GroupCommandsTest {
 protected:
  void TearDown() override {
    Model.ClearProbeSet();
    Model.SetDisplayMode(false);
    GroupCommandsTest::TearDown();
  }

  // The generated group opened, fitted by the model and shown in the probe data view.
  DataView& OpenModelledView(CMainFrame& frame) {
    OpenLiver(frame);
    prompts.AcceptDialogs();
    EXPECT_TRUE(frame.OnCommand(ids::kModelExpression));
    EXPECT_TRUE(TheGroup().Modelled);
    prompts.dialogAnswer = nullptr;
    TheGroup().Settings().CUR_UNIT = 7;
    frame.SelectViewItem(VIEW_DATA);
    auto* view = dynamic_cast<DataView*>(frame.RightViews(VIEW_DATA));
    EXPECT_NE(view, nullptr);
    view->setFocus();
    QApplication::processEvents();
    return *view;
  }

  static void Tick(DataView& view) {
    QTimerEvent tick(view.AnimationTimer());
    QApplication::sendEvent(&view, &tick);
  }

  // The points of one series in one curve panel whose centre pixel is not the colour the
  // series is drawn in; counts every point read into checked.
  static std::vector<int> MisplacedPoints(const DataView& view, int row, DataSeries series,
                                          QRgb colour, int& checked) {
    const QImage& picture = view.Picture();
    const DataBox area = DataPlotArea(view.Geometry(), 0, row);
    const DataBox panel = DataPanel(view.Geometry(), 0, row);
    const DataRange range = CurveRange(row);
    const int array = TheGroup().Settings().CUR_ARRAY;
    std::vector<int> misplaced;
    for (int j = 0; j < Model.ProbeCount(); ++j) {
      const double v = DataSeriesValue(series, array, j);
      if (v == MISSING_VALUE || v < range.low || v > range.high) continue;
      const int x = ProbeIndexX(area, j, Model.ProbeCount());
      const int y = DataValueY(area, v, range.low, range.high);
      if (y < panel.top + kLabelBand) continue;
      ++checked;
      if (picture.pixel(x, y) != colour) misplaced.push_back(j);
    }
    return misplaced;
  }
};

TEST_F(DataViewTest, CurvesAndStripSitWhereTheGeometryPutsTheModelsValues) {
  CMainFrame& frame = OpenFrame();
  DataView& view = OpenModelledView(frame);
  ASSERT_EQ(Model.ProbeSet(), 7);
  ASSERT_GT(Model.ProbeCount(), 4);
  const int unit = TheGroup().Settings().CUR_UNIT;
  std::set<int> arraysSeen;
  for (int step = 0; step < TheGroup().NumArrays(); ++step) {
    const int array = TheGroup().Settings().CUR_ARRAY;
    arraysSeen.insert(array);
    int checked = 0;
    EXPECT_EQ(MisplacedPoints(view, 0, DataSeries::kPm, kBluePen, checked), std::vector<int>{})
        << "array " << array;
    EXPECT_EQ(MisplacedPoints(view, 1, DataSeries::kInput, kBluePen, checked), std::vector<int>{});
    EXPECT_EQ(MisplacedPoints(view, 2, DataSeries::kResidual, kRedPen, checked),
              std::vector<int>{});
    EXPECT_GT(checked, Model.ProbeCount()) << "most points lie inside their panels";

    // Each pair's two strip cells in the brightness of its values.
    const ProbeStripGeometry strip = ModelProbeStrip(view.Geometry());
    for (int i = 0; i < Model.ProbeCount(); ++i)
      for (const int row : {0, 1}) {
        const double v = row == 0 ? Model.Pm(array, i) : Model.Mm(array, i);
        const QColor expected =
            v == MISSING_VALUE
                ? QColor(Qt::white)
                : ToQColor(BrightnessColor(v, Model.DisplayLow(), Model.DisplayHigh()));
        const QPoint centre(strip.left + i * strip.cellSize + strip.cellSize / 2,
                            strip.top + row * strip.cellSize + strip.cellSize / 2);
        ASSERT_EQ(view.Picture().pixelColor(centre), expected) << i << " " << row;
      }
    QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_EQ(Model.ProbeSet(), unit) << "the array moves, the probe set stays";
  }
  EXPECT_EQ(static_cast<int>(arraysSeen.size()), TheGroup().NumArrays());

  // The window copies the picture built beforehand: a paint neither loads nor fits nor
  // pumps window events.
  {
    PumpCounter pumps;
    Model.ClearProbeSet();
    view.Canvas()->repaint();
    EXPECT_EQ(Model.ProbeSet(), -1);
    EXPECT_EQ(pumps.count, 0);
  }
  const QImage shown = view.Canvas()->grab(QRect(0, 0, 300, 200)).toImage();
  EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
            view.Picture().copy(0, 0, 300, 200).convertToFormat(QImage::Format_RGB32));
  QTest::keyClick(&view, Qt::Key_PageUp);
  ASSERT_EQ(Model.ProbeSet(), unit);

  // The status line over the strip's upper row names the pair and its intensity.
  const ProbeStripGeometry strip = ModelProbeStrip(view.Geometry());
  const int array = TheGroup().Settings().CUR_ARRAY;
  QTest::mouseMove(view.Canvas(), QPoint(strip.left + 2 * strip.cellSize + 1, strip.top + 1));
  const double pm = Model.Pm(array, 2);
  const std::string head = "[Gene " + std::string(Layout.units[7].Name()) + ", " + CallText(array) +
                           "] [" + TheGroup().Array(array).name + "] ";
  EXPECT_EQ(frame.StatusPaneText(0).toStdString(),
            head + (pm == MISSING_VALUE
                        ? "[Single outlier]"
                        : "[PM 2] [Intensity: " + std::to_string(static_cast<int>(pm)) + "]"));

  const PictureExport exported = view.ExportPicture();
  EXPECT_EQ(exported.defaultName,
            platform::JoinPath(Folder(), std::string(Layout.units[7].Name()) + "_prob_data"));
  EXPECT_EQ(exported.size, view.Picture().size());

  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  frame.resize(1100, 800);
  QApplication::processEvents();
  EXPECT_TRUE(frame.grab().save(QStringLiteral(ZELKO_SCREENSHOT_DIR "/data_view.png")));
}

TEST_F(DataViewTest, AnimationTurnsAtBothEndsAndStopsWhenPausedBusyOrUnfocused) {
  CMainFrame& frame = OpenFrame();
  DataView& view = OpenModelledView(frame);
  const int arrays = TheGroup().NumArrays();
  ASSERT_TRUE(view.Paused());
  frame.UpdateCommandUi();
  EXPECT_EQ(frame.Action(ids::kDataAnimate)->text().toStdString(), "&Animate\tCtrl+A");
  EXPECT_FALSE(frame.Action(ids::kDataFaster)->isEnabled());
  QTest::keyClick(&view, Qt::Key_A);
  ASSERT_FALSE(view.Paused());
  frame.UpdateCommandUi();
  EXPECT_EQ(frame.Action(ids::kDataAnimate)->text().toStdString(), "&Pause\tCtrl+A");
  ASSERT_TRUE(frame.OnCommand(ids::kDataFaster));
  EXPECT_DOUBLE_EQ(view.AnimationPeriod(), 70.0 / 1.3);
  ASSERT_TRUE(frame.OnCommand(ids::kDataSlower));
  ASSERT_TRUE(frame.OnCommand(ids::kDataSlower));
  EXPECT_DOUBLE_EQ(view.AnimationPeriod(), 70.0 * 1.3);

  std::vector<int> positions;
  for (int tick = 0; tick < 4 * arrays; ++tick) {
    Tick(view);
    positions.push_back(Model.OrderPosition());
    ASSERT_EQ(TheGroup().Settings().CUR_ARRAY,
              static_cast<int>(Model.OrderEntry(Model.OrderPosition()).array));
  }
  // Moves of one array at a time whose direction changes at each end, never a wrap.
  std::vector<int> moves;
  for (std::size_t k = 1; k < positions.size(); ++k) {
    const int move = positions[k] - positions[k - 1];
    EXPECT_LE(std::abs(move), 1) << "no wrap at tick " << k;
    if (move != 0) moves.push_back(move);
  }
  int turns = 0;
  for (std::size_t k = 1; k < moves.size(); ++k)
    if (moves[k] != moves[k - 1]) ++turns;
  EXPECT_NE(std::find(positions.begin(), positions.end(), 0), positions.end());
  EXPECT_NE(std::find(positions.begin(), positions.end(), arrays - 1), positions.end());
  EXPECT_GE(turns, 2) << "turned at both ends";

  const int before = Model.OrderPosition();
  AnalysisRunning = 1;
  Tick(view);
  AnalysisRunning = 0;
  EXPECT_EQ(Model.OrderPosition(), before);
  QFocusEvent lost(QEvent::FocusOut);
  QApplication::sendEvent(&view, &lost);
  EXPECT_TRUE(view.Paused());
  Tick(view);
  EXPECT_EQ(Model.OrderPosition(), before);

  // Away from the view the item reads as the menu gives it.
  frame.ShowView(VIEW_ANALYSIS);
  frame.UpdateCommandUi();
  EXPECT_EQ(frame.Action(ids::kDataAnimate)->text().toStdString(), "&Animate\tA");
}

TEST_F(DataViewTest, TheDataMenuOpenedWhileAnimatingPausesNothingButAnotherWindowDoes) {
  CMainFrame& frame = OpenFrame();
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  DataView& view = OpenModelledView(frame);
  view.setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&view] { return view.hasFocus(); }, 2000));
  QTest::keyClick(&view, Qt::Key_A);
  ASSERT_FALSE(view.Paused());

  // The menu opened with the mouse takes the focus; the items read as the animation runs,
  // and the menu's own items change it.
  QAction* animate = frame.Action(ids::kDataAnimate);
  QAction* faster = frame.Action(ids::kDataFaster);
  QAction* slower = frame.Action(ids::kDataSlower);
  QMenu* menu = OpenMenuHolding(frame, animate);
  ASSERT_NE(menu, nullptr);
  QTest::qWait(3 * 200);  // the frame brings its items up to date every 200 ms
  EXPECT_FALSE(view.Paused()) << "the menu is the window's own";
  EXPECT_EQ(animate->text().toStdString(), "&Pause\tCtrl+A");
  EXPECT_TRUE(faster->isEnabled());
  EXPECT_TRUE(slower->isEnabled());
  QTest::keyClick(menu, Qt::Key_Escape);
  QApplication::processEvents();

  EXPECT_TRUE(ChooseMenuItem(frame, faster));
  EXPECT_DOUBLE_EQ(view.AnimationPeriod(), 70.0 / 1.3);
  EXPECT_TRUE(ChooseMenuItem(frame, slower));
  EXPECT_TRUE(ChooseMenuItem(frame, slower));
  EXPECT_DOUBLE_EQ(view.AnimationPeriod(), 70.0 * 1.3);
  EXPECT_FALSE(view.Paused());
  // Pause from the menu, then Animate from it again.
  EXPECT_TRUE(ChooseMenuItem(frame, animate));
  EXPECT_TRUE(view.Paused());
  frame.UpdateCommandUi();
  EXPECT_EQ(animate->text().toStdString(), "&Animate\tCtrl+A");
  EXPECT_FALSE(faster->isEnabled());
  EXPECT_TRUE(ChooseMenuItem(frame, animate));
  EXPECT_FALSE(view.Paused());

  // Another window taking the focus pauses the animation.
  QWidget other;
  other.setFocusPolicy(Qt::StrongFocus);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_TRUE(view.Paused());
  frame.UpdateCommandUi();
  EXPECT_EQ(animate->text().toStdString(), "&Animate\tCtrl+A");
}

// Growing stops at the largest side the settings file takes back, however often asked.
TEST_F(DataViewTest, TheSizeKeysGrowThePictureNoFurtherThanItsSettingTakes) {
  TheGroup().Settings().PIC_WD = 30000;
  CMainFrame& frame = OpenFrame();
  DataView& view = OpenModelledView(frame);
  for (int press = 0; press < 2; ++press) {
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(TheGroup().Settings().PIC_WD, 32767);
  }
  EXPECT_EQ(view.Picture().width(), 32767);
}

TEST_F(DataViewTest, KeysResizeStepProbeSetsAndSwitchModesAndModels) {
  TheGroup().Settings().PIC_WD = 700;
  TheGroup().Settings().PIC_HT = 650;
  CMainFrame& frame = OpenFrame();
  DataView& view = OpenModelledView(frame);
  GroupSettings& settings = TheGroup().Settings();
  QTest::keyClick(&view, Qt::Key_Left);
  EXPECT_EQ(settings.PIC_WD, 600) << "583 is raised to the least width";
  EXPECT_EQ(view.Geometry().panelWidth, 300);
  QTest::keyClick(&view, Qt::Key_Right);
  EXPECT_EQ(settings.PIC_WD, 720);
  QTest::keyClick(&view, Qt::Key_Down);
  EXPECT_EQ(settings.PIC_HT, 780);
  EXPECT_EQ(view.Geometry().panelHeight, 260);
  EXPECT_EQ(view.Picture().size(), QSize(720, 780));

  // Ctrl+Page Down fits one more pass on the same array.
  const int array = settings.CUR_ARRAY;
  const int passes = Model.Passes();
  QTest::keyClick(&view, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(Model.Passes(), passes + 1);
  EXPECT_EQ(settings.CUR_ARRAY, array);
  EXPECT_EQ(static_cast<int>(Model.OrderEntry(Model.OrderPosition()).array), array);

  // Next Model cycles the three methods, each time fitting the probe set again.
  ASSERT_EQ(settings.MODEL_METHOD, kModelPmMmDifference);
  const QImage first = view.Picture();
  for (const int method : {kModelPmOnly, kModelAverageDifference, kModelPmMmDifference}) {
    QTest::keyClick(&view, Qt::Key_M);
    EXPECT_EQ(settings.MODEL_METHOD, method);
    EXPECT_EQ(Model.ProbeSet(), settings.CUR_UNIT);
    EXPECT_EQ(Model.Options().method, method);
    if (method == kModelPmOnly) {
      EXPECT_NE(view.Picture(), first);
    }
  }

  // Probe positions: not on SNP arrays; checked in the menu on expression arrays.
  ArrayType = 1;
  QTest::keyClick(&view, Qt::Key_P);
  EXPECT_FALSE(view.ShowsProbePositions());
  frame.UpdateCommandUi();
  EXPECT_FALSE(frame.Action(ids::kDataProbePosition)->isEnabled());
  ArrayType = 0;
  QTest::keyClick(&view, Qt::Key_P);
  EXPECT_TRUE(view.ShowsProbePositions());
  frame.UpdateCommandUi();
  EXPECT_TRUE(frame.Action(ids::kDataProbePosition)->isChecked());

  // Show-all: one panel per array on a square grid, and no animation.
  QTest::keyClick(&view, Qt::Key_L);
  EXPECT_TRUE(view.ShowsAllArrays());
  EXPECT_EQ(view.Geometry().columns, 2);
  EXPECT_EQ(view.Geometry().panelWidth, 360);
  QTest::keyClick(&view, Qt::Key_A);
  EXPECT_TRUE(view.Paused());
  QTest::keyClick(&view, Qt::Key_L);

  // End and Home step the probe sets; with Jump to Present only present ones count, and
  // when there are none End comes back after one cycle.
  settings.CUR_UNIT = 10;
  QTest::keyClick(&view, Qt::Key_End);
  EXPECT_EQ(settings.CUR_UNIT, 11);
  EXPECT_EQ(Model.ProbeSet(), 11);
  QTest::keyClick(&view, Qt::Key_Home);
  EXPECT_EQ(settings.CUR_UNIT, 10);
  ASSERT_TRUE(frame.OnCommand(ids::kDataJumpToPresent));
  for (int a = 0; a < TheGroup().NumArrays(); ++a)
    TheGroup().Array(a).calls.assign(static_cast<std::size_t>(Layout.unitCount), kCallAbsent);
  QTest::keyClick(&view, Qt::Key_End);
  EXPECT_EQ(settings.CUR_UNIT, 10);
  for (int a = 0; a < TheGroup().NumArrays(); ++a) {
    TheGroup().Array(a).calls[4] = kCallPresent;
    TheGroup().Array(a).calls[15] = kCallPresent;
  }
  QTest::keyClick(&view, Qt::Key_End);
  EXPECT_EQ(settings.CUR_UNIT, 15);
  QTest::keyClick(&view, Qt::Key_Home);
  EXPECT_EQ(settings.CUR_UNIT, 4);

  // Find Gene: a failed search keeps the probe set, a found one becomes current.
  const auto answerName = [this](const std::string& name) {
    prompts.dialogAnswer = [name](QDialog& dialog) {
      compare_events::Type(*Control<QLineEdit>(dialog, ids::kFindProbeSetName), name.c_str());
      compare_events::Click(*dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
      return dialog.result();
    };
  };
  answerName("no such probe set");
  ASSERT_TRUE(frame.OnCommand(ids::kFindGene));
  EXPECT_EQ(settings.CUR_UNIT, 4);
  EXPECT_EQ(Model.ProbeSet(), 4);
  answerName(std::string(Layout.units[20].Name()));
  ASSERT_TRUE(frame.OnCommand(ids::kFindGene));
  EXPECT_EQ(settings.CUR_UNIT, 20);
  EXPECT_EQ(Model.ProbeSet(), 20);
}

}  // namespace

// The array image view on a generated group with a bright spot planted on one array: the
// picture against the planted intensities pixel by pixel at two zoom levels and after a
// scroll, the outlier marks, the status line, the mouse and keys, a region drawn with the
// mouse, the blink, the image cache, the commands, and the screenshots.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "engine/array/image_region.hpp"
#include "engine/array/image_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "platform/runtime_rand.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/array/cel_view.hpp"
#include "tools/synth/expected_layout.hpp"
#include "tools/synth/installed_array_group.hpp"

namespace {

constexpr int kSpotArray = 1;
constexpr synth::BrightSpot kSpot{kSpotArray, 120, 90, 6, 65000};

// The level the test expects for an intensity, written out apart from the view's code.
int ExpectedLevel(int value, int low, int high) {
  const double v = std::clamp(value, low, high);
  return static_cast<int>(std::trunc((v - low) * 255.0 / (high - low + 1.0) + 0.5));
}

QRgb LevelRgb(int level) {
  return static_cast<QRgb>(level) << 16 | static_cast<QRgb>(level) << 8;
}

class CelViewTest : public ShellTest {
 protected:
  void TearDown() override {
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
    TogetherMaps = ProbeTogetherMaps{};
    ArrayType = PmOnly = 0;
    ProbesPerPair = 2;
  }

  // A chip of dimension cells a side and a group of arrays on it with the spot planted,
  // installed, shown in view 2 of a window.
  CCelView& ShowGroup(int dimension = 200, int units = 400, int arrays = 3) {
    synth::ChipOptions chipOptions;
    chipOptions.dimension = dimension;
    chipOptions.unitCount = units;
    chipOptions.minPairs = 8;
    chipOptions.maxPairs = 35;
    chipOptions.seed = 3;
    std::string error;
    std::optional<synth::ChipTruth> chip = synth::MakeChip(chipOptions, &error);
    EXPECT_TRUE(chip.has_value()) << error;
    mChip = chip.value_or(synth::ChipTruth{});
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = arrays;
    groupOptions.seed = 9;
    if (dimension > kSpot.x) groupOptions.spots = {kSpot};
    mTruth = synth::MakeArrayGroup(mChip, groupOptions);
    synth::InstallArrayGroup(mChip, mTruth);
    GroupSettings& settings = TheGroup().Settings();
    settings.CUR_ARRAY = kSpotArray < arrays ? kSpotArray : 0;
    settings.CUR_UNIT = -1;
    settings.CEL_PIXEL_SIZE = 1;
    settings.SHOW_OUTLIER = 0;
    settings.SHOW_PROBE_TOGETHER = 0;
    settings.WORKING_DIR = Folder();
    CMainFrame& frame = OpenFrame();
    frame.AddGroupItems();
    // As a click on the array's item under "CEL Image" would.
    frame.SelectArrayItem(settings.CUR_ARRAY);
    EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);
    auto* view = dynamic_cast<CCelView*>(frame.RightViews(VIEW_CEL));
    EXPECT_NE(view, nullptr);
    view->setFocus();
    QApplication::processEvents();
    return *view;
  }

  int Intensity(int array, int x, int y) const {
    return mTruth.arrays[static_cast<std::size_t>(array)].intensities[mTruth.CellIndex(x, y)];
  }

  // Every pixel of the window against the planted intensity of the cell the test's own
  // arithmetic puts there; returns the pixels that differ. Counts the spot's cells seen.
  int CompareWithTruth(CCelView& view, int* spotCellsSeen) {
    const QImage shot = view.viewport()->grab().toImage();
    const int array = TheGroup().Settings().CUR_ARRAY;
    const int size = TheGroup().Settings().CEL_PIXEL_SIZE;
    const QPoint scroll(view.horizontalScrollBar()->value(), view.verticalScrollBar()->value());
    int low = 0;
    int high = 0;
    GetCelDisplayRange(array, &low, &high);
    int wrong = 0;
    std::set<std::pair<int, int>> spotSeen;
    for (int py = 0; py < shot.height(); ++py)
      for (int px = 0; px < shot.width(); ++px) {
        const int x = (px + scroll.x()) / size;
        const int y = (py + scroll.y()) / size;
        const bool inside = x < mTruth.dimension && y < mTruth.dimension;
        const QRgb expected =
            inside ? LevelRgb(ExpectedLevel(Intensity(array, x, y), low, high)) : 0xFFFFFFu;
        if ((shot.pixel(px, py) & 0xFFFFFFu) != expected && ++wrong == 1)
          ADD_FAILURE() << "pixel " << px << "," << py << " cell " << x << "," << y;
        const int dx = x - kSpot.x;
        const int dy = y - kSpot.y;
        if (inside && array == kSpot.array && dx * dx + dy * dy <= kSpot.radius * kSpot.radius) {
          EXPECT_EQ(shot.pixel(px, py) & 0xFFFFFFu, LevelRgb(ExpectedLevel(65535, low, high)));
          spotSeen.insert({x, y});
        }
      }
    *spotCellsSeen = static_cast<int>(spotSeen.size());
    return wrong;
  }

  void SaveScreenshot(const char* name) {
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
    Frame().LeftView().expandAll();
    EXPECT_TRUE(Frame().grab().save(QStringLiteral(ZELKO_SCREENSHOT_DIR "/") + name));
  }

  CMainFrame& Frame() { return *mFrame; }
  std::string Status() const { return mFrame->StatusPaneText(0).toStdString(); }

  synth::ChipTruth mChip;
  synth::ArrayGroupTruth mTruth;
};

TEST(CelLevelTest, TheTableRunsFromBlackAtTheLowEndToYellowAtTheHighEnd) {
  for (const auto& [low, high] : {std::pair{100, 5000}, std::pair{0, 0}, std::pair{30, 31}}) {
    CelLevelTable table{};
    FillCelLevelTable(table, low, high);
    for (int v = 0; v < 65536; v += 97) EXPECT_EQ(table[v], ExpectedLevel(v, low, high)) << v;
    // Black at the low end; at and above the high end 255 (h - l) / (h - l + 1).
    EXPECT_EQ(table[low], 0);
    const int top = static_cast<int>(255.0 * (high - low) / (high - low + 1) + 0.5);
    EXPECT_EQ(table[high], top);
    EXPECT_EQ(table[65535], top);
  }
  EXPECT_EQ(CelLevelColour(200), 0xC8C800u);
}

TEST_F(CelViewTest, ThePlantedSpotShowsWhereTheGeometryPutsItsCells) {
  CCelView& view = ShowGroup();
  int seen = 0;
  EXPECT_EQ(CompareWithTruth(view, &seen), 0);
  EXPECT_EQ(seen, static_cast<int>(mTruth.spots[0].cells.size()));
  SaveScreenshot("cel_view_whole.png");

  QTest::keyClick(&view, Qt::Key_Down);  // pixel size 6
  ASSERT_EQ(TheGroup().Settings().CEL_PIXEL_SIZE, 6);
  ASSERT_GT(view.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(CompareWithTruth(view, &seen), 0);
  EXPECT_GT(seen, 0);

  // Scrolled so that the spot lies near the window's top-left corner.
  view.horizontalScrollBar()->setValue((kSpot.x - 8) * 6 + 3);
  view.verticalScrollBar()->setValue((kSpot.y - 9) * 6 + 1);
  QApplication::processEvents();
  EXPECT_EQ(CompareWithTruth(view, &seen), 0);
  EXPECT_EQ(seen, static_cast<int>(mTruth.spots[0].cells.size()));

  // Exported, the whole image at the pixel size.
  const PictureExport picture = view.ExportPicture();
  EXPECT_EQ(picture.defaultName, Folder() + "/array02 cel image");
  ASSERT_EQ(picture.size, QSize(1200, 1200));
  QImage whole(picture.size, QImage::Format_RGB32);
  QPainter painter(&whole);
  picture.draw(painter);
  painter.end();
  int low = 0;
  int high = 0;
  GetCelDisplayRange(kSpotArray, &low, &high);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{kSpot.x, kSpot.y}, std::pair{199, 37}})
    EXPECT_EQ(whole.pixel(x * 6 + 5, y * 6) & 0xFFFFFFu,
              LevelRgb(ExpectedLevel(Intensity(kSpotArray, x, y), low, high)));
}

TEST_F(CelViewTest, OutlierMarksFollowTheWordsOfTheCurrentArray) {
  CCelView& view = ShowGroup();
  Group& group = TheGroup();
  // A probe set beyond 30 pairs marks pair 29 by its lowest bit; a shorter one counts
  // from its last pair; an outlier array marks every pair white.
  int longUnit = -1;
  int shortUnit = -1;
  for (int u = 0; u < static_cast<int>(mChip.units.size()); ++u) {
    const int pairs = mChip.units[static_cast<std::size_t>(u)].PairCount();
    if (pairs > kOutlierBitPairs && longUnit < 0) longUnit = u;
    if (pairs < kOutlierBitPairs && pairs >= 3 && shortUnit < 0) shortUnit = u;
  }
  ASSERT_GE(longUnit, 0);
  ASSERT_GE(shortUnit, 0);
  const int arrayUnit = longUnit == 0 || shortUnit == 0 ? 2 : 0;
  std::vector<VALUE_TRIPLE>& values = group.Array(kSpotArray).values;
  values[static_cast<std::size_t>(longUnit)].outlier = 1;
  values[static_cast<std::size_t>(shortUnit)].outlier = 0b101;
  values[static_cast<std::size_t>(arrayUnit)].outlier = kArrayOutlierWord;
  group.Array(0).values[5].outlier = kArrayOutlierWord;  // another array's
  EXPECT_FALSE(Frame().CommandUi(ids::kImageArrayOutlier).enabled) << "nothing was modelled";
  group.Modelled = true;

  std::set<std::pair<int, int>> magenta;
  std::set<std::pair<int, int>> white;
  const auto mark = [&](std::set<std::pair<int, int>>& cells, int unit, int pair) {
    const synth::ProbeCell& pm = mChip.units[static_cast<std::size_t>(unit)]
                                     .blocks[0]
                                     .pairs[static_cast<std::size_t>(pair)]
                                     .pm;
    cells.insert({pm.x, pm.y});
    if (pm.y + 1 < mChip.dimension) cells.insert({pm.x, pm.y + 1});
  };
  mark(magenta, longUnit, kOutlierBitPairs - 1);
  const int shortPairs = mChip.units[static_cast<std::size_t>(shortUnit)].PairCount();
  mark(magenta, shortUnit, shortPairs - 1);
  mark(magenta, shortUnit, shortPairs - 3);
  for (int p = 0; p < mChip.units[static_cast<std::size_t>(arrayUnit)].PairCount(); ++p)
    mark(white, arrayUnit, p);

  ASSERT_TRUE(Frame().OnCommand(ids::kImageArrayOutlier));
  ASSERT_EQ(group.Settings().SHOW_OUTLIER, 1);
  EXPECT_TRUE(Frame().CommandUi(ids::kImageArrayOutlier).checked);
  const QImage shot = view.viewport()->grab().toImage();
  std::set<std::pair<int, int>> seenMagenta;
  std::set<std::pair<int, int>> seenWhite;
  for (int y = 0; y < mChip.dimension; ++y)
    for (int x = 0; x < mChip.dimension; ++x) {
      const QRgb pixel = shot.pixel(x, y) & 0xFFFFFFu;
      if (pixel == kOutlierProbeColour) seenMagenta.insert({x, y});
      if (pixel == kOutlierArrayColour) seenWhite.insert({x, y});
    }
  EXPECT_EQ(seenMagenta, magenta);
  EXPECT_EQ(seenWhite, white);

  QTest::keyClick(&view, Qt::Key_O);  // off again by its key
  EXPECT_FALSE(Frame().CommandUi(ids::kImageArrayOutlier).checked);
}

TEST_F(CelViewTest, TheStatusLineTellsTheCellUnderTheMouse) {
  CCelView& view = ShowGroup();
  const synth::ExpectedLayout layout = synth::Expect(mChip);
  constexpr int unit = 3;
  const synth::ProbePair& pair = mChip.units[unit].blocks[0].pairs[2];
  const std::string gene =
      "[Gene " + mChip.units[unit].name + ", " + std::string(1, mTruth.present[unit]) + "] ";
  const auto intensity = [&](int x, int y) {
    return "[Intensity: " + std::to_string(Intensity(kSpotArray, x, y)) + "]";
  };
  const auto cell = [](int x, int y) {
    return "[array02] [Cell " + std::to_string(x) + "," + std::to_string(y) + "] ";
  };
  // A cell of no probe set away from the corner, so that it stays in the window below.
  const auto qc = std::find_if(layout.cells.begin(), layout.cells.end(), [&](const auto& c) {
    const auto i = static_cast<int>(&c - layout.cells.data());
    return c.unit < 0 && i / mChip.dimension >= 10 && i % mChip.dimension >= 10;
  });
  ASSERT_NE(qc, layout.cells.end());
  const int qcX = static_cast<int>(qc - layout.cells.begin()) / mChip.dimension;
  const int qcY = static_cast<int>(qc - layout.cells.begin()) % mChip.dimension;

  QWidget* window = view.viewport();
  QTest::mouseMove(window, QPoint(pair.pm.x, pair.pm.y));
  EXPECT_EQ(Status(),
            cell(pair.pm.x, pair.pm.y) + gene + "[PM 2] " + intensity(pair.pm.x, pair.pm.y));
  QTest::mouseMove(window, QPoint(qcX, qcY));
  EXPECT_EQ(Status(), cell(qcX, qcY) + "[Quality Control] " + intensity(qcX, qcY));
  QTest::mouseMove(window, QPoint(mChip.dimension + 3, 4));
  EXPECT_EQ(Status(), std::string("[array02] ") + kCelOutsideHint);

  // Zoomed in and scrolled, the mismatch cell under the mouse; a left click makes its
  // probe set current and shows its cells at once.
  QTest::keyClick(&view, Qt::Key_Right);
  QTest::keyClick(&view, Qt::Key_Right);  // pixel size 3
  view.horizontalScrollBar()->setValue(10);
  view.verticalScrollBar()->setValue(5);
  const QPoint scroll(view.horizontalScrollBar()->value(), view.verticalScrollBar()->value());
  ASSERT_GT(scroll.y(), 0);
  const QPoint onMismatch = QPoint(pair.mm.x * 3 + 2, pair.mm.y * 3 + 1) - scroll;
  QTest::mouseMove(window, onMismatch);
  EXPECT_EQ(Status(),
            cell(pair.mm.x, pair.mm.y) + gene + "[MM 2] " + intensity(pair.mm.x, pair.mm.y));
  QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, onMismatch);
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, unit);
  EXPECT_TRUE(view.BlinkShown());
  // A click on a cell of no probe set changes nothing.
  QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(qcX * 3, qcY * 3) - scroll);
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, unit);
}

TEST_F(CelViewTest, KeysStepArraysAndProbeSetsZoomAndClear) {
  CCelView& view = ShowGroup(200, 400, 3);
  GroupSettings& settings = TheGroup().Settings();
  const auto& items = Frame().LeftView().ArrayItems();
  ASSERT_EQ(items.size(), 3u);
  QTest::keyClick(&view, Qt::Key_PageDown);
  EXPECT_EQ(settings.CUR_ARRAY, 2);
  EXPECT_EQ(Frame().LeftView().currentItem(), items[2]);
  QTest::keyClick(&view, Qt::Key_PageDown);  // round to the first
  EXPECT_EQ(settings.CUR_ARRAY, 0);
  QTest::keyClick(&view, Qt::Key_PageUp);
  EXPECT_EQ(settings.CUR_ARRAY, 2);
  EXPECT_EQ(Frame().LeftView().currentItem(), items[2]);
  EXPECT_EQ(Frame().CurrentViewIndex(), VIEW_CEL);
  EXPECT_EQ(Status().rfind("[array03] ", 0), 0u) << Status();

  settings.CUR_UNIT = 0;
  QTest::keyClick(&view, Qt::Key_Home);  // round to the last
  EXPECT_EQ(settings.CUR_UNIT, 399);
  QTest::keyClick(&view, Qt::Key_End);
  EXPECT_EQ(settings.CUR_UNIT, 0);

  // Up from 3 gives 1, and does nothing at 1, nor does Left.
  for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Up, Qt::Key_Up, Qt::Key_Left})
    QTest::keyClick(&view, key);
  EXPECT_EQ(settings.CEL_PIXEL_SIZE, 1);
  // Zoomed in, the current probe set's middle pair comes to the middle of the window.
  settings.CUR_UNIT = 200;
  QTest::keyClick(&view, Qt::Key_Down);
  QTest::keyClick(&view, Qt::Key_Down);  // 11
  ASSERT_EQ(settings.CEL_PIXEL_SIZE, 11);
  const auto& pairs = mChip.units[200].blocks[0].pairs;
  const synth::ProbeCell& middle = pairs[pairs.size() / 2].pm;
  const QSize window = view.viewport()->size();
  EXPECT_EQ(view.horizontalScrollBar()->value(), std::clamp(middle.x * 11 - window.width() / 2, 0,
                                                            view.horizontalScrollBar()->maximum()));
  EXPECT_EQ(view.verticalScrollBar()->value(), std::clamp(middle.y * 11 - window.height() / 2, 0,
                                                          view.verticalScrollBar()->maximum()));
  QTest::keyClick(&view, Qt::Key_Up);
  QTest::keyClick(&view, Qt::Key_Up);
  QTest::keyClick(&view, Qt::Key_Up);
  EXPECT_EQ(settings.CEL_PIXEL_SIZE, 1);

  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(settings.CUR_UNIT, -1);
  ASSERT_TRUE(Frame().OnCommand(ids::kImageProbeTogether));
  EXPECT_EQ(settings.SHOW_PROBE_TOGETHER, 1);
  EXPECT_TRUE(Frame().CommandUi(ids::kImageProbeTogether).checked);
  EXPECT_TRUE(TogetherMaps.Built());
  EXPECT_EQ(view.Cache().Count(), 1) << "the cache was emptied, then the shown array built";
  // Each cell shows at the place the maps give it.
  int low = 0;
  int high = 0;
  GetCelDisplayRange(2, &low, &high);
  const QImage together = view.viewport()->grab().toImage();
  const synth::ProbeCell& pm = mChip.units[7].blocks[0].pairs[0].pm;
  const MapPosition shown = TogetherMaps.DisplayOf(pm.x, pm.y);
  ASSERT_GE(shown.x, 0);
  EXPECT_EQ(together.pixel(shown.x, shown.y) & 0xFFFFFFu,
            LevelRgb(ExpectedLevel(Intensity(2, pm.x, pm.y), low, high)));
  QTest::keyClick(&view, Qt::Key_P);
  EXPECT_EQ(settings.SHOW_PROBE_TOGETHER, 0);
  QTest::keyClick(&view, Qt::Key_Return);
  EXPECT_NE(Frame().CurrentViewIndex(), VIEW_CEL);
}

TEST_F(CelViewTest, TheCurrentProbeSetBlinksExceptWhileAnAnalysisRuns) {
  CCelView& view = ShowGroup(120, 150, 2);
  constexpr int unit = 4;
  TheGroup().Settings().CUR_UNIT = unit;
  view.Refresh(false);
  const bool before = view.BlinkShown();
  QTRY_COMPARE_WITH_TIMEOUT(view.BlinkShown(), !before, 1500);
  // Shown, the cells are white at pixel size 1, both cells of every pair.
  QTRY_COMPARE_WITH_TIMEOUT(view.BlinkShown(), true, 1500);
  const QImage shot = view.viewport()->grab().toImage();
  for (const synth::ProbePair& pair : mChip.units[unit].blocks[0].pairs) {
    EXPECT_EQ(shot.pixel(pair.pm.x, pair.pm.y) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(shot.pixel(pair.mm.x, pair.mm.y) & 0xFFFFFFu, 0xFFFFFFu);
  }
  AnalysisRunning = 1;
  QTest::qWait(1100);
  EXPECT_TRUE(view.BlinkShown());
}

TEST_F(CelViewTest, AFortyFirstArrayTakesTheSlotOfARandomCachedImage) {
  CCelView& view = ShowGroup(40, 30, kCelImageCacheSlots + 1);
  for (int array = 0; array < kCelImageCacheSlots; ++array) view.ShowArray(array);
  EXPECT_EQ(view.Cache().Count(), kCelImageCacheSlots);
  platform::SeedRand(5);
  const int evicted = platform::Rand() % kCelImageCacheSlots;
  platform::SeedRand(5);
  view.ShowArray(kCelImageCacheSlots);
  EXPECT_EQ(view.Cache().Count(), kCelImageCacheSlots);
  ASSERT_NE(view.Cache().Find(kCelImageCacheSlots), nullptr);
  for (int array = 0; array < kCelImageCacheSlots; ++array)
    EXPECT_EQ(view.Cache().Find(array) == nullptr, array == evicted) << array;
}

TEST_F(CelViewTest, PaintingNeitherPumpsNorBuildsImages) {
  CCelView& view = ShowGroup(200, 400, 3);
  PumpCounter pumps;
  // Shown from elsewhere: the paint draws background and leaves the image to be built
  // after it.
  TheGroup().Settings().CUR_ARRAY = 2;
  view.viewport()->repaint();
  EXPECT_EQ(view.Cache().Find(2), nullptr);
  QApplication::processEvents();
  EXPECT_NE(view.Cache().Find(2), nullptr);
  int seen = 0;
  EXPECT_EQ(CompareWithTruth(view, &seen), 0);
  view.RebuildImages();
  view.viewport()->repaint();
  EXPECT_EQ(pumps.count, 0);
}

TEST_F(CelViewTest, FindGeneMovesToItsProbeSetAndAFailedSearchKeepsTheCurrentOne) {
  ShowGroup();
  for (const auto& [name, unit] :
       {std::pair{mChip.units[300].name, 300}, std::pair{std::string("NoSuchProbeSet"), 300}}) {
    prompts.dialogAnswer = [name](QDialog& dialog) {
      compare_events::Type(*Control<QLineEdit>(dialog, ids::kFindProbeSetName), name.c_str());
      compare_events::Click(*dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
      return dialog.result();
    };
    EXPECT_TRUE(Frame().OnCommand(ids::kFindGene));
    EXPECT_EQ(TheGroup().Settings().CUR_UNIT, unit) << name;
  }
  EXPECT_EQ(prompts.prompts.back().text.rfind(kNoProbeSetMatchMessage, 0), 0u);
}

TEST_F(CelViewTest, SaveQvfFileSaysWhenTheFileCannotBeWritten) {
  ShowGroup(120, 150, 2);
  const auto save = [&] {
    EXPECT_TRUE(Frame().OnCommand(ids::kImageSaveQvfFile));
    return prompts.prompts.empty() ? std::string() : prompts.prompts.back().text;
  };
  // The array's data file is not there to read.
  EXPECT_EQ(save(), kQvfFailedMessage);
  Frame().ShowView(VIEW_CEL);  // the failed read showed the log
  EXPECT_TRUE(Frame().CommandUi(ids::kImageSaveQvfFile).enabled);
  TheGroup().Normalized = true;
  EXPECT_FALSE(Frame().CommandUi(ids::kImageSaveQvfFile).enabled);
}

// Whether the cell's centre lies inside the polygon by the even-odd rule, in exact
// integer arithmetic (doubled coordinates put the centre on whole numbers).
bool CentreInside(const std::vector<std::pair<int, int>>& polygon, int x, int y) {
  const long long cx = 2LL * x + 1;
  const long long cy = 2LL * y + 1;
  bool inside = false;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const auto [ax, ay] = polygon[i];
    const auto [bx, by] = polygon[(i + 1) % polygon.size()];
    if ((2LL * ay > cy) == (2LL * by > cy)) continue;
    // The crossing's x lies right of the centre.
    const long long left = (cx - 2LL * ax) * (by - ay);
    const long long right = (cy - 2LL * ay) * (bx - ax);
    if (by > ay ? left < right : left > right) inside = !inside;
  }
  return inside;
}

TEST_F(CelViewTest, ARegionDrawnWithTheMouseMasksTheCellsInsideIt) {
  CCelView& view = ShowGroup();
  TheImageRegion().Reset();
  QTest::keyClick(&view, Qt::Key_Right);
  QTest::keyClick(&view, Qt::Key_Right);
  QTest::keyClick(&view, Qt::Key_Right);  // pixel size 4
  view.horizontalScrollBar()->setValue(24);
  view.verticalScrollBar()->setValue(16);
  const QPoint scroll(view.horizontalScrollBar()->value(), view.verticalScrollBar()->value());
  QWidget* window = view.viewport();
  const auto at = [&](int x, int y) { return QPoint(x * 4 + 1, y * 4 + 2) - scroll; };
  const std::vector<std::pair<int, int>> polygon = {{20, 15}, {61, 18}, {70, 50},
                                                    {41, 66}, {23, 58}, {15, 45}};
  for (std::size_t i = 0; i + 1 < polygon.size(); ++i) {
    const auto [x, y] = polygon[i];
    QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, at(x, y));
    const auto [nx, ny] = polygon[i + 1];
    QTest::mouseMove(window, at((x + nx) / 2, (y + ny) / 2));
    QTest::mouseMove(window, at(nx, ny));
  }
  EXPECT_TRUE(TheImageRegion().InProgress());
  EXPECT_EQ(TheImageRegion().RubberEnd(), (CellPoint{15, 45}));
  // A double click is a click, then the double-click event (which QTest sends alone).
  QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, at(15, 45));
  QTest::mouseDClick(window, Qt::RightButton, Qt::NoModifier, at(15, 45));
  ASSERT_TRUE(TheImageRegion().IsClosed());
  ASSERT_EQ(TheImageRegion().PointCount(), static_cast<int>(polygon.size()));
  int inside = 0;
  for (int x = 0; x < mChip.dimension; ++x)
    for (int y = 0; y < mChip.dimension; ++y) {
      const bool expected = CentreInside(polygon, x, y);
      inside += expected ? 1 : 0;
      EXPECT_EQ(TheImageRegion().MaskLevel(x, y) == kMaskInside, expected) << x << "," << y;
    }
  EXPECT_GT(inside, 1000);

  // The outline is drawn inverted over the cells, so a cell the outline passes an even
  // number of times shows its own colour again.
  int low = 0;
  int high = 0;
  GetCelDisplayRange(kSpotArray, &low, &high);
  std::map<std::pair<int, int>, int> passes;
  for (const CellPoint& cell : TheImageRegion().OutlineCells()) ++passes[{cell.x, cell.y}];
  ASSERT_GT(passes.size(), 100u);
  const QImage outlined = window->grab().toImage();
  for (int x = 10; x < 75; ++x)
    for (int y = 10; y < 70; ++y) {
      const auto found = passes.find({x, y});
      const bool inverted = found != passes.end() && found->second % 2 == 1;
      const QRgb colour = LevelRgb(ExpectedLevel(Intensity(kSpotArray, x, y), low, high));
      for (const QPoint corner : {QPoint(0, 0), QPoint(3, 3)})
        EXPECT_EQ(outlined.pixel(at(x, y) - QPoint(1, 2) + corner) & 0xFFFFFFu,
                  inverted ? colour ^ 0xFFFFFFu : colour)
            << x << "," << y;
    }
  SaveScreenshot("cel_view_zoomed_region.png");

  // The edits are offered for the closed region; Replace Value puts the other arrays'
  // values into the inside cells, and the image shows them at once.
  const auto enabled = [&](int id) { return Frame().CommandUi(id).enabled; };
  EXPECT_TRUE(enabled(ids::kImageGradientCorrection));
  EXPECT_TRUE(enabled(ids::kImageReplaceValue));
  EXPECT_FALSE(enabled(ids::kImageUndoLast));
  ASSERT_TRUE(Frame().OnCommand(ids::kImageReplaceValue));
  EXPECT_TRUE(enabled(ids::kImageUndoLast));
  const std::vector<std::uint16_t>& plane = TheGroup().Array(kSpotArray).intensities;
  GetCelDisplayRange(kSpotArray, &low, &high);
  const QImage replaced = window->grab().toImage();
  int changed = 0;
  for (int x = 16; x < 70; ++x)
    for (int y = 16; y < 66; ++y) {
      if (TheImageRegion().MaskLevel(x, y) != kMaskInside) continue;
      const int value = plane[mTruth.CellIndex(x, y)];
      changed += value != Intensity(kSpotArray, x, y) ? 1 : 0;
      const QPoint pixel = at(x, y) + QPoint(1, 0);  // off the outline's corner pixel
      const QRgb shown = replaced.pixel(pixel) & 0xFFFFFFu;
      const QRgb colour = LevelRgb(ExpectedLevel(value, low, high));
      EXPECT_TRUE(shown == colour || shown == (colour ^ 0xFFFFFFu)) << x << "," << y;
    }
  EXPECT_GT(changed, 100);
  ASSERT_TRUE(Frame().OnCommand(ids::kImageUndoLast));
  EXPECT_FALSE(enabled(ids::kImageUndoLast));
  for (const auto& [x, y] : mTruth.spots[0].cells)
    EXPECT_EQ(plane[mTruth.CellIndex(x, y)], kSpot.value);
  EXPECT_EQ(plane, mTruth.arrays[kSpotArray].intensities);

  EXPECT_TRUE(enabled(ids::kImageScaleCelValue));
  EXPECT_TRUE(enabled(ids::kImageSaveQvfFile));
  TheGroup().Normalized = true;
  for (const int id :
       {ids::kImageGradientCorrection, ids::kImageReplaceValue, ids::kImageSaveQvfFile})
    EXPECT_FALSE(enabled(id)) << id;
  TheGroup().Normalized = false;

  // Esc drops the closed region and its outline; the picture is the planted one again.
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_FALSE(TheImageRegion().IsClosed());
  EXPECT_FALSE(enabled(ids::kImageGradientCorrection));
  int seen = 0;
  EXPECT_EQ(CompareWithTruth(view, &seen), 0);
  // A left click while drawing drops the polygon being drawn.
  QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, at(30, 30));
  QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, at(40, 30));
  ASSERT_TRUE(TheImageRegion().InProgress());
  QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at(35, 40));
  EXPECT_FALSE(TheImageRegion().InProgress());
  QTest::keyClick(&view, Qt::Key_Escape);  // no probe set blinks
  EXPECT_EQ(CompareWithTruth(view, &seen), 0);
}

}  // namespace

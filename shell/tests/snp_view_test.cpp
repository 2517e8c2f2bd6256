// The SNP view on a generated SNP group: every array's point at the pixel the scaling of
// its fitted pair gives, in its call's colour; the current array's bars at the heights its
// block values give; real keys and mouse events; refused SNPs; the screenshot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/probe_block_column.hpp"
#include "engine/group/group.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/info/snp_block_data.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/genome/snp_bar_chart.hpp"
#include "shell/views/genome/snp_view.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/installed_array_group.hpp"

namespace {

// The call colours as the user sees them, written out apart from the program's.
QColor ExpectedCallColour(int call) {
  switch (call) {
    case 0:
      return {255, 0, 0};
    case 1:
      return {0, 0, 255};
    case 2:
      return {255, 255, 0};
    default:
      return {0, 0, 0};
  }
}

int ExpectedCentre(double value, double low, double high, int size, int half) {
  if (high == low) return size / 2;
  return static_cast<int>(half + 1 + (value - low) * (size - 2 * (half + 1)) / (high - low));
}

QImage Picture(SnpView& view) {
  const ScatterLayout& layout = view.PictureLayout();
  QImage image(layout.width, layout.height + layout.height / 4 + 1, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  view.Draw(painter, false);
  return image;
}

class SnpViewTest : public ShellTest {
 protected:
  void TearDown() override {
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
  }

  SnpView& ShowSnpGroup(int arrays) {
    synth::ChipOptions options;
    options.kind = synth::ChipKind::kSnp2;
    options.dimension = 60;
    options.unitCount = 10;
    options.seed = 5;
    options.minPairs = 12;
    options.maxPairs = 40;
    const auto chip = synth::MakeChip(options);
    EXPECT_TRUE(chip);
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = arrays;
    groupOptions.noise = 0.3;
    synth::InstallArrayGroup(*chip, synth::MakeArrayGroup(*chip, groupOptions));
    TheGroup().Settings().CUR_UNIT = 0;
    TheGroup().Settings().CUR_ARRAY = 2;
    CMainFrame& frame = OpenFrame();
    frame.ShowView(VIEW_SNP);
    auto* view = dynamic_cast<SnpView*>(frame.RightViews(VIEW_SNP));
    EXPECT_NE(view, nullptr);
    view->setFocus();
    QApplication::processEvents();
    return *view;
  }

  std::string Status() const { return mFrame->StatusPaneText(0).toStdString(); }
};

// Points at their scaled pixels in their calls' colours, and the current array's bars.
void CheckPicture(SnpView& view) {
  const ScatterLayout& layout = view.PictureLayout();
  const auto points = SnpBlockData.Points();
  const int arrays = TheGroup().NumArrays();
  ASSERT_EQ(static_cast<int>(points.size()), arrays);
  ASSERT_EQ(static_cast<int>(view.Boxes().size()), arrays);
  float lowX = 1e30f, highX = -1e30f, lowY = 1e30f, highY = -1e30f;
  for (const RowEffectPair& p : points) {
    lowX = std::min(lowX, p.first), highX = std::max(highX, p.first);
    lowY = std::min(lowY, -p.second), highY = std::max(highY, -p.second);
  }
  const QImage image = Picture(view);
  const QFontMetrics metrics(ScatterLabelFont(layout.half));
  const int unit = SnpView::ShownUnit();
  int seen = 0;
  for (int a = 0; a < arrays; ++a) {
    const RowEffectPair p = points[static_cast<std::size_t>(a)];
    const int x = ExpectedCentre(p.first, lowX, highX, layout.width, layout.half);
    const int y = ExpectedCentre(-p.second, lowY, highY, layout.height, layout.half);
    const ScatterBox& box = view.Boxes()[static_cast<std::size_t>(a)];
    EXPECT_NEAR(box.CentreX(), x, 1) << a;
    EXPECT_NEAR(box.CentreY(), y, 1) << a;
    // Only a centre that no later box or label covers shows its own colour.
    bool covered = false;
    for (int k = a + 1; k < arrays; ++k)
      covered = covered || view.Boxes()[static_cast<std::size_t>(k)].Contains(x, y);
    for (int k = 0; k < arrays; ++k)
      covered = covered || ScatterLabelRect(metrics, view.Boxes()[static_cast<std::size_t>(k)],
                                            TheGroup().Array(k).name, layout)
                               .adjusted(-1, -1, 1, 1)
                               .contains(x, y);
    if (covered) continue;
    ++seen;
    EXPECT_EQ(image.pixelColor(x, y), ExpectedCallColour(TheGroup().Array(a).calls[unit])) << a;
  }
  EXPECT_GT(seen, arrays / 2);

  const int w = layout.width, h = layout.height;
  const int bottom = h + h / 4 - 1;
  EXPECT_EQ(image.pixelColor(w / 2, h - 1), QColor(Qt::black)) << "the chart's frame";
  EXPECT_EQ(image.pixelColor(w / 2, bottom), QColor(Qt::black));
  const int array = TheGroup().Settings().CUR_ARRAY;
  const int slot = w / (SnpBlockData.blockCount * 5);
  const QColor colours[] = {{200, 200, 200}, {255, 0, 0}, {0, 0, 255}, {200, 200, 200}};
  int bars = 0;
  for (int b = 0; b < SnpBlockData.blockCount; ++b) {
    SnpBlockData.GetBlockValues(std::max(array, 0), b);
    for (int v = 0; v < 4; ++v) {
      const int left = slot / 2 + 5 * slot * b + v * slot + 1;
      const int tall =
          static_cast<int>((h / 4) * double{SnpBlockData.block[v]} / SnpBlockData.maxValue);
      if (array < 0 || tall < 2) {
        EXPECT_EQ(image.pixelColor(left, bottom - 1), QColor(Qt::white)) << b << " " << v;
        continue;
      }
      ++bars;
      EXPECT_EQ(image.pixelColor(left, bottom - 1), colours[v]) << b << " " << v;
      EXPECT_EQ(image.pixelColor(left, bottom - tall + 1), colours[v]) << b << " " << v;
      EXPECT_EQ(image.pixelColor(left, bottom - tall), QColor(Qt::white)) << b << " " << v;
    }
  }
  if (array >= 0) {
    EXPECT_GT(bars, SnpBlockData.blockCount);
  }
}

TEST_F(SnpViewTest, PointsAndBarsOfEverySnpAsEndStepsThroughThem) {
  SnpView& view = ShowSnpGroup(16);
  const int units = static_cast<int>(Layout.units.size());
  for (int step = 0; step < units; ++step) {
    SCOPED_TRACE(step);
    ASSERT_EQ(TheGroup().Settings().CUR_UNIT, step);
    ASSERT_EQ(SnpBlockData.row, step);
    ASSERT_TRUE(SnpBlockData.Loaded());
    CheckPicture(view);
    if (step == 3) {
      TheGroup().Settings().CUR_ARRAY = -1;  // the chart keeps only its frame
      CheckPicture(view);
      TheGroup().Settings().CUR_ARRAY = step;
    }
    QTest::keyClick(&view, Qt::Key_End);
  }
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, 0) << "End on the last unit goes round";
  QTest::keyClick(&view, Qt::Key_Home);
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, units - 1);
}

TEST_F(SnpViewTest, KeysAndMouseChooseTheArrayAndTheStatusNamesItsCall) {
  SnpView& view = ShowSnpGroup(8);
  TheGroup().Settings().CUR_ARRAY = 0;
  const std::pair<Qt::Key, int> pages[] = {{Qt::Key_PageUp, 7},   {Qt::Key_PageDown, 0},
                                           {Qt::Key_PageDown, 1}, {Qt::Key_Escape, -1},
                                           {Qt::Key_PageUp, 7},   {Qt::Key_Escape, -1}};
  for (const auto& [key, array] : pages) {
    QTest::keyClick(&view, key);
    EXPECT_EQ(TheGroup().Settings().CUR_ARRAY, array);
  }
  const std::string unitName(Layout.units[0].Name());
  view.resize(900, 900);
  QApplication::processEvents();
  // Nothing under the pointer and no current array: the unit alone.
  QTest::mouseMove(view.Canvas(), QPoint(2, view.PictureLayout().height + 20));
  EXPECT_EQ(Status(), "[Unit " + unitName + "]");
  int hovered = 0;
  for (const int a : {3, 6}) {
    const ScatterBox& box = view.Boxes()[static_cast<std::size_t>(a)];
    const QPoint centre(box.CentreX(), box.CentreY());
    view.horizontalScrollBar()->setValue(std::max(0, centre.x() - 300));
    view.verticalScrollBar()->setValue(std::max(0, centre.y() - 300));
    QApplication::processEvents();
    QTest::mouseMove(view.Canvas(), centre);
    if (FindScatterBox(view.Boxes(), 0, centre.x(), centre.y()) != a) continue;  // overlapped
    const std::string call(kSnpCallNames[static_cast<std::size_t>(TheGroup().Array(a).calls[0])]);
    EXPECT_EQ(Status(), "[Unit " + unitName + "] [" + TheGroup().Array(a).name +
                            "] [SNP call: " + call + "]");
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(TheGroup().Settings().CUR_ARRAY, a);
    ++hovered;
  }
  EXPECT_GT(hovered, 0);
  EXPECT_TRUE(view.UpdateCommand(ids::kFindGene)->enabled);
  EXPECT_EQ(view.ExportPicture().size,
            QSize(view.PictureLayout().width, view.PictureLayout().height * 5 / 4));
}

TEST_F(SnpViewTest, ARefusedSnpDrawsNoPointsOrBarsAndSaysSoOnce) {
  SnpView& view = ShowSnpGroup(6);
  const QSize picture(view.PictureLayout().width, view.PictureLayout().height);
  for (const int pairs : {1, 0, 42}) {
    SCOPED_TRACE(pairs);
    Layout.units[1].pairCount = static_cast<std::int16_t>(pairs);
    TheGroup().Settings().CUR_ARRAY = 1;
    CapturedLog log;
    QTest::keyClick(&view, Qt::Key_End);  // to unit 1
    for (int paint = 0; paint < 3; ++paint) {
      view.Canvas()->repaint();
      const QImage image = Picture(view);
      // Inside the frames all is white: no point, no bar.
      int coloured = 0;
      for (int y = 2; y < picture.height() + picture.height() / 4 - 2; y += 2)
        for (int x = 2; x < picture.width() - 4; x += 2)
          coloured += y != picture.height() - 1 && image.pixelColor(x, y) != QColor(Qt::white);
      EXPECT_EQ(coloured, 0);
    }
    EXPECT_EQ(log.CountInColour(kLogRed), 1);
    EXPECT_TRUE(log.ContainsRed(pairs > 2 ? kMaxMiniBlockMessage : kTooFewSnpPairsMessage));
    EXPECT_TRUE(view.Boxes().empty());
    QTest::mouseMove(view.Canvas(), QPoint(5, 5));
    EXPECT_EQ(
        Status(),
        "[Unit " + std::string(Layout.units[1].Name()) + "] [" + TheGroup().Array(1).name +
            "] [SNP call: " +
            std::string(kSnpCallNames[static_cast<std::size_t>(TheGroup().Array(1).calls[1])]) +
            "]");
    QTest::keyClick(&view, Qt::Key_Home);
    ASSERT_TRUE(SnpBlockData.Loaded());
  }
}

TEST_F(SnpViewTest, FindGeneShowsTheSnpFoundAndAFailedSearchShowsTheFirst) {
  SnpView& view = ShowSnpGroup(6);
  for (const auto& [name, unit] : {std::pair{std::string(Layout.units[7].Name()), 7},
                                   std::pair{std::string("NoSuchSnp"), 0}}) {
    SCOPED_TRACE(name);
    TheGroup().Settings().CUR_UNIT = 4;
    prompts.dialogAnswer = [name](QDialog& dialog) {
      compare_events::Type(*Control<QLineEdit>(dialog, ids::kFindProbeSetName), name.c_str());
      compare_events::Click(*dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
      return dialog.result();
    };
    EXPECT_TRUE(mFrame->OnCommand(ids::kFindGene));
    view.Canvas()->repaint();
    EXPECT_EQ(TheGroup().Settings().CUR_UNIT, unit);
    EXPECT_EQ(SnpBlockData.row, unit);
  }
}

// Gives every array's probes of the unit the allele signals of its call: strong for the
// called allele, both halfway for AB, faint for no call; mismatches at background.
void PlantCallSignals(int unit) {
  const auto pairs = Layout.Positions(unit);
  const int n = static_cast<int>(pairs.size());
  for (int a = 0; a < TheGroup().NumArrays(); ++a) {
    ArraySlot& slot = TheGroup().Array(a);
    const int call = slot.calls[static_cast<std::size_t>(unit)];
    for (int p = 0; p < n; ++p) {
      const bool alleleA =
          MapProbeToBlockColumn(n, p, true, CentrePairCount(unit), ArrayType).row ==
          kBlockRowPerfectA;
      const int called = call == kSnpCallA    ? (alleleA ? 3000 : 300)
                         : call == kSnpCallB  ? (alleleA ? 300 : 3000)
                         : call == kSnpCallAB ? 1600
                                              : 700;
      const int wobble = (a * 37 + p * 11) % 97;
      const auto& pair = pairs[static_cast<std::size_t>(p)];
      slot.intensities[Layout.CellIndex(pair[1].x, pair[1].y)] =
          static_cast<std::uint16_t>(called + wobble);
      slot.intensities[Layout.CellIndex(pair[0].x, pair[0].y)] =
          static_cast<std::uint16_t>(150 + wobble / 2);
    }
  }
}

TEST_F(SnpViewTest, CallsFormClustersAlongTheFirstFitAndTheScreenshotShowsThem) {
  SnpView& view = ShowSnpGroup(24);
  mFrame->InsertViewItem(VIEW_SNP, "SNP", 15);
  mFrame->SelectViewItem(VIEW_SNP);
  mFrame->resize(1000, 900);
  PlantCallSignals(2);
  TheGroup().Settings().CUR_UNIT = 2;
  TheGroup().Settings().CUR_ARRAY = 4;
  view.OnInitialUpdate();
  // The A and B arrays lie at the two ends of the picture, AB between them.
  std::array<std::pair<int, int>, 3> range{};  // smallest and largest centre x per call
  range.fill({1 << 30, -1});
  for (int a = 0; a < TheGroup().NumArrays(); ++a) {
    const int call = TheGroup().Array(a).calls[2];
    if (call > kSnpCallAB) continue;
    const int x = view.Boxes()[static_cast<std::size_t>(a)].CentreX();
    range[call] = {std::min(range[call].first, x), std::max(range[call].second, x)};
  }
  for (const auto& [low, high] : range) ASSERT_GE(high, 0) << "a call with no array";
  const bool aLeft = range[kSnpCallA].second < range[kSnpCallB].first;
  const auto& left = range[aLeft ? kSnpCallA : kSnpCallB];
  const auto& right = range[aLeft ? kSnpCallB : kSnpCallA];
  EXPECT_LT(left.second, range[kSnpCallAB].first);
  EXPECT_LT(range[kSnpCallAB].second, right.first);

  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  QApplication::processEvents();
  SaveScreenshot(mFrame->grab().toImage(), "snp_view.png");
  SaveScreenshot(Picture(view), "snp_view_picture.png");
  CheckPicture(view);
}

}  // namespace

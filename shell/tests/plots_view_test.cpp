// The plots view reviewing the normalisation of generated arrays whose brightness curves
// are known: the hint before any plot, the four plots with every probe cell and the
// pairs of the engine's invariant set drawn over them, the curve, the block logged once
// per baseline, a picture for people to look at, and Enter moving to the next view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include "engine/array/normalizer.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/load_cdf.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/tests/synth_group_files.hpp"
#include "shell/views/r/plots_view.hpp"

namespace {

class PlotsViewTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    GroupSettings& settings = TheGroup().Settings();
    settings.LOAD_PROBE_DATA = 1;
    settings.WORKING_DIR = Folder();
    settings.NORM_METHOD = 0;
    mFiles = WriteSynthGroup(Folder(), "liver", 3);
    CdfLoadSettings load;
    ASSERT_TRUE(LoadCdf(mFiles.cdfPath, false, "", load));
    for (std::size_t a = 0; a < mFiles.celPaths.size(); ++a) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot.dataFile = mFiles.celPaths[a];
      slot.name = mFiles.names[a];
      ASSERT_TRUE(TheGroup().CountArray());
    }
    TheGroup().HasProbeData = true;
  }
  void TearDown() override {
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
    Normalizer.FreeCurve();
  }

  PlotsView& ShowPlots(CMainFrame& frame) {
    frame.ShowView(VIEW_PLOTS);
    auto* view = dynamic_cast<PlotsView*>(frame.RightViews(VIEW_PLOTS));
    EXPECT_NE(view, nullptr);
    return *view;
  }

  int ProbeCells() const {
    int count = 0;
    for (const CELL_RECORD& cell : Layout.cells) count += cell.kind != kCellNoUnit ? 1 : 0;
    return count;
  }

  int Count(const std::string& line) const {
    const std::vector<std::string> lines = LogLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }

  SynthGroupFiles mFiles;
};

TEST_F(PlotsViewTest, FourPlotsShowEveryProbeCellAndTheInvariantSet) {
  CMainFrame& frame = OpenFrame();
  PlotsView& view = ShowPlots(frame);
  EXPECT_FALSE(view.Ready());
  EXPECT_TRUE(view.Plots().empty());

  TheGroup().Settings().CUR_ARRAY = 1;
  TheGroup().NormPlot.array = 0;
  ASSERT_TRUE(view.PreparePlots());
  EXPECT_TRUE(view.Ready());
  EXPECT_EQ(AnalysisRunning, 0);
  const std::size_t used = Normalizer.Points().size();
  ASSERT_GT(used, 0u);
  ASSERT_EQ(view.Plots().size(), 4u);
  const std::vector<PlotSummary>& plots = view.Plots();
  for (int p = 0; p < 2; ++p) {
    SCOPED_TRACE(p);
    EXPECT_EQ(plots[p].points, ProbeCells());
    EXPECT_EQ(plots[p].usedPoints, static_cast<int>(used));
  }
  // The M-A plots leave out only pairs without a logarithm, which the cells do not have.
  EXPECT_EQ(plots[2].usedPoints, static_cast<int>(used));
  EXPECT_EQ(plots[0].curvePoints, kCurveKnots + 2);
  EXPECT_EQ(plots[0].title.rfind("X: liver02 raw, Y: baseline liver01 raw, Correlation: 0.", 0), 0u)
      << plots[0].title;
  EXPECT_EQ(plots[2].title, "M-A plot before normalization");
  for (const PlotSummary& plot : plots) {
    EXPECT_GT(plot.correlation, -1.0) << plot.title;
    EXPECT_LE(plot.correlation, 1.0) << plot.title;
  }

  EXPECT_EQ(Count("{Normalization plot using Invariant set normalization"), 1);
  EXPECT_EQ(Count("  Baseline: 'liver01', array to normalize: 'liver02'"), 1);
  EXPECT_EQ(Count("    Making plots..."), 1);
  EXPECT_EQ(Count("Finished}"), 1);

  // The next array against the kept baseline opens no second block.
  TheGroup().Settings().CUR_ARRAY = 2;
  ASSERT_TRUE(view.PreparePlots());
  EXPECT_EQ(Count("{Normalization plot using Invariant set normalization"), 1);
  EXPECT_EQ(Count("    Making plots..."), 2);
  EXPECT_EQ(view.Plots()[0].title.rfind("X: liver03 raw", 0), 0u);

  // The baseline against itself is copied, not fitted: no pairs and no curve.
  TheGroup().Settings().CUR_ARRAY = 0;
  ASSERT_TRUE(view.PreparePlots());
  EXPECT_EQ(view.Plots()[0].usedPoints, 0);
  EXPECT_EQ(view.Plots()[0].curvePoints, 0);
  EXPECT_DOUBLE_EQ(view.Plots()[0].correlation, 1.0);
  TheGroup().Settings().CUR_ARRAY = 2;
  ASSERT_TRUE(view.PreparePlots());

  // For people to look at: the picture with the highlighted pairs in red.
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  const QString path = QStringLiteral(ZELKO_SCREENSHOT_DIR "/plots_view.png");
  ASSERT_TRUE(view.Picture().save(path));
  const QImage picture(path);
  EXPECT_EQ(picture.size(), QSize(PlotsView::kWidth, PlotsView::kHeight));
  int red = 0;
  for (int y = 0; y < picture.height(); y += 2)
    for (int x = 0; x < picture.width(); x += 2) {
      const QColor pixel = picture.pixelColor(x, y);
      red += pixel.red() > 200 && pixel.green() < 80 && pixel.blue() < 80 ? 1 : 0;
    }
  EXPECT_GT(red, 100);
}

TEST_F(PlotsViewTest, AFailedReviewShowsTheHintAndForgetsTheBaseline) {
  CMainFrame& frame = OpenFrame();
  PlotsView& view = ShowPlots(frame);
  TheGroup().Settings().CUR_ARRAY = 1;
  TheGroup().NormPlot.array = 0;
  ASSERT_TRUE(view.PreparePlots());
  // The array under review is gone.
  std::filesystem::remove(mFiles.celPaths[2]);
  TheGroup().Settings().CUR_ARRAY = 2;
  EXPECT_FALSE(view.PreparePlots());
  EXPECT_FALSE(view.Ready());
  EXPECT_TRUE(view.Plots().empty());
  // A reset lets the baseline go: the next review reads it again in a new block.
  view.Reset();
  TheGroup().Settings().CUR_ARRAY = 1;
  ASSERT_TRUE(view.PreparePlots());
  EXPECT_EQ(Count("{Normalization plot using Invariant set normalization"), 2);
}

TEST_F(PlotsViewTest, EnterMovesToTheNextView) {
  CMainFrame& frame = OpenFrame();
  frame.InsertViewItem(VIEW_PLOTS, "Plots", tree_image::kPlots);
  frame.InsertViewItem(VIEW_CEL, "CEL Image", tree_image::kCelImage);
  PlotsView& view = ShowPlots(frame);
  QTest::keyClick(&view, Qt::Key_Return);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);
}

TEST(PlotScales, CorrelationAndTicks) {
  const std::vector<double> x = {1, 2, 3, MISSING_VALUE, 4};
  const std::vector<double> y = {2, 4, 6, 5, 8};
  EXPECT_DOUBLE_EQ(PlotCorrelation(x, y), 1.0) << "the missing pair takes no part";
  const std::vector<double> flat = {3, 3, 3, 3, 3};
  EXPECT_EQ(PlotCorrelation(x, flat), -1.0);
  EXPECT_EQ(PlotCorrelation(std::vector<double>{5}, std::vector<double>{9}), 1.0);
  EXPECT_EQ(PlotCorrelation(std::vector<double>{}, std::vector<double>{}), -1.0);
  // 2 x 10^3 gives 4 ticks over 9000, halved to 1000: 9.
  EXPECT_EQ(TickStep(9000.0), 1000.0);
  EXPECT_EQ(TickStep(30000.0), 5000.0);
  EXPECT_EQ(TickStep(12.0), 2.0);
}

}  // namespace

// R's plots on the screen, with the real R child: the normalisation review of a group of
// expression values draws each array against the baseline in R, and while the user is
// asked to look, the device's window shows the whole plot: the array's points, its
// invariant set in red, the fitted curve in green and the diagonal in blue.
#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

#include "engine/jobs/normalize_arrays.hpp"
#include "engine/services/r_link.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/r/r_plot_window.hpp"
#include "tools/synth/model_data.hpp"

namespace {

constexpr int kArrays = 3;
constexpr int kProbeSets = 1500;

// Pixels of each of R's first colours (2 red, 3 green, 4 blue), allowing for smoothing.
struct ColourCounts {
  int red = 0;
  int green = 0;
  int blue = 0;
};

ColourCounts CountColours(const QImage& picture) {
  ColourCounts counts;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      counts.red += c.red() > c.green() + 60 && c.red() > c.blue() + 40 ? 1 : 0;
      counts.green += c.green() > c.red() + 40 && c.green() > c.blue() + 40 ? 1 : 0;
      counts.blue += c.blue() > c.red() + 60 && c.blue() > c.green() + 20 ? 1 : 0;
    }
  return counts;
}

class RPlotWindowTest : public ShellTest {
 protected:
  // A group of expression values only (no cells), each array a scaled copy of the
  // generated probe effects with noise.
  void MakeValueGroup() {
    synth::ModelDataOptions options;
    options.arrays = kArrays;
    options.probes = kProbeSets;
    options.seed = 8;
    options.lowestPhi = 0.1;
    options.highestPhi = 10.0;
    options.noise = 2.0;
    const synth::ModelDataTruth data = synth::MakeModelData(options);
    Group& group = TheGroup();
    for (int i = 0; i < kArrays; ++i) {
      ArraySlot& slot = group.NextArraySlot();
      slot.name = "v" + std::to_string(i);
      for (int u = 0; u < kProbeSets; ++u) {
        const auto value = static_cast<float>(data.Value(i, u));
        slot.values.push_back({value, 0.1f * value, 0});
      }
      ASSERT_TRUE(group.CountArray());
    }
    group.HasStdErrors = true;
    group.Modelled = true;
    group.Settings().VIEW_NORM_PLOT = 1;
  }
};

TEST_F(RPlotWindowTest, EachNormalizationPlotShowsInItsDeviceWindowWhileTheUserLooks) {
  CMainFrame& frame = OpenFrame();
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed by scripts/install-deps";
  MakeValueGroup();
  const QList<RPlotWindow*> before = frame.findChildren<RPlotWindow*>();
  std::vector<QImage> shown;
  std::vector<QImage> onScreen;
  prompts.onMessage = [&](std::string_view text) {
    if (text != kRPlotPrompt) return;
    QList<RPlotWindow*> windows = frame.findChildren<RPlotWindow*>();
    for (RPlotWindow* old : before) windows.removeAll(old);
    ASSERT_EQ(windows.size(), 1) << "one window for the one device";
    RPlotWindow& window = *windows.front();
    EXPECT_TRUE(window.isWindow());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isModal());
    shown.push_back(window.Picture());
    onScreen.push_back(window.grab().toImage());
  };
  prompts.AcceptDialogs();
  ASSERT_TRUE(frame.OnCommand(ids::kNormalize));
  EXPECT_TRUE(TheGroup().Normalized);
  ASSERT_EQ(shown.size(), static_cast<std::size_t>(kArrays - 1));
  for (std::size_t i = 0; i < shown.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(shown[i].size(), QSize(640, 480));
    for (const QImage& picture : {shown[i], onScreen[i]}) {
      const ColourCounts counts = CountColours(picture);
      EXPECT_GT(counts.red, 50) << "the invariant set";
      EXPECT_GT(counts.green, 50) << "the fitted curve";
      EXPECT_GT(counts.blue, 200) << "the diagonal";
    }
  }
  EXPECT_NE(shown[0], shown[1]) << "each array's own plot";
  SaveScreenshot(onScreen.back(), "r_plot_window.png");
  // The window stays up beside the main window after the job.
  QList<RPlotWindow*> windows = frame.findChildren<RPlotWindow*>();
  for (RPlotWindow* old : before) windows.removeAll(old);
  ASSERT_EQ(windows.size(), 1);
  EXPECT_TRUE(windows.front()->isVisible());
  EXPECT_EQ(windows.front()->Picture(), shown.back());
}

}  // namespace

// The R console with the real R: a generated group's expression values handed over with
// Get expression and summarised by typed commands, R's errors in its own words, a long
// command stopped by the Stop button and by Escape with R going on, plots in their
// windows, names that are not R code kept as data, and R missing from PATH. Keys and
// clicks are real events on the view's controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/stat_connector.hpp"
#include "platform/r_server.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/frame/left_view.hpp"
#include "shell/views/r/r_plot_window.hpp"
#include "shell/views/r/r_view.hpp"
#include "shell/views/r/r_view_text.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/installed_array_group.hpp"

namespace {

constexpr int kUnits = 60;
constexpr int kArrays = 3;
const char* const kInjection = "x\"); system(\"touch pwned\"); (\"";

class RViewTest : public ShellTest {
 protected:
  void TearDown() override {
    Layout = CDF_LAYOUT{};
    ShellTest::TearDown();
  }

  // A generated chip and group whose values are known: array a, probe set u holds
  // 10 + u + a / 4 + u / 7 as a float (more digits than a default number text keeps),
  // and every seventh probe set of array 1 is missing.
  void MakeModelledGroup(const std::string& name) {
    synth::ChipOptions chipOptions;
    chipOptions.dimension = 60;
    chipOptions.unitCount = kUnits;
    chipOptions.seed = 5;
    std::string error;
    const std::optional<synth::ChipTruth> chip = synth::MakeChip(chipOptions, &error);
    ASSERT_TRUE(chip.has_value()) << error;
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = kArrays;
    synth::InstallArrayGroup(*chip, synth::MakeArrayGroup(*chip, groupOptions));
    Group& group = TheGroup();
    group.SetName(name);
    for (int a = 0; a < kArrays; ++a) {
      ArraySlot& slot = group.Array(a);
      slot.values.assign(kUnits, VALUE_TRIPLE{});
      for (int u = 0; u < kUnits; ++u) {
        const bool missing = a == 1 && u % 7 == 0;
        const auto value = static_cast<float>(10 + u + a / 4.0 + u / 7.0);
        slot.values[static_cast<std::size_t>(u)].value = missing ? kMissingValueFloat : value;
        mSum += missing ? 0.0 : value;
        mMissing += missing ? 1 : 0;
      }
    }
    group.Modelled = true;
    group.Settings().WORKING_DIR = Folder();
    group.Settings().ARRAY_LIST_FILE = "";
    SampleGrouping.SetDefaultGrouping();
  }

  // Opens the view the user's way: a click on the tree's "R command" item.
  RView& ShowRView() {
    TheGroup().Settings().SHOW_R_ICON = 1;
    CMainFrame& frame = mFrame ? *mFrame : OpenFrame();
    CLeftView& tree = frame.LeftView();
    QTreeWidgetItem* item = tree.ViewItem(VIEW_R);
    EXPECT_NE(item, nullptr);
    if (item != nullptr)
      QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
    auto* view = dynamic_cast<RView*>(frame.RightViews(VIEW_R));
    EXPECT_NE(view, nullptr);
    EXPECT_EQ(frame.CurrentViewIndex(), VIEW_R);
    QApplication::processEvents();
    return *view;
  }

  static QPlainTextEdit& Box(RView& view) {
    return *Control<QPlainTextEdit>(view, RView::kCommandBox);
  }
  static QPushButton& Button(RView& view, int id) { return *Control<QPushButton>(view, id); }

  // Replaces the command box's text by typing, lines ended by the Return key.
  static void Type(RView& view, const std::vector<std::string>& lines) {
    QPlainTextEdit& box = Box(view);
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Delete);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) QTest::keyClick(&box, Qt::Key_Return);
      QTest::keyClicks(&box, QString::fromStdString(lines[i]));
    }
  }

  // Clicks Run and gives what the output gained.
  static std::string Run(RView& view) {
    const std::string before = view.OutputText().toStdString();
    QTest::mouseClick(&Button(view, RView::kRunButton), Qt::LeftButton);
    return view.OutputText().toStdString().substr(before.size());
  }

  static std::string TypeAndRun(RView& view, const std::vector<std::string>& lines) {
    Type(view, lines);
    return Run(view);
  }

  WindowEventPump mPump;  // the window's events are handled while R works, as in the program
  double mSum = 0.0;
  int mMissing = 0;
};

// PATH without R while alive.
class NoRonPath {
 public:
  explicit NoRonPath(const std::string& folder) {
    const char* path = std::getenv("PATH");
    mSaved = path != nullptr ? path : "";
    ::setenv("PATH", folder.c_str(), 1);
  }
  ~NoRonPath() { ::setenv("PATH", mSaved.c_str(), 1); }
  NoRonPath(const NoRonPath&) = delete;
  NoRonPath& operator=(const NoRonPath&) = delete;

 private:
  std::string mSaved;
};

TEST_F(RViewTest, GetExpressionHandsTheGroupToRAndTypedCommandsSummariseIt) {
  MakeModelledGroup("7 liver");
  RView& view = ShowRView();
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed by scripts/install-deps";
  EXPECT_NE(view.OutputText().indexOf(QStringLiteral("> setwd(")), -1);
  Type(view, {"summary(1:3)"});
  const std::string before = view.OutputText().toStdString();
  QTest::mouseClick(&Button(view, RView::kGetExpressionButton), Qt::LeftButton);
  const std::string loaded = view.OutputText().toStdString().substr(before.size());
  EXPECT_TRUE(std::filesystem::exists(ExpressionFilePath(Folder(), "7 liver")));
  EXPECT_NE(loaded.find("> print(dim(R7.liver)) \n[1] 60  3\ndone\n"), std::string::npos) << loaded;
  const QString box = Box(view).toPlainText();
  EXPECT_TRUE(box.startsWith(
      QStringLiteral("summary(1:3)\n# Expression data is now an R dataframe 'R7.liver'; you can")))
      << box.toStdString();
  EXPECT_TRUE(
      box.endsWith(QStringLiteral("\nprint(colnames(R7.liver))\nplot(R7.liver[,1],R7.liver[,2]);"
                                  "abline(0,1,col=3)\npairs(R7.liver)\n"
                                  "boxplot(log(data.frame(R7.liver)))\n\n")))
      << box.toStdString();

  char expected[200];
  std::snprintf(expected, sizeof expected, "rows=%d cols=%d missing=%d sum=%.4f", kUnits, kArrays,
                mMissing, mSum);
  std::string out =
      TypeAndRun(view, {"d <- R7.liver  # the group's data frame",
                        "cat(sprintf(\"rows=%d cols=%d missing=%d sum=%.4f\\n\", nrow(d), ncol(d),",
                        "    sum(is.na(d)), sum(d, na.rm = TRUE)))"});
  EXPECT_NE(out.find(std::string(expected) + "\ndone\n"), std::string::npos) << out;
  // A bare call prints its value as R's console would: summary names every sample.
  out = TypeAndRun(view, {"summary(R7.liver)"});
  for (const char* sample : {"array01", "array02", "array03", "NA's"})
    EXPECT_NE(out.find(sample), std::string::npos) << out;
  // Every value reaches R exactly.
  char exact[64];
  std::snprintf(exact, sizeof exact, "%.17g",
                static_cast<double>(TheGroup().Array(2).values[50].value));
  out = TypeAndRun(view, {"cat(sprintf(\"%.17g\\n\", R7.liver[51, 3]))"});
  EXPECT_NE(out.find("\n" + std::string(exact) + "\ndone\n"), std::string::npos) << out;
  out = TypeAndRun(view, {"rownames(R7.liver)[2]"});
  EXPECT_NE(out.find("[1] \"" + std::string(Layout.units[1].Name()) + "\""), std::string::npos)
      << out;

  // Only the selection runs: the line before it is not run.
  Type(view, {"never_set <- 41", "print(never_set + 1)"});
  QTest::keyClick(&Box(view), Qt::Key_Home, Qt::ShiftModifier);
  out = Run(view);
  EXPECT_EQ(out, "> print(never_set + 1)\n  object 'never_set' not found\ndone\n");
  QTest::keyClick(&Box(view), Qt::Key_End);
  out = Run(view);
  EXPECT_EQ(out, "> never_set <- 41\nprint(never_set + 1)\n[1] 42\ndone\n");

  // A screenshot with the output beside the commands.
  const QImage shot = view.grab().toImage();
  SaveScreenshot(shot, "r_view.png");
  QPlainTextEdit& output = *Control<QPlainTextEdit>(view, RView::kOutput);
  const QRect area(output.mapTo(&view, QPoint(0, 0)), output.size());
  int dark = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) dark += qGray(shot.pixel(x, y)) < 100 ? 1 : 0;
  EXPECT_GT(dark, 200) << "the output's text is drawn";
}

TEST_F(RViewTest, RErrorsComeBackInRsWordsAndPlotsGoToTheirWindows) {
  RView& view = ShowRView();
  ASSERT_TRUE(RConnection().StartR(false));
  struct Step {
    std::vector<std::string> typed;
    const char* output;
  };
  const std::vector<Step> steps = {
      {{"no_such_thing"}, "> no_such_thing\n  object 'no_such_thing' not found\ndone\n"},
      {{"stop(\"boom\")"}, "> stop(\"boom\")\n  boom\ndone\n"},
      {{"x <- c(1,"}, "> x <- c(1,\n  <text>:"},
      {{"x <- 2 # kept apart", "x * 3"}, "> x <- 2 \nx * 3\n[1] 6\ndone\n"},
      {{"s <- \"a#b\"", "s"}, "> s <- \"a#b\"\ns\n[1] \"a#b\"\ndone\n"},
  };
  for (const Step& step : steps) {
    const std::string out = TypeAndRun(view, step.typed);
    EXPECT_EQ(out.rfind(step.output, 0), 0u) << out;
    EXPECT_EQ(out.substr(out.size() - 5), "done\n");
  }
  const QList<RPlotWindow*> before = mFrame->findChildren<RPlotWindow*>();
  TypeAndRun(view, {"plot(1:10, (1:10)^2)"});
  QList<RPlotWindow*> windows = mFrame->findChildren<RPlotWindow*>();
  for (RPlotWindow* old : before) windows.removeAll(old);
  ASSERT_EQ(windows.size(), 1);
  EXPECT_TRUE(windows.front()->isVisible());
  const QImage picture = windows.front()->Picture();
  ASSERT_EQ(picture.size(), QSize(640, 480));
  // The ten points and the axes are drawn: dark pixels on the white device.
  int dark = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) dark += qGray(picture.pixel(x, y)) < 128 ? 1 : 0;
  EXPECT_GT(dark, 500);
  SaveScreenshot(windows.front()->grab().toImage(), "r_plot.png");
}

// A ten-second Sys.sleep loop, stopped once by the Stop button and once by Escape on the
// main window; R keeps the loop's progress and runs the next command.
TEST_F(RViewTest, ALongCommandStopsAndRGoesOn) {
  RView& view = ShowRView();
  ASSERT_TRUE(RConnection().StartR(false));
  QPushButton& stop = Button(view, RView::kStopButton);
  EXPECT_FALSE(stop.isEnabled());
  for (const bool byButton : {true, false}) {
    SCOPED_TRACE(byButton);
    bool sawRunning = false;
    QTimer::singleShot(700, &view, [&] {
      sawRunning = view.Running() && stop.isEnabled() &&
                   !Button(view, RView::kRunButton).isEnabled() && AnalysisRunning != 0;
      if (byButton)
        QTest::mouseClick(&stop, Qt::LeftButton);
      else
        QTest::keyClick(mFrame.get(), Qt::Key_Escape);
    });
    QElapsedTimer clock;
    clock.start();
    const std::string out = TypeAndRun(view, {"i <- 0", "for (i in 1:200) Sys.sleep(0.05)"});
    EXPECT_TRUE(sawRunning);
    EXPECT_LT(clock.elapsed(), 8000) << "stopped long before the loop's end";
    EXPECT_EQ(out, "> i <- 0\nfor (i in 1:200) Sys.sleep(0.05)\n  " +
                       std::string(platform::kRInterruptedError) + "\ndone\n");
    EXPECT_FALSE(view.Running());
    EXPECT_FALSE(stop.isEnabled());
    EXPECT_EQ(AnalysisRunning, 0);
    EXPECT_EQ(TypeAndRun(view, {"i > 1 && i < 200"}), "> i > 1 && i < 200\n[1] TRUE\ndone\n");
  }
}

// A group and a sample named to break out of a quoted string in R code: they are only
// names, and R runs nothing of them.
TEST_F(RViewTest, NamesThatLookLikeRCodeStayData) {
  MakeModelledGroup(kInjection);
  TheGroup().Array(0).name = kInjection;
  TheGroup().Array(2).name = "has # hash";
  SampleGrouping.SetDefaultGrouping();
  RView& view = ShowRView();
  ASSERT_TRUE(RConnection().StartR(false));
  QTest::mouseClick(&Button(view, RView::kGetExpressionButton), Qt::LeftButton);
  const std::string name = RDataFrameName(kInjection);
  const std::string out =
      TypeAndRun(view, {"print(dim(" + name + "))", "print(names(" + name + ")[c(1, 3)])"});
  EXPECT_NE(out.find("[1] 60  3\n"), std::string::npos) << out;
  EXPECT_NE(out.find("x....system..touch.pwned......"), std::string::npos) << out;
  EXPECT_NE(out.find("has...hash"), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(File("pwned")));
  EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST_F(RViewTest, WithoutRTheViewSaysSoAndNothingElseBreaks) {
  DefaultStatConnector().Stop();
  const NoRonPath noR(Folder());
  RView& view = ShowRView();
  ASSERT_FALSE(prompts.prompts.empty());
  EXPECT_EQ(prompts.prompts.front().text, kCouldNotStartRMessage);
  EXPECT_NE(view.OutputText().indexOf(QStringLiteral("Object not available\ndone\n")), -1);
  EXPECT_EQ(TypeAndRun(view, {"1 + 1"}), "> 1 + 1\nObject not available\ndone\n");
  // The view's own refusals.
  Type(view, {"   "});
  EXPECT_EQ(Run(view), "");
  EXPECT_EQ(prompts.prompts.back().text, kTypeRCommandsMessage);
  QTest::mouseClick(&Button(view, RView::kGetExpressionButton), Qt::LeftButton);
  EXPECT_EQ(prompts.prompts.back().text, kNoExpressionValuesMessage);
}

}  // namespace

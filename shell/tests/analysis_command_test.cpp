// The common road of the analysis commands, run with small scripted jobs: the log block
// and its colours, the running flag, the result's item and files, a stop from the
// keyboard mid-way, and a window that will not close under a running job.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <regex>

#include "platform/path.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/services/output_files.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

class AnalysisCommandTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    // As in the program: pumping handles the window's pending events.
    TheGroup().SetName("demo");
  }

  std::string SettingsFile() const { return File("demo.ini"); }

  WindowEventPump mPump;
};

using Lines = std::vector<std::pair<std::string, QColor>>;

TEST_F(AnalysisCommandTest, SuccessFramesTheJobAndShowsTheFreshResult) {
  CMainFrame& frame = OpenFrame();
  frame.InsertViewItem(VIEW_GENOME, "Genome", tree_image::kGenome);
  frame.SelectViewItem(VIEW_GENOME);
  QPointer<QWidget> oldView = frame.RightViews(VIEW_GENOME);
  ASSERT_FALSE(oldView.isNull());
  const std::size_t before = LogLines().size();

  int flagDuringJob = -1;
  bool settingsSavedFirst = false;
  bool oldViewGoneFirst = false;
  AnalysisCommand command;
  command.title = "Map genes to chromosome";
  command.job = [&](AnalysisOutcome& outcome) {
    flagDuringJob = AnalysisRunning;
    settingsSavedFirst = platform::FileExists(SettingsFile());
    oldViewGoneFirst = oldView.isNull();
    LogMessage("  1000 genes mapped", 0, kLogBlack);
    outcome.files.push_back({File("demo genome.xls"), false});
    return true;
  };
  command.item = ResultItem{VIEW_GENOME, "Genome", tree_image::kGenome, true};

  EXPECT_TRUE(RunAnalysisCommand(frame, command));
  EXPECT_EQ(flagDuringJob, 1);
  EXPECT_EQ(AnalysisRunning, 0);
  EXPECT_TRUE(settingsSavedFirst) << "the engine reads the choices from the settings file";
  EXPECT_TRUE(oldViewGoneFirst) << "the old view must not draw the data being replaced";
  EXPECT_EQ(ColouredLinesFrom(before), (Lines{{"{Map genes to chromosome", kBlue},
                                              {"  1000 genes mapped", kBlack},
                                              {"Finished}", kBlue},
                                              {"", QColor()}}));
  ASSERT_EQ(OutputFiles().Count(), 1);
  EXPECT_EQ(OutputFiles().paths[0], File("demo genome.xls"));
  const std::vector<std::string> labels = TopLevelLabels(frame.LeftView());
  EXPECT_EQ(std::count(labels.begin(), labels.end(), "Genome"), 1) << "replaced, not stacked";
  EXPECT_EQ(frame.LeftView().currentItem(), frame.LeftView().ViewItem(VIEW_GENOME));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_GENOME);
  ASSERT_NE(frame.RightViews(VIEW_GENOME), nullptr);
  EXPECT_EQ(frame.PaneView(), frame.RightViews(VIEW_GENOME)) << "the result stays on screen";
}

TEST_F(AnalysisCommandTest, EscapeStopsTheJobAndTheWindowWaitsForIt) {
  CMainFrame& frame = OpenFrame();
  ASSERT_TRUE(TheGroup().CountArray());
  const std::size_t before = LogLines().size();

  bool closedWhileRunning = true;
  bool closedAfterEscape = true;
  std::string statusAfterRefusal;
  AnalysisCommand command;
  command.title = "Hierarchical clustering";
  command.failureLine = "Clustering not completed}";
  command.elapsed = ElapsedTime::kClock;
  command.item = ResultItem{VIEW_CLUSTER, "Clustering", tree_image::kClustering, true};
  command.job = [&](AnalysisOutcome&) {
    for (int step = 0; step < 5; ++step) {
      if (step == 1) closedWhileRunning = frame.close();
      if (step == 2) {
        // The user presses ESC in the log while the job pumps messages.
        QTimer::singleShot(0, &frame,
                           [&frame] { QTest::keyClick(&frame.AnalysisView(), Qt::Key_Escape); });
      }
      LogMessage("  step " + std::to_string(step), 0, kLogBlack);
      PumpMessages();
      if (AnalysisRunning == 0) {
        // Stopped, but not yet returned: closing now would still pull the group away.
        closedAfterEscape = frame.close();
        statusAfterRefusal = frame.StatusPaneText(0).toStdString();
        LogMessage(kUserStopMessage, 0, kLogRed);
        return false;
      }
    }
    return true;
  };

  EXPECT_FALSE(RunAnalysisCommand(frame, command));
  EXPECT_FALSE(closedWhileRunning);
  EXPECT_FALSE(closedAfterEscape);
  EXPECT_EQ(statusAfterRefusal, kCloseRefusedMessage);
  EXPECT_EQ(frame.StatusPaneText(0), QString()) << "the refusal goes with the job";
  EXPECT_EQ(AnalysisRunning, 0);
  EXPECT_EQ(ColouredLinesFrom(before), (Lines{{"{Hierarchical clustering", kBlue},
                                              {"  step 0", kBlack},
                                              {"  step 1", kBlack},
                                              {"  step 2", kBlack},
                                              {"  User stop command issued", kRed},
                                              {"Clustering not completed}", kBlue},
                                              {"", QColor()}}));
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_CLUSTER), nullptr) << "no item for a failed run";
  EXPECT_EQ(OutputFiles().Count(), 0);
  EXPECT_EQ(TheGroup().NumArrays(), 1) << "the group stayed open under the job";
  EXPECT_TRUE(frame.isVisible());

  // Once the job has returned the window closes as usual.
  EXPECT_TRUE(frame.close());
  EXPECT_FALSE(frame.isVisible());
}

TEST_F(AnalysisCommandTest, CancelTimedClosingAndTheResultsOwnLabel) {
  CMainFrame& frame = OpenFrame();
  std::size_t before = LogLines().size();
  bool jobRan = false;

  // A block opened before the dialog is closed by the cancel line; nothing else runs.
  AnalysisCommand compare;
  compare.title = "Compare samples";
  compare.openBeforeDialog = true;
  compare.dialog = [] { return false; };
  compare.cancelLine = "Comparison not completed}";
  compare.job = [&](AnalysisOutcome&) { return jobRan = true; };
  EXPECT_FALSE(RunAnalysisCommand(frame, compare));
  EXPECT_EQ(
      ColouredLinesFrom(before),
      (Lines{{"{Compare samples", kBlue}, {"Comparison not completed}", kBlue}, {"", QColor()}}));

  // Other commands cancel without a trace.
  before = LogLines().size();
  compare.openBeforeDialog = false;
  EXPECT_FALSE(RunAnalysisCommand(frame, compare));
  EXPECT_EQ(LogLines().size(), before);
  EXPECT_FALSE(jobRan);
  EXPECT_FALSE(platform::FileExists(SettingsFile())) << "nothing is saved on Cancel";

  // The job names its result; the closing line gives the time taken.
  AnalysisCommand lda;
  lda.title = "Sample classification by Linear Discriminant Analysis";
  lda.dialog = [] { return true; };
  lda.elapsed = ElapsedTime::kMinutes;
  lda.item = ResultItem{VIEW_LDA, "LDA Classification", tree_image::kLda, false};
  lda.job = [](AnalysisOutcome& outcome) {
    outcome.itemLabel = "PCA";
    return true;
  };
  before = LogLines().size();
  EXPECT_TRUE(RunAnalysisCommand(frame, lda));
  const Lines lines = ColouredLinesFrom(before);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(std::regex_match(lines[1].first, std::regex("Finished in 0 minutes [12] seconds\\}")))
      << lines[1].first;
  EXPECT_EQ(lines[1].second, kBlue);
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_LDA)->text(0), QStringLiteral("PCA"));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_LDA);

  EXPECT_EQ(ClockSpanText(100, 100 + 3724), "01 hours 02 minutes 05 seconds");
  EXPECT_EQ(ClockSpanText(7, 7), "00 hours 00 minutes 01 seconds");
}

}  // namespace

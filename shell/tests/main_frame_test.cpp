// Start-up, the right-pane views, Next View, closing a group and the command rules.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <QPointer>
#include <QSplitter>
#include <QTest>
#include <QTimer>

#include "genes/info/gene_info.hpp"
#include "platform/path.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/services/open_service.hpp"
#include "shell/services/output_files.hpp"
#include "shell/services/web_addresses.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/frame/view_factory.hpp"
#include "shell/zelko_app.hpp"

namespace {

using MainFrameTest = ShellTest;

TEST_F(MainFrameTest, StartsMaximisedWithTheLogAndTheAnalysisItem) {
  CZelkoApp app({});
  ASSERT_TRUE(app.InitInstance());
  const std::vector<std::string> order = {"message pump",      "registry key", "profile settings",
                                          "document template", "shell open",   "command line",
                                          "show maximized"};
  EXPECT_EQ(app.StartupSteps(), order);
  EXPECT_EQ(app.RegistryKey(), QStringLiteral("Quenlith (Zelko)"));

  CMainFrame& frame = *app.MainWindow();
  EXPECT_EQ(TheFrame(), &frame);
  EXPECT_TRUE(frame.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Zelko"));
  EXPECT_EQ(TopLevelLabels(frame.LeftView()), std::vector<std::string>{"Analysis"});
  EXPECT_EQ(frame.LeftView().currentItem(), frame.LeftView().ViewItem(VIEW_ANALYSIS));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS);
  EXPECT_EQ(frame.PaneView(), &frame.AnalysisView());
  auto* splitter = frame.findChild<QSplitter*>(QStringLiteral("splitter"));
  ASSERT_NE(splitter, nullptr);
  EXPECT_EQ(splitter->sizes().front(), 150);
  // The log greets, and the greeting's time is the group's start time.
  const QTextDocument& log = app.Document()->Text();
  EXPECT_EQ(log.firstBlock().text(), QStringLiteral("Welcome to Zelko"));
  EXPECT_FALSE(TheGroup().DateText.empty());
  EXPECT_NE(log.toPlainText().indexOf(QString::fromStdString(TheGroup().DateText)), -1);
  for (int pane = 1; pane <= kStatePaneCount; ++pane)
    EXPECT_TRUE(frame.StatusPaneText(pane).isEmpty());
  // The engine's pump now handles the window's pending events.
  bool handled = false;
  QTimer::singleShot(0, &frame, [&handled] { handled = true; });
  PumpMessages();
  EXPECT_TRUE(handled);

  // The end saves the group's settings in the home folder and takes the window down.
  app.ExitInstance();
  EXPECT_EQ(TheFrame(), nullptr);
  handled = false;
  QTimer::singleShot(0, [&handled] { handled = true; });
  PumpMessages();
  EXPECT_FALSE(handled) << "the pump is taken down with the window";
  QCoreApplication::processEvents();
  EXPECT_TRUE(platform::FileExists(File("Zelko.ini")));
}

TEST_F(MainFrameTest, RCommandItemFollowsTheSetting) {
  TheGroup().Settings().SHOW_R_ICON = 1;
  CMainFrame& frame = OpenFrame();
  EXPECT_EQ(TopLevelLabels(frame.LeftView()), (std::vector<std::string>{"Analysis", "R command"}));
}

TEST_F(MainFrameTest, UnreadableFileArgumentEndsTheStart) {
  CZelkoApp app({QString::fromStdString(File("missing.doc"))});
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.MainWindow(), nullptr);
  EXPECT_EQ(TheFrame(), nullptr);
}

TEST_F(MainFrameTest, ShowViewCreatesOnFirstUseAndKeepsThePreviousView) {
  CMainFrame& frame = OpenFrame();
  EXPECT_EQ(frame.RightViews(VIEW_CLUSTER), nullptr);
  EXPECT_EQ(frame.ShowView(VIEW_CLUSTER), VIEW_ANALYSIS);
  QWidget* cluster = frame.RightViews(VIEW_CLUSTER);
  ASSERT_NE(cluster, nullptr);
  EXPECT_EQ(frame.PaneView(), cluster);
  EXPECT_TRUE(cluster->isVisible());
  EXPECT_FALSE(frame.AnalysisView().isVisible());
  EXPECT_EQ(frame.PreviousViewIndex(), -1) << "the log never becomes the previous view";

  // Showing the view on screen creates nothing and changes nothing.
  EXPECT_EQ(frame.ShowView(VIEW_CLUSTER), VIEW_CLUSTER);
  EXPECT_EQ(frame.RightViews(VIEW_CLUSTER), cluster);
  EXPECT_EQ(frame.PreviousViewIndex(), -1);
  EXPECT_EQ(frame.RightViews(VIEW_LDA), nullptr);

  frame.ShowView(VIEW_LDA);
  EXPECT_EQ(frame.PreviousViewIndex(), VIEW_CLUSTER);
  frame.ShowView(VIEW_R);
  EXPECT_EQ(frame.PreviousViewIndex(), VIEW_LDA);
  frame.ShowView(VIEW_CLUSTER);
  EXPECT_EQ(frame.PreviousViewIndex(), VIEW_LDA) << "the R command view never becomes it";
  EXPECT_EQ(frame.RightViews(VIEW_CLUSTER), cluster) << "views are made once";
  EXPECT_EQ(frame.ShowView(42), VIEW_CLUSTER);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CLUSTER);
}

TEST_F(MainFrameTest, SelectingTreeItemsMovesTheRightPane) {
  CMainFrame& frame = OpenFrame();
  CLeftView& tree = frame.LeftView();
  QTreeWidgetItem* plots = tree.InsertViewItem(VIEW_PLOTS, QStringLiteral("Plots"), 19);
  tree.setCurrentItem(plots);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
  EXPECT_EQ(frame.PaneView(), frame.RightViews(VIEW_PLOTS));

  // While an analysis runs the tree changes nothing.
  AnalysisRunning = 1;
  tree.setCurrentItem(tree.ViewItem(VIEW_ANALYSIS));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
  AnalysisRunning = 0;
}

TEST_F(MainFrameTest, NextViewWithOnlyPlotsStepsThereAndStays) {
  TheGroup().Settings().SHOW_R_ICON = 1;
  CMainFrame& frame = OpenFrame();
  QTreeWidgetItem* plots = frame.LeftView().InsertViewItem(VIEW_PLOTS, QStringLiteral("Plots"), 19);
  frame.UpdateCommandUi();
  EXPECT_FALSE(frame.Action(ids::kNextView)->isEnabled()) << "disabled on the log";
  EXPECT_FALSE(frame.OnCommand(ids::kNextView));

  frame.NextView();
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
  EXPECT_EQ(frame.PaneView(), frame.RightViews(VIEW_PLOTS));
  EXPECT_EQ(frame.LeftView().currentItem(), plots);

  EXPECT_TRUE(frame.OnCommand(ids::kNextView));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
  EXPECT_EQ(frame.PaneView(), frame.RightViews(VIEW_PLOTS));
}

TEST_F(MainFrameTest, EnterIsNextView) {
  CMainFrame& frame = OpenFrame();
  frame.LeftView().InsertViewItem(VIEW_DATA, QStringLiteral("PM/MM Data"), 3);
  frame.LeftView().InsertViewItem(VIEW_CEL, QStringLiteral("CEL Image"), 1);
  frame.LeftView().SelectViewItem(VIEW_DATA);
  frame.UpdateCommandUi();
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  QTest::keyClick(frame.PaneView(), Qt::Key_Return);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);
  // The keypad's Enter does the same in the image view; another key stays.
  QTest::keyClick(frame.PaneView(), Qt::Key_Space);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);
  QTest::keyClick(frame.PaneView(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_NE(frame.CurrentViewIndex(), VIEW_CEL);
}

TEST_F(MainFrameTest, HelpWithoutXdgOpenSaysSoOnce) {
  CMainFrame& frame = OpenFrame();
  XdgOpenService desktop;
  OpenService* recorder = SetOpenService(&desktop);
  const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  ::setenv("PATH", Folder().c_str(), 1);  // a folder without xdg-open
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  const auto messages = [this] {
    std::vector<std::string> texts;
    for (const RecordedPrompt& prompt : prompts.prompts)
      if (prompt.kind == RecordedPrompt::Kind::kMessage) texts.push_back(prompt.text);
    return texts;
  };
  QTest::keyClick(&frame, Qt::Key_F1);
  const std::vector<std::string> first = messages();
  QTest::keyClick(&frame, Qt::Key_F1);
  ASSERT_TRUE(frame.OnCommand(ids::kHelpWebsite));
  const std::vector<std::string> after = messages();
  ::setenv("PATH", path.c_str(), 1);
  SetOpenService(recorder);
  ASSERT_EQ(first.size(), 1u) << "F1 reached the opener";
  EXPECT_NE(first[0].find(kManualAddress), std::string::npos) << first[0];
  EXPECT_NE(first[0].find("xdg-open"), std::string::npos) << first[0];
  EXPECT_EQ(after, first) << "told once only";
}

TEST_F(MainFrameTest, AlternateTwoViewsGoesBackAndForth) {
  CMainFrame& frame = OpenFrame();
  CLeftView& tree = frame.LeftView();
  tree.InsertViewItem(VIEW_DATA, QStringLiteral("PM/MM Data"), 3);
  tree.InsertViewItem(VIEW_CEL, QStringLiteral("CEL Image"), 1);
  tree.InsertViewItem(VIEW_PLOTS, QStringLiteral("Plots"), 19);
  tree.SelectViewItem(VIEW_CEL);
  tree.SelectViewItem(VIEW_PLOTS);

  // Without alternation Next View walks on (10 wraps past the log to 1).
  frame.NextView();
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_DATA);
  frame.NextView();
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);

  EXPECT_TRUE(frame.OnCommand(ids::kAlternateTwoViews));
  EXPECT_EQ(TheGroup().Settings().ALTERNATE_TWO_VIEW, 1);
  EXPECT_TRUE(frame.Action(ids::kAlternateTwoViews)->isChecked());
  frame.NextView();
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_DATA);
  frame.NextView();
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);
  EXPECT_EQ(frame.PaneView(), frame.RightViews(VIEW_CEL));

  EXPECT_TRUE(frame.OnCommand(ids::kAlternateTwoViews));
  EXPECT_EQ(TheGroup().Settings().ALTERNATE_TWO_VIEW, 0);
  EXPECT_FALSE(frame.Action(ids::kAlternateTwoViews)->isChecked());
}

TEST_F(MainFrameTest, NextViewDuringAnAnalysisKeepsPaneAndIndexTogether) {
  CMainFrame& frame = OpenFrame();
  frame.LeftView().InsertViewItem(VIEW_DATA, QStringLiteral("PM/MM Data"), 3);
  frame.LeftView().InsertViewItem(VIEW_CEL, QStringLiteral("CEL Image"), 1);
  frame.LeftView().SelectViewItem(VIEW_DATA);
  AnalysisRunning = 1;
  frame.NextView();
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);
  EXPECT_EQ(frame.PaneView(), frame.RightViews(VIEW_CEL));
}

TEST_F(MainFrameTest, CloseGroupFirstOnlyRecordsThenClosesTheGroup) {
  TheGroup().Settings().SHOW_R_ICON = 1;
  CMainFrame& frame = OpenFrame();
  Group& group = TheGroup();
  group.SetName("demo");
  for (const char* name : {"a1", "a2"}) {
    group.NextArraySlot().name = name;
    ASSERT_TRUE(group.CountArray());
  }
  group.HasProbeData = true;
  group.Normalized = true;
  group.Modelled = true;
  group.Logged = true;
  frame.LeftView().AddGroupItems();
  EXPECT_EQ(
      TopLevelLabels(frame.LeftView()),
      (std::vector<std::string>{"Analysis", "R command", "PM/MM Data", "CEL Image", "Plots"}));
  frame.ShowView(VIEW_R);
  frame.LeftView().SelectViewItem(VIEW_CEL);
  QPointer<QWidget> image = frame.RightViews(VIEW_CEL);
  QWidget* rView = frame.RightViews(VIEW_R);
  RegisterOutputFile(File("table.xls"), false);
  GeneInfo.genes.resize(2);
  GeneInfo.numColumns = 1;
  const std::size_t linesBefore = LogLines().size();

  frame.CloseGroup();
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);
  EXPECT_EQ(group.NumArrays(), 2);
  EXPECT_EQ(LogLines().size(), linesBefore);
  EXPECT_EQ(frame.LeftView().topLevelItemCount(), 5);

  frame.CloseGroup();
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS);
  EXPECT_EQ(frame.PaneView(), &frame.AnalysisView());
  EXPECT_EQ(frame.LeftView().currentItem(), frame.LeftView().ViewItem(VIEW_ANALYSIS));
  EXPECT_EQ(TopLevelLabels(frame.LeftView()), (std::vector<std::string>{"Analysis", "R command"}));
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_ANALYSIS)->childCount(), 0);
  EXPECT_EQ(OutputFiles().Count(), 0);
  EXPECT_TRUE(image.isNull()) << "the image view is destroyed";
  EXPECT_EQ(frame.RightViews(VIEW_CEL), nullptr);
  EXPECT_EQ(frame.RightViews(VIEW_R), rView) << "the R view stays";
  EXPECT_EQ(group.NumArrays(), 0);
  EXPECT_FALSE(group.HasProbeData || group.Normalized || group.Modelled || group.Logged);
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Zelko"));
  EXPECT_FALSE(GeneInfo.Loaded()) << "the gene information goes with the group";
  EXPECT_EQ(GeneInfo.numColumns, 0);
  const std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "{Group demo is closed}");
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(LineColour(static_cast<int>(lines.size()) - 2), QColor(0, 0, 255));

  // The next group's image view is a new one.
  frame.LeftView().InsertViewItem(VIEW_CEL, QStringLiteral("CEL Image"), 1);
  frame.LeftView().SelectViewItem(VIEW_CEL);
  EXPECT_NE(frame.RightViews(VIEW_CEL), nullptr);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CEL);
}

TEST_F(MainFrameTest, StatusPanesShowExactlyTheSetFlags) {
  CMainFrame& frame = OpenFrame();
  TheGroup().Normalized = true;
  TheGroup().Adjusted = true;
  frame.UpdateCommandUi();
  EXPECT_EQ(frame.StatusPaneText(1), QStringLiteral("Normalized"));
  EXPECT_EQ(frame.StatusPaneText(2), QString());
  EXPECT_EQ(frame.StatusPaneText(3), QString());
  EXPECT_EQ(frame.StatusPaneText(4), QStringLiteral("Adjusted"));
  TheGroup().Normalized = false;
  TheGroup().Modelled = true;
  TheGroup().Logged = true;
  frame.UpdateCommandUi();
  EXPECT_EQ(frame.StatusPaneText(1), QString());
  EXPECT_EQ(frame.StatusPaneText(2), QStringLiteral("Modelled"));
  EXPECT_EQ(frame.StatusPaneText(3), QStringLiteral("Logged"));
}

TEST_F(MainFrameTest, StopAnalysisAndEscapeClearTheRunningFlag) {
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  EXPECT_FALSE(frame.Action(ids::kStopAnalysis)->isEnabled());
  AnalysisRunning = 1;
  frame.UpdateCommandUi();
  EXPECT_TRUE(frame.Action(ids::kStopAnalysis)->isEnabled());
  EXPECT_TRUE(frame.Action(ids::kStopAnalysis)->isChecked());
  frame.Action(ids::kStopAnalysis)->trigger();
  EXPECT_EQ(AnalysisRunning, 0);

  for (QWidget* target :
       {static_cast<QWidget*>(&frame.LeftView()), static_cast<QWidget*>(&frame.AnalysisView()),
        static_cast<QWidget*>(&frame)}) {
    AnalysisRunning = 1;
    QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_EQ(AnalysisRunning, 0) << target->objectName().toStdString();
  }
}

TEST_F(MainFrameTest, CommandsWithoutTheirRoutineYetStayDisabled) {
  CMainFrame& frame = OpenFrame();
  TheGroup().HasProbeData = true;
  TheGroup().Modelled = true;
  frame.UpdateCommandUi();
  for (int id : {ids::kDataAnimate, ids::kExportImage})
    EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
  for (int id :
       {ids::kSaveLog, ids::kAppExit, ids::kAlternateTwoViews, ids::kHelpManual, ids::kAppAbout})
    EXPECT_TRUE(frame.Action(id)->isEnabled()) << id;
  EXPECT_FALSE(frame.OnCommand(ids::kDataAnimate));
}

TEST_F(MainFrameTest, EnableRulesFollowTheGroupState) {
  CommandContext idle;
  EXPECT_TRUE(FrameCommandRule(ids::kOpenGroup, idle).enabled);
  EXPECT_FALSE(FrameCommandRule(ids::kNormalize, idle).enabled);
  CommandContext open = idle;
  open.groupOpen = true;
  EXPECT_TRUE(FrameCommandRule(ids::kNormalize, open).enabled);
  EXPECT_TRUE(FrameCommandRule(ids::kModelExpression, open).enabled);
  EXPECT_FALSE(FrameCommandRule(ids::kExportCel, open).enabled) << "needs LOAD_PROBE_DATA";
  open.loadProbeData = true;
  EXPECT_TRUE(FrameCommandRule(ids::kExportCel, open).enabled);
  open.analysisRunning = true;
  EXPECT_FALSE(FrameCommandRule(ids::kNormalize, open).enabled);
  EXPECT_FALSE(FrameCommandRule(ids::kOpenGroup, open).enabled);
  EXPECT_TRUE(FrameCommandRule(ids::kStopAnalysis, open).checked);

  CommandContext modelled;
  modelled.modelled = true;
  modelled.normalized = true;
  EXPECT_FALSE(FrameCommandRule(ids::kAdjustBatchEffect, modelled).enabled);
  modelled.moreThanOneSampleGroup = true;
  EXPECT_TRUE(FrameCommandRule(ids::kAdjustBatchEffect, modelled).enabled);
  modelled.adjusted = true;
  EXPECT_FALSE(FrameCommandRule(ids::kAdjustBatchEffect, modelled).enabled);

  CommandContext online;
  online.modelled = true;
  EXPECT_FALSE(FrameCommandRule(ids::kOnlineDatabase, online).enabled) << "no current unit";
  online.currentUnit = 4;
  EXPECT_TRUE(FrameCommandRule(ids::kOnlineDatabaseDirect, online).enabled);
}

TEST_F(MainFrameTest, ClosingNeverAsksToSaveTheLog) {
  CMainFrame& frame = OpenFrame();
  EXPECT_TRUE(frame.close());
  EXPECT_TRUE(prompts.prompts.empty());
  EXPECT_FALSE(frame.isVisible());
}

TEST_F(MainFrameTest, MenuBarCarriesEveryMenuWithItsIds) {
  CMainFrame& frame = OpenFrame();
  QStringList titles;
  for (QAction* menu : frame.menuBar()->actions()) titles << menu->text();
  EXPECT_EQ(titles, (QStringList{"&Analysis", "&View", "&Data", "&Image", "&Clustering",
                                 "Ch&romosome", "&Pathway", "&Tools", "&Help"}));
  QAction* stop = frame.Action(ids::kStopAnalysis);
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(stop->data().toInt(), ids::kStopAnalysis);
  EXPECT_EQ(stop->shortcut(), QKeySequence(Qt::Key_Escape));
  EXPECT_EQ(frame.Action(ids::kNextView)->shortcuts().front(), QKeySequence(Qt::Key_Return));
  EXPECT_EQ(frame.Action(ids::kOnlineDatabaseDirect)->shortcut(),
            QKeySequence(QStringLiteral("Ctrl+L")));
}

TEST_F(MainFrameTest, RegistryRunsRegisteredRoutinesUnderTheirRules) {
  CMainFrame& frame = OpenFrame();
  CommandRegistry registry;
  CommandContext running;
  running.analysisRunning = true;
  EXPECT_FALSE(registry.State(ids::kAppExit, CommandContext{}).enabled) << "nobody handles it";
  EXPECT_FALSE(registry.Run(ids::kOpenGroup, frame));

  int runs = 0;
  registry.Add(ids::kOpenGroup, [&runs](ShellFrame& given) {
    EXPECT_EQ(given.Window()->objectName(), QStringLiteral("mainFrame"));
    ++runs;
  });
  EXPECT_TRUE(registry.State(ids::kOpenGroup, CommandContext{}).enabled);
  EXPECT_FALSE(registry.State(ids::kOpenGroup, running).enabled) << "the rule table decides";
  EXPECT_TRUE(registry.Run(ids::kOpenGroup, frame));
  EXPECT_EQ(runs, 1);
}

TEST_F(MainFrameTest, ViewTableMakesEachViewForItsIndex) {
  CMainFrame& frame = OpenFrame();
  for (int index : {VIEW_ANALYSIS, -1, NUM_VIEWS})
    EXPECT_EQ(MakeRightView({index, *mDocument, frame}), nullptr) << index;
  for (int index = VIEW_DATA; index < NUM_VIEWS; ++index) {
    std::unique_ptr<QWidget> view(MakeRightView({index, *mDocument, frame}));
    ASSERT_NE(view, nullptr) << index;
    EXPECT_EQ(view->objectName(), QStringLiteral("view%1").arg(index));
  }
  // A destroyed view is made again on its next use; the log view is never destroyed.
  frame.ShowView(VIEW_PLOTS);
  QPointer<QWidget> plots = frame.RightViews(VIEW_PLOTS);
  frame.DestroyRightView(VIEW_PLOTS);
  frame.DestroyRightView(VIEW_ANALYSIS);
  EXPECT_TRUE(plots.isNull());
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS);
  EXPECT_EQ(frame.PaneView(), &frame.AnalysisView());
  frame.ShowView(VIEW_PLOTS);
  EXPECT_NE(frame.RightViews(VIEW_PLOTS), nullptr);
}

}  // namespace

// The program's one top-level window: status bar, the splitter with the navigation tree
// and the switchable right pane, the table of the eleven right-pane views, the closing of
// a group, and the routing and updating of every menu command. Commands live in their
// families' files and reach the window through its ShellFrame face; the frame only looks
// them up in its registry.
#pragma once

#include <QMainWindow>

#include <array>
#include <map>
#include <memory>
#include <string_view>

#include "shell/commands/command_registry.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

class CAnalysisDoc;
class CAnalysisView;
class CLeftView;
class CViewSplitter;
class LogPaneSink;
class LogSink;
class QAction;
class QLabel;
class QTimer;

// The four state panes of the status bar, in their order.
inline constexpr int kStatePaneCount = 4;

// Shown when the user closes the window while an analysis runs; the close is refused.
inline constexpr const char* kCloseRefusedMessage =
    "An analysis is running: stop it with ESC before closing the window";

class CMainFrame final : public QMainWindow, public ShellFrame {
  Q_OBJECT
 public:
  // Builds the window with its status bar, splitter, tree and log pane, and makes the log
  // pane the program's log sink for as long as the frame lives.
  explicit CMainFrame(CAnalysisDoc& document);
  ~CMainFrame() override;

  // The first display of the panes: the tree's items and the log's welcome.
  void InitialUpdateFrame();

  // ShellFrame.
  QWidget* Window() override { return this; }
  void SetStatusText(int pane, std::string_view text) override;
  void SetTitle(std::string_view title) override;
  // Shows view index in the right pane, creating it on first use; returns the index
  // shown before.
  int ShowView(int index) override;
  int CurrentViewIndex() const override { return mCurrentViewIndex; }
  QWidget* RightViews(int index) const override;
  QWidget* PaneView() const override;
  void DestroyRightView(int index) override;
  // View/Next View: the previous view when alternating, else the next view with a tree
  // item, skipping the log and the R command view.
  void NextView() override;
  void InsertViewItem(int index, std::string_view label, int image) override;
  void DeleteViewItem(int index) override;
  void SelectViewItem(int index) override;
  void SelectArrayItem(int array) override;
  bool HasViewItem(int index) const override;
  QTreeWidgetItem* AddOutputFileItem(std::string_view label, int image) override;
  QTreeWidgetItem* AddClusteringItem(std::string_view label, int image) override;
  CAnalysisView& LogView() override { return *mAnalysisView; }
  void ShowLog() override;
  void InsertFileIntoLog(std::string_view path) override;
  // Closes the open group (the first call of a process only records that it ran).
  void CloseGroup() override;
  void AddGroupItems() override;
  void RefreshArrayImages() override;

  // A new, hidden view for index 1 to 10 from the view table (nullptr for any other
  // index).
  QWidget* CreateRightView(int index);
  // Stores the options page and runs Tools/Options.
  void OpenOptionsAtPage(int page) override;

  // Runs a command as its menu item or key would: the right view first, then the frame;
  // false when the command is disabled or nobody handles it.
  bool OnCommand(int id);
  // The state the command's menu item shows now.
  CommandState CommandUi(int id) const;
  // Runs every update rule: menu items and status panes.
  void UpdateCommandUi();

  CAnalysisDoc& Document() { return mDocument; }
  CLeftView& LeftView() { return *mLeftView; }
  CAnalysisView& AnalysisView() { return *mAnalysisView; }
  int PreviousViewIndex() const { return mPreviousViewIndex; }
  QAction* Action(int id) const;

  // Pane 0 is the message pane, panes 1 to 4 the state panes.
  void SetStatusPaneText(int pane, const QString& text);
  QString StatusPaneText(int pane) const;

 protected:
  // Closing: refused while an analysis runs (the group would close under the job);
  // otherwise the log is never offered for saving, view 0 comes back and the group closes.
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateStatusPanes();
  CommandContext GatherCommandContext() const;

  CAnalysisDoc& mDocument;
  CViewSplitter* mSplitter = nullptr;
  CLeftView* mLeftView = nullptr;
  CAnalysisView* mAnalysisView = nullptr;
  std::array<QWidget*, NUM_VIEWS> mRightViews{};
  int mCurrentViewIndex = -1;
  int mPreviousViewIndex = -1;
  bool mCloseGroupCalled = false;
  bool mFinalReleased = false;  // the window closed once; closing again changes nothing
  QLabel* mMessagePane = nullptr;
  std::array<QLabel*, kStatePaneCount> mStatePanes{};
  std::map<int, QAction*> mActions;
  std::map<int, QString> mMenuTexts;  // as the menu table gives them; views may change them
  CommandRegistry mCommands;
  std::unique_ptr<LogPaneSink> mLogSink;
  LogSink* mPreviousSink = nullptr;
  QTimer* mUpdateTimer = nullptr;
};

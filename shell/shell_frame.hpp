// What views, commands and services may ask of the main window: the status text, the
// title, the right pane and its views, the navigation tree's view and file items, and the
// log pane. They receive this narrow face instead of the whole window, so a command is
// written (and tested) against what it really uses.
#pragma once

#include <string_view>

class CAnalysisView;
class QTreeWidgetItem;
class QWidget;

class ShellFrame {
 public:
  virtual ~ShellFrame() = default;

  // The window that owns dialogs and message boxes.
  virtual QWidget* Window() = 0;
  // Pane 0 of the status bar is the message pane; every caller uses it.
  virtual void SetStatusText(int pane, std::string_view text) = 0;
  virtual void SetTitle(std::string_view title) = 0;

  // Shows view index in the right pane (made on first use); returns the index shown
  // before.
  virtual int ShowView(int index) = 0;
  virtual int CurrentViewIndex() const = 0;
  // The view made for index, nullptr when there is none yet.
  virtual QWidget* RightViews(int index) const = 0;
  // The view the right pane shows.
  virtual QWidget* PaneView() const = 0;
  // Destroys the view of index (never the log's), so that its next use makes a new one.
  virtual void DestroyRightView(int index) = 0;
  virtual void NextView() = 0;

  // The view's top-level tree item: added (replacing an old one), removed, selected
  // (which shows the view), or asked for.
  virtual void InsertViewItem(int index, std::string_view label, int image) = 0;
  virtual void DeleteViewItem(int index) = 0;
  virtual void SelectViewItem(int index) = 0;
  virtual bool HasViewItem(int index) const = 0;
  // Selects the array's item under the image item, as a click on it would.
  virtual void SelectArrayItem(int array) = 0;
  // A written file as the last child of "Analysis"; nullptr when there is no such item.
  virtual QTreeWidgetItem* AddOutputFileItem(std::string_view label, int image) = 0;
  // A significant branch of the clustering under "Clustering"; nullptr without that item.
  virtual QTreeWidgetItem* AddClusteringItem(std::string_view label, int image) = 0;
  // The options sheet at a page (the "&Options..." buttons of dialogs).
  virtual void OpenOptionsAtPage(int page) = 0;

  // The log pane (view 0).
  virtual CAnalysisView& LogView() = 0;
  // Shows the log in the right pane with "Analysis" selected in the tree.
  virtual void ShowLog() = 0;
  // Puts a link to the written file into the log, with "Analysis" selected.
  virtual void InsertFileIntoLog(std::string_view path) = 0;

  // Closes the open group with its tree items and views.
  virtual void CloseGroup() = 0;
  // The tree items of a group just opened; each array item's image after a fit.
  virtual void AddGroupItems() = 0;
  virtual void RefreshArrayImages() = 0;
};

// The main window while there is one, for the services that serve everybody (status
// text, links); views and commands use the frame they were given.
ShellFrame* TheFrame();
// The main window installs itself; nullptr when it goes.
void SetTheFrame(ShellFrame* frame);

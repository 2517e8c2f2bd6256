// The main window's fixed two-pane splitter: the navigation tree on the left, the
// switchable right pane on the right. Every right-pane view lives hidden in the right
// pane's stack until it is swapped in.
#pragma once

#include <QSplitter>

class QStackedWidget;

class CViewSplitter final : public QSplitter {
  Q_OBJECT
 public:
  explicit CViewSplitter(QWidget* parent);

  // Puts the tree into the left pane; the tree pane starts this wide.
  void SetLeftPane(QWidget* tree, int width);
  // A new, hidden right-pane view (the stack becomes its parent).
  void AddRightView(QWidget* view);
  // Shows view in the right pane; false when it is shown already.
  bool SwapPaneView(QWidget* view);
  // The view the right pane shows.
  QWidget* RightPane() const;

 private:
  QStackedWidget* mRightStack;
};

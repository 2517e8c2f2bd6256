// View 9, the pathway editor: the process's pathway drawn as boxes and arrows on a page,
// with the current node blinking. The mouse selects a node and moves it, or resizes it
// by its bottom-right corner; keys deselect (Esc), delete the current node (Delete) and
// open the Edit Arrow (A) and Edit Node (N) dialogs; the Pathway menu opens and saves
// pathway files.
#pragma once

#include <QScrollArea>

#include <optional>

#include "shell/views/pane/right_view.hpp"

class QPainter;
class ShellFrame;

inline constexpr int kPathwayBlinkMilliseconds = 500;
inline constexpr const char* kPathwayFileFilter = "Text (*.txt)|*.txt|All Files (*.*)|*.*||";

// What the mouse is doing to the current node.
enum class PathwayDrag {
  kNone = 0,
  kOverCorner = 1,  // over the current node's resize corner, button up
  kResizing = 2,
  kMoving = 3,
};

class PathwayView final : public QScrollArea, public RightView {
  Q_OBJECT
 public:
  PathwayView(ShellFrame& frame, QWidget* parent);
  ~PathwayView() override;

  // Starts the blink timer and sizes the page.
  void OnInitialUpdate() override;
  // The page again for the pathway's nodes, and a repaint.
  void Relayout();
  // The whole picture, without the highlight.
  void Draw(QPainter& painter);

  std::optional<CommandState> UpdateCommand(int id) const override;
  bool RunCommand(int id) override;

  // The dialogs, run as the prompt service runs dialogs.
  void EditNode();
  void EditArrow();
  // Delete: the current node and its arrows.
  void DeleteNode();
  void OpenPathway();
  void SavePathway();

  PathwayDrag Drag() const { return mDrag; }
  bool BlinkShown() const { return mBlinkOn; }
  // The scrolled page, which takes the mouse (its points are page points).
  QWidget* Canvas() const { return mCanvas; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ButtonDown(QPoint at);
  void MouseMoved(QPoint at);
  void ButtonUp();
  void PaintPage(QPainter& painter);
  // Hides the blinking frame until the timer shows it again.
  void EraseHighlight();
  void SetDrag(PathwayDrag drag);

  ShellFrame& mFrame;
  QWidget* mCanvas;
  QPoint mLast;
  PathwayDrag mDrag = PathwayDrag::kNone;
  int mBlinkTimer = 0;
  bool mBlinkOn = false;
};

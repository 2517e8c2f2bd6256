// View 4, the genome: where the units of the open array type lie on the chromosomes, the
// listed genes on top, the crowded gene stretches outlined; the status line names what is
// under the mouse, a click makes a unit current (its box blinks), and the arrow keys
// resize the picture.
#pragma once

#include <QAbstractScrollArea>
#include <QPoint>

#include <string>
#include <vector>

#include "shell/views/genome/genome_drawing.hpp"
#include "shell/views/pane/picture_view.hpp"
#include "shell/views/pane/right_view.hpp"

class ShellFrame;

inline constexpr int kGenomeBlinkMilliseconds = 500;
// The arrow keys resize the picture by this factor, by the larger one with Ctrl.
inline constexpr double kGenomeZoomFactor = 1.2;
inline constexpr double kGenomeCtrlZoomFactor = 6.0;
inline constexpr const char* kGenomeNotMappedMessage =
    "Gene %s [%s] not mapped to a chromosomal positionfor clustering";

class CGenomeView final : public QAbstractScrollArea, public RightView, public PictureView {
  Q_OBJECT
 public:
  // Takes the picture size from PIC_WD and PIC_HT, raising either to 600 when smaller.
  CGenomeView(ShellFrame& frame, QWidget* parent);
  ~CGenomeView() override;

  // The scroll sizes from the picture and the blink timer.
  void OnInitialUpdate() override;
  std::optional<CommandState> UpdateCommand(int id) const override;
  bool RunCommand(int id) override;
  PictureExport ExportPicture() override;

  GenomeLayout Layout() const;
  // The scroll position: the picture pixel at the window's top-left corner.
  QPoint ScrollPosition() const;
  // A unit from Find Gene: an unmapped one is refused with a message, another becomes
  // current and is scrolled to.
  void JumpToUnit(int unit);
  bool BlinkShown() const { return mBlinkOn; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void UpdateScrollRange();
  // Centres the current unit when a scroll is pending and the window has its size.
  void ScrollToCurrent();
  void Resize(bool wider, bool taller, bool grow, bool ctrl);

  ShellFrame& mFrame;
  int mPicWidth = kGenomeMinPicture;
  int mPicHeight = kGenomeMinPicture;
  bool mScrollPending = true;
  bool mBlinkOn = false;
  int mBlinkTimer = 0;
  int mLastHit = -1;
  std::vector<int> mOnTop;  // reused by every paint
};

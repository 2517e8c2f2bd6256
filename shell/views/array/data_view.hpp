// View 1, the probe data: the probe-level values of the current probe set on the current
// array with the model's fit, the probe strip, the scatters of theta and phi, or every
// array at once. It animates through the arrays in the order of their fitted values,
// refits step by step and switches the model's method.
#pragma once

#include <QImage>
#include <QPoint>
#include <QScrollArea>

#include "shell/views/array/data_geometry.hpp"
#include "shell/views/pane/picture_view.hpp"
#include "shell/views/pane/right_view.hpp"

class QPainter;
class ShellFrame;

// The animation timer and its period at start; Faster and Slower change the period by
// this factor.
inline constexpr int kDataAnimationTimerId = 2;
inline constexpr double kDataAnimationMilliseconds = 70.0;
inline constexpr double kDataAnimationStep = 1.3;
// A probe set whose present-call fraction is at most this is skipped by End and Home
// while Jump to Present is on.
inline constexpr double kJumpPresentFraction = 0.5;

class DataView final : public QScrollArea, public RightView, public PictureView {
  Q_OBJECT
 public:
  DataView(ShellFrame& frame, QWidget* parent);
  ~DataView() override;

  // Lays the picture out, starts the animation timer and builds the first picture.
  void OnInitialUpdate() override;
  std::optional<CommandState> UpdateCommand(int id) const override;
  bool RunCommand(int id) override;
  bool ShowArray(int array) override;
  PictureExport ExportPicture() override;

  // Loads the current probe set when the model holds another one, then builds the
  // picture the window copies. Never called from a paint.
  void Redraw();
  // The whole picture through any painter; the model must hold the probe set.
  void Draw(QPainter& painter) const;

  const DataGeometry& Geometry() const { return mGeometry; }
  const QImage& Picture() const { return mPicture; }
  QWidget* Canvas() const { return mCanvas; }
  bool Paused() const { return mPaused; }
  bool ShowsAllArrays() const { return mShowAll; }
  bool ShowsProbePositions() const { return mProbePositions; }
  bool JumpsToPresent() const { return mJumpToPresent; }
  double AnimationPeriod() const { return mPeriod; }
  int AnimationTimer() const { return mTimer; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class DataCanvas;
  void RecomputeLayout();
  void RestartTimer();
  // Puts CUR_ARRAY and CUR_UNIT inside the group and has the model hold the probe set;
  // false when there is nothing to show.
  bool LoadCurrent();
  void BuildPicture();
  void StepProbeSet(int step);
  void Resize(int width, int height);
  void ShowStatus(QPoint at);
  void MakeCurrent(int unit);

  ShellFrame& mFrame;
  QWidget* mCanvas;
  QImage mPicture;
  DataGeometry mGeometry;
  int mWidth;
  int mHeight;
  QPoint mLastMouse{10, 10};
  bool mPaused = true;
  bool mJumpToPresent = false;
  bool mShowAll = false;
  bool mProbePositions = false;
  bool mInitialised = false;
  double mPeriod = kDataAnimationMilliseconds;
  int mTimer = 0;
};

// View 5, the sample scatter: the samples on the plane of the last LDA or PCA result, one
// coloured box per sample with its name beside it. A click or the page keys make a sample
// current (its box blinks), the arrow keys size the picture and the boxes, Delete sample
// point takes the current sample out of the classification and runs it again.
//
// A view of other points derives from it: it sets the SNP mode (its own image name and a
// taller scroll area for a chart under the plot), leaves the sample mode off (its points
// are its own and the current one is the group's CUR_ARRAY), keeps EditPoints() filled, and
// replaces DrawPoint; it may call ScalePointsToView and HitTestPoint.
#pragma once

#include <QFont>
#include <QPoint>
#include <QScrollArea>

#include <algorithm>
#include <optional>
#include <vector>

#include "shell/views/pane/picture_view.hpp"
#include "shell/views/pane/right_view.hpp"
#include "shell/views/samples/lda_drawing.hpp"
#include "shell/views/samples/lda_geometry.hpp"

class QPainter;
class ShellFrame;

inline constexpr int kLdaBlinkMilliseconds = 500;
// The picture is never smaller than this on either side, nor larger than the maximum (so
// that it stays within what a widget and a bitmap can hold); boxes grow to the maximum.
inline constexpr int kMinLdaPicture = 600;
inline constexpr int kMaxLdaPicture = 16000;
inline constexpr int kLdaStartHalfSide = 8;
inline constexpr int kMaxLdaHalfSide = 200;
// One arrow key grows or shrinks a side by this factor.
inline constexpr double kLdaPictureStep = 1.2;
// In SNP mode the scroll area is this much taller than the plot, for the chart below.
inline constexpr double kSnpScrollHeightScale = 1.26;

inline constexpr const char* kLdaSizeHelpText =
    "Arrow or Control+Arrow keys to change size; left-click to highlight a sample point";
// printf form: the current sample's name.
inline constexpr const char* kDeleteSamplePointLog = "{Delete sample point [%s] ";
inline constexpr const char* kLdaNotCompletedLog = "LDA not completed}\n";
inline constexpr const char* kLdaImageExportedMessage = "Image exported or copied to clipboard";

class LdaView : public QScrollArea, public RightView, public PictureView {
  Q_OBJECT
 public:
  LdaView(ShellFrame& frame, QWidget* parent);
  ~LdaView() override;

  // Takes the points (the samples, in sample mode), scales them onto the picture, sizes
  // the scroll area and starts the blink; again after every run and resize.
  void OnInitialUpdate() override;
  // The whole picture on any painter: frame, every point in order, and the current
  // point's highlight when asked (the window's blink; exports leave it out).
  virtual void Draw(QPainter& painter, bool highlight);

  PictureExport ExportPicture() override;
  std::optional<CommandState> UpdateCommand(int id) const override;
  bool RunCommand(int id) override;

  const ScatterLayout& PictureLayout() const { return mLayout; }
  const std::vector<ScatterBox>& Boxes() const { return mBoxes; }
  const std::vector<ScatterPoint>& Points() const { return mPoints; }
  // The current sample (sample mode) or array; -1 none.
  int CurrentPoint() const;
  // The scrolled picture, which takes the mouse (its points are picture points).
  QWidget* Canvas() const { return mCanvas; }
  bool BlinkOn() const { return mBlinkOn; }

 protected:
  LdaView(ShellFrame& frame, QWidget* parent, bool snpMode);

  // One point: its box filled by its class, then its label.
  virtual void DrawPoint(QPainter& painter, int index);
  // The boxes of the points for the picture's size and the box size.
  void ScalePointsToView();
  // The point under a picture point, searching on from the last hit so that repeated
  // clicks on overlapping boxes take each in turn; -1 none.
  int HitTestPoint(QPoint at);
  // The status line for the mouse at a picture point.
  virtual void MouseMoved(QPoint at);
  // Outside sample mode the derived view keeps these filled.
  std::vector<ScatterPoint>& EditPoints() { return mPoints; }

  void keyPressEvent(QKeyEvent* event) override;
  // The viewport's moves beside the picture.
  void mouseMoveEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

  ShellFrame& mFrame;
  ScatterLayout mLayout;
  QFont mFont;
  const bool mSnpMode;
  const bool mSampleMode;

 private:
  void TakeSamplePoints();
  void SetCurrentPoint(int point);
  // Points that have a box (a derived view may change its points before scaling them).
  int PointCount() const { return static_cast<int>(std::min(mPoints.size(), mBoxes.size())); }
  void LeftClick(QPoint at);
  // After a change: the picture again and the status as for the window's top-left corner.
  void Refresh();
  // True when the key sized the picture or the boxes.
  bool ResizeByKey(int key, bool ctrl);
  void DeleteSamplePoint();
  void ExportImage();

  QWidget* mCanvas;
  std::vector<ScatterPoint> mPoints;
  std::vector<ScatterBox> mBoxes;
  bool mPca = false;
  int mBlinkTimer = 0;
  bool mBlinkOn = false;
};

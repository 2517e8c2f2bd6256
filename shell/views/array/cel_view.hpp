// View 2, the array image: one square of pixels per cell of the current array, black to
// yellow by intensity, with the current probe set's cells blinking, the model's outlier
// probes marked, the probe-together layout, zoom, and the status line telling the cell
// under the mouse. Each array's image is built once into the view's cache before it is
// painted; a paint only colours what is visible.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>

#include <string>
#include <vector>

#include "shell/views/array/cel_drawing.hpp"
#include "shell/views/array/cel_geometry.hpp"
#include "shell/views/array/cel_image_cache.hpp"
#include "shell/views/array/cel_marks.hpp"
#include "shell/views/pane/picture_view.hpp"
#include "shell/views/pane/right_view.hpp"

class ShellFrame;

inline constexpr int kCelBlinkMilliseconds = 500;
inline constexpr const char* kCelOutsideHint =
    "Arrow keys to zoom; right-click to select a region (right-double-click to end)";
inline constexpr const char* kQvfSavedMessage =
    "Saved the corrected image into the QVF file; select \"Analysis/Normalize\" to renormalize "
    "arrays (if this array is the baseline, check \"Ignore the normalized data in QVF files\")";
inline constexpr const char* kQvfFailedMessage = "Writing QVF file failed";

class CCelView final : public QAbstractScrollArea, public RightView, public PictureView {
  Q_OBJECT
 public:
  CCelView(ShellFrame& frame, QWidget* parent);
  ~CCelView() override;

  // The scroll size from the pixel size, the blink timer, and the current array shown.
  void OnInitialUpdate() override;
  bool ShowArray(int array) override;
  std::optional<CommandState> UpdateCommand(int id) const override;
  bool RunCommand(int id) override;
  PictureExport ExportPicture() override;

  // Makes what the next paint draws for the group's current state (the array's cached
  // image, the marks, the probe set's cells), sets the scroll size, scrolls the current
  // probe set's middle pair to the centre when asked, and repaints.
  void Refresh(bool scrollToCurrent);
  // Empties the image cache and refreshes.
  void RebuildImages();

  // The status line for a mouse position in the window.
  std::string StatusText(QPoint mouse) const;
  CelGeometry Geometry() const;
  // The scroll position: the picture pixel at the window's top-left corner.
  QPoint ScrollPosition() const;
  const CelImageCache& Cache() const { return mCache; }
  bool BlinkShown() const { return mBlinkOn; }
  // Draws the part of the picture (in picture pixels) with the marks and outline, as the
  // window shows it; the blink is drawn only when asked.
  void Draw(QPainter& painter, const QRect& area, bool withBlink);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  const ProbeTogetherMaps* Together() const;
  void UpdateScrollRange();
  void UpdateStatus();
  void ChangeArray(int step);
  void ChangeUnit(int step);
  void Zoom(CelZoom zoom);
  void ToggleOutliers();
  void ToggleProbeTogether();
  // The blinking cells' bounding box in the window.
  QRect BlinkArea() const;
  // The cell under a window point, as the image shows it (no probe-together mapping).
  CelCell CellUnder(QPoint mouse) const;
  // The region's outline cells that lie in the image, drawn by the next paint.
  void UpdateOutline();
  // A region edit of the current array, then every image built again.
  void EditRegion(bool (*edit)());

  ShellFrame& mFrame;
  CelImageCache mCache;
  const CelImage* mImage = nullptr;  // the shown array's, in the cache
  std::vector<CelMark> mMarks;
  std::vector<CelCell> mUnitCells;
  std::vector<CelCell> mOutline;
  QImage mScratch;
  QPoint mLastMouse{10, 10};
  int mBlinkTimer = 0;
  bool mBlinkOn = false;
  bool mRefreshPosted = false;
  bool mScrollPending = false;
};

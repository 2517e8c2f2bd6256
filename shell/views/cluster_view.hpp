// View 3, the clustering: the sample dendrogram above and the gene dendrogram left of a
// matrix of the clustered values in colour, with sample names, sample-information rows,
// gene labels, annotation-term bars, a colour scale, support shading after resampling and
// the profile of the selected branch. It draws the process's current trees.
#pragma once

#include <QPoint>
#include <QRect>
#include <QScrollArea>

#include "shell/views/cluster_geometry.hpp"
#include "shell/views/picture_view.hpp"
#include "shell/views/right_view.hpp"

class QPainter;
class ShellFrame;

// The timer that blinks the current cell's marker.
inline constexpr int kClusterBlinkTimerId = 1;
inline constexpr int kClusterBlinkMilliseconds = 500;

class CClusterView final : public QScrollArea, public RightView, public PictureView {
  Q_OBJECT
 public:
  CClusterView(ShellFrame& frame, QWidget* parent);
  ~CClusterView() override;

  // Lays the picture out for the current trees and starts the blink timer.
  void OnInitialUpdate() override;
  // The geometry again after the trees or a display size changed.
  void RecomputeLayout();
  const ClusterGeometry& Geometry() const { return mGeometry; }

  // Paints the whole picture; bandOffset moves the sample band down (it follows the
  // scroll position while sample names stay visible). Nothing while an analysis runs.
  // Drawing the dendrograms also marks the leaves of the selected and coloured branches.
  void Draw(QPainter& painter, int bandOffset);
  // The row and column of the current probe set and array, and the scroll position that
  // centres their cell in a window of the given size.
  QPoint ShowCurrentGene(QSize window);

  PictureExport ExportPicture() override;
  std::optional<CommandState> UpdateCommand(int id) const override;
  bool RunCommand(int id) override;

  int CurrentRow() const { return mCurrentRow; }
  int CurrentColumn() const { return mCurrentColumn; }
  int ResampleRounds() const { return mRounds; }
  bool ShowsUnperturbed() const { return mShowUnperturbed; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  friend class ClusterCanvas;
  // Clustering/Save Tree Data: the trees into a tree file the user names, registered.
  void SaveTreeData();
  void PaintVisible(QPainter& painter);
  int BandOffset() const;
  QRect CurrentCell() const;

  ShellFrame& mFrame;
  QWidget* mCanvas;
  QPoint mLastMouse{-1, -1};
  int mCurrentRow = -1;
  int mCurrentColumn = -1;
  int mRounds = 0;
  bool mShowUnperturbed = true;
  bool mScrollToCurrent = true;
  // The sample-information category the user picked (with its column), -1 none.
  int mSelectedInfoColumn = -1;
  int mSelectedInfoCategory = -1;
  ClusterGeometry mGeometry;
  int mBlinkTimer = 0;
  bool mBlinkOn = false;
};

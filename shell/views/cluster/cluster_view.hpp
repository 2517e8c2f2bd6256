// View 3, the clustering: the sample dendrogram above and the gene dendrogram left of a
// matrix of the clustered values in colour, with sample names, sample-information rows,
// gene labels, annotation-term bars, a colour scale, support shading after resampling and
// the profile of the selected branch. It draws the process's current trees.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QScrollArea>

#include <functional>
#include <optional>
#include <string>

#include "engine/base/colour.hpp"
#include "shell/views/cluster/cluster_geometry.hpp"
#include "shell/views/cluster/cluster_hit.hpp"
#include "shell/views/pane/picture_view.hpp"
#include "shell/views/pane/right_view.hpp"

class QPainter;
class ShellFrame;
struct GroupSettings;

// Delete Selected Gene clusters again the genes of the gene tree that carry no mark. That
// is the clustering command's work, which sits above the views: the command installs it
// here when it registers.
void SetClusterAgainRoutine(std::function<bool(ShellFrame&)> routine);

// The timer that blinks the current cell's marker.
inline constexpr int kClusterBlinkTimerId = 1;
inline constexpr int kClusterBlinkMilliseconds = 500;

inline constexpr const char* kColoredBranchLimitMessage =
    "Number of colored clusters reached limit";
inline constexpr const char* kReservedColourMessage =
    "Cannot choose the black or white color; blue color reserved for the main cluster";
// printf form: the probe-set name and the gene name (or nothing).
inline constexpr const char* kGeneNotClusteredMessage =
    "Gene %s [%s] not found in the list of genes used in clustering";
inline constexpr const char* kBranchDataExportedMessage = "Cluster data exported to ";
inline constexpr const char* kBranchDataFailedMessage = "Failed to export file ";
inline constexpr const char* kBranchDataFailedAdvice =
    "; close the file, or click to select a main branch";
// A branch coloured without asking (colour choice off).
inline constexpr COLORREF kDefaultBranchColour = RGB(125, 125, 255);
// The colour dialog's object name, for the scripted prompts of tests.
inline constexpr const char* kClusterColourDialogName = "clusterColourDialog";
// The keys grow cells, bars and dendrograms up to these sizes, so that the picture stays
// within what a widget and a bitmap can hold.
inline constexpr int kMaxClusterCell = 200;
inline constexpr int kMaxClusterDendrogram = 4000;

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
  // The zone of a document point, as the mouse sees it.
  ClusterHit HitTest(QPoint at) const;
  // The scrolled picture, which takes the mouse (its points are document points).
  QWidget* Canvas() const { return mCanvas; }

  // The current node changed elsewhere (a navigation-tree item): the view scrolls to the
  // current probe set and redraws.
  void ShowSelectedNode();
  // The branch of a significant branch-term pair (FunctionalClusters' index) becomes the
  // selection, with its term or sample category, and is scrolled to.
  void ShowFunctionalCluster(int pair);
  // Makes a probe set current when the gene tree holds it; otherwise says it is not among
  // the clustered genes. True when shown.
  bool ShowUnit(int unit);
  // Escape without a resampled clustering: no selection, no colours, no current cell.
  void DeselectAll();

  // Sizes the keys change (arrows with Shift or Ctrl); false for other keys.
  static bool ResizeByKey(int key, bool shift, bool ctrl, GroupSettings& settings);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Clustering/Save Tree Data: the trees into a tree file the user names, registered.
  void SaveTreeData();
  // Mouse on the canvas, in document space.
  void LeftClick(QPoint at, bool ctrl);
  void RightClick(QPoint at);
  void MouseMoved(QPoint at);
  void ClickBranch(bool geneTree, QPoint at, bool ctrl);
  void ClickTermBar(const ClusterHit& hit, bool ctrl);
  void ClickSampleInfo(const ClusterHit& hit, bool ctrl);
  void ClickCell(const ClusterHit& hit, bool ctrl);
  // A branch colour: the fixed one, or the user's when new colours are chosen; empty when
  // the user cancels or picks a reserved colour.
  std::optional<COLORREF> ChooseBranchColour();
  // The colour dialog started at a colour; empty on Cancel.
  std::optional<QColor> ChooseColour(const QColor& start);
  void RefreshStatus();
  // Centres the current cell in the window (once shown).
  void ScrollToCurrent();
  // Commands.
  bool CanResample() const;
  void ResampleOnce();
  void GoToOriginal();
  void Resample(bool restore);
  void SelectAllGene();
  void DeleteSelectedGene();
  void ExportImage(bool branchOnly);
  void ExportBranchData();
  void SampleCorrelation();
  void ExportSameGene();
  void PaintLegend(QPainter& painter);
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
  // Color Legend draws the terms' colours over the window until the next action.
  bool mShowLegend = false;
};

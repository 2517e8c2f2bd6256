// View 8, the data gathered along the chromosomes: one column per sample of the grouping,
// one row per marker in genome order (or per marker of the region file's regions),
// coloured by the current data type; the curve of that type beside it, the cytoband
// ideogram and refGene names at the left, the sample dendrogram, names and
// sample-information rows above. It draws only the global chromosome data; the view keeps
// its layout numbers and the selected cell.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/views/chromosome/chromosome_geometry.hpp"
#include "shell/views/chromosome/chromosome_hit.hpp"
#include "shell/views/pane/picture_view.hpp"
#include "shell/views/pane/right_view.hpp"

class QPainter;
class ShellFrame;
struct CHRO_REGION_ITEM;
struct GroupSettings;

// The timer that blinks the cursor over the selected cell.
inline constexpr int kChromosomeBlinkTimerId = 1;
inline constexpr int kChromosomeBlinkMilliseconds = 500;
// One scroll step of the arrows of the scroll bars, and one page.
inline constexpr int kChromosomeScrollLine = 50;
inline constexpr int kChromosomeScrollPage = 200;
// printf form: the refGene's name and its chromosome index + 1.
inline constexpr const char* kRefGeneNotShownMessage =
    "The refGene '%s' is on chromosme %d that is not displayed";

// The colour dialog's object name, for the scripted prompts of tests.
inline constexpr const char* kChromosomeColourDialogName = "chromosomeColourDialog";
// The widths and heights the keys reach at most, so that the picture stays within what a
// widget and a bitmap can hold.
inline constexpr int kMaxChromosomeCell = 200;
inline constexpr int kMaxChromosomeBand = 4000;

class CChromosomeView final : public QAbstractScrollArea, public RightView, public PictureView {
  Q_OBJECT
 public:
  CChromosomeView(ShellFrame& frame, QWidget* parent);
  ~CChromosomeView() override;

  // Lays the picture out from the settings and the chromosome data.
  void OnInitialUpdate() override;
  // Layout again, then scroll to the selected cell and repaint.
  void Relayout();
  // The picture's part inside area (document points; the whole picture when empty) with
  // the sample band moved down by legendShift. Any painter: the window, an export, tests.
  void Draw(QPainter& painter, QRect area = {}, int legendShift = 0);
  const ChromosomeGeometry& Geometry() const { return mGeometry; }

  // The refGene's chromosome shown by position (Show All off), the refGene's start in the
  // middle of the window and its name in red; no selected cell. A refGene on no shown
  // chromosome is said in a message box.
  void GoToRefGene(int refGene);
  // The unit becomes the selected marker in the first column, its chromosome current,
  // scrolled into view.
  void GoToUnit(int unit);
  // Esc: no selected cell, unit, refGene or sample-information row.
  void Deselect();
  int SelectedColumn() const { return mSelColumn; }
  // The rows a drag with the left button went over (first and last), and the same as
  // regions, one per chromosome (or region) they cross, named "selected".
  std::optional<std::pair<int, int>> SelectedStretch() const;
  std::vector<CHRO_REGION_ITEM> SelectedRegions() const;
  // Writes the selected regions as a region file; false, in red, when it cannot.
  [[nodiscard]] bool WriteSelectedRegions(const std::string& path) const;

  PictureExport ExportPicture() override;
  // The Chromosome menu (shell/views/chromosome_view_commands.cpp).
  std::optional<CommandState> UpdateCommand(int id) const override;
  bool RunCommand(int id) override;

  // What lies under a document point, as the mouse sees it.
  ChromosomeHit HitTest(QPoint at) const;
  // The picture changed: the next paint draws it again.
  void Invalidate();
  // The status text the pointer last produced.
  const std::string& StatusText() const { return mStatusText; }
  // The document point at the viewport's top left corner.
  QPoint ScrollOffset() const;
  // The sizes an arrow key changes, as the key table says; false for other keys.
  static bool ResizeByKey(int key, bool ctrl, bool shift, GroupSettings& settings);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Mouse, in document points.
  void MouseMoved(QPoint at);
  void LeftClick(QPoint at, bool ctrl);
  void DragTo(QPoint at);
  // The selected stretch for the status text; empty when none.
  std::string StretchText() const;
  // The key table; true when the key was the view's.
  bool HandleKey(int key, bool ctrl, bool shift);
  void UpdateScrollBars();
  void ScrollToCursor();
  QPoint CursorScrollPosition() const;
  // The selected cell's box in document points; empty when none is shown.
  QRect CursorBox() const;
  int LegendShift() const;
  void SetStatus(const std::string& text);
  // Draws the window's part of the picture into the backing image.
  void RenderBacking();
  // The commands that ask before they act (chromosome_view_commands.cpp).
  void FindRefGeneCommand();
  void FindNextRefGeneCommand();
  void FindUnitCommand();
  void ClusterCommand();
  void LinkageCommand();
  void PermuteCommand();
  void EnuCommand();
  void ExportSnpDataCommand();
  void RawCopyHistogram();

  ShellFrame& mFrame;
  ChromosomeGeometry mGeometry;
  QPoint mLastMouse{0, 0};
  int mSelColumn = -1;
  // The sample-information row the user picked; -1 none.
  int mSelectedInfoRow = -1;
  bool mScrollToCursor = true;
  int mBlinkTimer = 0;
  bool mBlinkOn = false;
  std::string mStatusText;
  // A drag: the unit of the row it started on, and the units of the stretch's ends (kept
  // as units so that a zoom keeps them); -1 none.
  int mDragUnit = -1;
  int mStretchFirstUnit = -1;
  int mStretchLastUnit = -1;
  // The window's picture, drawn again only when the data, the layout or the scroll position
  // changed, so that the blinking cursor costs no drawing.
  QImage mBacking;
  QPoint mBackingOffset{-1, -1};
  bool mDirty = true;
};

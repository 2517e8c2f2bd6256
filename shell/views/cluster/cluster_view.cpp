// The cluster view: its state, layout, scrolling to the current gene, painting and the
// picture it exports.
#include "shell/views/cluster/cluster_view.hpp"
#include "platform/system_error.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>
#include <cerrno>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_selection.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "genes/info/gene_info.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/cluster/cluster_drawing.hpp"
#include "shell/views/pane/view_canvas.hpp"

namespace {
constexpr int kPageStep = 200;
constexpr int kLineStep = 50;
}  // namespace

CClusterView::CClusterView(ShellFrame& frame, QWidget* parent)
    : QScrollArea(parent), mFrame(frame) {
  setObjectName(QStringLiteral("view%1").arg(VIEW_CLUSTER));
  setBackgroundRole(QPalette::Base);
  // The scrolled picture; it paints what is visible of it.
  auto* canvas = new ViewCanvas([this](QPainter& painter) { PaintVisible(painter); }, this);
  canvas->onPress = [this](QMouseEvent& event) {
    if (AnalysisRunning != 0) return;
    setFocus();
    const QPoint at = event.position().toPoint();
    if (event.button() == Qt::LeftButton)
      LeftClick(at, (event.modifiers() & Qt::ControlModifier) != 0);
    else if (event.button() == Qt::RightButton)
      RightClick(at);
  };
  canvas->onMove = [this](QMouseEvent& event) {
    if (AnalysisRunning != 0) return;
    MouseMoved(event.position().toPoint());
  };
  mCanvas = canvas;
  mCanvas->setMouseTracking(true);
  setWidget(mCanvas);
  setFocusPolicy(Qt::StrongFocus);
}

CClusterView::~CClusterView() = default;

void CClusterView::OnInitialUpdate() {
  RecomputeLayout();
  if (mBlinkTimer == 0) mBlinkTimer = startTimer(kClusterBlinkMilliseconds);
}

void CClusterView::RecomputeLayout() {
  GroupSettings& settings = TheGroup().Settings();
  // Cells thinner than a pixel cannot be drawn or hit.
  settings.PIXEL_HT_ = std::max(1.0f, settings.PIXEL_HT_);
  settings.PIXEL_WD = std::max(1, settings.PIXEL_WD);
  const CLUSTER* genes = GeneTree();
  ClusterGeometryInput in;
  in.genes = genes != nullptr ? genes->n : 0;
  in.samples = genes != nullptr ? genes->m : 0;
  in.geneTree = HasGeneDendrogram();
  in.sampleInfoColumns = SampleInfo.ColumnCount();
  in.termColumns = GeneInfo.Loaded() ? GeneInfo.numColumns : 0;
  in.pixelWidth = settings.PIXEL_WD;
  in.pixelHeight = settings.PIXEL_HT_;
  in.sampleRowHeight = settings.PIXEL_HT2;
  in.dendroWidth = settings.DENDRO_WD;
  in.dendroHeight = settings.DENDRO_HT;
  in.termBarWidth = settings.FUNC_BAR_WD;
  in.showProfile = settings.SHOW_PROFILE != 0;
  mGeometry = ComputeClusterGeometry(in);
  PlaceClusterNodes(mGeometry, settings);
  mCanvas->setFixedSize(std::max(1, mGeometry.scrollWidth), std::max(1, mGeometry.scrollHeight));
  horizontalScrollBar()->setPageStep(kPageStep);
  verticalScrollBar()->setPageStep(kPageStep);
  horizontalScrollBar()->setSingleStep(kLineStep);
  verticalScrollBar()->setSingleStep(kLineStep);
  mCanvas->update();
}

int CClusterView::BandOffset() const {
  const int scrolled = verticalScrollBar()->value();
  return TheGroup().Settings().SAMPLE_NAME_VISIBLE != 0 && scrolled > mGeometry.matrixTop ? scrolled
                                                                                          : 0;
}

void CClusterView::Draw(QPainter& painter, int bandOffset) {
  ClusterDrawState state;
  state.geometry = mGeometry;
  state.bandOffset = bandOffset;
  state.rounds = mRounds;
  state.unperturbed = mShowUnperturbed;
  state.selectedInfoColumn = mSelectedInfoColumn;
  state.selectedInfoCategory = mSelectedInfoCategory;
  DrawClusterPicture(painter, state);
}

void CClusterView::PaintVisible(QPainter& painter) {
  if (AnalysisRunning != 0) return;
  Draw(painter, BandOffset());
  if (mBlinkOn && mCurrentRow >= 0 && mCurrentColumn >= 0) {
    // Inverted, so the marker shows on every colour of the scale.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::white);
    const QRect cell = CurrentCell();
    if (cell.width() <= 1 && cell.height() <= 1)
      painter.drawPoint(cell.topLeft());
    else
      painter.drawRect(cell.adjusted(0, 0, -1, -1));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  if (mShowLegend) PaintLegend(painter);
}

void CClusterView::ScrollToCurrent() {
  // Scrolling moves the picture and asks for paints, so it never happens in a paint; a
  // view not on screen yet scrolls when it is shown, with its window's size.
  mScrollToCurrent = true;
  if (!isVisible()) return;
  mScrollToCurrent = false;
  const QPoint at = ShowCurrentGene(viewport()->size());
  horizontalScrollBar()->setValue(at.x());
  verticalScrollBar()->setValue(at.y());
}

void CClusterView::showEvent(QShowEvent* event) {
  QScrollArea::showEvent(event);
  if (mScrollToCurrent) ScrollToCurrent();
}

QPoint CClusterView::ShowCurrentGene(QSize window) {
  GroupSettings& settings = TheGroup().Settings();
  const CLUSTER* genes = GeneTree();
  const int unit = settings.CUR_UNIT;
  mCurrentRow = -1;
  if (genes != nullptr && unit >= 0 && unit < static_cast<int>(Layout.units.size())) {
    mCurrentRow = FindUnitRow(unit);
    if (mCurrentRow < 0) settings.CUR_UNIT = -1;  // no longer in the gene list
  }
  mCurrentColumn = mCurrentRow >= 0 ? SampleColumn(settings.CUR_ARRAY) : -1;
  if (mCurrentRow >= 0 && mCurrentColumn < 0 && genes != nullptr) mCurrentColumn = genes->m / 2;
  if (mCurrentRow < 0) return {};
  settings.CUR_ARRAY = CellAt(mCurrentRow, mCurrentColumn).array;
  QPoint at;
  if (mGeometry.scrollWidth >= window.width()) {
    at.setX(std::max(
        0, settings.PIXEL_WD * mCurrentColumn + mGeometry.matrixLeft - window.width() / 2));
  }
  if (mGeometry.scrollHeight >= window.height()) {
    at.setY(std::max(0, static_cast<int>(settings.PIXEL_HT_ * mCurrentRow) + mGeometry.matrixTop -
                            window.height() / 2));
  }
  return at;
}

PictureExport CClusterView::ExportPicture() {
  PictureExport picture;
  picture.defaultName = ChangeExtension(TheGroup().Settings().GENE_LIST_FILE, " clustering");
  picture.size = QSize(mGeometry.scrollWidth, mGeometry.scrollHeight);
  picture.draw = [this](QPainter& painter) { Draw(painter, 0); };
  return picture;
}

void CClusterView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != mBlinkTimer) {
    QScrollArea::timerEvent(event);
    return;
  }
  if (AnalysisRunning != 0 || mCurrentRow < 0 || mCurrentColumn < 0) return;
  // The current cell's outline comes and goes, so that it blinks.
  mBlinkOn = !mBlinkOn;
  mCanvas->update(CurrentCell().adjusted(-1, -1, 1, 1));
}

QRect CClusterView::CurrentCell() const {
  const GroupSettings& settings = TheGroup().Settings();
  const float cellHeight = std::max(1.0f, settings.PIXEL_HT_);
  const int top = ClusterRowTop(mGeometry, cellHeight, mCurrentRow);
  const int bottom = ClusterRowTop(mGeometry, cellHeight, mCurrentRow + 1);
  return {mGeometry.matrixLeft + mCurrentColumn * settings.PIXEL_WD, top, settings.PIXEL_WD,
          std::max(1, bottom - top)};
}

void CClusterView::scrollContentsBy(int dx, int dy) {
  QScrollArea::scrollContentsBy(dx, dy);
  // The sample band follows the scroll position.
  if (TheGroup().Settings().SAMPLE_NAME_VISIBLE != 0) mCanvas->update();
}

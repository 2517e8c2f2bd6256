// The chromosome view's window: layout, paint, scrolling, the blinking cursor, the jumps
// of the commands and the picture for View/Export Image.
#include "shell/views/chromosome/chromosome_view.hpp"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/chromosome/chromosome_drawing.hpp"
#include "shell/views/chromosome/chromosome_layout.hpp"
#include "shell/views/pane/export_image_command.hpp"

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

CChromosomeView::CChromosomeView(ShellFrame& frame, QWidget* parent)
    : QAbstractScrollArea(parent), mFrame(frame) {
  setObjectName(QStringLiteral("view%1").arg(VIEW_CHROMOSOME));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
}

CChromosomeView::~CChromosomeView() = default;

void CChromosomeView::OnInitialUpdate() {
  GroupSettings& settings = TheGroup().Settings();
  chromosome.displayInferred = DisplayInferred;
  // A data type the method does not offer gives way to one it does, and the type's limits,
  // curve and significant regions are made when missing. At layout, not at every paint:
  // for copy numbers this walks every marker.
  chromosome.NextDataType(0);
  mGeometry = LayoutChromosomeView(settings, ShownChromosomeTrees());
  if (mSelColumn >= mGeometry.ColumnCount()) mSelColumn = -1;
  UpdateScrollBars();
  if (mBlinkTimer == 0) mBlinkTimer = startTimer(kChromosomeBlinkMilliseconds);
  mScrollToCursor = true;
  Invalidate();
}

void CChromosomeView::Relayout() {
  OnInitialUpdate();
  ScrollToCursor();
}

void CChromosomeView::Invalidate() {
  mDirty = true;
  viewport()->update();
}

void CChromosomeView::Draw(QPainter& painter, QRect area, int legendShift) {
  ChromosomeDrawState state;
  state.geometry = &mGeometry;
  state.area = area;
  state.legendShift = legendShift;
  state.trees = ShownChromosomeTrees();
  state.selectedInfoRow = mSelectedInfoRow;
  if (const auto stretch = SelectedStretch()) {
    state.stretchFirstRow = stretch->first;
    state.stretchLastRow = stretch->second;
  }
  DrawChromosomePicture(painter, state);
}

void CChromosomeView::UpdateScrollBars() {
  const QSize window = viewport()->size();
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  h->setRange(0, std::max(0, mGeometry.picWidth - window.width()));
  v->setRange(0, std::max(0, mGeometry.picHeight - window.height()));
  h->setPageStep(kChromosomeScrollPage);
  v->setPageStep(kChromosomeScrollPage);
  h->setSingleStep(kChromosomeScrollLine);
  v->setSingleStep(kChromosomeScrollLine);
}

QPoint CChromosomeView::ScrollOffset() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

int CChromosomeView::LegendShift() const {
  const int y = verticalScrollBar()->value();
  return TheGroup().Settings().SAMPLE_NAME_VISIBLE != 0 && y > mGeometry.top ? y : 0;
}

QRect CChromosomeView::CursorBox() const {
  const int unit = TheGroup().Settings().CUR_UNIT;
  if (mSelColumn < 0 || mSelColumn >= mGeometry.ColumnCount()) return {};
  const int row = RowOfUnit(mGeometry, unit);
  if (row < 0) return {};
  return QRect(mGeometry.ColumnX(mSelColumn), static_cast<int>(mGeometry.RowY(row)),
               mGeometry.in.pixelWidth, mGeometry.CellHeight());
}

QPoint CChromosomeView::CursorScrollPosition() const {
  const QSize window = viewport()->size();
  QPoint at = ScrollOffset();
  const int unit = TheGroup().Settings().CUR_UNIT;
  const int row = RowOfUnit(mGeometry, unit);
  if (row >= 0) at.setY(static_cast<int>(mGeometry.RowY(row)) - window.height() / 2);
  if (mSelColumn >= 0 && mSelColumn < mGeometry.ColumnCount())
    at.setX(mGeometry.ColumnX(mSelColumn) - window.width() / 2);
  return at;
}

void CChromosomeView::ScrollToCursor() {
  const QPoint at = CursorScrollPosition();
  horizontalScrollBar()->setValue(at.x());
  verticalScrollBar()->setValue(at.y());
  mScrollToCursor = false;
  Invalidate();
}

void CChromosomeView::RenderBacking() {
  const QSize size = viewport()->size();
  if (mBacking.size() != size) mBacking = QImage(size, QImage::Format_RGB32);
  mBacking.fill(Qt::white);
  const QPoint offset = ScrollOffset();
  QPainter painter(&mBacking);
  painter.translate(-offset);
  Draw(painter, QRect(offset, size), LegendShift());
  mBackingOffset = offset;
  mDirty = false;
  // What lies under a pointer that stood still may have changed.
  if (viewport()->underMouse()) MouseMoved(mLastMouse + offset);
}

void CChromosomeView::paintEvent(QPaintEvent* event) {
  if (mDirty || mBacking.size() != viewport()->size() || mBackingOffset != ScrollOffset())
    RenderBacking();
  QPainter painter(viewport());
  painter.drawImage(event->rect(), mBacking, event->rect());
  if (mBlinkOn) {
    // The cursor inverts what lies under its outline, so it shows on every colour.
    const QRect box = CursorBox().translated(-ScrollOffset());
    if (!box.isEmpty()) {
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter.setPen(Qt::white);
      painter.setBrush(Qt::NoBrush);
      if (box.width() == 1 && box.height() == 1)
        painter.drawPoint(box.topLeft());
      else
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
  }
}

void CChromosomeView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != mBlinkTimer) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  if (AnalysisRunning != 0) return;
  const QRect box = CursorBox().translated(-ScrollOffset());
  mBlinkOn = !mBlinkOn;
  if (!box.isEmpty()) viewport()->update(box.adjusted(-1, -1, 1, 1));
}

void CChromosomeView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
  Invalidate();
}

void CChromosomeView::scrollContentsBy(int /*dx*/, int /*dy*/) {
  // The whole window is drawn again: dense markers are thinned from the first row shown,
  // and the sample names may follow the scroll position.
  Invalidate();
}

void CChromosomeView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  UpdateScrollBars();
  if (mScrollToCursor) ScrollToCursor();
}

PictureExport CChromosomeView::ExportPicture() {
  PictureExport picture;
  picture.defaultName = DefaultImageName(VIEW_CHROMOSOME);
  picture.size = QSize(mGeometry.picWidth, mGeometry.picHeight);
  picture.draw = [this](QPainter& painter) { Draw(painter, {}, 0); };
  return picture;
}

void CChromosomeView::GoToUnit(int unit) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= genome_info.Unit.size()) return;
  GroupSettings& settings = TheGroup().Settings();
  settings.CUR_UNIT = unit;
  if (mGeometry.ColumnCount() > 0) mSelColumn = 0;
  const int chro = genome_info.Unit[At(unit)].chro;
  if (!mGeometry.in.showAll && !mGeometry.in.regionsMode && chro >= 0 &&
      chro != settings.CHRO_CUR_CHRO) {
    chromosome.SetCurrentChromosome(chro, 0);
    OnInitialUpdate();
  }
  ScrollToCursor();
  MouseMoved(mLastMouse + ScrollOffset());
}

void CChromosomeView::GoToRefGene(int refGene) {
  if (refGene < 0 || refGene >= static_cast<int>(refgene_info.refGenes.size())) return;
  const REFGENE_ENTRY& gene = refgene_info.refGenes[At(refGene)];
  if (gene.chro < 0 || gene.chro >= genome_info.NumChro) {
    AfxMessageBox(MessageBuffer(kRefGeneNotShownMessage, gene.name.c_str(), gene.chro + 1));
    return;
  }
  // The refGene is shown by position on its own chromosome, its name in red.
  GroupSettings& settings = TheGroup().Settings();
  refgene_info.lastRefGene = refGene;
  settings.CUR_UNIT = -1;
  mSelColumn = -1;
  chromosome.SetCurrentChromosome(gene.chro, 0);
  settings.VIEW_ALL_CHROMOSOME = 0;
  settings.PROPORTIONAL_DIST = 1;
  OnInitialUpdate();
  const QSize window = viewport()->size();
  verticalScrollBar()->setValue(static_cast<int>(mGeometry.PositionY(gene.start)) -
                                window.height() / 2);
  mScrollToCursor = false;
  Invalidate();
}

void CChromosomeView::Deselect() {
  mSelColumn = -1;
  mSelectedInfoRow = -1;
  mStretchFirstUnit = mStretchLastUnit = -1;
  TheGroup().Settings().CUR_UNIT = -1;
  refgene_info.lastRefGene = -1;
  GroupTree().highlighted = -1;
  Relayout();
}

ChromosomeHit CChromosomeView::HitTest(QPoint at) const {
  return HitChromosome(mGeometry, at.x(), at.y(), LegendShift());
}

void CChromosomeView::SetStatus(const std::string& text) {
  mStatusText = text;
  mFrame.SetStatusText(0, text);
}

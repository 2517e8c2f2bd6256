// The chromosome view's window: layout, paint, scrolling and the blinking cursor.
#include "shell/views/chromosome_view.hpp"

#include <QPainter>
#include <QScrollBar>

#include "shell/shell_frame.hpp"

CChromosomeView::CChromosomeView(ShellFrame& frame, QWidget* parent)
    : QAbstractScrollArea(parent), mFrame(frame) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
}

CChromosomeView::~CChromosomeView() = default;

void CChromosomeView::OnInitialUpdate() {}

void CChromosomeView::Relayout() {}

void CChromosomeView::Draw(QPainter& /*painter*/, QRect /*area*/, int /*legendShift*/) {}

void CChromosomeView::GoToRefGene(int /*refGene*/) {}

void CChromosomeView::GoToUnit(int /*unit*/) {}

void CChromosomeView::Deselect() {
  mSelColumn = -1;
}

PictureExport CChromosomeView::ExportPicture() {
  return {};
}

ChromosomeHit CChromosomeView::HitTest(QPoint at) const {
  return HitChromosome(mGeometry, at.x(), at.y());
}

QPoint CChromosomeView::ScrollOffset() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CChromosomeView::paintEvent(QPaintEvent* /*event*/) {}
void CChromosomeView::keyPressEvent(QKeyEvent* event) {
  QAbstractScrollArea::keyPressEvent(event);
}
void CChromosomeView::mouseMoveEvent(QMouseEvent* /*event*/) {}
void CChromosomeView::mousePressEvent(QMouseEvent* /*event*/) {}
void CChromosomeView::timerEvent(QTimerEvent* /*event*/) {}
void CChromosomeView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
}
void CChromosomeView::scrollContentsBy(int /*dx*/, int /*dy*/) {
  viewport()->update();
}
void CChromosomeView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
}

// The pathway editor: its page, painting, blinking highlight, mouse and keys.
#include "shell/views/pathway/pathway_view.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

#include "engine/services/log_channel.hpp"
#include "genes/pathway/pathway.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/views/pane/view_canvas.hpp"
#include "shell/views/pathway/pathway_drawing.hpp"
#include "shell/views/pathway/pathway_geometry.hpp"

PathwayView::PathwayView(ShellFrame& frame, QWidget* parent) : QScrollArea(parent), mFrame(frame) {
  setObjectName(QStringLiteral("view%1").arg(VIEW_PATHWAY));
  setBackgroundRole(QPalette::Base);
  // The scrolled page; it takes the mouse in page points.
  auto* canvas = new ViewCanvas([this](QPainter& painter) { PaintPage(painter); }, this);
  canvas->onPress = [this](QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return;
    setFocus();
    ButtonDown(event.position().toPoint());
  };
  canvas->onMove = [this](QMouseEvent& event) { MouseMoved(event.position().toPoint()); };
  canvas->onRelease = [this](QMouseEvent& event) {
    if (event.button() == Qt::LeftButton) ButtonUp();
  };
  mCanvas = canvas;
  mCanvas->setMouseTracking(true);
  setWidget(mCanvas);
  setFocusPolicy(Qt::StrongFocus);
  Relayout();
}

PathwayView::~PathwayView() = default;

void PathwayView::OnInitialUpdate() {
  Relayout();
  if (mBlinkTimer == 0) mBlinkTimer = startTimer(kPathwayBlinkMilliseconds);
}

void PathwayView::Relayout() {
  const PathwayPage page = PathwayPageSize(ThePathway());
  mCanvas->setFixedSize(page.width, page.height);
  mCanvas->update();
}

void PathwayView::showEvent(QShowEvent* event) {
  QScrollArea::showEvent(event);
  // The pathway may have been replaced while another view was shown.
  Relayout();
}

void PathwayView::Draw(QPainter& painter) {
  DrawPathwayPicture(painter, ThePathway());
}

void PathwayView::PaintPage(QPainter& painter) {
  Draw(painter);
  const PATHWAY& pathway = ThePathway();
  const int current = ValidCurrentNode(pathway);
  if (!mBlinkOn || current < 0) return;
  // Inverted, so that the frame shows over the box's outline and anything drawn there.
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(Qt::white);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(HighlightFrame(pathway.nodes[static_cast<std::size_t>(current)]));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void PathwayView::EraseHighlight() {
  mBlinkOn = false;
  mCanvas->update();
}

void PathwayView::SetDrag(PathwayDrag drag) {
  mDrag = drag;
  switch (drag) {
    case PathwayDrag::kMoving:
      mCanvas->setCursor(Qt::SizeAllCursor);
      break;
    case PathwayDrag::kOverCorner:
    case PathwayDrag::kResizing:
      mCanvas->setCursor(Qt::SizeFDiagCursor);
      break;
    case PathwayDrag::kNone:
      mCanvas->unsetCursor();
      break;
  }
}

void PathwayView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != mBlinkTimer) {
    QScrollArea::timerEvent(event);
    return;
  }
  if (AnalysisRunning != 0 || mDrag == PathwayDrag::kMoving || mDrag == PathwayDrag::kResizing)
    return;
  const PATHWAY& pathway = ThePathway();
  const int current = ValidCurrentNode(pathway);
  if (current < 0) return;
  mBlinkOn = !mBlinkOn;
  mCanvas->update(
      HighlightFrame(pathway.nodes[static_cast<std::size_t>(current)]).adjusted(-1, -1, 1, 1));
}

void PathwayView::ButtonDown(QPoint at) {
  mLast = at;
  PATHWAY& pathway = ThePathway();
  if (mDrag == PathwayDrag::kOverCorner && ValidCurrentNode(pathway) >= 0) {
    EraseHighlight();
    SetDrag(PathwayDrag::kResizing);
    return;
  }
  const int hit = NodeAt(pathway, at.x(), at.y());
  if (hit < 0) return;
  EraseHighlight();
  pathway.currentNode = hit;
  SetDrag(PathwayDrag::kMoving);
}

void PathwayView::MouseMoved(QPoint at) {
  const QPoint offset = at - mLast;
  mLast = at;
  PATHWAY& pathway = ThePathway();
  const int current = ValidCurrentNode(pathway);
  if (current < 0) {
    if (mDrag != PathwayDrag::kNone) SetDrag(PathwayDrag::kNone);
    return;
  }
  PATHWAY_NODE& node = pathway.nodes[static_cast<std::size_t>(current)];
  if (mDrag == PathwayDrag::kMoving) {
    node.left += offset.x();
    node.right += offset.x();
    node.top += offset.y();
    node.bottom += offset.y();
    mCanvas->update();
    return;
  }
  if (mDrag == PathwayDrag::kResizing) {
    node.right += offset.x();
    node.bottom += offset.y();
    mCanvas->update();
    return;
  }
  SetDrag(NearResizeCorner(node, at.x(), at.y()) ? PathwayDrag::kOverCorner : PathwayDrag::kNone);
}

void PathwayView::ButtonUp() {
  if (mDrag != PathwayDrag::kMoving && mDrag != PathwayDrag::kResizing) return;
  PATHWAY& pathway = ThePathway();
  const int current = ValidCurrentNode(pathway);
  if (current >= 0) {
    PATHWAY_NODE& node = pathway.nodes[static_cast<std::size_t>(current)];
    NormaliseBox(node);
    // The page begins at 0; a box left beyond it could never be reached again.
    KeepOnPage(node);
  }
  SetDrag(PathwayDrag::kNone);
  // A node dragged past the page's edge widens it.
  Relayout();
}

void PathwayView::DeleteNode() {
  if (ValidCurrentNode(ThePathway()) < 0) return;
  DeleteCurrentNode();
  SetDrag(PathwayDrag::kNone);
  Relayout();
}

void PathwayView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      ThePathway().currentNode = -1;
      SetDrag(PathwayDrag::kNone);
      EraseHighlight();
      return;
    case Qt::Key_Delete:
      DeleteNode();
      return;
    case Qt::Key_A:
      if (ThePathway().nodeCount > 1) EditArrow();
      return;
    case Qt::Key_N:
      EditNode();
      return;
    default:
      QScrollArea::keyPressEvent(event);
  }
}

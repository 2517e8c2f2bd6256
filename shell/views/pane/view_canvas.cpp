#include "shell/views/pane/view_canvas.hpp"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <utility>

#include "shell/services/shell_helpers.hpp"

ViewCanvas::ViewCanvas(Paint paint, QWidget* parent) : QWidget(parent), mPaint(std::move(paint)) {
  FillWhiteBehindPaint(*this);
}

void ViewCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setClipRect(event->rect());
  mPaint(painter);
}

void ViewCanvas::mousePressEvent(QMouseEvent* event) {
  if (onPress)
    onPress(*event);
  else
    QWidget::mousePressEvent(event);
}

void ViewCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (onMove)
    onMove(*event);
  else
    QWidget::mouseMoveEvent(event);
}

void ViewCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (onRelease)
    onRelease(*event);
  else
    QWidget::mouseReleaseEvent(event);
}

// Drawing the pathway's nodes and arrows.
#include "shell/views/pathway/pathway_drawing.hpp"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>
#include <QRect>
#include <QTextLayout>

#include <algorithm>
#include <vector>

#include "shell/services/text_conversion.hpp"
#include "shell/views/pathway/pathway_geometry.hpp"

namespace {

QPointF ToPoint(const PathwayPoint& point) {
  return {point.x, point.y};
}

// The box's inside as the outline leaves it: its right and bottom edges are outside.
QRect Inside(const PATHWAY_NODE& node) {
  const auto [left, right] = std::minmax(node.left, node.right);
  const auto [top, bottom] = std::minmax(node.top, node.bottom);
  return {left, top, right - left, bottom - top};
}

// The box alone (no name to copy) with its corners in order, for the arrow's sides.
PATHWAY_NODE Ordered(const PATHWAY_NODE& node) {
  PATHWAY_NODE box;
  box.left = node.left;
  box.top = node.top;
  box.right = node.right;
  box.bottom = node.bottom;
  OrderCorners(box);
  return box;
}

// Word-wrapped lines from the top of the area; the last line that fits ends with an
// ellipsis when text is left over.
void DrawWrappedText(QPainter& painter, const QRect& area, const QString& text) {
  if (area.width() <= 0 || area.height() <= 0 || text.isEmpty()) return;
  const QFontMetrics metrics(painter.font());
  QTextLayout layout(text, painter.font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  int y = 0;
  struct Line {
    int start;
    int length;
    int y;
  };
  std::vector<Line> lines;
  bool cut = false;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(area.width());
    if (y + metrics.height() > area.height() && !lines.empty()) {
      cut = true;
      break;
    }
    lines.push_back({line.textStart(), line.textLength(), y});
    y += metrics.height();
  }
  layout.endLayout();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    QString piece = text.mid(line.start, line.length);
    if (cut && i + 1 == lines.size())
      piece = metrics.elidedText(text.mid(line.start), Qt::ElideRight, area.width());
    painter.drawText(QPoint(area.left(), area.top() + line.y + metrics.ascent()), piece.trimmed());
  }
}

}  // namespace

QRect HighlightFrame(const PATHWAY_NODE& node) {
  return Inside(node).adjusted(-1, -1, 0, 0);
}

void DrawPathwayNode(QPainter& painter, const PATHWAY_NODE& node, bool erase) {
  painter.save();
  const QColor ink = erase ? Qt::white : Qt::black;
  painter.setPen(ink);
  painter.setBrush(Qt::NoBrush);
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.save();
  painter.setClipRect(Inside(node), Qt::IntersectClip);
  DrawWrappedText(painter, Inside(node), ToQString(node.name));
  painter.restore();
  // A stroked rectangle covers its size plus the pen, so one less keeps the outline on
  // the box's own pixels.
  painter.drawRect(Inside(node).adjusted(0, 0, -1, -1));
  painter.restore();
}

void DrawPathwayArrow(QPainter& painter, const PATHWAY& pathway, const PATHWAY_ARROW& arrow) {
  if (!ArrowDrawable(pathway, arrow)) return;
  const ArrowShape shape = ComputeArrowShape(
      Ordered(pathway.nodes[static_cast<std::size_t>(arrow.startNode)]),
      Ordered(pathway.nodes[static_cast<std::size_t>(arrow.endNode)]), arrow.interaction);
  painter.save();
  painter.setPen(Qt::black);
  painter.drawLine(ToPoint(shape.start), ToPoint(shape.end));
  if (arrow.interaction == kActivation) {
    painter.setBrush(Qt::black);
    QPolygonF head;
    for (const PathwayPoint& corner : shape.head) head << ToPoint(corner);
    painter.drawPolygon(head);
  } else if (arrow.interaction == kInhibition) {
    painter.drawLine(ToPoint(shape.barFrom), ToPoint(shape.barTo));
  }
  if (shape.hasLabel) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kArrowLabelPixelHeight);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const QString label = QString::number(arrow.effectTime);
    painter.translate(ToPoint(shape.labelAt));
    // The painter turns clockwise; the label's turn is counted the other way.
    painter.rotate(-shape.escapement / 10.0);
    painter.drawText(QPointF(-metrics.horizontalAdvance(label) / 2.0, -metrics.descent()), label);
  }
  painter.restore();
}

void DrawPathwayPicture(QPainter& painter, const PATHWAY& pathway) {
  const int nodes = std::clamp(pathway.nodeCount, 0, kMaxPathwayNodes);
  for (int i = 0; i < nodes; ++i)
    DrawPathwayNode(painter, pathway.nodes[static_cast<std::size_t>(i)], false);
  const int arrows = std::clamp(pathway.arrowCount, 0, kMaxPathwayArrows);
  for (int i = 0; i < arrows; ++i)
    DrawPathwayArrow(painter, pathway, pathway.arrows[static_cast<std::size_t>(i)]);
}

// The sample scatter view's picture pieces.
#include "shell/views/samples/lda_drawing.hpp"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "genes/lda/lda_result.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

QRect ToQRect(int left, int top, int right, int bottom) {
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

}  // namespace

COLORREF ScatterClassColour(int classIndex) {
  const LDA_RESULT& result = TheLdaResult();
  if (classIndex >= 0 && classIndex < kLdaClassColours)
    return result.colours[static_cast<std::size_t>(classIndex)];
  return LdaClassColour(classIndex);
}

ScatterFill SamplePointFill(int classIndex, int predicted, bool pca) {
  if (classIndex >= 0) return {ScatterClassColour(classIndex), std::nullopt};
  if (pca) return {kUnclassifiedPcaColour, std::nullopt};
  ScatterFill fill{kUnclassifiedSampleColour, std::nullopt};
  if (predicted >= 1) fill.inner = ScatterClassColour(predicted - 1);
  return fill;
}

QFont ScatterLabelFont(int half) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  font.setPixelSize(std::max(1, static_cast<int>(half * 1.5)));
  return font;
}

void DrawScatterFrame(QPainter& painter, const ScatterLayout& layout) {
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(Qt::white);
  const int edge = layout.margin;
  // The last row and column of the outline are those just inside (width - margin - 2).
  painter.drawRect(QRect(edge, edge, std::max(0, layout.width - 2 * edge - 3),
                         std::max(0, layout.height - 2 * edge - 3)));
}

void FillScatterBox(QPainter& painter, const ScatterBox& box, const ScatterFill& fill, int half) {
  painter.fillRect(ToQRect(box.left, box.top, box.right, box.bottom), ToQColor(fill.box));
  if (!fill.inner) return;
  const int inset = half / 2;
  painter.fillRect(
      ToQRect(box.left + inset, box.top + inset, box.right - inset, box.bottom - inset),
      ToQColor(*fill.inner));
}

QRect ScatterLabelRect(const QFontMetrics& metrics, const ScatterBox& box, const std::string& name,
                       const ScatterLayout& layout) {
  const int width = metrics.horizontalAdvance(ToQString(name));
  const int left = ScatterLabelGoesLeft(box, layout) ? box.left - 1 - width : box.right + 1;
  return {left, box.top, width, metrics.height()};
}

void DrawScatterLabel(QPainter& painter, const ScatterBox& box, const std::string& name,
                      const ScatterLayout& layout) {
  if (name.empty()) return;
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setPen(Qt::black);
  const QRect area = ScatterLabelRect(painter.fontMetrics(), box, name, layout);
  painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, ToQString(name));
}

void DrawScatterHighlight(QPainter& painter, const ScatterBox& box) {
  const QPainter::CompositionMode previous = painter.compositionMode();
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QPen(Qt::white, 0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(
      QRect(box.left - 1, box.top - 1, box.right - box.left + 1, box.bottom - box.top + 1));
  painter.setCompositionMode(previous);
}

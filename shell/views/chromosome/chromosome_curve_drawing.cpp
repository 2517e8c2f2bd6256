// The chromosome picture's curve panel: the summary of the data type along the rows, its
// threshold and the significant regions.
#include "shell/views/chromosome/chromosome_drawing_parts.hpp"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>

#include "genome/chromosome/chromosome.hpp"
#include "shell/services/text_conversion.hpp"

using namespace chromosome_picture;

namespace {

// Draws within a rectangle until it goes out of scope.
class PainterClip {
 public:
  PainterClip(QPainter& painter, QRect rect) : mPainter(painter) {
    mPainter.save();
    mPainter.setClipRect(rect, Qt::IntersectClip);
  }
  ~PainterClip() { mPainter.restore(); }
  PainterClip(const PainterClip&) = delete;
  PainterClip& operator=(const PainterClip&) = delete;

 private:
  QPainter& mPainter;
};

// The value of a data type whose range can place it: Min below Max, both numbers.
bool RangeUsable(int dataType) {
  if (dataType < 0 || dataType >= kChroDataTypeCount) return false;
  const double min = chromosome.Min[At(dataType)];
  const double max = chromosome.Max[At(dataType)];
  return std::isfinite(min) && std::isfinite(max) && max > min;
}

float CurveValue(int unit, int dataType) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= chromosome.markerStats.size() || dataType < 0 ||
      dataType >= kChroDataTypeCount)
    return kMissingValueFloat;
  return chromosome.markerStats[At(unit)].summary[At(dataType)];
}

}  // namespace

namespace chromosome_picture {

void DrawCurve(QPainter& painter, const ChromosomeDrawState& s, int firstRow, int lastRow) {
  const ChromosomeGeometry& g = *s.geometry;
  const int type = chromosome.dataType;
  const int x0 = g.CurveLeft();
  const int w = g.CurveWidth();
  const double h = g.RowHeight();
  const int panelBottom = static_cast<int>(g.bottom - g.in.pixelHeight);
  if (w <= 0 || panelBottom <= g.top) return;
  const QRect panel(x0, g.top, w, panelBottom - g.top);
  painter.fillRect(panel, ToQColor(kCurvePanelColour));
  // A data type without a range places neither the threshold nor the curve.
  if (!RangeUsable(type)) return;
  // Values beyond the range stay in the panel instead of crossing the cells.
  const PainterClip clip(painter, panel);
  const double min = chromosome.Min[At(type)];
  const double max = chromosome.Max[At(type)];
  painter.setPen(QPen(Qt::red, 1));
  const int tx = CurveX(chromosome.Threshold[At(type)], min, max, x0, w);
  painter.drawLine(tx, g.top, tx, panelBottom - 1);

  // Missing values are skipped: the next point joins the last one drawn.
  painter.setPen(QPen(Qt::blue, 1));
  const int from = std::max(0, firstRow - 1);
  const int to = std::min(g.RowCount() - 1, lastRow + 1);
  QPolygon points;
  points.reserve(to - from + 1);
  for (int r = from; r <= to; ++r) {
    const float v = CurveValue(g.rows[At(r)].unit, type);
    if (Missing(v)) continue;
    const int x = CurveX(v, min, max, x0, w);
    const double y = g.in.proportional ? g.RowY(r) : g.RowY(r) + h / 2;
    if (g.in.regionsMode) {
      painter.drawLine(x, static_cast<int>(g.RowY(r)), x,
                       static_cast<int>(g.RowY(r) + std::max(1.0, h)) - 1);
      continue;
    }
    const QPoint p(x, static_cast<int>(y));
    // Points on one pixel line make no segment of their own beyond their extremes.
    if (points.size() >= 2 && points.back().y() == p.y() &&
        points[points.size() - 2].y() == p.y()) {
      QPoint& last = points.back();
      const QPoint& before = points[points.size() - 2];
      if ((p.x() - before.x()) * (last.x() - before.x()) >= 0 &&
          std::abs(p.x() - before.x()) >= std::abs(last.x() - before.x())) {
        last = p;
        continue;
      }
    }
    points.append(p);
  }
  if (points.size() >= 2) painter.drawPolyline(points);

  // The significant regions, on their rows.
  if (!g.in.regionsMode) {
    for (int k = 0; k < chromosome.regionCount && k < static_cast<int>(chromosome.regions.size());
         ++k) {
      const ChroRegion& region = chromosome.regions[At(k)];
      const int a = RowOfListIndex(g, region.chro, region.first);
      const int b = RowOfListIndex(g, region.chro, region.last);
      if (a < 0 || b < 0 || b < firstRow || a > lastRow) continue;
      const int ya = static_cast<int>(g.RowY(a));
      const int yb = static_cast<int>(g.RowY(b) + std::max(1.0, h));
      painter.fillRect(
          QRect(x0 + w - kSignificantBarWidth, ya, kSignificantBarWidth, std::max(1, yb - ya)),
          ToQColor(kSignificantRegionColour));
    }
  }
}

}  // namespace chromosome_picture

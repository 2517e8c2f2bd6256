// The chromosome view's picture put together: the matrix (cells, curve and labels), the
// legend of sample names, sample-information rows and colour scale, the dendrograms, the
// selected stretch and the ideograms.
#include "shell/views/chromosome/chromosome_drawing.hpp"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/base/value_color.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/chromosome/chromosome_drawing_parts.hpp"

using namespace chromosome_picture;

void DrawMatrix(QPainter& painter, const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  const QRect area = AreaOf(s);
  int firstRow = 0;
  int lastRow = -1;
  g.VisibleRows(area.top(), area.bottom() + 1, &firstRow, &lastRow);
  DrawCurve(painter, s, firstRow, lastRow);
  DrawMarkerNames(painter, s, firstRow, lastRow);
  DrawCells(painter, s, area, firstRow, lastRow);
  DrawChromosomeLabels(painter, s, area);
  DrawRegionLabels(painter, s);
  DrawTitle(painter, s);
}

void DrawLegend(QPainter& painter, const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  const QRect area = AreaOf(s);
  const GroupSettings& settings = TheGroup().Settings();
  const int wd = g.in.pixelWidth;
  const int ht2 = g.in.infoRowHeight;
  const int shift = s.legendShift;
  const int type = chromosome.dataType;
  const bool valueType = type == kDataCopyNumber || type == kDataLog2Ratio;
  const int current = SampleGrouping.CurrentSample();
  int c0 = 0;
  int c1 = -1;
  g.VisibleColumns(area.left(), area.right(), &c0, &c1);

  // Names, rotated, with their baseline on the dendrogram band's lower edge.
  QFont nameFont = Arial(wd);
  painter.setFont(nameFont);
  const int nameHeight = std::max(0, g.in.dendroHeight / 2);
  const bool merge = settings.CHRO_MERGE_GROUP_NAME != 0;
  for (int column = c0; column <= c1; ++column) {
    const int sample = g.columns.sampleOfColumn[At(column)];
    const int group = g.columns.groupOfColumn[At(column)];
    if (merge && g.columns.offsetInGroup[At(column)] != 0) continue;
    int x = g.ColumnX(column);
    if (merge && g.columns.groupSize[At(group)] >= 2) x += wd / 2;
    const std::string name =
        sample < SampleGrouping.SampleCount() ? SampleGrouping.SampleName(sample) : std::string();
    painter.save();
    painter.translate(x + wd - 1, g.in.dendroHeight + shift);
    painter.rotate(-90);
    painter.fillRect(QRect(0, -wd, nameHeight, wd), Qt::white);
    painter.setPen(valueType && sample == current ? Qt::blue : Qt::black);
    painter.drawText(QRect(0, -wd, nameHeight, wd), Qt::AlignLeft | Qt::AlignBottom,
                     QString::fromStdString(name));
    painter.restore();
  }
  // The caption over the curve panel.
  painter.setFont(Arial(std::max(8, ht2)));
  painter.setPen(Qt::blue);
  const std::string caption = valueType && current >= 0 && current < SampleGrouping.SampleCount()
                                  ? SampleGrouping.SampleName(current)
                                  : std::string("Score");
  painter.drawText(g.right + 2 * wd, g.infoTop - ht2 + shift, QString::fromStdString(caption));
  if (ht2 <= 0) return;

  // Sample-information rows: names at the left, one cell per column.
  painter.setFont(Arial(ht2));
  const QFontMetrics metrics(painter.font());
  for (int row = 0; row < SampleInfo.ColumnCount(); ++row) {
    const SampleInfoColumn& info = SampleInfo.Column(row);
    const int y = g.infoTop + row * ht2 + shift;
    painter.setPen(row == s.selectedInfoRow ? Qt::blue : Qt::black);
    painter.drawText(QRect(0, y, std::max(0, g.left - 2), ht2), Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromStdString(info.name));
    for (int column = c0; column <= c1; ++column) {
      const int array = SampleGrouping.GetSampleArray(g.columns.sampleOfColumn[At(column)]);
      if (array < 0 || array >= SampleInfo.RowCount()) continue;
      const QRect cell(g.ColumnX(column), y, g.CellWidth(column), ht2);
      if (info.numeric) {
        const double v = SampleInfo.StandardizedValue(array, row);
        painter.fillRect(
            cell, ToQColor(ValueToColor(v, settings.DISPLAY_RANGE, settings.GREEN_RED != 0)));
        continue;
      }
      const int category = SampleInfo.CategoryOf(array, row);
      if (category < 0 || category >= info.CategoryCount()) continue;
      painter.fillRect(cell, ToQColor(info.categories[At(category)].colour));
      const QString text = QString::fromStdString(info.categories[At(category)].name);
      if (metrics.horizontalAdvance(text) <= cell.width()) {
        painter.setPen(Qt::black);
        painter.drawText(cell, Qt::AlignCenter, text);
      }
    }
  }
  // The colour scale under the cells.
  if (type != kDataCopyNumber && type != kDataLog2Ratio && type != kDataAlleleSharing) return;
  const int width = g.right - g.left;
  const int steps = std::max(2, width / (5 * std::max(1, ht2 / 2)));
  const double range = CurrentCellStyle().displayRange;
  const int y = g.bottom + ht2;
  for (int t = 0; t <= steps; ++t) {
    double v = 0;
    COLORREF c = kWhite;
    if (type == kDataLog2Ratio) {
      v = (2.0 * t / steps - 1) * range;
      c = ValueToColor(v, range, settings.GREEN_RED != 0);
    } else if (type == kDataCopyNumber) {
      v = range * t / steps;
      c = ValueToColor(v, range, settings.GREEN_RED != 0);
    } else {
      v = 2.0 * t / steps;
      c = LohColor((2 - v) * 0.25, false);
    }
    const int x0 = g.left + width * t / (steps + 1);
    const int x1 = g.left + width * (t + 1) / (steps + 1);
    painter.fillRect(QRect(x0, y, std::max(1, x1 - x0), ht2), ToQColor(c));
    if (t % std::max(1, steps / 4) == 0) {
      char label[32];
      std::snprintf(label, sizeof label, std::abs(v) >= 10 || v == 0 ? "%.0f" : "%.1f", v);
      painter.setPen(Qt::black);
      painter.drawText(QRect(x0 - 20, y + ht2, 40 + x1 - x0, ht2), Qt::AlignHCenter | Qt::AlignTop,
                       QString::fromLatin1(label));
    }
  }
}

void DrawDendrograms(QPainter& painter, const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  auto draw = [&painter](const OrderedTree& tree, auto place, int branch = -1) {
    const SampleOrderTree& t = tree.tree;
    const int nodes = std::min(t.NodeCount(), static_cast<int>(tree.position.size()));
    for (int n = 0; n < nodes; ++n) {
      const SampleOrderNode& node = t.Node(n);
      if (node.left < 0 || node.right < 0 || node.left >= nodes || node.right >= nodes) continue;
      if (branch >= 0 && !tree.InBranch(n, branch)) continue;
      const QPoint p = place(n);
      const QPoint a = place(node.left);
      const QPoint b = place(node.right);
      painter.drawPolyline(QPolygon({a, QPoint(a.x(), p.y()), QPoint(b.x(), p.y()), b}));
    }
  };
  auto depth = [](const OrderedTree& tree, int node) {
    const double height = tree.tree.Node(node).height;
    return tree.maxHeight > 0 ? std::clamp(height / tree.maxHeight, 0.0, 1.0) : 0.0;
  };
  if (s.trees.regions != nullptr && g.in.regionsMode) {
    const OrderedTree& tree = *s.trees.regions;
    const int w = g.in.dendroWidth / 2;
    painter.setPen(QPen(Qt::black, 1));
    // Elbows turned on their side: leaves on the right, the root at the left.
    const auto place = [&](int n) {
      return QPoint(static_cast<int>(w - w * depth(tree, n)),
                    static_cast<int>(g.top + g.in.pixelHeight * tree.position[At(n)]));
    };
    const SampleOrderTree& t = tree.tree;
    const int nodes = std::min(t.NodeCount(), static_cast<int>(tree.position.size()));
    for (int n = 0; n < nodes; ++n) {
      const SampleOrderNode& node = t.Node(n);
      if (node.left < 0 || node.right < 0 || node.left >= nodes || node.right >= nodes) continue;
      const QPoint p = place(n);
      const QPoint a = place(node.left);
      const QPoint b = place(node.right);
      painter.drawPolyline(QPolygon({a, QPoint(p.x(), a.y()), QPoint(p.x(), b.y()), b}));
    }
  }
  if (s.trees.samples != nullptr) {
    const OrderedTree& tree = *s.trees.samples;
    painter.setPen(QPen(Qt::black, 2));
    const auto place = [&](int n) {
      const TreePoint p = SampleTreeNodePoint(g, tree, n);
      return QPoint(p.x, p.y + s.legendShift);
    };
    draw(tree, place);
    if (tree.ValidNode(tree.highlighted)) {
      painter.setPen(QPen(Qt::blue, 2));
      draw(tree, place, tree.highlighted);
    }
  }
}

QRect SelectedStretchBox(const ChromosomeGeometry& g, int firstRow, int lastRow) {
  if (firstRow < 0 || lastRow < firstRow || lastRow >= g.RowCount() || g.ColumnCount() == 0)
    return {};
  const int y0 = static_cast<int>(g.RowY(firstRow));
  const int y1 = static_cast<int>(g.RowY(lastRow)) + g.CellHeight();
  const int gap = kSelectedStretchPen / 2 + 1;
  return QRect(QPoint(g.left - gap, y0 - gap), QPoint(g.right + gap - 1, y1 + gap - 1));
}

void DrawSelectedStretch(QPainter& painter, const ChromosomeDrawState& s) {
  const QRect box = SelectedStretchBox(*s.geometry, s.stretchFirstRow, s.stretchLastRow);
  if (box.isEmpty()) return;
  QPen pen(ToQColor(kSelectedStretchColour), kSelectedStretchPen);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(box);
}

void DrawChromosomePicture(QPainter& painter, const ChromosomeDrawState& s) {
  if (s.geometry == nullptr) return;
  const ChromosomeGeometry& g = *s.geometry;
  painter.save();
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setClipRect(AreaOf(s));
  DrawMatrix(painter, s);
  DrawLegend(painter, s);
  DrawDendrograms(painter, s);
  DrawSelectedStretch(painter, s);
  if (g.in.proportional) {
    if (g.in.showAll) {
      double offset = 0;
      for (int chro = 0; chro < genome_info.NumChro && chro < MAX_CHRO_NUM; ++chro) {
        DrawBands(painter, s, chro, offset);
        offset += ChromosomeDrawLength(chro);
      }
    } else {
      DrawBands(painter, s, TheGroup().Settings().CHRO_CUR_CHRO, 0);
    }
  }
  painter.restore();
}

// The chromosome view's picture.
#include "shell/views/chromosome_drawing.hpp"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/base/value_color.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genes/info/gene_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/snp_info.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "platform/parallel_tasks.hpp"
#include "shell/dialogs/chromosome_options.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

// Cells a worker thread is given at least: fewer are drawn sooner than it is handed them.
constexpr std::int64_t kCellsPerThread = 2048;
// Pixel lines ahead of the scan whose last value is asked for: a line's scan mostly stops
// at its last marker, which lies a line's markers past the one before.
constexpr std::size_t kLinesAhead = 8;

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

QRgb ToRgb(COLORREF c) {
  return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

QFont Arial(int pixelHeight) {
  QFont font("Arial");
  font.setPixelSize(std::max(1, pixelHeight));
  return font;
}

bool Missing(float v) {
  return v == kMissingValueFloat || !std::isfinite(v);
}

// Fills cells straight into an image's pixels when the painter draws on a 32-bit image
// without more than a translation; otherwise through the painter. Straight fills of
// disjoint rectangles may run on several threads at once.
class CellSink {
 public:
  CellSink(QPainter& painter, QRect clip) : mPainter(painter) {
    QPaintDevice* device = painter.device();
    const QTransform& t = painter.worldTransform();
    if (device == nullptr || device->devType() != QInternal::Image ||
        t.type() > QTransform::TxTranslate)
      return;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
      return;
    mDx = static_cast<int>(t.dx());
    mDy = static_cast<int>(t.dy());
    // The clip in image pixels.
    const QRect r = clip.translated(mDx, mDy).intersected(image->rect());
    if (r.isEmpty()) {
      mDirect = true;
      return;
    }
    // Once, here: asking for the pixels detaches the image, which no two threads may do.
    mBits = reinterpret_cast<QRgb*>(image->bits());
    mStride = image->bytesPerLine() / 4;
    mLeft = r.left();
    mTop = r.top();
    mRight = r.right() + 1;
    mBottom = r.bottom() + 1;
    mDirect = mBits != nullptr;
  }
  bool Direct() const { return mDirect; }
  void Fill(int x, int y, int w, int h, COLORREF colour) const {
    if (w <= 0 || h <= 0) return;
    if (!mDirect) {
      mPainter.fillRect(x, y, w, h, ToQColor(colour));
      return;
    }
    const int x0 = std::max(x + mDx, mLeft);
    const int x1 = std::min(x + mDx + w, mRight);
    const int y0 = std::max(y + mDy, mTop);
    const int y1 = std::min(y + mDy + h, mBottom);
    if (x0 >= x1 || y0 >= y1) return;
    const QRgb rgb = ToRgb(colour);
    for (int yy = y0; yy < y1; ++yy) {
      QRgb* line = mBits + yy * mStride;
      std::fill(line + x0, line + x1, rgb);
    }
  }

 private:
  QPainter& mPainter;
  bool mDirect = false;
  QRgb* mBits = nullptr;
  qsizetype mStride = 0;
  int mDx = 0;
  int mDy = 0;
  int mLeft = 0;
  int mTop = 0;
  int mRight = 0;
  int mBottom = 0;
};

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

QRect AreaOf(const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  return s.area.isEmpty() ? QRect(0, 0, g.picWidth, g.picHeight) : s.area;
}

const CHRO_REGION_ITEM* RegionItem(int region) {
  if (region < 0 || region >= static_cast<int>(chro_region.items.size())) return nullptr;
  return &chro_region.items[At(region)];
}

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

std::string MarkerName(int unit, bool snpArrays) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= Layout.units.size()) return {};
  std::string text(Layout.units[At(unit)].Name());
  if (snpArrays) {
    if (static_cast<std::size_t>(unit) < snp_info_table.snps.size())
      text += "[" + snp_info_table.snps[At(unit)].secondText + "]";
    return text;
  }
  const GENE_INFO* gene = GeneInfo.Loaded() ? GeneInfo.Gene(unit) : nullptr;
  if (gene == nullptr || gene->Description.empty()) return text;
  const std::string description(gene->Description);
  return TheGroup().Settings().CLUSTER_SHOW_PROBE_SET != 0 ? text + ", " + description
                                                           : description;
}

// Runs draw(first, last) over runs of the columns c0..c1 that together cover them, each
// run starting at a column for which start(column) holds. The runs go to the worker threads
// when the sink fills an image straight and the cells are many: each run writes only its
// own columns' pixels, so the picture is the same on one thread and on many.
template <typename Start, typename Draw>
void ForColumnRuns(const CellSink& sink, int c0, int c1, std::int64_t cells, Start start,
                   Draw draw) {
  const int threads = sink.Direct() && cells >= kCellsPerThread
                          ? static_cast<int>(std::min<std::int64_t>(platform::WorkerThreadCount(),
                                                                    cells / kCellsPerThread))
                          : 1;
  if (threads <= 1) {
    draw(c0, c1);
    return;
  }
  std::vector<int> firsts;
  const int columns = c1 - c0 + 1;
  for (int t = 0; t < threads; ++t) {
    int c = c0 + static_cast<int>(static_cast<std::int64_t>(columns) * t / threads);
    while (c <= c1 && t > 0 && !start(c)) ++c;
    if (c <= c1 && (firsts.empty() || c > firsts.back())) firsts.push_back(c);
  }
  const int runs = static_cast<int>(firsts.size());
  platform::RunTasks(runs, runs, [&](int task, bool) {
    const int last = task + 1 < runs ? firsts[At(task + 1)] - 1 : c1;
    draw(firsts[At(task)], last);
  });
}

void DrawCells(QPainter& painter, const ChromosomeDrawState& s, QRect area, int firstRow,
               int lastRow) {
  const ChromosomeGeometry& g = *s.geometry;
  int c0 = 0;
  int c1 = -1;
  g.VisibleColumns(area.left(), area.right(), &c0, &c1);
  if (c0 > c1 || firstRow > lastRow) return;
  const CellStyle style = CurrentCellStyle();
  const CellSink sink(painter, area);
  const double h = g.RowHeight();
  const int cellH = g.CellHeight();
  // x and w are the column's: a column's cells share them.
  auto fillAt = [&sink](int x, int w, int y, int height, const CellColours& colours) {
    if (colours.halves.left == colours.halves.right) {
      if (colours.halves.left != kWhite) sink.Fill(x, y, w, height, colours.halves.left);
      return;
    }
    const int half = w / 2;
    if (colours.halves.left != kWhite) sink.Fill(x, y, half, height, colours.halves.left);
    if (colours.halves.right != kWhite)
      sink.Fill(x + half, y, w - half, height, colours.halves.right);
  };
  auto fillCell = [&](int column, int y, int height, const CellColours& colours) {
    fillAt(g.ColumnX(column), g.CellWidth(column), y, height, colours);
  };
  const std::int64_t cells =
      static_cast<std::int64_t>(c1 - c0 + 1) * static_cast<std::int64_t>(lastRow - firstRow + 1);

  // The tables hold a sample's values side by side, so cells are drawn column by column
  // (or sample by sample): reads then run along memory.
  if (!g.in.proportional) {
    // Evenly spaced rows: a row is never closer than h to the one above, so every cell is
    // drawn. Rows that share a pixel line overdraw each other; only the last painted cell
    // of each line and column shows, so that one alone is drawn.
    // The lines' units side by side, found once for all columns: a scan then reads one
    // small array rather than the rows, and the next lines' values are asked for early.
    struct Line {
      int y, first, last;
    };
    std::vector<Line> lines;
    std::vector<int> units(At(lastRow - firstRow + 1));
    for (int r = firstRow; r <= lastRow; ++r) units[At(r - firstRow)] = g.rows[At(r)].unit;
    for (int r = firstRow; r <= lastRow;) {
      const int y = static_cast<int>(g.RowY(r));
      int end = r;
      while (end + 1 <= lastRow && static_cast<int>(g.RowY(end + 1)) == y) ++end;
      lines.push_back({y, r - firstRow, end - firstRow});
      r = end + 1;
    }
    const std::size_t lineCount = lines.size();
    ForColumnRuns(
        sink, c0, c1, cells, [](int) { return true; },
        [&](int from, int to) {
          for (int column = from; column <= to; ++column) {
            const CellReader reader(CellSourceOf(g, column, style), style);
            const int x = g.ColumnX(column);
            const int w = g.CellWidth(column);
            CellColours colours;
            for (std::size_t i = 0; i < lineCount; ++i) {
              if (i + kLinesAhead < lineCount)
                reader.Prefetch(units[At(lines[i + kLinesAhead].last)]);
              const Line& line = lines[i];
              if (reader.LastPainted(units.data(), line.first, line.last, &colours) >= 0)
                fillAt(x, w, line.y, cellH, colours);
            }
          }
        });
    return;
  }
  // Proportional rows: a sample's cells of a marker are drawn only when the marker lies at
  // least a row below the last one drawn for it, so dense markers do not overdraw. A
  // sample's columns stay in one run.
  const auto groupStart = [&g](int column) { return g.columns.offsetInGroup[At(column)] == 0; };
  ForColumnRuns(sink, c0, c1, cells, groupStart, [&](int from, int to) {
    std::vector<CellReader> readers;
    for (int column = from; column <= to;) {
      const int group = g.columns.groupOfColumn[At(column)];
      const int groupEnd =
          std::min(to + 1, g.columns.groupFirstColumn[At(group)] + g.columns.groupSize[At(group)]);
      readers.clear();
      for (int c = column; c < groupEnd; ++c)
        readers.emplace_back(CellSourceOf(g, c, style), style);
      double lastY = -2 * h;
      for (int r = firstRow; r <= lastRow; ++r) {
        const double yd = g.RowY(r);
        if (yd < lastY + h) continue;
        bool blank = false;
        const int unit = g.rows[At(r)].unit;
        for (int c = column; c < groupEnd; ++c) {
          const CellColours colours = readers[At(c - column)].At(unit);
          blank = blank || colours.lohBlank;
          if (colours.halves.painted) fillCell(c, static_cast<int>(yd), cellH, colours);
        }
        // A white or light grey LOH cell may be overdrawn by the next marker.
        lastY = blank ? yd - h : yd;
      }
      column = groupEnd;
    }
  });
}

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

void DrawMarkerNames(QPainter& painter, const ChromosomeDrawState& s, int firstRow, int lastRow) {
  const ChromosomeGeometry& g = *s.geometry;
  const int x0 = g.NameLeft();
  const int x1 = g.NameRight();
  const QRect area = AreaOf(s);
  if (x1 <= x0 || area.right() < x0 || area.left() > x1) return;
  const double h = g.RowHeight();
  const int fontH = std::max(1, static_cast<int>(h));
  const QFont font = Arial(fontH);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const bool snp = g.in.snpArrays;
  // Names are drawn whole rows apart, counted in pixels, so that no two overlap.
  const double step = std::max(1.0, h);
  double previous = -1e18;
  for (int r = firstRow; r <= lastRow; ++r) {
    const double y = g.RowY(r);
    if (y < previous + step) {
      if (g.in.proportional) {
        painter.setPen(Qt::blue);
        painter.drawPoint(x0 - 2, static_cast<int>(y));
      }
      continue;
    }
    previous = y;
    const int unit = g.rows[At(r)].unit;
    const QString text =
        metrics.elidedText(QString::fromStdString(MarkerName(unit, snp)), Qt::ElideRight, x1 - x0);
    painter.setPen(GeneList.Listed(unit) ? Qt::blue : Qt::black);
    painter.drawText(QRect(x0, static_cast<int>(y), x1 - x0, fontH),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  }
}

void DrawChromosomeLabels(QPainter& painter, const ChromosomeDrawState& s, QRect area) {
  const ChromosomeGeometry& g = *s.geometry;
  if (!g.in.showAll || g.rows.empty()) return;
  painter.setFont(Arial(11));
  double previousLabel = -1e18;
  int chro = -1;
  int first = 0;
  for (int r = 0; r <= g.RowCount(); ++r) {
    const int rc = r < g.RowCount() ? g.rows[At(r)].chro : -1;
    if (rc == chro) continue;
    if (chro >= 0) {
      // The end of the chromosome before: a line across the columns.
      const int y = static_cast<int>(g.RowY(r - 1) + std::max(1.0, g.RowHeight()));
      if (y >= area.top() - 1 && y <= area.bottom() + 1) {
        painter.setPen(Qt::black);
        painter.drawLine(g.left, y, g.right, y);
      }
    }
    if (rc >= 0) {
      first = r;
      const double y = g.RowY(first);
      if (y >= previousLabel + kMinLabelGap) {
        previousLabel = y;
        if (y >= area.top() - 20 && y <= area.bottom() + 20) {
          const int x = g.in.dendroWidth - g.in.pixelWidth;
          painter.setPen(Qt::black);
          painter.drawText(QRect(0, static_cast<int>(y), std::max(0, x), 14),
                           Qt::AlignRight | Qt::AlignTop,
                           QString::fromStdString(genome_info.GetChroName(rc)));
        }
      }
    }
    chro = rc;
  }
}

void DrawRegionLabels(QPainter& painter, const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  if (!g.in.regionsMode || g.regions.empty()) return;
  const double h = g.RowHeight();
  painter.setFont(Arial(11));
  const int nameLeft = s.trees.regions != nullptr ? g.in.dendroWidth / 2 + 2 : 2;
  const int nameRight = g.left - 26;
  double previous = -1e18;
  double total = 0;
  for (const ChromosomeRegionRows& region : g.regions) total += region.rowCount * h;
  const bool separators = total / static_cast<double>(g.regions.size()) >= 5;
  for (const ChromosomeRegionRows& region : g.regions) {
    const double y0 = g.RowY(region.firstRow);
    const double y1 = y0 + region.rowCount * h;
    painter.fillRect(QRect(g.left - 24, static_cast<int>(y0), 16,
                           std::max(1, static_cast<int>(y1) - static_cast<int>(y0))),
                     ToQColor(TermColor(static_cast<std::uint32_t>(std::max(0, region.chro)))));
    const double middle = (y0 + y1) / 2;
    if (middle >= previous + kMinLabelGap && nameRight > nameLeft) {
      previous = middle;
      const CHRO_REGION_ITEM* item = RegionItem(region.region);
      painter.setPen(Qt::black);
      if (item != nullptr)
        painter.drawText(QRect(nameLeft, static_cast<int>(middle) - 8, nameRight - nameLeft, 16),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(item->name));
    } else {
      painter.setPen(Qt::blue);
      painter.drawPoint(nameRight, static_cast<int>(middle));
    }
    if (separators) {
      painter.setPen(Qt::black);
      painter.drawLine(g.left, static_cast<int>(y0), g.right, static_cast<int>(y0));
    }
  }
}

void DrawTitle(QPainter& painter, const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  QFont font = Arial(16);
  painter.setFont(font);
  painter.setPen(Qt::black);
  const QFontMetrics metrics(font);
  painter.drawText(g.in.pixelWidth / 2, g.in.dendroHeight - metrics.descent(),
                   QString::fromStdString(ChromosomeTitle(g)));
}

// Grey of a positive stain: 255 - n x 2.55 for the number from its fifth character.
int StainGrey(const char* stain) {
  const int n = std::strlen(stain) > 4 ? std::atoi(stain + 4) : 0;
  return std::clamp(static_cast<int>(255 - n * 2.55), 0, 255);
}

}  // namespace

COLORREF LohColor(double v, bool hideConflict) {
  if (v > 1 && v < 5) {
    switch (static_cast<int>(v)) {
      case 1:
        return kLohRetentionColour;
      case 2:
        return kLohNoninformativeColour;
      case 3:
        return kWhite;
      default:
        return hideConflict ? kLohNoninformativeColour : kLohConflictColour;
    }
  }
  if (!std::isfinite(v)) return kWhite;
  if (v > 0.5) {
    const long long c = 255 - static_cast<long long>((v - 0.5) * 510);
    return RGB(255, 255, static_cast<int>(c & 0xFF));
  }
  const long long c = 255 - static_cast<long long>((0.5 - v) * 510);
  return RGB(static_cast<int>(c & 0xFF), static_cast<int>(c & 0xFF), 255);
}

HalfColours HaplotypeColor(const unsigned char record[4], bool displayInferred) {
  HalfColours h;
  if (!displayInferred) {
    h.left = TermColor(2u * record[1]);
    h.right = TermColor(2u * record[2]);
    h.painted = true;
    return h;
  }
  constexpr COLORREF red = RGB(255, 0, 0);
  constexpr COLORREF blue = RGB(0, 0, 255);
  switch (record[0]) {
    case 0:
      h = {red, red, true};
      break;
    case 1:
      h = {blue, blue, true};
      break;
    case 3:
      h = {kWhite, kWhite, false};
      break;
    case 4:
      h = {red, blue, true};
      break;
    case 5:
      h = {blue, red, true};
      break;
    default:
      break;
  }
  return h;
}

CellStyle CurrentCellStyle() {
  const GroupSettings& settings = TheGroup().Settings();
  const ChromosomeOptions& options = TheChromosomeOptions();
  CellStyle style;
  style.dataType = chromosome.dataType;
  style.snpArrays = ArrayType != 0;
  style.displayInferred = DisplayInferred;
  style.hideConflictLoh = options.hideConflictLoh;
  style.tumourOnly = settings.CHRO_MERGE_GROUP_NAME != 0;
  style.parentSpecific = settings.PARENT_SPECIFIC_COPY != 0 && !chromosome.secondSignal.Empty();
  style.displayRange = options.displayRange[At(ChromosomeDataTypeIndex(chromosome.dataType))];
  style.greenRed = settings.GREEN_RED != 0;
  return style;
}

CellSource CellSourceOf(const ChromosomeGeometry& g, int column, const CellStyle& style) {
  CellSource source;
  if (column < 0 || column >= g.ColumnCount()) return source;
  const int group = g.columns.groupOfColumn[At(column)];
  const int first = g.columns.groupFirstColumn[At(group)];
  const int size = g.columns.groupSize[At(group)];
  source.sample = g.columns.sampleOfColumn[At(column)];
  const int shown = size >= 2 && style.displayInferred ? 1 : 0;
  source.lohSample = g.columns.sampleOfColumn[At(first + std::min(shown, size - 1))];
  source.valueSample =
      style.tumourOnly && size >= 2 ? g.columns.sampleOfColumn[At(first + 1)] : source.sample;
  return source;
}

CellColours ChromosomeCellColour(const ChromosomeGeometry& g, int row, int column,
                                 const CellStyle& style) {
  if (row < 0 || row >= g.RowCount()) return {};
  return CellColourAt(CellSourceOf(g, column, style), g.rows[At(row)].unit, style);
}

namespace {

CellColours Single(COLORREF c) {
  CellColours out;
  out.halves = {c, c, c != kWhite};
  return out;
}

COLORREF CallColour(int call, bool snpArrays) {
  if (!snpArrays) return call == 'P' ? RGB(255, 125, 125) : RGB(125, 125, 255);
  switch (call) {
    case kSnpCallA:
      return RGB(255, 0, 0);
    case kSnpCallB:
      return RGB(0, 0, 255);
    case kSnpCallAB:
      return RGB(255, 255, 0);
    case kSnpCallAB_A:
      return RGB(180, 0, 0);
    case kSnpCallAB_B:
      return RGB(0, 0, 180);
    default:
      return kWhite;
  }
}

COLORREF CellValueColour(float v, const CellStyle& style) {
  return ValueToColor(Missing(v) ? MISSING_VALUE : static_cast<double>(v), style.displayRange,
                      style.greenRed);
}

// The largest size of value that is drawn white either side of 0, -1 when 0 itself is not.
// The colour's strength grows with the size, so every smaller value is white too; the
// search runs over the positive floats in order of their bits.
float WhiteValueCut(const CellStyle& style) {
  const auto white = [&style](float m) {
    return CellValueColour(m, style) == kWhite && CellValueColour(-m, style) == kWhite;
  };
  if (!white(0.0f)) return -1;
  std::uint32_t lo = 0;
  std::uint32_t hi = std::bit_cast<std::uint32_t>(std::numeric_limits<float>::infinity());
  while (hi - lo > 1) {
    const std::uint32_t mid = lo + (hi - lo) / 2;
    (white(std::bit_cast<float>(mid)) ? lo : hi) = mid;
  }
  return std::bit_cast<float>(lo);
}

}  // namespace

CellColours CellColourAt(const CellSource& source, int unit, const CellStyle& style) {
  return CellReader(source, style).At(unit);
}

CellReader::CellReader(const CellSource& source, const CellStyle& style) : mStyle(style) {
  const int sample = source.sample;
  if (sample < 0 || sample >= chromosome.sampleCount) return;
  mUnitCount = chromosome.unitCount;
  switch (style.dataType) {
    case kDataCall:
      if (chromosome.calls.Empty()) return;
      mKind = Kind::kCalls;
      mCalls = chromosome.calls.Row(sample);
      return;
    case kDataLohCall:
      if (chromosome.lohCodes.Empty()) return;
      mKind = Kind::kLoh;
      mValues = chromosome.lohCodes.Row(source.lohSample);
      return;
    case kDataCopyNumber:
    case kDataLog2Ratio: {
      const int s = source.valueSample;
      mValueSample = s;
      if (style.dataType == kDataCopyNumber && style.parentSpecific && style.displayInferred &&
          !chromosome.inferred.Empty()) {
        mKind = Kind::kParentCopies;
        mValues = chromosome.inferred.Row(s);
        return;
      }
      // Inferred copy numbers are read as the gathering keeps them; other values are
      // computed from the signals cell by cell.
      mKind = Kind::kComputedValue;
      if (style.dataType == kDataCopyNumber && chromosome.dataType == kDataCopyNumber &&
          chromosome.displayInferred && !chromosome.inferred.Empty() && s >= 0 &&
          s < chromosome.sampleCount) {
        mKind = Kind::kCopies;
        mValues = chromosome.inferred.Row(s);
        mWhiteCut = WhiteValueCut(style);
      }
      return;
    }
    case kDataAlleleSharing:
      if (chromosome.inferred.Empty()) return;
      mKind = Kind::kAlleleSharing;
      mValues = chromosome.inferred.Row(sample);
      return;
    default:
      // The gathering keeps no haplotype table until linkage analysis fills one.
      return;
  }
}

// Calls visit with the colour routine of the reader's kind, a callable from unit to
// colours, so that a scan over many units picks the kind once.
template <typename Visit>
auto CellReader::WithKind(Visit visit) const {
  const CellStyle& style = mStyle;
  switch (mKind) {
    case Kind::kCalls:
      return visit(
          [this, &style](int unit) { return Single(CallColour(mCalls[unit], style.snpArrays)); });
    case Kind::kLoh:
      return visit([this, &style](int unit) {
        const float v = mValues[unit];
        if (Missing(v)) return CellColours{};
        CellColours out = Single(LohColor(v, style.hideConflictLoh));
        out.lohBlank = out.halves.left == kWhite || out.halves.left == kLohNoninformativeColour;
        return out;
      });
    case Kind::kCopies:
      return visit(
          [this, &style](int unit) { return Single(CellValueColour(mValues[unit], style)); });
    case Kind::kParentCopies:
      return visit([this, &style](int unit) {
        const float cell = mValues[unit];
        float a = kMissingValueFloat;
        float b = kMissingValueFloat;
        if (!Missing(cell)) chromosome.DecodeParentCopies(cell, &a, &b);
        CellColours out;
        out.halves = {CellValueColour(a, style), CellValueColour(b, style), true};
        out.halves.painted = out.halves.left != kWhite || out.halves.right != kWhite;
        return out;
      });
    case Kind::kComputedValue:
      return visit([this, &style](int unit) {
        return Single(CellValueColour(chromosome.GetValue(mValueSample, unit), style));
      });
    case Kind::kAlleleSharing:
      return visit([this, &style](int unit) {
        const float v = mValues[unit];
        if (Missing(v)) return CellColours{};
        return Single(LohColor((2 - v) * 0.25, style.hideConflictLoh));
      });
    case Kind::kNone:
      break;
  }
  return visit([](int) { return CellColours{}; });
}

CellColours CellReader::At(int unit) const {
  if (unit < 0 || unit >= mUnitCount) return {};
  return WithKind([unit](auto colourOf) { return colourOf(unit); });
}

void CellReader::Prefetch(int unit) const {
  if (unit < 0 || unit >= mUnitCount) return;
  if (mValues != nullptr) __builtin_prefetch(mValues + unit);
  if (mCalls != nullptr) __builtin_prefetch(mCalls + unit);
}

int CellReader::LastPaintedCopies(const int* units, int first, int last,
                                  CellColours* colours) const {
  // The white test on the value's bits with the sign cleared: -0 is 0, and a NaN lies
  // above every cut. cutEnd 0 passes nothing.
  const std::uint32_t cutEnd = mWhiteCut >= 0 ? std::bit_cast<std::uint32_t>(mWhiteCut) + 1 : 0;
  const std::uint32_t missing = std::bit_cast<std::uint32_t>(kMissingValueFloat);
  const auto count = static_cast<unsigned>(mUnitCount);
  for (int k = last; k >= first; --k) {
    const int unit = units[k];
    if (static_cast<unsigned>(unit) >= count) continue;
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(mValues[unit]);
    if ((bits & 0x7fffffffu) < cutEnd && bits != missing) continue;
    if (!mMemoSet || bits != mMemoBits) {
      mMemoColour = CellValueColour(std::bit_cast<float>(bits), mStyle);
      mMemoBits = bits;
      mMemoSet = true;
    }
    if (mMemoColour == kWhite) continue;
    colours->halves.left = mMemoColour;
    colours->halves.right = mMemoColour;
    colours->halves.painted = true;
    colours->lohBlank = false;
    return k;
  }
  return -1;
}

int CellReader::LastPainted(const int* units, int first, int last, CellColours* colours) const {
  if (mKind == Kind::kNone) return -1;
  if (mKind == Kind::kCopies) return LastPaintedCopies(units, first, last, colours);
  return WithKind([&](auto colourOf) {
    for (int k = last; k >= first; --k) {
      const int unit = units[k];
      if (unit < 0 || unit >= mUnitCount) continue;
      // Known white without its colour (in a stretch of copy number 0 every marker of a
      // line is read).
      if (mWhiteCut >= 0 && std::fabs(mValues[unit]) <= mWhiteCut &&
          mValues[unit] != kMissingValueFloat)
        continue;
      const CellColours c = colourOf(unit);
      if (!c.halves.painted) continue;
      // Member by member: a copy of the whole would read back the flag bytes just written
      // as one word, which stalls the scan.
      colours->halves.left = c.halves.left;
      colours->halves.right = c.halves.right;
      colours->halves.painted = true;
      colours->lohBlank = c.lohBlank;
      return k;
    }
    return -1;
  });
}

std::string ChromosomeTitle(const ChromosomeGeometry& g) {
  std::string title;
  if (g.in.regionsMode) {
    title = "Chro Regions";
  } else if (g.in.showAll) {
    title = "Chro All";
  } else {
    title = "Chro " + genome_info.GetChroName(TheGroup().Settings().CHRO_CUR_CHRO);
  }
  if (DisplayInferred &&
      (chromosome.dataType == kDataLohCall || chromosome.dataType == kDataCopyNumber))
    title += " inferred";
  return title;
}

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

void DrawBands(QPainter& painter, const ChromosomeDrawState& s, int chro, double offset) {
  const ChromosomeGeometry& g = *s.geometry;
  if (chro < 0 || chro >= MAX_CHRO_NUM) return;
  const QRect area = AreaOf(s);
  const double length = ChromosomeDrawLength(chro);
  const double yTop = g.PositionY(offset);
  const double yEnd = g.PositionY(offset + length);
  if (yEnd < area.top() || yTop > area.bottom()) return;
  const int fontH = std::max(1, g.in.propFontHeight);
  const QFont font = Arial(fontH);
  painter.setFont(font);
  const int x = g.in.pixelWidth;
  const int w = g.bandWidth;
  const bool bands = !genome_info.bands.empty() && chro + 1 < static_cast<int>(MAX_CHRO_NUM + 1);
  if (bands) {
    const int b0 = genome_info.bandStart[At(chro)];
    const int b1 =
        std::min(genome_info.bandStart[At(chro + 1)], static_cast<int>(genome_info.bands.size()));
    double previousName = -1e18;
    for (int b = std::max(0, b0); b < b1; ++b) {
      const CYTOBAND& band = genome_info.bands[At(b)];
      const int y0 = static_cast<int>(g.PositionY(offset + band.start));
      const int y1 = static_cast<int>(g.PositionY(offset + band.end));
      if (y1 < area.top() || y0 > area.bottom() + fontH) continue;
      const QRect box(x, y0, std::max(1, w), std::max(1, y1 - y0));
      if (std::strlen(band.stain) > 1 && band.stain[1] == 'p') {
        const int grey = StainGrey(band.stain);
        painter.fillRect(box, QColor(grey, grey, grey));
      } else if (std::strlen(band.stain) > 1 && band.stain[1] == 'c') {
        painter.fillRect(box, Qt::white);
        painter.fillRect(box, QBrush(Qt::black, Qt::DiagCrossPattern));
      }
      painter.setPen(Qt::black);
      painter.drawLine(x, y0, x + w, y0);
      painter.drawLine(x, y1, x + w, y1);
      painter.drawLine(x, y0, x, y1);
      painter.drawLine(x + w, y0, x + w, y1);
      const double nameY = (y0 + y1) / 2.0 - fontH / 2.0;
      if (nameY >= previousName + fontH) {
        previousName = nameY;
        painter.drawText(QRect(w + 2 * x, static_cast<int>(nameY), 5 * fontH, fontH),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(band.name));
      } else {
        painter.setPen(Qt::blue);
        painter.drawPoint(w + 2 * x, static_cast<int>(nameY));
      }
    }
  }
  if (refgene_info.refGenes.empty() || chro >= refgene_info.NumChro) return;
  const int nameLeft = bands ? w + 5 * fontH + 3 * x : w + 2 * x;
  const int nameRight = g.left - x;
  if (nameRight <= nameLeft) return;
  const std::vector<PositionEntry>& list = refgene_info.posList[At(chro)];
  // Only the refGenes that start within the area (and one font height above it).
  const double scale = g.pixelKb * 1000.0;
  const double p0 = (area.top() - fontH - g.top - 0.5) * scale - offset;
  const double p1 = (area.bottom() - g.top - 0.5) * scale - offset;
  auto it = std::lower_bound(list.begin(), list.end(), p0,
                             [](const PositionEntry& e, double p) { return e.pos < p; });
  double previous = -1e18;
  for (; it != list.end() && it->pos <= p1; ++it) {
    const int y = static_cast<int>(g.PositionY(offset + it->pos));
    if (y < previous + fontH) {
      painter.setPen(Qt::blue);
      painter.drawPoint(nameLeft - 2, y);
      continue;
    }
    previous = y;
    if (it->index < 0 || it->index >= static_cast<int>(refgene_info.refGenes.size())) continue;
    const QRect box(nameLeft, y, nameRight - nameLeft, fontH);
    if (it->index == refgene_info.lastRefGene) {
      painter.fillRect(box, Qt::white);
      painter.setPen(Qt::red);
    } else {
      painter.setPen(Qt::black);
    }
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(refgene_info.refGenes[At(it->index)].name));
  }
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

// The chromosome picture's cells: filled column by column, straight into the image's
// pixels when it can, on several threads when the cells are many.
#include "shell/views/chromosome/chromosome_drawing_parts.hpp"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "genome/chromosome/chromosome.hpp"
#include "platform/parallel_tasks.hpp"
#include "shell/services/text_conversion.hpp"

using namespace chromosome_picture;

namespace {

// Cells a worker thread is given at least: fewer are drawn sooner than it is handed them.
constexpr std::int64_t kCellsPerThread = 2048;
// Pixel lines ahead of the scan whose last value is asked for: a line's scan mostly stops
// at its last marker, which lies a line's markers past the one before.
constexpr std::size_t kLinesAhead = 8;

QRgb ToRgb(COLORREF c) {
  return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
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

}  // namespace

namespace chromosome_picture {

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

}  // namespace chromosome_picture

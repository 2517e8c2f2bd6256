// The chromosome view's layout in plain numbers.
#include "shell/views/chromosome/chromosome_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

ChromosomeGeometry ComputeChromosomeGeometry(const ChromosomeGeometryInput& in,
                                             ChromosomeColumns columns,
                                             std::vector<ChromosomeRow> rows,
                                             std::vector<ChromosomeRegionRows> regions) {
  ChromosomeGeometry g;
  g.in = in;
  g.in.pixelWidth = std::max(1, in.pixelWidth);
  g.in.propFontHeight = std::max(1, in.propFontHeight);
  // A row height that is no number, or not above 0, would make every row one line.
  if (!(in.pixelHeight > 0) || !std::isfinite(in.pixelHeight)) g.in.pixelHeight = 1.0f;
  g.in.infoRowHeight = std::max(0, in.infoRowHeight);
  g.in.dendroWidth = std::max(0, in.dendroWidth);
  g.in.dendroHeight = std::max(0, in.dendroHeight);
  g.pixelKb = in.pixelKb > 0 && std::isfinite(in.pixelKb) ? in.pixelKb : kDefaultPixelKb;
  g.in.pixelKb = static_cast<float>(g.pixelKb);
  g.columns = std::move(columns);
  g.rows = std::move(rows);
  g.regions = std::move(regions);

  const int wd = g.in.pixelWidth;
  const double ht = g.in.pixelHeight;
  g.left = g.in.dendroWidth;
  g.right = g.left + g.ColumnCount() * wd;
  g.bandWidth = g.in.dendroWidth / 10;
  if (g.in.infoRows > 0 && g.in.infoRowHeight > 0)
    g.top = g.in.infoRowHeight * (g.in.infoRows + 2) + g.in.dendroHeight;
  else
    g.top = g.in.dendroHeight + static_cast<int>(ht);
  g.infoTop = g.in.infoRowHeight + g.in.dendroHeight;
  g.picWidth = in.snpArrays ? g.right + 2 * g.in.dendroWidth : 2 * g.right;
  // The marker names need room right of the curve panel whatever the arrays.
  g.picWidth = std::max(g.picWidth, g.NameLeft() + 4 * wd);
  double bottom = 0;
  if (in.proportional && !in.regionsMode) {
    bottom = std::max(0.0, in.lengthBp) / (g.pixelKb * 1000.0) + g.top + 0.5 + 2 * ht;
  } else {
    bottom = (g.RowCount() + 1) * ht + g.top;
  }
  g.bottom = static_cast<int>(std::min(bottom, 1e9));
  g.picHeight = g.bottom + 3 * g.in.infoRowHeight;
  return g;
}

double ChromosomeGeometry::RowHeight() const {
  return in.proportional && !in.regionsMode ? in.propFontHeight : in.pixelHeight;
}

int ChromosomeGeometry::CellHeight() const {
  return std::max(1, static_cast<int>(RowHeight()));
}

int ChromosomeGeometry::ColumnX(int column) const {
  return column * in.pixelWidth + left;
}

int ChromosomeGeometry::ColumnAt(int x) const {
  if (x < left || x >= right) return -1;
  const int column = (x - left) / in.pixelWidth;
  return column < ColumnCount() ? column : -1;
}

int ChromosomeGeometry::CellWidth(int column) const {
  if (column < 0 || column >= ColumnCount()) return 0;
  const bool lastOfSample = column + 1 == ColumnCount() || columns.groupOfColumn[At(column + 1)] !=
                                                               columns.groupOfColumn[At(column)];
  return std::max(1, in.pixelWidth - (lastOfSample && in.pixelWidth > 1 ? 1 : 0));
}

double ChromosomeGeometry::PositionY(double offsetPos) const {
  return offsetPos / (pixelKb * 1000.0) + top + 0.5;
}

double ChromosomeGeometry::RowY(int row) const {
  if (in.proportional && !in.regionsMode && row >= 0 && row < RowCount())
    return PositionY(rows[At(row)].offsetPos);
  return row * static_cast<double>(in.pixelHeight) + top;
}

int ChromosomeGeometry::RowAt(double y) const {
  if (rows.empty() || y < top || y >= bottom) return -1;
  if (in.proportional && !in.regionsMode) {
    const double pos = (y - top - 0.5) * pixelKb * 1000.0;
    const auto next =
        std::lower_bound(rows.begin(), rows.end(), pos,
                         [](const ChromosomeRow& r, double p) { return r.offsetPos < p; });
    if (next == rows.begin()) return 0;
    if (next == rows.end()) return RowCount() - 1;
    const auto before = next - 1;
    return static_cast<int>((pos - before->offsetPos <= next->offsetPos - pos ? before : next) -
                            rows.begin());
  }
  const int row = static_cast<int>(std::floor((y - top) / in.pixelHeight));
  return row >= 0 && row < RowCount() ? row : -1;
}

void ChromosomeGeometry::VisibleRows(double y0, double y1, int* first, int* last) const {
  *first = 0;
  *last = -1;
  if (rows.empty() || y1 < y0) return;
  const double h = std::max(1.0, RowHeight());
  if (in.proportional && !in.regionsMode) {
    // Rows lie in position order, so the window's rows are found by binary search.
    const double scale = pixelKb * 1000.0;
    const double p0 = (y0 - h - top - 0.5) * scale;
    const double p1 = (y1 - top - 0.5) * scale;
    const auto lo =
        std::lower_bound(rows.begin(), rows.end(), p0,
                         [](const ChromosomeRow& r, double p) { return r.offsetPos < p; });
    const auto hi =
        std::upper_bound(rows.begin(), rows.end(), p1,
                         [](double p, const ChromosomeRow& r) { return p < r.offsetPos; });
    *first = static_cast<int>(lo - rows.begin());
    *last = static_cast<int>(hi - rows.begin()) - 1;
    return;
  }
  const double ht = in.pixelHeight;
  const double a = std::floor((y0 - top - h) / ht);
  const double b = std::floor((y1 - top) / ht);
  *first = static_cast<int>(std::clamp(a, 0.0, static_cast<double>(RowCount())));
  *last = static_cast<int>(std::clamp(b, -1.0, static_cast<double>(RowCount() - 1)));
}

void ChromosomeGeometry::VisibleColumns(int x0, int x1, int* first, int* last) const {
  *first = 0;
  *last = -1;
  if (ColumnCount() == 0 || x1 < left || x0 >= right) return;
  *first = std::max(0, (x0 - left) / in.pixelWidth);
  *last = std::min(ColumnCount() - 1, (x1 - left) / in.pixelWidth);
}

int ChromosomeGeometry::CurveLeft() const {
  return right + 2 * in.pixelWidth;
}

int ChromosomeGeometry::CurveWidth() const {
  return left / 3;
}

int ChromosomeGeometry::NameLeft() const {
  return right + CurveWidth() + 4 * in.pixelWidth;
}

int ChromosomeGeometry::NameRight() const {
  return picWidth - in.pixelWidth / 2;
}

bool ChromosomeGeometry::InCells(int x, int y) const {
  return x >= left && x < right && y >= top && y < bottom && ColumnAt(x) >= 0;
}

int CurveX(double value, double min, double max, int x0, int width) {
  const double span = max - min;
  if (!(span > 0) || !std::isfinite(span) || !std::isfinite(value)) return x0;
  const double x = (value - min) / span * width + x0 + 0.5;
  return static_cast<int>(std::clamp(x, -1e6, 1e6));
}

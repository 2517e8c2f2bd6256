// Where the chromosome view puts its parts, in plain numbers: the data columns and their
// samples, the marker rows (evenly spaced, or by position in proportional mode), the
// curve panel, the name boxes and the size of the whole picture. The drawing, the mouse,
// the keys, the commands and the tests all place things through it.
#pragma once

#include <vector>

// Kilobases per pixel that replace a setting not above 0.
inline constexpr float kDefaultPixelKb = 10.0f;

// One marker row: the unit, its chromosome, its place in that chromosome's marker list and
// its position (bp) plus the lengths of the chromosomes drawn above it.
struct ChromosomeRow {
  int unit = -1;
  int chro = -1;
  int listIndex = -1;
  double offsetPos = 0;
};

// A region of the region file as rows: its first row and the number of its markers.
struct ChromosomeRegionRows {
  int region = -1;
  int firstRow = 0;
  int rowCount = 0;
  int chro = -1;
};

// The data columns: one per sample of the grouping, grouped into display samples (the
// sample groups), which stand in sample-tree order when a tree exists.
struct ChromosomeColumns {
  // Per column, the sample (row of the chromosome tables) it shows.
  std::vector<int> sampleOfColumn;
  // Per column, the display sample (sample group) it belongs to.
  std::vector<int> groupOfColumn;
  // Per column, its offset within its display sample.
  std::vector<int> offsetInGroup;
  // Per display sample in display order: its first column and its size.
  std::vector<int> groupFirstColumn;
  std::vector<int> groupSize;
  // The display samples in display order.
  std::vector<int> groupOrder;
};

struct ChromosomeGeometryInput {
  int pixelWidth = 1;         // PIXEL_WD
  float pixelHeight = 1.0f;   // PIXEL_HT_
  int infoRowHeight = 0;      // PIXEL_HT2
  float pixelKb = 10.0f;      // PIXEL_KB
  int propFontHeight = 1;     // PIXEL_HT_PROP
  int dendroWidth = 0;        // DENDRO_WD
  int dendroHeight = 0;       // DENDRO_HT
  bool proportional = false;  // PROPORTIONAL_DIST
  bool showAll = false;       // VIEW_ALL_CHROMOSOME
  bool regionsMode = false;
  bool snpArrays = true;
  int infoRows = 0;  // sample-information rows
  // Length (bp) of what is drawn in proportional mode: the chromosome, or the genome.
  double lengthBp = 0;
};

struct ChromosomeGeometry {
  ChromosomeGeometryInput in;
  int picWidth = 0;
  int picHeight = 0;
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int bandWidth = 0;
  int infoTop = 0;
  double pixelKb = kDefaultPixelKb;  // PIXEL_KB after the reset of a value not above 0
  ChromosomeColumns columns;
  std::vector<ChromosomeRow> rows;
  std::vector<ChromosomeRegionRows> regions;  // RegionsMode only

  int ColumnCount() const { return static_cast<int>(columns.sampleOfColumn.size()); }
  int RowCount() const { return static_cast<int>(rows.size()); }
  // Row height: PIXEL_HT_PROP in proportional mode, else PIXEL_HT_; a cell is at least 1.
  double RowHeight() const;
  int CellHeight() const;

  // A column's left x; the column under x, -1 outside the columns.
  int ColumnX(int column) const;
  int ColumnAt(int x) const;
  // A cell's width: one less for the last column of a display sample.
  int CellWidth(int column) const;

  // A row's top y (by row in evenly spaced mode, by position in proportional mode).
  double RowY(int row) const;
  // The y of a position (bp plus chromosome offset) in proportional mode.
  double PositionY(double offsetPos) const;
  // The row drawn at y: in evenly spaced mode the row whose band holds y, in proportional
  // mode the row nearest the position at y; -1 when there are no rows or y is outside.
  int RowAt(double y) const;
  // The first and last rows whose cells may show between y0 and y1; first > last when
  // none does.
  void VisibleRows(double y0, double y1, int* first, int* last) const;
  // The first and last columns between x0 and x1; first > last when none.
  void VisibleColumns(int x0, int x1, int* first, int* last) const;

  // The curve panel: left x and width.
  int CurveLeft() const;
  int CurveWidth() const;
  // Where marker names start and end.
  int NameLeft() const;
  int NameRight() const;
  // The data cells' area.
  bool InCells(int x, int y) const;
};

// Layout from the settings-like input and the row and column tables, which it keeps.
ChromosomeGeometry ComputeChromosomeGeometry(const ChromosomeGeometryInput& in,
                                             ChromosomeColumns columns,
                                             std::vector<ChromosomeRow> rows,
                                             std::vector<ChromosomeRegionRows> regions);

// The curve x of a value in a panel [x0, x0 + width) for the range [min, max]; x0 when the
// range is empty or not a number.
int CurveX(double value, double min, double max, int x0, int width);

// Where the probe data view puts its panels, their plot areas, the points of a per-probe
// curve and the probe strip: plain numbers from the picture size, so the drawing, the
// mouse and the tests agree on them.
#pragma once

// The picture is never made smaller than this on either side.
inline constexpr int kDataMinPictureSize = 600;
// Normal mode: 2 columns x 3 rows of panels.
inline constexpr int kDataColumns = 2;
inline constexpr int kDataRows = 3;
// The plot area is the panel less this on every side; labels sit this far inside.
inline constexpr int kDataPlotMargin = 6;
inline constexpr int kDataLabelInset = 2;
// The header panel's lines: gene name, model method and the probe strip below its label.
inline constexpr int kDataGeneNameOffset = 30;
inline constexpr int kDataMethodOffset = 60;
inline constexpr int kDataStripOffset = 90;
// Room left of a SNP strip for its row labels.
inline constexpr int kDataStripLabelWidth = 30;

struct DataBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool Contains(int x, int y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};

struct DataGeometry {
  int pictureWidth = kDataMinPictureSize;
  int pictureHeight = kDataMinPictureSize;
  int columns = kDataColumns;
  int rows = kDataRows;
  int panelWidth = kDataMinPictureSize / kDataColumns;
  int panelHeight = kDataMinPictureSize / kDataRows;
};

// Normal mode gives 2 x 3 panels; show-all mode a x a panels, a = ceil(sqrt(arrays)).
DataGeometry ComputeDataGeometry(int pictureWidth, int pictureHeight, bool showAll, int arrays);

// The grid size of show-all mode for this many arrays (at least 1).
int ShowAllGridSize(int arrays);

// A picture side after a size key: x 1.2 larger but never beyond largest, or x 1/1.2
// smaller but never below kDataMinPictureSize.
int GrowPictureSide(int side, int largest);
int ShrinkPictureSide(int side);

DataBox DataPanel(const DataGeometry& geometry, int column, int row);
DataBox DataPlotArea(const DataGeometry& geometry, int column, int row);

// The x of probe i of count in a plot area: by index, or by position when positions
// are shown (largest is the largest position, at least 1).
int ProbeIndexX(const DataBox& area, int probe, int count);
int ProbePositionX(const DataBox& area, int position, int largest);
// The y of a value on the range [low, high], rounded to the nearest pixel; the middle of
// the area when the range is empty.
int DataValueY(const DataBox& area, double value, double low, double high);
// The x of a value on [low, high] across the area (the scatter panels).
int DataValueX(const DataBox& area, double value, double low, double high);

// The probe strip of the header panel: cells of cellSize pixels, one column per pair
// (a block column on SNP arrays), two rows on expression arrays and four on SNP arrays.
struct ProbeStripGeometry {
  int left = 0;
  int top = 0;
  int cellSize = 1;
  int columns = 0;
  int rows = 2;
  DataBox Box() const { return {left, top, columns * cellSize, rows * cellSize}; }
};

ProbeStripGeometry ComputeProbeStrip(const DataGeometry& geometry, int pairs, bool snp);

// The strip cell under a point: its column and row, or -1, -1 outside the strip.
struct StripCell {
  int column = -1;
  int row = -1;
};
StripCell HitProbeStrip(const ProbeStripGeometry& strip, int x, int y);

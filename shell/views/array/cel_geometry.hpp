// Where the array image view puts its cells: one square of pixelSize pixels per cell, the
// cell at column x, row y with its top-left corner at (x, y) x pixelSize. Plain numbers
// from the dimension and the pixel size, so the drawing, the mouse and the scrolling
// agree on them.
#pragma once

struct CelCell {
  int x = -1;
  int y = -1;
  bool operator==(const CelCell&) const = default;
};

struct CelGeometry {
  int dimension = 0;
  int pixelSize = 1;

  // The side of the whole picture in pixels.
  int Side() const { return dimension * pixelSize; }
  // The cell under a point of the picture (the scroll position already added); it may
  // lie outside the image.
  CelCell CellAt(int pictureX, int pictureY) const;
  bool Inside(CelCell cell) const {
    return cell.x >= 0 && cell.y >= 0 && cell.x < dimension && cell.y < dimension;
  }
  int CellLeft(int x) const { return x * pixelSize; }
  int CellTop(int y) const { return y * pixelSize; }
  // The scroll position on one axis that puts the cell's picture position at the middle
  // of a window of that many pixels; 0 when the picture is narrower than the window or
  // the position would be negative.
  int CentredScroll(int cell, int window) const;
};

// The zoom keys: Left takes one pixel off (only from 2 up), Right adds one; Up takes five
// off but not below 1 (only from 2 up), Down adds five.
enum class CelZoom { kLess, kMore, kMuchLess, kMuchMore };
int ZoomedPixelSize(int pixelSize, CelZoom zoom);

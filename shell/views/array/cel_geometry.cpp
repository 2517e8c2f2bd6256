// The array image view's cell geometry.
#include "shell/views/array/cel_geometry.hpp"

#include <algorithm>

namespace {

// Division that rounds towards minus infinity, so points left of or above the picture
// give negative cells.
int FloorDivide(int value, int divisor) {
  const int quotient = value / divisor;
  return value % divisor != 0 && value < 0 ? quotient - 1 : quotient;
}

}  // namespace

CelCell CelGeometry::CellAt(int pictureX, int pictureY) const {
  const int size = std::max(1, pixelSize);
  return {FloorDivide(pictureX, size), FloorDivide(pictureY, size)};
}

int CelGeometry::CentredScroll(int cell, int window) const {
  if (Side() < window) return 0;
  return std::max(0, cell * pixelSize - window / 2);
}

int ZoomedPixelSize(int pixelSize, CelZoom zoom) {
  switch (zoom) {
    case CelZoom::kLess:
      return pixelSize >= 2 ? pixelSize - 1 : pixelSize;
    case CelZoom::kMore:
      return pixelSize + 1;
    case CelZoom::kMuchLess:
      return pixelSize >= 2 ? std::max(1, pixelSize - 5) : pixelSize;
    case CelZoom::kMuchMore:
      return pixelSize + 5;
  }
  return pixelSize;
}

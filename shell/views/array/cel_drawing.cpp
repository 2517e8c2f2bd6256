// The array image view's picture: the visible part turned into colours row by row (a
// row of cells is coloured once and copied for the other pixel rows of its cells), the
// marks set into the same bitmap, and one bitmap drawn.
#include "shell/views/array/cel_drawing.hpp"

#include <QImage>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <array>
#include <cstring>

#include "shell/views/array/cel_image_cache.hpp"

namespace {

constexpr QRgb kOpaque = 0xFF000000u;

const std::array<QRgb, kCelLevels>& LevelColours() {
  static const std::array<QRgb, kCelLevels> colours = [] {
    std::array<QRgb, kCelLevels> table{};
    for (int level = 0; level < kCelLevels; ++level)
      table[static_cast<std::size_t>(level)] = kOpaque | CelLevelColour(level);
    return table;
  }();
  return colours;
}

// The bitmap of the area: pixel (px, py) of the picture at scratch (px - left, py - top).
class AreaBitmap {
 public:
  AreaBitmap(QImage& scratch, const QRect& area) : mImage(scratch), mArea(area) {}

  // Applies f to every pixel of the cell's square (or of the rectangle) inside the area.
  template <typename F>
  void ForPixels(QRect square, F f) {
    square = square.intersected(mArea);
    for (int y = square.top(); y <= square.bottom(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(mImage.scanLine(y - mArea.top()));
      for (int x = square.left(); x <= square.right(); ++x) f(line[x - mArea.left()]);
    }
  }

 private:
  QImage& mImage;
  QRect mArea;
};

void ColourCells(QImage& scratch, const QRect& area, const CelImage& image, const CelGeometry& g) {
  const std::array<QRgb, kCelLevels>& colours = LevelColours();
  const int size = std::max(1, g.pixelSize);
  const int side = g.Side();
  const int left = area.left();
  const int right = std::min(area.right() + 1, side);  // end, excluded
  int previousRow = -1;
  const QRgb* previousLine = nullptr;
  for (int py = area.top(); py <= area.bottom(); ++py) {
    auto* line = reinterpret_cast<QRgb*>(scratch.scanLine(py - area.top()));
    if (py < 0 || py >= side || right <= std::max(left, 0)) {
      std::fill(line, line + area.width(), kOpaque | kCelBackground);
      continue;
    }
    const int row = py / size;
    if (row == previousRow && previousLine != nullptr) {
      std::memcpy(line, previousLine, static_cast<std::size_t>(area.width()) * sizeof(QRgb));
      previousLine = line;
      continue;
    }
    QRgb* out = line;
    for (int px = left; px < std::min(0, area.right() + 1); ++px) *out++ = kOpaque | kCelBackground;
    const std::uint8_t* levels = image.Row(row);
    int px = std::max(left, 0);
    if (size == 1) {
      for (; px < right; ++px) *out++ = colours[levels[px]];
    } else {
      while (px < right) {
        const int column = px / size;
        const int end = std::min(right, (column + 1) * size);
        const QRgb colour = colours[levels[column]];
        for (; px < end; ++px) *out++ = colour;
      }
    }
    for (; px <= area.right(); ++px) *out++ = kOpaque | kCelBackground;
    previousRow = row;
    previousLine = line;
  }
}

}  // namespace

std::uint32_t CelLevelColour(int level) {
  const auto l = static_cast<std::uint32_t>(std::clamp(level, 0, kCelLevels - 1));
  return (l << 16) | (l << 8);
}

void DrawCelPicture(QPainter& painter, const CelDrawState& state, const QRect& area,
                    QImage& scratch) {
  if (area.isEmpty()) return;
  if (scratch.size() != area.size() || scratch.format() != QImage::Format_RGB32)
    scratch = QImage(area.size(), QImage::Format_RGB32);
  const CelGeometry& g = state.geometry;
  const int size = std::max(1, g.pixelSize);
  if (state.image != nullptr && state.image->dimension == g.dimension)
    ColourCells(scratch, area, *state.image, g);
  else
    scratch.fill(kOpaque | kCelBackground);

  AreaBitmap bitmap(scratch, area);
  const auto square = [&](CelCell cell) {
    return QRect(g.CellLeft(cell.x), g.CellTop(cell.y), size, size);
  };
  if (state.marks != nullptr)
    for (const CelMark& mark : *state.marks)
      bitmap.ForPixels(square(mark.cell), [&](QRgb& pixel) { pixel = kOpaque | mark.rgb; });
  if (state.blink != nullptr) {
    for (const CelCell cell : *state.blink) {
      const QRect box = square(cell);
      if (size == 1) {
        bitmap.ForPixels(box, [](QRgb& pixel) { pixel = kOpaque | 0xFFFFFFu; });
        continue;
      }
      const auto invert = [](QRgb& pixel) { pixel ^= kCelOutlineXor; };
      bitmap.ForPixels(QRect(box.left(), box.top(), size, 1), invert);
      bitmap.ForPixels(QRect(box.left(), box.bottom(), size, 1), invert);
      bitmap.ForPixels(QRect(box.left(), box.top() + 1, 1, size - 2), invert);
      bitmap.ForPixels(QRect(box.right(), box.top() + 1, 1, size - 2), invert);
    }
  }
  if (state.outline != nullptr)
    for (const CelCell cell : *state.outline)
      bitmap.ForPixels(square(cell), [](QRgb& pixel) { pixel ^= kCelOutlineXor; });
  painter.drawImage(area.topLeft(), scratch);
}

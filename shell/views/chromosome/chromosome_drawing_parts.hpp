// What the parts of the chromosome picture share: small helpers and the pieces that
// DrawMatrix puts together (cells, curve, labels), each drawn in a file of its own.
#pragma once

#include <QFont>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "engine/base/missing_value.hpp"
#include "shell/views/chromosome/chromosome_drawing.hpp"

class QPainter;

namespace chromosome_picture {

inline std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

inline QFont Arial(int pixelHeight) {
  QFont font("Arial");
  font.setPixelSize(std::max(1, pixelHeight));
  return font;
}

inline bool Missing(float v) {
  return v == kMissingValueFloat || !std::isfinite(v);
}

// The part of the picture to draw: the state's area, or the whole picture.
inline QRect AreaOf(const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  return s.area.isEmpty() ? QRect(0, 0, g.picWidth, g.picHeight) : s.area;
}

// The cells of the rows firstRow..lastRow within area (chromosome_cell_drawing.cpp).
void DrawCells(QPainter& painter, const ChromosomeDrawState& s, QRect area, int firstRow,
               int lastRow);
// The curve panel right of the cells with its threshold and significant regions
// (chromosome_curve_drawing.cpp).
void DrawCurve(QPainter& painter, const ChromosomeDrawState& s, int firstRow, int lastRow);
// The labels (chromosome_label_drawing.cpp): marker names beside the rows, chromosome
// names and ends, region names and colours, and the title.
void DrawMarkerNames(QPainter& painter, const ChromosomeDrawState& s, int firstRow, int lastRow);
void DrawChromosomeLabels(QPainter& painter, const ChromosomeDrawState& s, QRect area);
void DrawRegionLabels(QPainter& painter, const ChromosomeDrawState& s);
void DrawTitle(QPainter& painter, const ChromosomeDrawState& s);

}  // namespace chromosome_picture

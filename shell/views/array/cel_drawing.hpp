// Drawing the array image view's picture into any painter (the window, an exported
// image, tests): the cached levels of the visible cells in colour, black to yellow, the
// outlier marks, the current probe set's cells and the region outline. Everything is
// drawn from what was prepared before the paint; nothing is built or read here.
#pragma once

#include <vector>

#include "shell/views/array/cel_geometry.hpp"
#include "shell/views/array/cel_marks.hpp"

class QImage;
class QPainter;
class QRect;
struct CelImage;

// Left of and below the image.
inline constexpr std::uint32_t kCelBackground = 0xFFFFFF;
inline constexpr std::uint32_t kCelOutlineXor = 0xFFFFFF;

struct CelDrawState {
  const CelImage* image = nullptr;  // nothing but background without one
  CelGeometry geometry;
  const std::vector<CelMark>* marks = nullptr;  // filled squares
  // The blinking cells while shown: set white at pixel size 1, else their square's
  // outline inverted.
  const std::vector<CelCell>* blink = nullptr;
  // The region outline: each cell's square inverted, so that drawing it twice erases it.
  const std::vector<CelCell>* outline = nullptr;
};

// The colour of a level: red and green the level, blue 0.
std::uint32_t CelLevelColour(int level);

// Draws the part area (in picture pixels) of the picture at its place on the painter;
// scratch is the caller's bitmap, kept between paints so that none is allocated anew.
void DrawCelPicture(QPainter& painter, const CelDrawState& state, const QRect& area,
                    QImage& scratch);

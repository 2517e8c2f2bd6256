// Drawing into an enhanced metafile with the toolkit's painter: rectangles, ellipses,
// lines, polygons and paths, text and pictures become the metafile's records (clipping is
// not kept; anything the records cannot say, such as a gradient or a transparent colour,
// is drawn by the toolkit as a picture).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class QPainter;
class QSize;

// The metafile of what draw paints on a picture of the given size in pixels.
std::vector<std::uint8_t> RecordMetafile(const QSize& size,
                                         const std::function<void(QPainter&)>& draw);

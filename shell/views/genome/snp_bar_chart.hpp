// The bar chart under the SNP view's plot: one array's raw probe intensities, four bars
// per mini-block (allele A mismatch and perfect match, allele B perfect match and
// mismatch) scaled to the SNP's largest intensity. One routine for any painter.
#pragma once

#include <QRect>

#include "engine/base/colour.hpp"

class QPainter;
class SNP_BLOCK_DATA;

inline constexpr COLORREF kSnpMismatchBarColour = RGB(200, 200, 200);
inline constexpr COLORREF kSnpAlleleAColour = RGB(255, 0, 0);
inline constexpr COLORREF kSnpAlleleBColour = RGB(0, 0, 255);
// Bars take this share of their slot; the rest is the gap.
inline constexpr double kSnpBarWidthShare = 0.9;

// The chart's frame for a plot of width x height: its top row is the plot's last row and
// it is a quarter of the plot's height tall.
QRect SnpBarFrame(int width, int height);
// Bar `value` (0-3, the block value order) of block b: it stands on the frame's bottom row
// and is trunc((height / 4) x intensity / maxValue) tall, drawn a pixel shorter. Empty
// when the chart cannot be drawn (no blocks, no positive maximum).
QRect SnpBarRect(int width, int height, int blockCount, int blockIndex, int value, float intensity,
                 int maxValue);
COLORREF SnpBarColour(int value);

// The frame, and with a current array that the data hold, its bars.
void DrawSnpBarChart(QPainter& painter, int width, int height, SNP_BLOCK_DATA& data, int array);

// The SNP view's bar chart.
#include "shell/views/genome/snp_bar_chart.hpp"

#include <QPainter>

#include "engine/chip/probe_block_column.hpp"
#include "genome/info/snp_block_data.hpp"
#include "shell/services/text_conversion.hpp"

QRect SnpBarFrame(int width, int height) {
  return {0, height - 1, width, height / 4 + 1};
}

QRect SnpBarRect(int width, int height, int blockCount, int blockIndex, int value, float intensity,
                 int maxValue) {
  if (blockCount <= 0 || maxValue <= 0 || intensity <= 0.0f) return {};
  const int slot = width / (blockCount * 5);
  const int barWidth = static_cast<int>(kSnpBarWidthShare * slot);
  const int tall = static_cast<int>((height / 4) * static_cast<double>(intensity) / maxValue);
  const int bottom = SnpBarFrame(width, height).bottom();
  const int left = slot / 2 + 5 * slot * blockIndex + value * slot;
  // One pixel shorter: the frame's bottom row stays black.
  if (barWidth <= 0 || tall <= 1) return {};
  return {left, bottom - tall + 1, barWidth, tall - 1};
}

COLORREF SnpBarColour(int value) {
  switch (value) {
    case kBlockRowPerfectA:
      return kSnpAlleleAColour;
    case kBlockRowPerfectB:
      return kSnpAlleleBColour;
    default:
      return kSnpMismatchBarColour;
  }
}

void DrawSnpBarChart(QPainter& painter, int width, int height, SNP_BLOCK_DATA& data, int array) {
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(Qt::white);
  const QRect frame = SnpBarFrame(width, height);
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  if (!data.Loaded() || array < 0 || array >= data.Arrays()) return;
  for (int b = 0; b < data.blockCount; ++b) {
    data.GetBlockValues(array, b);
    for (int v = 0; v < kSnpBlockValues; ++v) {
      const QRect bar = SnpBarRect(width, height, data.blockCount, b, v,
                                   data.block[static_cast<std::size_t>(v)], data.maxValue);
      if (!bar.isEmpty()) painter.fillRect(bar, ToQColor(SnpBarColour(v)));
    }
  }
}

// The chromosome picture's ideogram: the cytobands of a chromosome drawn to scale, with
// the refGene names beside them.
#include "shell/views/chromosome/chromosome_drawing.hpp"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "genome/info/genome_info.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/chromosome/chromosome_drawing_parts.hpp"

using namespace chromosome_picture;

namespace {

// Grey of a positive stain: 255 - n x 2.55 for the number from its fifth character.
int StainGrey(const char* stain) {
  const int n = std::strlen(stain) > 4 ? std::atoi(stain + 4) : 0;
  return std::clamp(static_cast<int>(255 - n * 2.55), 0, 255);
}

}  // namespace

void DrawBands(QPainter& painter, const ChromosomeDrawState& s, int chro, double offset) {
  const ChromosomeGeometry& g = *s.geometry;
  if (chro < 0 || chro >= MAX_CHRO_NUM) return;
  const QRect area = AreaOf(s);
  const double length = ChromosomeDrawLength(chro);
  const double yTop = g.PositionY(offset);
  const double yEnd = g.PositionY(offset + length);
  if (yEnd < area.top() || yTop > area.bottom()) return;
  const int fontH = std::max(1, g.in.propFontHeight);
  const QFont font = Arial(fontH);
  painter.setFont(font);
  const int x = g.in.pixelWidth;
  const int w = g.bandWidth;
  const bool bands = !genome_info.bands.empty() && chro + 1 < static_cast<int>(MAX_CHRO_NUM + 1);
  if (bands) {
    const int b0 = genome_info.bandStart[At(chro)];
    const int b1 =
        std::min(genome_info.bandStart[At(chro + 1)], static_cast<int>(genome_info.bands.size()));
    double previousName = -1e18;
    for (int b = std::max(0, b0); b < b1; ++b) {
      const CYTOBAND& band = genome_info.bands[At(b)];
      const int y0 = static_cast<int>(g.PositionY(offset + band.start));
      const int y1 = static_cast<int>(g.PositionY(offset + band.end));
      if (y1 < area.top() || y0 > area.bottom() + fontH) continue;
      const QRect box(x, y0, std::max(1, w), std::max(1, y1 - y0));
      if (std::strlen(band.stain) > 1 && band.stain[1] == 'p') {
        const int grey = StainGrey(band.stain);
        painter.fillRect(box, QColor(grey, grey, grey));
      } else if (std::strlen(band.stain) > 1 && band.stain[1] == 'c') {
        painter.fillRect(box, Qt::white);
        painter.fillRect(box, QBrush(Qt::black, Qt::DiagCrossPattern));
      }
      painter.setPen(Qt::black);
      painter.drawLine(x, y0, x + w, y0);
      painter.drawLine(x, y1, x + w, y1);
      painter.drawLine(x, y0, x, y1);
      painter.drawLine(x + w, y0, x + w, y1);
      const double nameY = (y0 + y1) / 2.0 - fontH / 2.0;
      if (nameY >= previousName + fontH) {
        previousName = nameY;
        painter.drawText(QRect(w + 2 * x, static_cast<int>(nameY), 5 * fontH, fontH),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(band.name));
      } else {
        painter.setPen(Qt::blue);
        painter.drawPoint(w + 2 * x, static_cast<int>(nameY));
      }
    }
  }
  if (refgene_info.refGenes.empty() || chro >= refgene_info.NumChro) return;
  const int nameLeft = bands ? w + 5 * fontH + 3 * x : w + 2 * x;
  const int nameRight = g.left - x;
  if (nameRight <= nameLeft) return;
  const std::vector<PositionEntry>& list = refgene_info.posList[At(chro)];
  // Only the refGenes that start within the area (and one font height above it).
  const double scale = g.pixelKb * 1000.0;
  const double p0 = (area.top() - fontH - g.top - 0.5) * scale - offset;
  const double p1 = (area.bottom() - g.top - 0.5) * scale - offset;
  auto it = std::lower_bound(list.begin(), list.end(), p0,
                             [](const PositionEntry& e, double p) { return e.pos < p; });
  double previous = -1e18;
  for (; it != list.end() && it->pos <= p1; ++it) {
    const int y = static_cast<int>(g.PositionY(offset + it->pos));
    if (y < previous + fontH) {
      painter.setPen(Qt::blue);
      painter.drawPoint(nameLeft - 2, y);
      continue;
    }
    previous = y;
    if (it->index < 0 || it->index >= static_cast<int>(refgene_info.refGenes.size())) continue;
    const QRect box(nameLeft, y, nameRight - nameLeft, fontH);
    if (it->index == refgene_info.lastRefGene) {
      painter.fillRect(box, Qt::white);
      painter.setPen(Qt::red);
    } else {
      painter.setPen(Qt::black);
    }
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(refgene_info.refGenes[At(it->index)].name));
  }
}

// The chromosome picture's words: marker names, chromosome and region labels, the title.
#include "shell/views/chromosome/chromosome_drawing.hpp"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "genes/info/gene_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/snp_info.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/chromosome/chromosome_drawing_parts.hpp"

using namespace chromosome_picture;

namespace {

const CHRO_REGION_ITEM* RegionItem(int region) {
  if (region < 0 || region >= static_cast<int>(chro_region.items.size())) return nullptr;
  return &chro_region.items[At(region)];
}

std::string MarkerName(int unit, bool snpArrays) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= Layout.units.size()) return {};
  std::string text(Layout.units[At(unit)].Name());
  if (snpArrays) {
    if (static_cast<std::size_t>(unit) < snp_info_table.snps.size())
      text += "[" + snp_info_table.snps[At(unit)].secondText + "]";
    return text;
  }
  const GENE_INFO* gene = GeneInfo.Loaded() ? GeneInfo.Gene(unit) : nullptr;
  if (gene == nullptr || gene->Description.empty()) return text;
  const std::string description(gene->Description);
  return TheGroup().Settings().CLUSTER_SHOW_PROBE_SET != 0 ? text + ", " + description
                                                           : description;
}

}  // namespace

namespace chromosome_picture {

void DrawMarkerNames(QPainter& painter, const ChromosomeDrawState& s, int firstRow, int lastRow) {
  const ChromosomeGeometry& g = *s.geometry;
  const int x0 = g.NameLeft();
  const int x1 = g.NameRight();
  const QRect area = AreaOf(s);
  if (x1 <= x0 || area.right() < x0 || area.left() > x1) return;
  const double h = g.RowHeight();
  const int fontH = std::max(1, static_cast<int>(h));
  const QFont font = Arial(fontH);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const bool snp = g.in.snpArrays;
  // Names are drawn whole rows apart, counted in pixels, so that no two overlap.
  const double step = std::max(1.0, h);
  double previous = -1e18;
  for (int r = firstRow; r <= lastRow; ++r) {
    const double y = g.RowY(r);
    if (y < previous + step) {
      if (g.in.proportional) {
        painter.setPen(Qt::blue);
        painter.drawPoint(x0 - 2, static_cast<int>(y));
      }
      continue;
    }
    previous = y;
    const int unit = g.rows[At(r)].unit;
    const QString text =
        metrics.elidedText(QString::fromStdString(MarkerName(unit, snp)), Qt::ElideRight, x1 - x0);
    painter.setPen(GeneList.Listed(unit) ? Qt::blue : Qt::black);
    painter.drawText(QRect(x0, static_cast<int>(y), x1 - x0, fontH),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  }
}

void DrawChromosomeLabels(QPainter& painter, const ChromosomeDrawState& s, QRect area) {
  const ChromosomeGeometry& g = *s.geometry;
  if (!g.in.showAll || g.rows.empty()) return;
  painter.setFont(Arial(11));
  double previousLabel = -1e18;
  int chro = -1;
  int first = 0;
  for (int r = 0; r <= g.RowCount(); ++r) {
    const int rc = r < g.RowCount() ? g.rows[At(r)].chro : -1;
    if (rc == chro) continue;
    if (chro >= 0) {
      // The end of the chromosome before: a line across the columns.
      const int y = static_cast<int>(g.RowY(r - 1) + std::max(1.0, g.RowHeight()));
      if (y >= area.top() - 1 && y <= area.bottom() + 1) {
        painter.setPen(Qt::black);
        painter.drawLine(g.left, y, g.right, y);
      }
    }
    if (rc >= 0) {
      first = r;
      const double y = g.RowY(first);
      if (y >= previousLabel + kMinLabelGap) {
        previousLabel = y;
        if (y >= area.top() - 20 && y <= area.bottom() + 20) {
          const int x = g.in.dendroWidth - g.in.pixelWidth;
          painter.setPen(Qt::black);
          painter.drawText(QRect(0, static_cast<int>(y), std::max(0, x), 14),
                           Qt::AlignRight | Qt::AlignTop,
                           QString::fromStdString(genome_info.GetChroName(rc)));
        }
      }
    }
    chro = rc;
  }
}

void DrawRegionLabels(QPainter& painter, const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  if (!g.in.regionsMode || g.regions.empty()) return;
  const double h = g.RowHeight();
  painter.setFont(Arial(11));
  const int nameLeft = s.trees.regions != nullptr ? g.in.dendroWidth / 2 + 2 : 2;
  const int nameRight = g.left - 26;
  double previous = -1e18;
  double total = 0;
  for (const ChromosomeRegionRows& region : g.regions) total += region.rowCount * h;
  const bool separators = total / static_cast<double>(g.regions.size()) >= 5;
  for (const ChromosomeRegionRows& region : g.regions) {
    const double y0 = g.RowY(region.firstRow);
    const double y1 = y0 + region.rowCount * h;
    painter.fillRect(QRect(g.left - 24, static_cast<int>(y0), 16,
                           std::max(1, static_cast<int>(y1) - static_cast<int>(y0))),
                     ToQColor(TermColor(static_cast<std::uint32_t>(std::max(0, region.chro)))));
    const double middle = (y0 + y1) / 2;
    if (middle >= previous + kMinLabelGap && nameRight > nameLeft) {
      previous = middle;
      const CHRO_REGION_ITEM* item = RegionItem(region.region);
      painter.setPen(Qt::black);
      if (item != nullptr)
        painter.drawText(QRect(nameLeft, static_cast<int>(middle) - 8, nameRight - nameLeft, 16),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(item->name));
    } else {
      painter.setPen(Qt::blue);
      painter.drawPoint(nameRight, static_cast<int>(middle));
    }
    if (separators) {
      painter.setPen(Qt::black);
      painter.drawLine(g.left, static_cast<int>(y0), g.right, static_cast<int>(y0));
    }
  }
}

void DrawTitle(QPainter& painter, const ChromosomeDrawState& s) {
  const ChromosomeGeometry& g = *s.geometry;
  QFont font = Arial(16);
  painter.setFont(font);
  painter.setPen(Qt::black);
  const QFontMetrics metrics(font);
  painter.drawText(g.in.pixelWidth / 2, g.in.dendroHeight - metrics.descent(),
                   QString::fromStdString(ChromosomeTitle(g)));
}

}  // namespace chromosome_picture

std::string ChromosomeTitle(const ChromosomeGeometry& g) {
  std::string title;
  if (g.in.regionsMode) {
    title = "Chro Regions";
  } else if (g.in.showAll) {
    title = "Chro All";
  } else {
    title = "Chro " + genome_info.GetChroName(TheGroup().Settings().CHRO_CUR_CHRO);
  }
  if (DisplayInferred &&
      (chromosome.dataType == kDataLohCall || chromosome.dataType == kDataCopyNumber))
    title += " inferred";
  return title;
}

// Drawing and hit testing of the genome view.
#include "shell/views/genome/genome_drawing.hpp"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "genes/info/gene_info.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/stretch/gene_stretch.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

bool ValidUnit(int unit) {
  return unit >= 0 && static_cast<std::size_t>(unit) < genome_info.Unit.size();
}

UNIT_POS& UnitAt(int unit) {
  return genome_info.Unit[static_cast<std::size_t>(unit)];
}

double ChroLength(int chro) {
  return chro >= 0 && chro < genome_info.NumChro && chro < MAX_CHRO_NUM
             ? static_cast<double>(genome_info.chroLength[static_cast<std::size_t>(chro)])
             : 0.0;
}

bool Holds(const std::array<int, 4>& box, QPoint p) {
  return p.x() >= box[0] && p.x() < box[2] && p.y() >= box[1] && p.y() < box[3];
}

void DrawUnit(QPainter& painter, const GenomeLayout& layout, int unit) {
  const std::optional<QRect> box = UnitBox(layout, unit);
  if (!box) return;
  UNIT_POS& u = UnitAt(unit);
  painter.fillRect(*box, ToQColor(u.colour));
  const QRect hit =
      box->adjusted(-kGenomeHitMargin, -kGenomeHitMargin, kGenomeHitMargin, kGenomeHitMargin);
  // Stored as left, top, right, bottom with the right and bottom edges outside.
  u.box = {hit.left(), hit.top(), hit.left() + hit.width(), hit.top() + hit.height()};
}

}  // namespace

int GenomeLayout::X(double pos, double length) const {
  return static_cast<int>(plotWidth * pos / length + kGenomeLeftMargin);
}

GenomeLayout ComputeGenomeLayout(int picWidth, int picHeight) {
  GenomeLayout layout;
  layout.picWidth = picWidth;
  layout.picHeight = picHeight;
  // Without chromosomes there are no rows to divide the height into.
  layout.rowHeight = genome_info.NumChro > 0 ? picHeight / genome_info.NumChro : 0;
  layout.barHeight = layout.rowHeight / 3;
  layout.plotWidth = picWidth - kGenomeUnitWidth - kGenomeLeftMargin - 1;
  return layout;
}

std::optional<QRect> UnitBox(const GenomeLayout& layout, int unit) {
  if (!ValidUnit(unit) || layout.rowHeight <= 0) return std::nullopt;
  const UNIT_POS& u = UnitAt(unit);
  const double length = ChroLength(u.chro);
  if (u.chro < 0 || !(u.pos >= 0) || !(length > 0)) return std::nullopt;
  const int x = layout.X(static_cast<double>(u.pos), length);
  int y = layout.LineY(u.chro);
  if (u.strand == '+') y -= layout.barHeight;
  // From y + 1 down to y + barHeight, the bottom edge outside.
  return QRect(x, y + 1, kGenomeUnitWidth, std::max(0, layout.barHeight - 1));
}

void SetUnitColours(std::vector<int>& onTop) {
  onTop.clear();
  for (UNIT_POS& u : genome_info.Unit) {
    u.colour = kGenomeUnitGrey;
    u.box = {};
  }
  if (const CLUSTER* tree = GeneTree()) {
    for (int node = 0; node < tree->NodeCount(); ++node) {
      const CLUSTER_NODE& n = tree->Node(node);
      if (n.child1 >= 0 || !ValidUnit(n.item)) continue;
      UnitAt(n.item).colour = n.mark;
      onTop.push_back(n.item);
    }
    std::sort(onTop.begin(), onTop.end());
    return;
  }
  for (std::size_t u = 0; u < genome_info.Unit.size(); ++u) {
    if (!GeneList.Listed(static_cast<int>(u))) continue;
    genome_info.Unit[u].colour = RGB(0, 0, 0);
    onTop.push_back(static_cast<int>(u));
  }
}

void DrawGenomePicture(QPainter& painter, const GenomeLayout& layout, bool outlineStretches,
                       std::vector<int>& onTop) {
  SetUnitColours(onTop);
  painter.save();
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kGenomeNameFontHeight);
  font.setWeight(QFont::Normal);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(0, 0, layout.picWidth - 1, layout.picHeight - 1);
  if (layout.rowHeight <= 0) {
    painter.restore();
    return;
  }
  const int chromosomes = std::min(genome_info.NumChro, MAX_CHRO_NUM);
  for (int k = 0; k < chromosomes; ++k) {
    const int y = layout.LineY(k);
    painter.drawLine(kGenomeLeftMargin, y, layout.picWidth, y);
    painter.drawText(QRect(0, y - kGenomeNameOffset, kGenomeLeftMargin, kGenomeNameFontHeight + 4),
                     Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(genome_info.GetChroName(k)));
  }
  for (int u = 0; u < static_cast<int>(genome_info.Unit.size()); ++u) {
    UNIT_POS& unit = UnitAt(u);
    const COLORREF own = unit.colour;
    unit.colour = kGenomeUnitGrey;
    DrawUnit(painter, layout, u);
    unit.colour = own;
  }
  for (const int u : onTop) DrawUnit(painter, layout, u);

  if (outlineStretches) {
    painter.setPen(QPen(ToQColor(kGenomeStretchBlue), 1));
    for (int k = 0; k < gene_stretches.stretchCount && k < MAX_STRETCH; ++k) {
      GENE_STRETCH& s = gene_stretches.stretches[static_cast<std::size_t>(k)];
      const double length = ChroLength(s.chro);
      if (!(length > 0)) continue;
      const int x1 = layout.X(static_cast<double>(s.start), length);
      const int x2 = static_cast<int>(kGenomeLeftMargin +
                                      layout.plotWidth * static_cast<double>(s.end) / length +
                                      kGenomeUnitWidth);
      const int y = layout.LineY(s.chro);
      s.box = {x1, y - layout.barHeight, x2, y + layout.barHeight};
      painter.drawRect(x1, y - layout.barHeight, x2 - x1 - 1, 2 * layout.barHeight - 1);
    }
  }
  painter.restore();
}

int HitTestUnit(QPoint point, int& lastHit) {
  const int count = static_cast<int>(genome_info.Unit.size());
  if (count == 0) return -1;
  const int from = lastHit >= 0 && lastHit < count ? lastHit + 1 : 0;
  for (int k = 0; k < count; ++k) {
    const int u = (from + k) % count;
    const UNIT_POS& unit = UnitAt(u);
    if (unit.chro < 0 || !Holds(unit.box, point)) continue;
    lastHit = u;
    return u;
  }
  return -1;
}

int MappedUnitOrNone(int unit) {
  return ValidUnit(unit) && UnitAt(unit).chro >= 0 && UnitAt(unit).pos >= 0 ? unit : -1;
}

std::string GenomeUnitText(int unit) {
  if (MappedUnitOrNone(unit) < 0) return {};
  const UNIT_POS& u = UnitAt(unit);
  const std::string name = static_cast<std::size_t>(unit) < Layout.units.size()
                               ? Layout.units[static_cast<std::size_t>(unit)].name
                               : std::string();
  std::string gene;
  if (const GENE_INFO* info = GeneInfo.Gene(unit))
    gene = std::string(info->Name.substr(0, kGenomeGeneNameLength));
  return MessageBuffer("[%s, %s] [Pos %.0f, %s]", name.c_str(), gene.c_str(),
                       static_cast<double>(u.pos), std::string(u.Text()).c_str());
}

std::string GenomeHoverText(QPoint point, int& lastHit, int currentUnit) {
  const int under = HitTestUnit(point, lastHit);
  std::string text = GenomeUnitText(under >= 0 ? under : MappedUnitOrNone(currentUnit));
  if (under >= 0 && !text.empty()) return text;
  for (int k = 0; k < gene_stretches.stretchCount && k < MAX_STRETCH; ++k) {
    const GENE_STRETCH& s = gene_stretches.stretches[static_cast<std::size_t>(k)];
    if (Holds(s.box, point))
      return MessageBuffer("PValue: %.3f, Proportion Distance: %.3f", static_cast<double>(s.pValue),
                           static_cast<double>(s.proportion));
  }
  return text;
}

// The zone under a point of the chromosome view.
#include "shell/views/chromosome_hit.hpp"

#include "shell/views/chromosome_geometry.hpp"

ChromosomeHit HitChromosome(const ChromosomeGeometry& g, int x, int y) {
  ChromosomeHit hit;
  if (g.InCells(x, y)) {
    hit.row = g.RowAt(y);
    hit.column = g.ColumnAt(x);
    if (hit.row >= 0 && hit.column >= 0) {
      hit.zone = ChromosomeZone::kCell;
      hit.chro = g.rows[static_cast<std::size_t>(hit.row)].chro;
    }
  }
  return hit;
}

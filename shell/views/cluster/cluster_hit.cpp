// The cluster view's zones.
#include "shell/views/cluster/cluster_hit.hpp"

#include <algorithm>
#include <cmath>

#include "engine/group/group_settings.hpp"

namespace {

// Gene row of y, -1 outside the matrix's rows.
int RowAt(const ClusterGeometry& g, const GroupSettings& settings, int genes, int y) {
  if (y < g.matrixTop) return -1;
  const float cell = std::max(1.0f, settings.PIXEL_HT_);
  const int row = static_cast<int>(std::floor(static_cast<float>(y - g.matrixTop) / cell));
  return row < genes ? row : -1;
}

int ColumnAt(const ClusterGeometry& g, const GroupSettings& settings, int samples, int x) {
  if (x < g.matrixLeft) return -1;
  const int column = (x - g.matrixLeft) / std::max(1, settings.PIXEL_WD);
  return column < samples ? column : -1;
}

}  // namespace

ClusterHit HitClusterPicture(const ClusterGeometry& g, const GroupSettings& settings,
                             const ClusterHitInput& in, int x, int y) {
  ClusterHit hit;
  if (x < 0 || y < 0) return hit;
  const int width = std::max(1, settings.PIXEL_WD);
  // The floating sample band lies over the matrix: a point on it belongs to the band.
  const int bandY = y - in.bandOffset;
  if (bandY >= 0 && bandY < g.matrixTop) {
    const int column = ColumnAt(g, settings, in.samples, x);
    if (column < 0) return hit;
    hit.column = column;
    if (bandY < settings.DENDRO_HT) {
      if (!in.sampleTree) return {};
      hit.zone =
          bandY < settings.DENDRO_HT / 2 ? ClusterZone::kSampleTree : ClusterZone::kSampleSupport;
      return hit;
    }
    if (settings.PIXEL_HT2 > 0 && bandY >= g.sampleInfoTop) {
      const int info = (bandY - g.sampleInfoTop) / settings.PIXEL_HT2;
      if (info < in.sampleInfoColumns) {
        hit.zone = ClusterZone::kSampleInfo;
        hit.infoRow = info;
        return hit;
      }
    }
    return {};
  }
  const int row = RowAt(g, settings, in.genes, y);
  if (row < 0) return hit;
  hit.row = row;
  if (x < g.matrixLeft) {
    if (!in.geneTree) return {};
    hit.zone = x < settings.DENDRO_WD ? ClusterZone::kGeneTree : ClusterZone::kGeneSupport;
    return hit;
  }
  if (x < g.matrixRight) {
    hit.zone = ClusterZone::kMatrix;
    hit.column = ColumnAt(g, settings, in.samples, x);
    return hit.column >= 0 ? hit : ClusterHit{};
  }
  if (x >= g.labelLeft) {
    hit.zone = ClusterZone::kLabels;
    hit.column = 0;
    return hit;
  }
  if (in.termColumns <= 0 || settings.FUNC_BAR_WD < 1) return {};
  // Bar c spans FUNC_BAR_WD cells after one blank cell.
  const int cells = (x - g.matrixRight) / width;
  const int stride = settings.FUNC_BAR_WD + 1;
  const int column = cells / stride;
  const int offset = x - g.matrixRight - (column * stride + 1) * width;
  if (column >= in.termColumns || offset < 0) return {};
  hit.zone = ClusterZone::kTermBar;
  hit.termColumn = column;
  hit.barOffset = offset;
  return hit;
}

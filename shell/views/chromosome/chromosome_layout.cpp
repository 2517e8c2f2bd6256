// The chromosome view's geometry for the global chromosome data.
#include "shell/views/chromosome/chromosome_layout.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/jobs/region_clustering.hpp"

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

int ListSize(int chro) {
  if (chro < 0 || chro >= genome_info.NumChro || chro >= MAX_CHRO_NUM) return 0;
  return static_cast<int>(genome_info.posList[At(chro)].size());
}

// The display samples are the sample groups; a grouping that names no group (or other
// samples than the data holds) shows every sample on its own.
ChromosomeColumns MakeColumns(const OrderedTree* tree) {
  ChromosomeColumns c;
  const int samples = chromosome.sampleCount;
  std::vector<std::pair<int, int>> groups;  // first sample, size
  int covered = 0;
  for (int g = 0; g < SampleGrouping.GroupCount(); ++g) {
    const int first = SampleGrouping.GroupFirstSample(g);
    const int size = SampleGrouping.GroupSize(g);
    groups.emplace_back(first, size);
    covered += std::max(0, size);
  }
  if (groups.empty() || covered != samples) {
    groups.clear();
    for (int s = 0; s < samples; ++s) groups.emplace_back(s, 1);
  }
  std::vector<int> order;
  if (tree != nullptr && tree->order.size() == groups.size()) {
    order = tree->order;
  } else {
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) order.push_back(g);
  }
  c.groupFirstColumn.assign(groups.size(), -1);
  c.groupSize.assign(groups.size(), 0);
  for (const int g : order) {
    if (g < 0 || g >= static_cast<int>(groups.size())) continue;
    const auto [first, size] = groups[At(g)];
    // A group without samples takes no column.
    if (size <= 0) continue;
    c.groupOrder.push_back(g);
    c.groupFirstColumn[At(g)] = static_cast<int>(c.sampleOfColumn.size());
    for (int k = 0; k < size; ++k) {
      const int sample = first + k;
      if (sample < 0 || sample >= samples) continue;
      c.sampleOfColumn.push_back(sample);
      c.groupOfColumn.push_back(g);
      c.offsetInGroup.push_back(k);
      ++c.groupSize[At(g)];
    }
  }
  return c;
}

void AddChromosomeRows(int chro, double offset, std::vector<ChromosomeRow>& rows) {
  const std::vector<PositionEntry>& list = genome_info.posList[At(chro)];
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    ChromosomeRow row;
    row.unit = list[At(i)].index;
    row.chro = chro;
    row.listIndex = i;
    row.offsetPos = offset + std::max(0.0f, list[At(i)].pos);
    rows.push_back(row);
  }
}

}  // namespace

ChromosomeTrees ShownChromosomeTrees() {
  ChromosomeTrees trees;
  if (ShowSampleTree && GroupTree().Built()) trees.samples = &GroupTree();
  if (ShowRegionTree && RegionsMode && RegionTree().Built()) trees.regions = &RegionTree();
  return trees;
}

TreePoint SampleTreeNodePoint(const ChromosomeGeometry& g, const OrderedTree& tree, int node) {
  if (!tree.ValidNode(node) || At(node) >= tree.position.size()) return {};
  const double height = tree.tree.Node(node).height;
  const double depth = tree.maxHeight > 0 ? std::clamp(height / tree.maxHeight, 0.0, 1.0) : 0.0;
  return {static_cast<int>(g.in.pixelWidth * tree.position[At(node)] + g.left),
          static_cast<int>((1 - depth) * g.in.dendroHeight / 2)};
}

int NearestSampleTreeNode(const ChromosomeGeometry& g, const OrderedTree& tree, int x, int y) {
  int nearest = -1;
  int best = kSampleTreePickPixels + 1;
  const int nodes = std::min(tree.tree.NodeCount(), static_cast<int>(tree.position.size()));
  for (int n = 0; n < nodes; ++n) {
    const TreePoint p = SampleTreeNodePoint(g, tree, n);
    const SampleOrderNode& node = tree.tree.Node(n);
    int from = p.x;
    int to = p.x;
    if (tree.ValidNode(node.left) && tree.ValidNode(node.right)) {
      from = SampleTreeNodePoint(g, tree, node.left).x;
      to = SampleTreeNodePoint(g, tree, node.right).x;
      if (from > to) std::swap(from, to);
    }
    const int across = x < from ? from - x : (x > to ? x - to : 0);
    const int distance = std::max(across, std::abs(y - p.y));
    if (distance < best) {
      best = distance;
      nearest = n;
    }
  }
  return nearest;
}

double ChromosomeDrawLength(int chro) {
  if (chro < 0 || chro >= MAX_CHRO_NUM) return 0;
  double length = genome_info.chroLength[At(chro)];
  if (!refgene_info.refGenes.empty())
    length = std::max(length, static_cast<double>(refgene_info.chroLength[At(chro)]));
  return std::max(0.0, length);
}

ChromosomeGeometry LayoutChromosomeView(GroupSettings& settings, const ChromosomeTrees& trees) {
  if (!(settings.PIXEL_KB > 0)) settings.PIXEL_KB = kDefaultPixelKb;
  ChromosomeGeometryInput in;
  in.pixelWidth = settings.PIXEL_WD;
  in.pixelHeight = settings.PIXEL_HT_;
  in.infoRowHeight = settings.PIXEL_HT2;
  in.pixelKb = settings.PIXEL_KB;
  in.propFontHeight = settings.PIXEL_HT_PROP;
  in.dendroWidth = settings.DENDRO_WD;
  in.dendroHeight = settings.DENDRO_HT;
  in.regionsMode = RegionsMode;
  in.proportional = settings.PROPORTIONAL_DIST != 0 && !RegionsMode;
  in.showAll = settings.VIEW_ALL_CHROMOSOME != 0 && !RegionsMode;
  in.snpArrays = ArrayType != 0;
  in.infoRows = SampleInfo.ColumnCount();

  std::vector<ChromosomeRow> rows;
  std::vector<ChromosomeRegionRows> regions;
  if (RegionsMode) {
    std::vector<int> order;
    if (trees.regions != nullptr && static_cast<int>(trees.regions->order.size()) ==
                                        static_cast<int>(chro_region.items.size())) {
      order = trees.regions->order;
    } else {
      for (int r = 0; r < static_cast<int>(chro_region.items.size()); ++r) order.push_back(r);
    }
    for (const int r : order) {
      if (r < 0 || r >= static_cast<int>(chro_region.items.size())) continue;
      const CHRO_REGION_ITEM& item = chro_region.items[At(r)];
      const int size = ListSize(item.chromosomeIndex);
      ChromosomeRegionRows region{r, static_cast<int>(rows.size()), 0, item.chromosomeIndex};
      for (int i = std::max(0, item.first); i <= item.last && i < size; ++i) {
        const PositionEntry& entry = genome_info.posList[At(item.chromosomeIndex)][At(i)];
        rows.push_back({entry.index, item.chromosomeIndex, i, entry.pos});
        ++region.rowCount;
      }
      regions.push_back(region);
    }
  } else if (in.showAll) {
    double offset = 0;
    for (int chro = 0; chro < genome_info.NumChro && chro < MAX_CHRO_NUM; ++chro) {
      AddChromosomeRows(chro, offset, rows);
      offset += ChromosomeDrawLength(chro);
    }
    in.lengthBp = offset;
  } else if (settings.CHRO_CUR_CHRO >= 0 && settings.CHRO_CUR_CHRO < genome_info.NumChro &&
             settings.CHRO_CUR_CHRO < MAX_CHRO_NUM) {
    AddChromosomeRows(settings.CHRO_CUR_CHRO, 0, rows);
    in.lengthBp = ChromosomeDrawLength(settings.CHRO_CUR_CHRO);
  }
  return ComputeChromosomeGeometry(in, MakeColumns(trees.samples), std::move(rows),
                                   std::move(regions));
}

int RowOfListIndex(const ChromosomeGeometry& g, int chro, int listIndex) {
  if (g.rows.empty() || listIndex < 0) return -1;
  if (g.in.regionsMode) {
    for (const ChromosomeRegionRows& region : g.regions) {
      if (region.chro != chro || region.rowCount == 0) continue;
      const int first = g.rows[At(region.firstRow)].listIndex;
      if (listIndex >= first && listIndex < first + region.rowCount)
        return region.firstRow + listIndex - first;
    }
    return -1;
  }
  // Rows run chromosome by chromosome in list order, so the chromosome's first row is
  // found by binary search and the place is an offset from it.
  const auto first = std::lower_bound(g.rows.begin(), g.rows.end(), chro,
                                      [](const ChromosomeRow& r, int c) { return r.chro < c; });
  if (first == g.rows.end() || first->chro != chro) return -1;
  const int row = static_cast<int>(first - g.rows.begin()) + listIndex;
  return row < g.RowCount() && g.rows[At(row)].chro == chro ? row : -1;
}

int RowOfUnit(const ChromosomeGeometry& g, int unit) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= genome_info.Unit.size()) return -1;
  const UNIT_POS& place = genome_info.Unit[At(unit)];
  const int row = RowOfListIndex(g, place.chro, place.order);
  return row >= 0 && g.rows[At(row)].unit == unit ? row : -1;
}

// The cluster view's questions to the current trees, answered in rows and columns of the
// matrix it draws.
#include "genes/cluster/cluster_selection.hpp"

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genes/cluster/cluster_engine.hpp"

namespace {

GroupSettings& Settings() {
  return TheGroup().Settings();
}

bool GeneTreeShown() {
  return GeneTree() != nullptr && Settings().CLUSTER_GENE != 0;
}

bool SampleTreeShown() {
  return SampleTree() != nullptr && Settings().CLUSTER_SAMPLE != 0;
}

// The leaf's row from its position (k + 0.5).
int RowOf(const CLUSTER& tree, int leaf) {
  return static_cast<int>(tree.Node(leaf).position);
}

}  // namespace

int FindUnitRow(int unit) {
  const CLUSTER* genes = GeneTree();
  if (genes == nullptr) return -1;
  for (int leaf = 0; leaf < genes->ItemCount(); ++leaf) {
    if (genes->Node(leaf).item != unit) continue;
    return GeneTreeShown() ? RowOf(*genes, leaf) : leaf;
  }
  return -1;
}

void SelectTreeRow(int node) {
  CLUSTER* genes = GeneTree();
  if (genes == nullptr || !genes->ValidNode(node)) return;
  genes->currentNode = node;
  genes->ClearLeafList();
  genes->GetChildNode(node, true);
  if (genes->leafListCount > 0) Settings().CUR_UNIT = genes->Node(genes->LeafListEntry(0)).item;
}

int SelectUnitInTree(int node) {
  CLUSTER* samples = SampleTree();
  if (samples == nullptr || !samples->ValidNode(node)) return -1;
  samples->currentNode = node;
  samples->ClearLeafList();
  samples->GetChildNode(node, true);
  if (Settings().CUR_UNIT < 0) Settings().CUR_UNIT = CellAt(0, 0).unit;
  if (samples->leafListCount == 0) return -1;
  const int array = samples->Node(samples->LeafListEntry(0)).item;
  Settings().CUR_ARRAY = array;
  return array;
}

ClusterCell CellAt(int row, int column) {
  ClusterCell cell;
  const CLUSTER* genes = GeneTree();
  if (genes != nullptr && row >= 0 && row < genes->ItemCount()) {
    cell.geneNode = GeneTreeShown() ? genes->RowNode(row) : row;
    if (genes->ValidNode(cell.geneNode)) cell.unit = genes->Node(cell.geneNode).item;
  }
  if (column < 0 || column >= SampleGrouping.SampleCount()) return cell;
  const CLUSTER* samples = SampleTree();
  if (SampleTreeShown() && column < samples->ItemCount()) {
    cell.sampleNode = samples->RowNode(column);
    if (samples->ValidNode(cell.sampleNode)) cell.array = samples->Node(cell.sampleNode).item;
    return cell;
  }
  cell.sampleNode = column;
  cell.array = SampleGrouping.GetSampleArray(column);
  return cell;
}

int SampleColumn(int array) {
  const int sample = SampleGrouping.GetSampleOfArray(array);
  if (sample < 0) return -1;
  const CLUSTER* samples = SampleTree();
  if (SampleTreeShown() && sample < samples->ItemCount()) return RowOf(*samples, sample);
  return sample;
}

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
  if (Settings().CUR_UNIT < 0) {
    int geneNode = -1;
    int sampleNode = -1;
    int unit = -1;
    int array = -1;
    MapCell(0, 0, &geneNode, &sampleNode, &unit, &array);
    Settings().CUR_UNIT = unit;
  }
  if (samples->leafListCount == 0) return -1;
  const int array = samples->Node(samples->LeafListEntry(0)).item;
  Settings().CUR_ARRAY = array;
  return array;
}

void MapCell(int row, int column, int* geneNode, int* sampleNode, int* unit, int* array) {
  *geneNode = -1;
  *sampleNode = -1;
  *unit = -1;
  *array = -1;
  const CLUSTER* genes = GeneTree();
  if (genes != nullptr && row >= 0 && row < genes->ItemCount()) {
    *geneNode = GeneTreeShown() ? genes->RowNode(row) : row;
    if (genes->ValidNode(*geneNode)) *unit = genes->Node(*geneNode).item;
  }
  if (column < 0 || column >= SampleGrouping.SampleCount()) return;
  const CLUSTER* samples = SampleTree();
  if (SampleTreeShown() && column < samples->ItemCount()) {
    *sampleNode = samples->RowNode(column);
    if (samples->ValidNode(*sampleNode)) *array = samples->Node(*sampleNode).item;
    return;
  }
  *sampleNode = column;
  *array = SampleGrouping.GetSampleArray(column);
}

int SampleColumn(int array) {
  const int sample = SampleGrouping.GetSampleOfArray(array);
  if (sample < 0) return -1;
  const CLUSTER* samples = SampleTree();
  if (SampleTreeShown() && sample < samples->ItemCount()) return RowOf(*samples, sample);
  return sample;
}

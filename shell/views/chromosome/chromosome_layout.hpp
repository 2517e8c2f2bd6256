// The chromosome view's geometry for the data of the run: the columns from the sample
// grouping (in the sample tree's order when one is shown), the rows from the genome's
// marker lists or the region file's regions, and the sizes from the group settings.
#pragma once

#include "shell/views/chromosome/chromosome_geometry.hpp"

struct GroupSettings;
struct OrderedTree;

// The trees the view draws, or null when none is shown.
struct ChromosomeTrees {
  const OrderedTree* samples = nullptr;
  const OrderedTree* regions = nullptr;
};

// The clustering's trees when their flags say they are shown.
ChromosomeTrees ShownChromosomeTrees();

// Where the sample tree draws a node, in document points before the sample band's shift:
// across at its place among the columns, down by its merge height within the upper half
// of the dendrogram band (the root at the top).
struct TreePoint {
  int x = 0;
  int y = 0;
};
TreePoint SampleTreeNodePoint(const ChromosomeGeometry& geometry, const OrderedTree& tree,
                              int node);
// A click this close to a branch's drawing picks it.
inline constexpr int kSampleTreePickPixels = 6;
// The node whose drawing (a leaf's point, an inner node's bar between its children) lies
// nearest a point, in the same coordinates; -1 when none is within kSampleTreePickPixels.
int NearestSampleTreeNode(const ChromosomeGeometry& geometry, const OrderedTree& tree, int x,
                          int y);

// The length (bp) the view gives a chromosome: its markers' extent, raised to its
// refGenes' when a refGene file is loaded.
double ChromosomeDrawLength(int chro);

// Resets PIXEL_KB when it is not above 0 and the selected column's data when beyond the
// columns; then the geometry of the current data.
ChromosomeGeometry LayoutChromosomeView(GroupSettings& settings, const ChromosomeTrees& trees);

// The display row of a marker list place of a chromosome; -1 when that chromosome or place
// is not shown.
int RowOfListIndex(const ChromosomeGeometry& geometry, int chro, int listIndex);
// The display row of a unit; -1 when not shown.
int RowOfUnit(const ChromosomeGeometry& geometry, int unit);

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

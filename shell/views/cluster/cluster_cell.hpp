// A heat-map cell of the cluster view in one value: its gene node, sample node, probe set
// and array, as MapCell finds them (-1 for what the cell does not have).
#pragma once

#include "genes/cluster/cluster_selection.hpp"

struct ClusterCell {
  int geneNode = -1;
  int sampleNode = -1;
  int unit = -1;
  int array = -1;
};

// A row of -1 asks for the column's sample only, a column of 0 with a row for its gene.
inline ClusterCell CellAt(int row, int column) {
  ClusterCell cell;
  MapCell(row, column, &cell.geneNode, &cell.sampleNode, &cell.unit, &cell.array);
  return cell;
}

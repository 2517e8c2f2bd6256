// What the cluster view asks of the current trees: the row of a probe set, the column of
// an array, the nodes of a matrix cell, and the selection of a branch, which moves the
// program's current probe set and array.
#pragma once

// Leaf row of a probe set in the gene tree (its leaf order when CLUSTER_GENE is on, else
// the leaf index); -1 when absent.
int FindUnitRow(int unit);
// Gene tree: the node becomes current, its leaves are collected and CUR_UNIT becomes the
// first leaf's probe set.
void SelectTreeRow(int node);
// Sample tree: the node becomes current, its leaves are collected, CUR_UNIT becomes the
// unit of the first matrix cell when none is current, and CUR_ARRAY the first array of
// the first leaf's sample, which is returned.
int SelectUnitInTree(int node);
// A heat-map cell: the gene node of the row (the row itself without a gene tree), its
// unit, the sample node of the column (the column itself without a sample tree) and that
// sample's first array; -1 for what the cell does not have.
struct ClusterCell {
  int geneNode = -1;
  int sampleNode = -1;
  int unit = -1;
  int array = -1;
};
// A row of -1 asks for the column's sample only, a column of 0 with a row for its gene.
ClusterCell CellAt(int row, int column);
// The column that shows an array's sample; -1 when the array belongs to no sample.
int SampleColumn(int array);

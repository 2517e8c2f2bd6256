// Where the cluster view puts its parts: the matrix of values, the dendrograms left of it
// and above it, the term bars and labels right of it, and the size of the whole picture.
// Plain numbers from the display settings, so the drawing and the mouse agree on them.
#pragma once

struct ClusterGeometryInput {
  int genes = 0;    // matrix rows
  int samples = 0;  // matrix columns
  bool geneTree = false;
  int sampleInfoColumns = 0;
  int termColumns = 0;
  int pixelWidth = 1;        // PIXEL_WD
  float pixelHeight = 1.0f;  // PIXEL_HT_
  int sampleRowHeight = 0;   // PIXEL_HT2
  int dendroWidth = 0;       // DENDRO_WD
  int dendroHeight = 0;      // DENDRO_HT
  int termBarWidth = 0;      // FUNC_BAR_WD, in cells
  bool showProfile = false;
};

struct ClusterGeometry {
  int matrixLeft = 0;
  int matrixTop = 0;
  int matrixRight = 0;
  int matrixBottom = 0;
  int labelLeft = 0;  // where gene labels begin
  int sampleInfoTop = 0;
  int scrollWidth = 0;
  int scrollHeight = 0;
  int geneLineWidth = 1;
  int sampleLineWidth = 1;
};

ClusterGeometry ComputeClusterGeometry(const ClusterGeometryInput& in);

// The tallest tree the distance measure can build: 2 for the correlations that reach -1,
// 1 for the absolute correlation, 3 for the Euclidean distance's stand-in for no overlap.
double DendrogramHeightScale(int distMeasure);

// A gene node's x left of the matrix: 0 at the tallest height, dendroWidth at height 0.
int GeneNodeX(double height, double heightScale, int dendroWidth);
// A sample node's y above the matrix: 0 at the tallest height, half the band at height 0.
int SampleNodeY(double height, double heightScale, int dendroHeight);

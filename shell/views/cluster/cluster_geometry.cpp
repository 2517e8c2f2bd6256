// The cluster view's layout.
#include "shell/views/cluster/cluster_geometry.hpp"

#include <algorithm>

namespace {
// Rows of sample-information and scale text kept free below the matrix.
constexpr int kRowsBelowMatrix = 10;
}  // namespace

ClusterGeometry ComputeClusterGeometry(const ClusterGeometryInput& in) {
  ClusterGeometry g;
  g.matrixLeft = in.geneTree ? in.dendroWidth + 2 * in.pixelWidth : 2 * in.pixelWidth;
  if (in.sampleInfoColumns > 0 && in.sampleRowHeight != 0)
    g.matrixTop = in.sampleRowHeight * (in.sampleInfoColumns + 2) + in.dendroHeight;
  else
    g.matrixTop = static_cast<int>(static_cast<float>(in.dendroHeight) + in.pixelHeight);
  g.matrixRight = g.matrixLeft + in.samples * in.pixelWidth;
  g.matrixBottom = static_cast<int>(static_cast<float>(in.genes) * in.pixelHeight +
                                    static_cast<float>(g.matrixTop));
  g.sampleInfoTop = in.sampleRowHeight + in.dendroHeight;
  if (in.termColumns > 0 && in.termBarWidth != 0)
    g.labelLeft = g.matrixRight + in.termColumns * (in.termBarWidth + 1) * in.pixelWidth;
  else
    g.labelLeft = g.matrixRight + in.pixelWidth;
  g.scrollWidth = 2 * g.labelLeft;
  g.scrollHeight = g.matrixBottom + kRowsBelowMatrix * in.sampleRowHeight;
  if (in.showProfile) g.scrollHeight += in.dendroHeight;
  g.geneLineWidth = std::max(1, static_cast<int>(0.1f * in.pixelHeight));
  g.sampleLineWidth = std::max(1, in.pixelWidth / 10);
  return g;
}

double DendrogramHeightScale(int distMeasure) {
  switch (distMeasure) {
    case 1:
      return 1.0;
    case 3:
      return 3.0;
    default:
      return 2.0;
  }
}

int GeneNodeX(double height, double heightScale, int dendroWidth) {
  return std::max(0, static_cast<int>((heightScale - height) * dendroWidth / heightScale));
}

int SampleNodeY(double height, double heightScale, int dendroHeight) {
  return std::max(0, static_cast<int>((heightScale - height) * (dendroHeight / 2) / heightScale));
}

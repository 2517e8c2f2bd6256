// Which part of the cluster view's picture a document point falls on: a dendrogram, a
// support band, a term bar, a sample-information row, the matrix or the gene labels,
// with the row, column, term column or information row under it. The mouse asks this
// instead of redoing the layout's arithmetic, and nothing past the data is returned.
#pragma once

#include "shell/views/cluster/cluster_geometry.hpp"

struct GroupSettings;

enum class ClusterZone {
  kNone,
  kGeneTree,       // left of the matrix within the gene rows
  kGeneSupport,    // the support column between the gene tree and the matrix
  kSampleTree,     // above the sample band's middle, over the matrix columns
  kSampleSupport,  // the lower half of the sample band
  kTermBar,
  kSampleInfo,
  kMatrix,
  kLabels,  // right of the label column start, within the gene rows
};

struct ClusterHit {
  ClusterZone zone = ClusterZone::kNone;
  int row = -1;     // gene row (tree, support, bar, matrix, labels zones)
  int column = -1;  // matrix column (sample zones, information rows, matrix)
  int termColumn = -1;
  int barOffset = -1;  // pixels into the bar; the gene's terms share its width
  int infoRow = -1;
};

struct ClusterHitInput {
  int genes = 0;    // matrix rows
  int samples = 0;  // matrix columns
  bool geneTree = false;
  bool sampleTree = false;
  int termColumns = 0;  // shown term bars
  int sampleInfoColumns = 0;
  int bandOffset = 0;  // the sample band's y shift while it follows the scroll position
};

// The zone of document point (x, y).
ClusterHit HitClusterPicture(const ClusterGeometry& geometry, const GroupSettings& settings,
                             const ClusterHitInput& in, int x, int y);

// The cluster view's picture: the matrix, both dendrograms with the selected and coloured
// branches, the labels, term bars, sample-information rows, colour scale, support
// shading, branch brackets and the profile of the selected branch. Drawn from the
// process's current trees on any painter (window, bitmap or metafile).
#pragma once

#include <vector>

#include "engine/base/colour.hpp"
#include "shell/views/cluster/cluster_geometry.hpp"

class CLUSTER;
class QPainter;
struct GroupSettings;

struct ClusterDrawState {
  ClusterGeometry geometry;
  int bandOffset = 0;  // the sample band's y shift (it follows the scroll position)
  int rounds = 0;      // resampling rounds since the last selection
  bool unperturbed = true;
  int selectedInfoColumn = -1;
  int selectedInfoCategory = -1;
};

// True when the gene tree was built (not only its profiles filled).
bool HasGeneDendrogram();

// The colour of a matrix value under the group's display settings.
COLORREF ClusterValueColor(double value);

// Every node's screen point from its height and position.
void PlaceClusterNodes(const ClusterGeometry& geometry, const GroupSettings& settings);

// The whole picture. While the unperturbed clustering is shown, the leaves of the current
// branch get the blue mark and those of coloured branches their colour; the current
// branch's leaf count becomes the tree's marked total.
void DrawClusterPicture(QPainter& painter, const ClusterDrawState& state);

// The leaves under a node, child 1's before child 2's; the tree's own leaf list is left
// alone.
std::vector<int> ClusterBranchLeaves(const CLUSTER& tree, int node);
// The leaves' marks as the unperturbed picture sets them: the current branch's blue, the
// coloured branches' their colour (drawn later, so they win), the rest 0.
void MarkClusterBranches(CLUSTER& tree);

// Row k of the matrix spans [RowTop(k), RowTop(k + 1)).
int ClusterRowTop(const ClusterGeometry& geometry, float cellHeight, int row);

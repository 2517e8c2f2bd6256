// The status line of the cluster view under the mouse: the height or peak sample of the
// nearest branch, a leaf's resampling support, the term or sample category under the
// pointer with its enrichment in the selected branch, or a cell's values.
#pragma once

#include <string>

#include "shell/views/cluster/cluster_hit.hpp"

inline constexpr const char* kClusterHelpText =
    "Arrow or Control+Arrow or Shift+Arrow to zoom; Click or Control+Click to select branch or "
    "center a data point, ESC to deselect all";
// Gene names in the cell text are cut to this length.
inline constexpr std::size_t kStatusGeneNameLength = 30;

// The term a pointer barOffset pixels into the gene's bar of a term column points at;
// -1 when the gene has none there.
int TermUnderPointer(int unit, int termColumn, int barOffset, int barWidth);
// The term under the pointer of a hit on a term column, in the bar of the row's gene.
int TermAtHit(const ClusterHit& hit);

// The text for a hit at document point (x, y) after rounds resampling rounds.
std::string ClusterStatusText(const ClusterHit& hit, int x, int y, int rounds);

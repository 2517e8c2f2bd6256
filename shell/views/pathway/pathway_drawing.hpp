// The pathway editor's picture on any painter: each node a box with its name, each arrow
// a line with its head, bar or nothing, and the lag labels along the lines.
#pragma once

#include "genes/pathway/pathway.hpp"

class QPainter;
class QRect;

inline constexpr int kArrowLabelPixelHeight = 15;

// The box's name with word breaks, cut with an ellipsis when it does not fit, and its
// outline; erase draws both in white.
void DrawPathwayNode(QPainter& painter, const PATHWAY_NODE& node, bool erase);
// The arrow from its start node to its end node; arrows naming missing nodes are skipped.
void DrawPathwayArrow(QPainter& painter, const PATHWAY& pathway, const PATHWAY_ARROW& arrow);
// Every node, then every arrow.
void DrawPathwayPicture(QPainter& painter, const PATHWAY& pathway);
// The outline the blinking highlight draws: the box one pixel larger.
QRect HighlightFrame(const PATHWAY_NODE& node);

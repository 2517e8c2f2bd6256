// Where the pathway editor puts an arrow between two node boxes: its line between the
// facing sides, its head or bar, and its lag label turned along it; and the boxes' hit
// tests the mouse uses. Plain numbers, so drawing and tests agree on them.
#pragma once

#include <array>

#include "genes/pathway/pathway.hpp"

// The editor's page when the nodes leave it room; it grows to hold every node.
inline constexpr int kPathwayPageSize = 500;
// Room kept right of and below the furthest node.
inline constexpr int kPathwayPageMargin = 50;
// An inhibition line stops this far before its end node, where its bar stands.
inline constexpr int kInhibitionGap = 10;
inline constexpr int kInhibitionBarLength = 20;
inline constexpr double kArrowHeadLength = 10.0;
// Half the opening of an activation head, in radians, on either side of the line.
inline constexpr double kArrowHeadSpread = 0.5;
// The mouse grabs the current node's bottom-right corner within this many pixels.
inline constexpr int kResizeCornerReach = 3;
// A resized box keeps at least this width and height, so that a click can still find it
// and its corner lies apart from its top-left.
inline constexpr int kMinNodeSide = 12;

struct PathwayPoint {
  double x = 0.0;
  double y = 0.0;
};

struct ArrowShape {
  PathwayPoint start;
  PathwayPoint end;
  // The nodes are side by side (the line joins their left and right sides), else stacked.
  bool sideBySide = true;
  // The line's direction, counter-clockwise on the screen from pointing right.
  double angle = 0.0;
  std::array<PathwayPoint, 3> head{};  // activation: the filled triangle, tip first
  PathwayPoint barFrom;                // inhibition: the bar across the end
  PathwayPoint barTo;
  bool hasLabel = false;  // activation and inhibition show their effect time
  PathwayPoint labelAt;   // the label's bottom centre, the line's midpoint
  int escapement = 0;     // the label's turn, tenths of a degree counter-clockwise
};

// The shape of an arrow from the start box to the end box.
ArrowShape ComputeArrowShape(const PATHWAY_NODE& start, const PATHWAY_NODE& end, int interaction);

// The label's turn for a line at angle (radians): along the line, but never upside down.
int LabelEscapement(double angle);

// The box holds the point (its right and bottom edges excluded), whichever way round a
// file gave its corners.
bool BoxHolds(const PATHWAY_NODE& node, int x, int y);
// The first node whose box holds the point; -1 when none.
int NodeAt(const PATHWAY& pathway, int x, int y);
// The point is within reach of the box's bottom-right corner.
bool NearResizeCorner(const PATHWAY_NODE& node, int x, int y);
// Left <= right and top <= bottom, as a file or a drag under way may have them swapped.
void OrderCorners(PATHWAY_NODE& node);
// The corners in order, and the box at least kMinNodeSide each way (grown right and down).
void NormaliseBox(PATHWAY_NODE& node);
// A box dragged past the page's left or top edge is moved back onto it, whole.
void KeepOnPage(PATHWAY_NODE& node);
// The current node when it is one of the pathway's nodes, else -1.
int ValidCurrentNode(const PATHWAY& pathway);
// The arrow's two ends name nodes of the pathway.
bool ArrowDrawable(const PATHWAY& pathway, const PATHWAY_ARROW& arrow);
struct PathwayPage {
  int width = 0;
  int height = 0;
};
// The page that holds every node with a margin, at least kPathwayPageSize square.
PathwayPage PathwayPageSize(const PATHWAY& pathway);

// Arrow shapes and hit tests of the pathway editor.
#include "shell/views/pathway/pathway_geometry.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

struct Centre {
  int x = 0;
  int y = 0;
};

Centre CentreOf(const PATHWAY_NODE& node) {
  return {(node.left + node.right) / 2, (node.top + node.bottom) / 2};
}

}  // namespace

int LabelEscapement(double angle) {
  // To the nearest tenth of a degree, so that a level line's label (an angle of pi, or
  // -pi) stays level instead of slipping to 359.9 degrees.
  const long turned = 3600 + std::lround(angle * 1800.0 / std::numbers::pi);
  int escapement = static_cast<int>(((turned % 3600) + 3600) % 3600);
  // Text that would read leftward is turned half round.
  if (escapement > 900 && escapement < 2700) escapement -= 1800;
  return escapement < 0 ? escapement + 3600 : escapement;
}

ArrowShape ComputeArrowShape(const PATHWAY_NODE& start, const PATHWAY_NODE& end, int interaction) {
  ArrowShape shape;
  const Centre s = CentreOf(start);
  const Centre e = CentreOf(end);
  const int horizontalGap = s.x < e.x ? end.left - start.right : start.left - end.right;
  const int verticalGap = s.y < e.y ? end.top - start.bottom : start.top - end.bottom;
  const int gap = interaction == kInhibition ? kInhibitionGap : 0;
  shape.sideBySide = verticalGap < horizontalGap;
  if (shape.sideBySide) {
    const bool rightward = s.x < e.x;
    shape.start = {static_cast<double>(rightward ? start.right : start.left),
                   static_cast<double>(s.y)};
    shape.end = {static_cast<double>(rightward ? end.left - gap : end.right + gap),
                 static_cast<double>(e.y)};
  } else {
    const bool downward = s.y < e.y;
    shape.start = {static_cast<double>(s.x),
                   static_cast<double>(downward ? start.bottom : start.top)};
    shape.end = {static_cast<double>(e.x),
                 static_cast<double>(downward ? end.top - gap : end.bottom + gap)};
  }
  double dx = shape.end.x - shape.start.x;
  double dy = shape.end.y - shape.start.y;
  if (dx == 0.0 && dy == 0.0) {
    // Touching or overlapping boxes leave no line to take a direction from; the head
    // then points from the start's centre to the end's, or along the facing sides.
    dx = e.x - s.x;
    dy = e.y - s.y;
    if (dx == 0.0 && dy == 0.0) {
      if (shape.sideBySide)
        dx = 1.0;
      else
        dy = 1.0;
    }
  }
  shape.angle = std::atan2(dy, -dx);
  const double a = shape.angle;
  shape.head = {shape.end,
                PathwayPoint{shape.end.x + kArrowHeadLength * std::cos(a - kArrowHeadSpread),
                             shape.end.y - kArrowHeadLength * std::sin(a - kArrowHeadSpread)},
                PathwayPoint{shape.end.x + kArrowHeadLength * std::cos(a + kArrowHeadSpread),
                             shape.end.y - kArrowHeadLength * std::sin(a + kArrowHeadSpread)}};
  const double half = kInhibitionBarLength / 2.0;
  if (shape.sideBySide) {
    shape.barFrom = {shape.end.x, shape.end.y - half};
    shape.barTo = {shape.end.x, shape.end.y + half};
  } else {
    shape.barFrom = {shape.end.x - half, shape.end.y};
    shape.barTo = {shape.end.x + half, shape.end.y};
  }
  shape.hasLabel = interaction == kActivation || interaction == kInhibition;
  shape.labelAt = {(shape.start.x + shape.end.x) / 2.0, (shape.start.y + shape.end.y) / 2.0};
  shape.escapement = LabelEscapement(shape.angle);
  return shape;
}

bool BoxHolds(const PATHWAY_NODE& node, int x, int y) {
  const auto [left, right] = std::minmax(node.left, node.right);
  const auto [top, bottom] = std::minmax(node.top, node.bottom);
  return x >= left && x < right && y >= top && y < bottom;
}

int NodeAt(const PATHWAY& pathway, int x, int y) {
  const int count = std::clamp(pathway.nodeCount, 0, kMaxPathwayNodes);
  for (int i = 0; i < count; ++i)
    if (BoxHolds(pathway.nodes[static_cast<std::size_t>(i)], x, y)) return i;
  return -1;
}

bool NearResizeCorner(const PATHWAY_NODE& node, int x, int y) {
  return std::abs(x - node.right) <= kResizeCornerReach &&
         std::abs(y - node.bottom) <= kResizeCornerReach;
}

void OrderCorners(PATHWAY_NODE& node) {
  if (node.left > node.right) std::swap(node.left, node.right);
  if (node.top > node.bottom) std::swap(node.top, node.bottom);
}

void NormaliseBox(PATHWAY_NODE& node) {
  OrderCorners(node);
  node.right = std::max(node.right, node.left + kMinNodeSide);
  node.bottom = std::max(node.bottom, node.top + kMinNodeSide);
}

void KeepOnPage(PATHWAY_NODE& node) {
  const int right = std::max(0, -node.left);
  const int down = std::max(0, -node.top);
  node.left += right;
  node.right += right;
  node.top += down;
  node.bottom += down;
}

int ValidCurrentNode(const PATHWAY& pathway) {
  const int current = pathway.currentNode;
  return current >= 0 && current < std::min(pathway.nodeCount, kMaxPathwayNodes) ? current : -1;
}

bool ArrowDrawable(const PATHWAY& pathway, const PATHWAY_ARROW& arrow) {
  const int count = std::min(pathway.nodeCount, kMaxPathwayNodes);
  return arrow.startNode >= 0 && arrow.startNode < count && arrow.endNode >= 0 &&
         arrow.endNode < count;
}

PathwayPage PathwayPageSize(const PATHWAY& pathway) {
  int width = kPathwayPageSize;
  int height = kPathwayPageSize;
  const int count = std::clamp(pathway.nodeCount, 0, kMaxPathwayNodes);
  for (int i = 0; i < count; ++i) {
    const PATHWAY_NODE& node = pathway.nodes[static_cast<std::size_t>(i)];
    width = std::max({width, node.left + kPathwayPageMargin, node.right + kPathwayPageMargin});
    height = std::max({height, node.top + kPathwayPageMargin, node.bottom + kPathwayPageMargin});
  }
  return {width, height};
}

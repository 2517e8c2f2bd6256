// The pathway editor's arrow shapes against the rules written out apart from the code,
// over end boxes all round a start box, and the hit tests the mouse uses.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>

#include "shell/views/pathway/edit_node_dialog.hpp"
#include "shell/views/pathway/pathway_geometry.hpp"

namespace {

PATHWAY_NODE Box(int left, int top, int right, int bottom) {
  PATHWAY_NODE node;
  node.left = left;
  node.top = top;
  node.right = right;
  node.bottom = bottom;
  return node;
}

double Dot(PathwayPoint a, PathwayPoint b) {
  return a.x * b.x + a.y * b.y;
}

PathwayPoint Minus(PathwayPoint a, PathwayPoint b) {
  return {a.x - b.x, a.y - b.y};
}

}  // namespace

// Equal boxes 200 x 60, the end box's centre moved round the start box's on a grid: the
// line joins the facing sides (side by side when the vertical gap is the smaller), the
// head opens backward along the line, the inhibition bar stands across it, and the label
// runs along the line and never upside down.
TEST(PathwayGeometry, ArrowShapesAllRound) {
  const PATHWAY_NODE start = Box(400, 400, 600, 460);
  int shapes = 0;
  int sideBySide = 0;
  int flipped = 0;
  for (int dx = -520; dx <= 520; dx += 37) {
    for (int dy = -410; dy <= 410; dy += 29) {
      if (std::abs(dx) < 200 && std::abs(dy) < 60) continue;  // overlapping boxes
      const PATHWAY_NODE end = Box(400 + dx, 400 + dy, 600 + dx, 460 + dy);
      for (int interaction : {kActivation, kInhibition, kBinding}) {
        SCOPED_TRACE(testing::Message() << dx << "," << dy << " kind " << interaction);
        const ArrowShape shape = ComputeArrowShape(start, end, interaction);
        const int gap = interaction == kInhibition ? 10 : 0;
        const int horizontalGap = dx > 0 ? dx - 200 : -dx - 200;
        const int verticalGap = dy > 0 ? dy - 60 : -dy - 60;
        ASSERT_EQ(shape.sideBySide, verticalGap < horizontalGap);
        if (shape.sideBySide) {
          EXPECT_EQ(shape.start.x, dx > 0 ? 600 : 400);
          EXPECT_EQ(shape.start.y, 430);
          EXPECT_EQ(shape.end.x, dx > 0 ? 400 + dx - gap : 600 + dx + gap);
          EXPECT_EQ(shape.end.y, 430 + dy);
          ++sideBySide;
        } else {
          EXPECT_EQ(shape.start.x, 500);
          EXPECT_EQ(shape.start.y, dy > 0 ? 460 : 400);
          EXPECT_EQ(shape.end.x, 500 + dx);
          EXPECT_EQ(shape.end.y, dy > 0 ? 400 + dy - gap : 460 + dy + gap);
        }
        const PathwayPoint line = Minus(shape.end, shape.start);
        const double length = std::hypot(line.x, line.y);
        ASSERT_GT(length, 0.0);
        // Head: tip at the end, the other corners 10 back along the line and either side.
        EXPECT_EQ(shape.head[0].x, shape.end.x);
        EXPECT_EQ(shape.head[0].y, shape.end.y);
        for (int corner : {1, 2}) {
          const PathwayPoint back = Minus(shape.head[corner], shape.end);
          EXPECT_NEAR(std::hypot(back.x, back.y), 10.0, 1e-9);
          EXPECT_NEAR(Dot(back, line) / (10.0 * length), -std::cos(0.5), 1e-9);
        }
        // Bar: 20 pixels across the line's main direction.
        const PathwayPoint bar = Minus(shape.barTo, shape.barFrom);
        EXPECT_NEAR(std::hypot(bar.x, bar.y), 20.0, 1e-9);
        EXPECT_EQ(bar.x == 0.0, shape.sideBySide);
        // Label: along the line (as drawn on a y-down screen), never upside down.
        EXPECT_EQ(shape.hasLabel, interaction != kBinding);
        EXPECT_TRUE(shape.escapement <= 900 || shape.escapement >= 2700) << shape.escapement;
        const double turn = shape.escapement / 1800.0 * std::numbers::pi;
        const PathwayPoint reading{std::cos(turn), -std::sin(turn)};
        const double cross = (reading.x * line.y - reading.y * line.x) / length;
        EXPECT_NEAR(cross, 0.0, 0.002);  // truncation to tenths of a degree
        flipped += Dot(reading, line) < 0 ? 1 : 0;
        ++shapes;
      }
    }
  }
  // The grid reaches every direction: both layouts and leftward lines whose labels turn.
  EXPECT_GT(shapes, 1500);
  EXPECT_GT(sideBySide, 300);
  EXPECT_GT(flipped, 300);
}

TEST(PathwayGeometry, LabelEscapementTurnsOnlyLeftwardText) {
  const double pi = std::numbers::pi;
  EXPECT_EQ(LabelEscapement(pi / 2), 900);  // straight up stays
  EXPECT_EQ(LabelEscapement(pi / 2 + 0.01), 2700 + 6);
  EXPECT_EQ(LabelEscapement(pi), 0);
  EXPECT_EQ(LabelEscapement(-pi), 0);
  EXPECT_EQ(LabelEscapement(-pi / 2), 2700);  // straight down stays
  EXPECT_EQ(LabelEscapement(-3 * pi / 4), 450);
}

// Touching boxes leave no line; the head still points from the start box to the end box
// and nothing is undefined, also for a box on top of another.
TEST(PathwayGeometry, ZeroLengthArrowsKeepTheirDirection) {
  const PATHWAY_NODE left = Box(100, 100, 300, 160);
  const PATHWAY_NODE right = Box(300, 100, 500, 160);
  const ArrowShape rightward = ComputeArrowShape(left, right, kActivation);
  ASSERT_EQ(rightward.start.x, rightward.end.x);
  for (int corner : {1, 2}) EXPECT_LT(rightward.head[corner].x, 300.0);
  const ArrowShape leftward = ComputeArrowShape(right, left, kActivation);
  for (int corner : {1, 2}) EXPECT_GT(leftward.head[corner].x, 300.0);
  const PATHWAY_NODE below = Box(100, 160, 300, 220);
  const ArrowShape downward = ComputeArrowShape(left, below, kActivation);
  ASSERT_EQ(downward.start.y, downward.end.y);
  for (int corner : {1, 2}) EXPECT_LT(downward.head[corner].y, 160.0);
  const ArrowShape same = ComputeArrowShape(left, left, kInhibition);
  for (const PathwayPoint& point : same.head) {
    EXPECT_TRUE(std::isfinite(point.x));
    EXPECT_TRUE(std::isfinite(point.y));
  }
}

// Indexes the view keeps or is given may lie past the pathway's counts.
TEST(PathwayGeometry, IndexesPastTheCounts) {
  PATHWAY pathway;
  pathway.nodeCount = 3;
  pathway.nodes[0] = Box(50, 50, 250, 110);
  pathway.nodes[1] = Box(200, 80, 400, 140);  // overlaps node 0
  pathway.nodes[2] = Box(700, 900, 760, 960);
  EXPECT_EQ(NodeAt(pathway, 220, 100), 0);  // the first of two
  EXPECT_EQ(NodeAt(pathway, 250, 100), 1);  // right edge is outside
  pathway.nodeCount = 1;
  EXPECT_EQ(NodeAt(pathway, 300, 120), -1);
  // Corners a file gave the wrong way round still hold the points between them.
  pathway.nodeCount = 3;
  pathway.nodes[2] = Box(760, 960, 700, 900);
  EXPECT_EQ(NodeAt(pathway, 700, 900), 2);
  EXPECT_EQ(NodeAt(pathway, 759, 959), 2);
  EXPECT_EQ(NodeAt(pathway, 760, 930), -1);
  pathway.nodeCount = 3;
  const std::pair<int, int> currents[] = {{-1, -1}, {0, 0}, {2, 2}, {3, -1}, {49, -1}};
  for (const auto& [current, valid] : currents) {
    pathway.currentNode = current;
    EXPECT_EQ(ValidCurrentNode(pathway), valid) << current;
  }
  EXPECT_FALSE(ArrowDrawable(pathway, PATHWAY_ARROW{0, 3, 1, kActivation}));
  EXPECT_TRUE(ArrowDrawable(pathway, PATHWAY_ARROW{0, 2, 1, kActivation}));
  // The page grows past its first 500 x 500 to hold every node.
  EXPECT_EQ(PathwayPageSize(pathway).width, 760 + kPathwayPageMargin);
  EXPECT_EQ(PathwayPageSize(pathway).height, 960 + kPathwayPageMargin);
  EXPECT_EQ(NextPathwayNode(2, 3), 0);
  EXPECT_EQ(NextPathwayNode(7, 3), 0);  // a stale index starts again
  EXPECT_EQ(NextPathwayNode(0, 0), -1);
}

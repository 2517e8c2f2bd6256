// Image regions: the mask of random polygons (self-crossing ones, ones on and past the
// image's edge) against a point-in-polygon and a distance rule of the test's own, the
// outline's cells, the drawing states and their limits, and the three edits on synthetic
// arrays against values computed here, with the edits that must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/array/image_region.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "engine/tests/group_job_test_support.hpp"

namespace {

using Plane = std::vector<std::uint16_t>;

// Even-odd test of the cell's centre: the crossings of the edges with the centre's row
// that lie right of the centre, compared exactly through the sign of a cross product.
bool CentreInPolygon(const std::vector<CellPoint>& polygon, int x, int y) {
  const double px = x + 0.5;
  const double py = y + 0.5;
  int crossings = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const CellPoint a = polygon[i];
    const CellPoint b = polygon[(i + 1) % polygon.size()];
    if ((a.y < py) == (b.y < py)) continue;
    const double cross = (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
    if (cross != 0.0 && (cross > 0.0) == (b.y > a.y)) ++crossings;
  }
  return crossings % 2 == 1;
}

// The median the edits take: the element of rank n / 2 of the sorted values.
int Median(std::vector<int> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

class ImageRegionTest : public GroupJobTest {
 protected:
  ImageRegionTest() { Region().Reset(); }
  ~ImageRegionTest() override { Region().Reset(); }

  static ImageRegion& Region() { return TheImageRegion(); }

  // A chip of the side and a group of generated arrays held in memory, array 0 current.
  void MakeArrays(int dimension, int arrays) {
    synth::ArrayGroupOptions options;
    options.arrays = arrays;
    options.seed = 33;
    MakeGroup(dimension, 12, options);
    Group& group = TheGroup();
    group.ClearGroup();
    for (int i = 0; i < arrays; ++i) {
      ArraySlot& slot = group.NextArraySlot();
      slot.name = "a" + std::to_string(i);
      slot.intensities = mTruth.arrays[static_cast<std::size_t>(i)].intensities;
      ASSERT_TRUE(group.CountArray());
    }
    group.HasProbeData = true;
    group.Normalized = false;
    Settings().CUR_ARRAY = 0;
    group.workPlane.assign(mTruth.arrays[0].intensities.size(), 0);
  }

  static Plane& Cells(int array) { return TheGroup().Array(array).intensities; }
  static std::size_t At(int x, int y) {
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(Layout.dimension) +
           static_cast<std::size_t>(y);
  }

  // Right clicks at the points, the last one the first click of a right double click.
  static void Draw(const std::vector<CellPoint>& points) {
    for (const CellPoint point : points) Region().AddPoint(point.x, point.y);
    Region().EndDrawing(points.back().x, points.back().y);
  }

  // The cells the mask has inside.
  static std::vector<CellPoint> InsideCells() {
    std::vector<CellPoint> cells;
    for (int x = 0; x < Layout.dimension; ++x)
      for (int y = 0; y < Layout.dimension; ++y)
        if (Region().MaskLevel(x, y) == kMaskInside) cells.push_back({x, y});
    return cells;
  }

  // A polygon of random points in the image, sometimes with points on or past its edge.
  static std::vector<CellPoint> RandomPolygon(std::mt19937& random, int dimension) {
    const int count = std::uniform_int_distribution<int>(3, 12)(random);
    const int kind = std::uniform_int_distribution<int>(0, 2)(random);
    const int low = kind == 2 ? -3 : 0;
    const int high = kind == 2 ? dimension + 2 : dimension - 1;
    std::uniform_int_distribution<int> coordinate(low, high);
    std::vector<CellPoint> polygon;
    for (int i = 0; i < count; ++i) polygon.push_back({coordinate(random), coordinate(random)});
    if (kind == 1) polygon[0].x = 0, polygon[1].y = dimension - 1;
    return polygon;
  }

  // The expected gradient correction of the plane inside the closed region.
  static Plane CorrectedPlane(const Plane& plane) {
    const int dimension = Layout.dimension;
    auto localMedian = [&](int x, int y) {
      std::vector<int> window;
      for (int wx = std::max(x - 3, 0); wx <= std::min(x + 3, dimension - 1); ++wx)
        for (int wy = std::max(y - 3, 0); wy <= std::min(y + 3, dimension - 1); ++wy)
          window.push_back(plane[At(wx, wy)]);
      return Median(window);
    };
    std::vector<int> ring;
    for (int x = 0; x < dimension; ++x)
      for (int y = 0; y < dimension; ++y)
        if (Region().MaskLevel(x, y) > 1) ring.push_back(localMedian(x, y));
    const int ringLevel = Median(ring);
    Plane expected = plane;
    for (const CellPoint cell : InsideCells()) {
      const int value = plane[At(cell.x, cell.y)] + ringLevel - localMedian(cell.x, cell.y);
      expected[At(cell.x, cell.y)] = static_cast<std::uint16_t>(std::clamp(value, 0, 65535));
    }
    return expected;
  }

  ScriptedPrompt mPrompt;
};

TEST_F(ImageRegionTest, MaskHoldsTheCellsWhoseCentreIsInsideAndRingsByDistance) {
  constexpr int kSide = 40;
  MakeArrays(kSide, 1);
  std::mt19937 random(33);
  int insideCells = 0;
  for (int round = 0; round < 200; ++round) {
    const std::vector<CellPoint> polygon = RandomPolygon(random, kSide);
    Draw(polygon);
    ASSERT_TRUE(Region().IsClosed()) << "round " << round;
    ASSERT_EQ(std::vector<CellPoint>(Region().Points().begin(), Region().Points().end()), polygon);
    std::vector<int> expected(kSide * kSide, 0);
    for (int x = 0; x < kSide; ++x)
      for (int y = 0; y < kSide; ++y)
        if (CentreInPolygon(polygon, x, y)) expected[static_cast<std::size_t>(x * kSide + y)] = 1;
    const std::vector<int> inside = expected;
    int rings = 0;
    for (int x = 0; x < kSide; ++x)
      for (int y = 0; y < kSide; ++y) {
        const std::size_t cell = static_cast<std::size_t>(x * kSide + y);
        if (expected[cell] == 1) {
          ++insideCells;
          continue;
        }
        int distance = kRegionRings + 1;
        for (int nx = std::max(x - kRegionRings, 0); nx <= std::min(x + kRegionRings, kSide - 1);
             ++nx)
          for (int ny = std::max(y - kRegionRings, 0); ny <= std::min(y + kRegionRings, kSide - 1);
               ++ny)
            if (inside[static_cast<std::size_t>(nx * kSide + ny)] == 1)
              distance = std::min(distance, std::max(std::abs(nx - x), std::abs(ny - y)));
        if (distance <= kRegionRings) {
          expected[cell] = distance + 1;
          ++rings;
        }
      }
    for (int x = 0; x < kSide; ++x)
      for (int y = 0; y < kSide; ++y)
        ASSERT_EQ(Region().MaskLevel(x, y), expected[static_cast<std::size_t>(x * kSide + y)])
            << "round " << round << " cell " << x << "," << y;
    EXPECT_EQ(Region().RingCount(), rings) << "round " << round;
    const auto [minX, maxX] = std::minmax_element(
        polygon.begin(), polygon.end(), [](CellPoint a, CellPoint b) { return a.x < b.x; });
    const auto [minY, maxY] = std::minmax_element(
        polygon.begin(), polygon.end(), [](CellPoint a, CellPoint b) { return a.y < b.y; });
    const CellBox box = Region().Box();
    EXPECT_EQ(box.left, std::max(minX->x - 7, 0));
    EXPECT_EQ(box.right, std::min(maxX->x + 7, kSide - 1));
    EXPECT_EQ(box.top, std::max(minY->y - 7, 0));
    EXPECT_EQ(box.bottom, std::min(maxY->y + 7, kSide - 1));
  }
  EXPECT_GT(insideCells, 20000) << "the polygons cover a good part of the image";
  EXPECT_EQ(Region().MaskLevel(-1, 0), 0);
  EXPECT_EQ(Region().MaskLevel(0, kSide), 0);
}

TEST_F(ImageRegionTest, OutlineCellsFollowTheSegmentsWhileDrawingAndWhenClosed) {
  MakeArrays(24, 1);
  const auto line = [](CellPoint from, CellPoint to) {
    std::vector<CellPoint> cells;
    DrawCellLine(from, to, cells);
    return cells;
  };
  using Cells = std::vector<CellPoint>;
  EXPECT_EQ(line({3, 3}, {3, 3}), (Cells{{3, 3}}));
  EXPECT_EQ(line({2, 4}, {2, 1}), (Cells{{2, 1}, {2, 2}, {2, 3}}));
  EXPECT_EQ(line({0, 0}, {4, 3}), (Cells{{0, 0}, {1, 0}, {2, 1}, {3, 2}}));
  EXPECT_EQ(line({2, 5}, {0, 0}), (Cells{{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}}));
  EXPECT_EQ(line({0, 4}, {4, 0}), (Cells{{4, 0}, {3, 1}, {2, 2}, {1, 3}}));

  EXPECT_TRUE(Region().OutlineCells().empty());
  Region().AddPoint(0, 0);
  Region().TrackMouse(0, 2);
  EXPECT_EQ(Region().OutlineCells(), (Cells{{0, 0}, {0, 1}})) << "one point: its rubber band";
  Region().AddPoint(4, 0);
  Region().TrackMouse(4, 3);
  EXPECT_EQ(Region().OutlineCells(), (Cells{{0, 0},
                                            {1, 0},
                                            {2, 0},
                                            {3, 0},  // the segment
                                            {4, 0},
                                            {4, 1},
                                            {4, 2},  // last to rubber
                                            {0, 0},
                                            {1, 0},
                                            {2, 1},
                                            {3, 2}}))  // first to it
      << "cells drawn twice stay listed twice";
  Region().AddPoint(4, 3);
  Region().EndDrawing(4, 3);
  ASSERT_TRUE(Region().IsClosed());
  Region().TrackMouse(9, 9);
  EXPECT_EQ(Region().RubberEnd(), (CellPoint{4, 3})) << "the rubber band rests once closed";
  EXPECT_EQ(
      Region().OutlineCells(),
      (Cells{
          {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}, {4, 2}, {0, 0}, {1, 0}, {2, 1}, {3, 2}}));
  Region().Drop();
  EXPECT_TRUE(Region().OutlineCells().empty());
}

TEST_F(ImageRegionTest, DrawingStatesAndTheirLimits) {
  MakeArrays(48, 1);
  // A double click with no earlier point stops drawing without a message.
  Region().AddPoint(5, 5);
  Region().EndDrawing(5, 5);
  EXPECT_FALSE(Region().InProgress());
  EXPECT_EQ(Region().PointCount(), 0);
  // Two points are too few: the user is told, and drawing goes on.
  Region().AddPoint(5, 5);
  Region().AddPoint(9, 5);
  Region().EndDrawing(9, 5);
  ASSERT_EQ(mPrompt.prompts.size(), 1u);
  EXPECT_EQ(mPrompt.prompts[0].text, kTooFewRegionPointsMessage);
  EXPECT_TRUE(Region().InProgress());
  EXPECT_EQ(Region().PointCount(), 1);
  Region().AddPoint(9, 5);
  Region().AddPoint(9, 9);
  Region().EndDrawing(9, 9);
  EXPECT_TRUE(Region().IsClosed());
  EXPECT_EQ(Region().PointCount(), 3);
  Region().EndDrawing(20, 20);
  EXPECT_EQ(Region().PointCount(), 3) << "a double click outside drawing changes nothing";

  // The 41st point is refused with the message.
  for (int i = 0; i < kMaxRegionPoints; ++i) EXPECT_TRUE(Region().AddPoint(i, i % 2 == 0 ? 3 : 30));
  EXPECT_FALSE(Region().AddPoint(44, 44));
  EXPECT_EQ(Region().PointCount(), kMaxRegionPoints);
  ASSERT_EQ(mPrompt.prompts.size(), 2u);
  EXPECT_EQ(mPrompt.prompts[1].text, kMaxRegionPointsMessage);
  Region().EndDrawing(39, 30);
  ASSERT_TRUE(Region().IsClosed());
  EXPECT_EQ(Region().PointCount(), kMaxRegionPoints);
  // A full polygon, once closed, is still replaced by the next right click.
  EXPECT_TRUE(Region().AddPoint(1, 1));
  EXPECT_TRUE(Region().InProgress());
  EXPECT_EQ(Region().PointCount(), 1);
  EXPECT_EQ(mPrompt.prompts.size(), 2u);
}

TEST_F(ImageRegionTest, EditsMatchValuesComputedHereAndUndoRestoresExactly) {
  constexpr int kSide = 40;
  MakeArrays(kSide, 5);
  std::mt19937 random(7);
  int edited = 0;
  for (int round = 0; round < 12; ++round) {
    Settings().CUR_ARRAY = round % 5;
    const int array = Settings().CUR_ARRAY;
    std::vector<CellPoint> polygon = RandomPolygon(random, kSide);
    Draw(polygon);
    if (InsideCells().empty() || Region().RingCount() == 0) continue;
    ++edited;
    const Plane before = Cells(array);

    ASSERT_TRUE(Region().CorrectGradient()) << "round " << round;
    EXPECT_EQ(Cells(array), CorrectedPlane(before)) << "round " << round;
    EXPECT_TRUE(Region().Undoable());
    ASSERT_TRUE(Region().Undo());
    EXPECT_EQ(Cells(array), before);
    EXPECT_FALSE(Region().Undo()) << "a second undo has nothing to undo";
    EXPECT_EQ(Cells(array), before);

    ASSERT_TRUE(Region().ReplaceByOtherArrays());
    Plane expected = before;
    for (const CellPoint cell : InsideCells()) {
      std::vector<int> others;
      for (int other = 0; other < 5; ++other)
        if (other != array) others.push_back(Cells(other)[At(cell.x, cell.y)]);
      expected[At(cell.x, cell.y)] = static_cast<std::uint16_t>(Median(others));
    }
    EXPECT_EQ(Cells(array), expected) << "round " << round;
    ASSERT_TRUE(Region().Undo());
    EXPECT_EQ(Cells(array), before);
  }
  EXPECT_GE(edited, 8);
  EXPECT_TRUE(mLog.ContainsRed(kRegionNothingToUndoMessage));
}

TEST_F(ImageRegionTest, CorrectedValuesAreClampedAtBothEnds) {
  MakeArrays(40, 1);
  Draw({{10, 10}, {20, 10}, {20, 20}, {10, 20}});
  Plane& cells = Cells(0);
  // Dark inside a bright surround, with bright specks: a speck gains the surround's level.
  std::fill(cells.begin(), cells.end(), std::uint16_t{60000});
  for (const CellPoint cell : InsideCells()) cells[At(cell.x, cell.y)] = 100;
  cells[At(15, 15)] = 65000;
  cells[At(13, 16)] = 65000;
  Plane before = cells;
  ASSERT_TRUE(Region().CorrectGradient());
  EXPECT_EQ(cells, CorrectedPlane(before));
  EXPECT_EQ(cells[At(15, 15)], 65535) << "65000 + 60000 - 100 is clamped, not wrapped";
  EXPECT_EQ(cells[At(13, 16)], 65535);

  // Bright inside a dark surround, with a dark speck: floored at 0.
  std::fill(cells.begin(), cells.end(), std::uint16_t{100});
  for (const CellPoint cell : InsideCells()) cells[At(cell.x, cell.y)] = 60000;
  cells[At(15, 15)] = 50;
  before = cells;
  ASSERT_TRUE(Region().CorrectGradient());
  EXPECT_EQ(cells, CorrectedPlane(before));
  EXPECT_EQ(cells[At(15, 15)], 0);
}

TEST_F(ImageRegionTest, EditsThatCannotBeDoneAreRefusedAndChangeNothing) {
  constexpr int kSide = 40;
  MakeArrays(kSide, 3);
  const Plane original = Cells(0);
  const Plane second = Cells(1);
  const auto refused = [&](bool done, const char* message) {
    EXPECT_FALSE(done) << message;
    EXPECT_TRUE(mLog.ContainsRed(message)) << message;
    EXPECT_EQ(Cells(0), original) << message;
    EXPECT_EQ(Cells(1), second) << message;
    mLog.Clear();
  };

  refused(Region().CorrectGradient(), kRegionNotClosedMessage);
  refused(Region().Undo(), kRegionNothingToUndoMessage);
  Region().AddPoint(5, 5);
  Region().AddPoint(15, 5);
  Region().TrackMouse(15, 15);
  refused(Region().ReplaceByOtherArrays(), kRegionNotClosedMessage);
  Region().Drop();

  // A polygon over the whole image leaves no ring to measure the background in.
  Draw({{-1, -1}, {kSide + 1, -1}, {kSide + 1, kSide + 1}, {-1, kSide + 1}});
  ASSERT_TRUE(Region().IsClosed());
  EXPECT_EQ(Region().RingCount(), 0);
  EXPECT_EQ(InsideCells().size(), static_cast<std::size_t>(kSide * kSide));
  refused(Region().CorrectGradient(), kRegionNoRingMessage);

  const std::vector<CellPoint> triangle = {{5, 5}, {15, 5}, {15, 15}};
  Draw(triangle);
  TheGroup().Normalized = true;
  refused(Region().CorrectGradient(), kRegionNormalizedMessage);
  TheGroup().Normalized = false;

  // A new polygon closed after an edit: the backup holds other cells than its own.
  ASSERT_TRUE(Region().ReplaceByOtherArrays());
  Draw({{20, 20}, {30, 20}, {30, 30}});
  EXPECT_FALSE(Region().Undoable());
  EXPECT_FALSE(Region().Undo());
  Cells(0) = original;
  // Dropping the polygon also ends the undo.
  Draw(triangle);
  ASSERT_TRUE(Region().CorrectGradient());
  Region().Drop();
  EXPECT_FALSE(Region().Undo());
  Cells(0) = original;
  mLog.Clear();

  // Undo puts the values back on the array that was edited, whichever is current.
  Draw(triangle);
  ASSERT_TRUE(Region().CorrectGradient());
  ASSERT_NE(Cells(0), original);
  Settings().CUR_ARRAY = 1;
  ASSERT_TRUE(Region().Undo());
  EXPECT_EQ(Cells(0), original);
  EXPECT_EQ(Cells(1), second);

  // The region was drawn on arrays of another size.
  Settings().CUR_ARRAY = 0;
  Layout.dimension = kSide - 8;
  refused(Region().CorrectGradient(), kRegionNoIntensitiesMessage);
  Layout.dimension = kSide;

  // With one array there is no other array's median to take.
  Group& group = TheGroup();
  group.ClearGroup();
  group.NextArraySlot().intensities = original;
  ASSERT_TRUE(group.CountArray());
  refused(Region().ReplaceByOtherArrays(), kRegionOneArrayMessage);
}

TEST_F(ImageRegionTest, OpeningAGroupDropsTheRegionAndItsUndo) {
  MakeArrays(32, 3);
  WriteAllScans();
  ASSERT_TRUE(Open());
  Draw({{5, 5}, {15, 5}, {15, 15}});
  ASSERT_TRUE(Region().ReplaceByOtherArrays());
  ASSERT_TRUE(Open());
  EXPECT_FALSE(Region().Undoable()) << "the new group's plane holds nothing to undo";
  EXPECT_FALSE(Region().IsClosed());
  EXPECT_EQ(Region().MaskLevel(10, 8), 0);
}

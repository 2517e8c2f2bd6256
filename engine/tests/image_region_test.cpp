// Image regions: the mask of random polygons (self-crossing, on and past the image's edge)
// against the test's own point-in-polygon and distance rule, the outline and the drawing
// states, and the edits on generated arrays against values computed here, with refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/array/image_region.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "engine/tests/group_job_test_support.hpp"

namespace {

using Plane = std::vector<std::uint16_t>;
using Cells = std::vector<CellPoint>;

// Even-odd rule on the cell's centre: edge crossings of its row right of it, compared
// exactly through the sign of a cross product.
bool CentreInPolygon(const Cells& polygon, int x, int y) {
  const double px = x + 0.5, py = y + 0.5;
  bool inside = false;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const CellPoint a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    const double cross = (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
    if ((a.y < py) != (b.y < py) && cross != 0.0 && (cross > 0.0) == (b.y > a.y)) inside = !inside;
  }
  return inside;
}

int Median(std::vector<int> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

ImageRegion& Region() {
  return TheImageRegion();
}

// Right clicks at the points, the last one also the first click of a right double click.
void Draw(const Cells& points) {
  for (const CellPoint point : points) Region().AddPoint(point.x, point.y);
  Region().EndDrawing(points.back().x, points.back().y);
}

}  // namespace

class ImageRegionTest : public GroupJobTest {
 protected:
  ImageRegionTest() { Region().Reset(); }
  ~ImageRegionTest() override { Region().Reset(); }

  // A group of generated arrays of the side held in memory, array 0 current.
  void MakeArrays(int side, int arrays) {
    synth::ArrayGroupOptions options;
    options.arrays = arrays;
    options.seed = 33;
    MakeGroup(side, 12, options);
    Group& group = TheGroup();
    for (int i = 0; i < arrays; ++i) {
      group.NextArraySlot().intensities = mTruth.arrays[static_cast<std::size_t>(i)].intensities;
      ASSERT_TRUE(group.CountArray());
    }
    group.workPlane.assign(mTruth.arrays[0].intensities.size(), 0);
  }

  static Plane& Array(int array) { return TheGroup().Array(array).intensities; }
  static std::size_t At(int x, int y) { return static_cast<std::size_t>(x * Layout.dimension + y); }
  static Cells Inside() {
    Cells cells;
    for (int x = 0; x < Layout.dimension; ++x)
      for (int y = 0; y < Layout.dimension; ++y)
        if (Region().MaskLevel(x, y) == kMaskInside) cells.push_back({x, y});
    return cells;
  }

  // The gradient correction of the plane inside the closed region.
  static Plane Corrected(const Plane& plane) {
    const int side = Layout.dimension;
    auto local = [&](int x, int y) {
      std::vector<int> window;
      for (int wx = std::max(x - 3, 0); wx <= std::min(x + 3, side - 1); ++wx)
        for (int wy = std::max(y - 3, 0); wy <= std::min(y + 3, side - 1); ++wy)
          window.push_back(plane[At(wx, wy)]);
      return Median(window);
    };
    std::vector<int> ring;
    for (int x = 0; x < side; ++x)
      for (int y = 0; y < side; ++y)
        if (Region().MaskLevel(x, y) > 1) ring.push_back(local(x, y));
    Plane expected = plane;
    for (const CellPoint c : Inside())
      expected[At(c.x, c.y)] = static_cast<std::uint16_t>(
          std::clamp(plane[At(c.x, c.y)] + Median(ring) - local(c.x, c.y), 0, 65535));
    return expected;
  }

  ScriptedPrompt mPrompt;
};

TEST_F(ImageRegionTest, MaskHoldsTheCellsWhoseCentreIsInsideWithRingsByDistance) {
  constexpr int kSide = 40;
  MakeArrays(kSide, 1);
  std::mt19937 random(33);
  int insideCells = 0;
  for (int round = 0; round < 200; ++round) {
    // Every third polygon reaches past the image, every third touches its edges.
    const bool past = round % 3 == 2;
    std::uniform_int_distribution<int> coordinate(past ? -3 : 0, past ? kSide + 2 : kSide - 1);
    Cells polygon(static_cast<std::size_t>(3 + round % 10));
    for (CellPoint& point : polygon) point = {coordinate(random), coordinate(random)};
    if (round % 3 == 1) polygon[0].x = 0, polygon[1].y = kSide - 1;
    Draw(polygon);
    ASSERT_EQ(Cells(Region().Points().begin(), Region().Points().end()), polygon);
    std::vector<bool> inside(kSide * kSide);
    for (int x = 0; x < kSide; ++x)
      for (int y = 0; y < kSide; ++y) inside[At(x, y)] = CentreInPolygon(polygon, x, y);
    int rings = 0;
    for (int x = 0; x < kSide; ++x)
      for (int y = 0; y < kSide; ++y) {
        int distance = kRegionRings + 1;
        for (int nx = std::max(x - 7, 0); nx <= std::min(x + 7, kSide - 1); ++nx)
          for (int ny = std::max(y - 7, 0); ny <= std::min(y + 7, kSide - 1); ++ny)
            if (inside[At(nx, ny)])
              distance = std::min(distance, std::max(std::abs(nx - x), std::abs(ny - y)));
        insideCells += distance == 0 ? 1 : 0;
        rings += distance > 0 && distance <= kRegionRings ? 1 : 0;
        ASSERT_EQ(Region().MaskLevel(x, y), distance <= kRegionRings ? distance + 1 : 0)
            << round << ": " << x << "," << y;
      }
    EXPECT_EQ(Region().RingCount(), rings);
  }
  EXPECT_GT(insideCells, 20000) << "the polygons cover a good part of the image";
}

TEST_F(ImageRegionTest, OutlineAndDrawingStates) {
  MakeArrays(48, 1);
  Cells steep;
  DrawCellLine({2, 5}, {0, 0}, steep);
  DrawCellLine({0, 4}, {4, 0}, steep);
  EXPECT_EQ(steep, (Cells{{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}, {4, 0}, {3, 1}, {2, 2}, {1, 3}}));
  // A double click with no earlier point stops drawing silently; two points are too few.
  Draw({{5, 5}});
  EXPECT_FALSE(Region().InProgress());
  Draw({{0, 0}, {4, 0}});
  EXPECT_TRUE(Region().InProgress());
  EXPECT_EQ(Region().PointCount(), 1);
  Region().AddPoint(4, 0);
  Region().TrackMouse(4, 3);
  // The segment, last point to rubber end, first point to it; cells drawn twice listed twice.
  const Cells drawing = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1},
                         {4, 2}, {0, 0}, {1, 0}, {2, 1}, {3, 2}};
  EXPECT_EQ(Region().OutlineCells(), drawing);
  Draw({{4, 3}});
  ASSERT_TRUE(Region().IsClosed());
  Region().TrackMouse(9, 9);
  EXPECT_EQ(Region().OutlineCells(), drawing) << "closed, with the closing segment";
  Region().EndDrawing(20, 20);
  EXPECT_EQ(Region().PointCount(), 3) << "a double click outside drawing changes nothing";

  // The 41st point is refused; a full polygon, once closed, is still replaced.
  for (int i = 0; i < kMaxRegionPoints; ++i) EXPECT_TRUE(Region().AddPoint(i, i % 2 ? 30 : 3));
  EXPECT_FALSE(Region().AddPoint(44, 44));
  Region().EndDrawing(39, 30);
  EXPECT_EQ(Region().PointCount(), kMaxRegionPoints);
  EXPECT_TRUE(Region().AddPoint(1, 1));
  EXPECT_EQ(Region().PointCount(), 1);
  std::vector<std::string> messages;
  for (const RecordedPrompt& prompt : mPrompt.prompts) messages.push_back(prompt.text);
  EXPECT_EQ(messages,
            (std::vector<std::string>{kTooFewRegionPointsMessage, kMaxRegionPointsMessage}));
  Region().Drop();
  EXPECT_TRUE(Region().OutlineCells().empty());
}

TEST_F(ImageRegionTest, EditsMatchValuesComputedHereAndUndoRestoresExactly) {
  MakeArrays(40, 5);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(0, 39);
  for (int round = 0; round < 10; ++round) {
    const int array = Settings().CUR_ARRAY = round % 5;
    do {
      Cells quad(4);
      for (CellPoint& point : quad) point = {coordinate(random), coordinate(random)};
      Draw(quad);
    } while (Inside().empty());
    const Plane before = Array(array);
    ASSERT_TRUE(Region().CorrectGradient());
    EXPECT_EQ(Array(array), Corrected(before)) << round;
    ASSERT_TRUE(Region().Undo());
    EXPECT_FALSE(Region().Undo()) << "a second undo has nothing to undo";
    ASSERT_EQ(Array(array), before);
    ASSERT_TRUE(Region().ReplaceByOtherArrays());
    Plane expected = before;
    for (const CellPoint c : Inside()) {
      std::vector<int> others;
      for (int other = 0; other < 5; ++other)
        if (other != array) others.push_back(Array(other)[At(c.x, c.y)]);
      expected[At(c.x, c.y)] = static_cast<std::uint16_t>(Median(others));
    }
    EXPECT_EQ(Array(array), expected) << round;
    ASSERT_TRUE(Region().Undo());
    ASSERT_EQ(Array(array), before);
  }

  // Specks in a dark patch of a bright surround would pass 65535; light specks in a bright
  // patch of a dark surround fall below 0.
  Settings().CUR_ARRAY = 0;
  Draw({{10, 10}, {20, 10}, {20, 20}, {10, 20}});
  for (const int surround : {60000, 100}) {
    Plane& cells = Array(0);
    std::fill(cells.begin(), cells.end(), static_cast<std::uint16_t>(surround));
    for (const CellPoint c : Inside()) cells[At(c.x, c.y)] = surround == 100 ? 60000 : 100;
    cells[At(15, 15)] = cells[At(13, 16)] = surround == 100 ? 50 : 65000;
    const Plane before = cells;
    ASSERT_TRUE(Region().CorrectGradient());
    EXPECT_EQ(cells, Corrected(before));
    EXPECT_EQ(cells[At(15, 15)], surround == 100 ? 0 : 65535) << "clamped, not wrapped";
  }
}

TEST_F(ImageRegionTest, EditsThatCannotBeDoneAreRefusedAndChangeNothing) {
  MakeArrays(40, 3);
  const Plane first = Array(0), second = Array(1);
  const auto refused = [&](bool done, const char* message) {
    EXPECT_FALSE(done) << message;
    EXPECT_TRUE(mLog.ContainsRed(message)) << message;
    EXPECT_TRUE(Array(0) == first && Array(1) == second) << message;
    mLog.Clear();
  };
  refused(Region().Undo(), kRegionNothingToUndoMessage);
  Region().AddPoint(5, 5);
  Region().AddPoint(15, 5);
  refused(Region().CorrectGradient(), kRegionNotClosedMessage);
  Region().Drop();
  // A polygon over the whole image leaves no ring to measure the background in.
  Draw({{-1, -1}, {41, -1}, {41, 41}, {-1, 41}});
  EXPECT_EQ(Inside().size(), 1600u);
  refused(Region().CorrectGradient(), kRegionNoRingMessage);
  const Cells triangle = {{5, 5}, {15, 5}, {15, 15}};
  Draw(triangle);
  TheGroup().Normalized = true;
  refused(Region().CorrectGradient(), kRegionNormalizedMessage);
  TheGroup().Normalized = false;
  Layout.dimension = 32;
  refused(Region().ReplaceByOtherArrays(), kRegionNoIntensitiesMessage);
  Layout.dimension = 40;

  // A new polygon, or a dropped one, ends the undo: the backup holds other cells.
  ASSERT_TRUE(Region().ReplaceByOtherArrays());
  Draw({{20, 20}, {30, 20}, {30, 30}});
  EXPECT_FALSE(Region().Undo());
  Draw(triangle);
  ASSERT_TRUE(Region().CorrectGradient());
  Region().Drop();
  EXPECT_FALSE(Region().Undo());
  // Undo goes back to the array that was edited, whichever is current.
  Array(0) = first;
  Draw(triangle);
  ASSERT_TRUE(Region().CorrectGradient());
  Settings().CUR_ARRAY = 1;
  ASSERT_TRUE(Region().Undo());
  EXPECT_TRUE(Array(0) == first && Array(1) == second);
  // With one array there is no other array's median to take.
  TheGroup().ClearGroup();
  TheGroup().NextArraySlot().intensities = first;
  ASSERT_TRUE(TheGroup().CountArray());
  Settings().CUR_ARRAY = 0;
  refused(Region().ReplaceByOtherArrays(), kRegionOneArrayMessage);
}

TEST_F(ImageRegionTest, OpeningAGroupDropsTheRegionAndItsUndo) {
  MakeArrays(32, 3);
  WriteAllScans();
  ASSERT_TRUE(Open());
  Draw({{5, 5}, {15, 5}, {15, 15}});
  ASSERT_TRUE(Region().ReplaceByOtherArrays());
  ASSERT_TRUE(Open());
  EXPECT_FALSE(Region().Undoable() || Region().IsClosed() || Region().MaskLevel(10, 8) != 0);
}

// Zone backgrounds: ten zones a side with the remainder in the last, the low quantile of
// the sampled cells that hold probes.
#include <gtest/gtest.h>

#include "engine/array/local_background.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/testing/captured_log.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

class LocalBackgroundTest : public ::testing::Test {
 protected:
  LocalBackgroundTest() { StartGroup(mFolder.Path().string()); }
  ~LocalBackgroundTest() override {
    DiscardGroup();
    Layout = CDF_LAYOUT{};
  }

  // A layout of dimension cells a side where every cell holds a probe.
  static void FullLayout(int dimension) {
    Layout = CDF_LAYOUT{};
    Layout.dimension = dimension;
    Layout.cells.assign(static_cast<std::size_t>(dimension) * static_cast<std::size_t>(dimension),
                        CELL_RECORD{0, 0, 0, kCellPerfectMatch});
  }

  platform::testing::TempFolder mFolder;
  CapturedLog mLog;
};

}  // namespace

TEST_F(LocalBackgroundTest, ZonesTakeTheLowValuesOfTheirCells) {
  FullLayout(34);  // zones of 3 cells, the last one of 7
  std::vector<std::uint16_t> plane(34 * 34);
  for (int x = 0; x < 34; ++x)
    for (int y = 0; y < 34; ++y) {
      const int zone = 10 * std::min(x / 3, 9) + std::min(y / 3, 9);
      // The cell at the zone's start is its lowest; the rest are higher.
      plane[Layout.CellIndex(x, y)] =
          static_cast<std::uint16_t>(1000 + 10 * zone + (x % 3 == 0 && y % 3 == 0 ? 0 : 5));
    }
  Group& group = TheGroup();
  group.NextArraySlot().name = "a";
  ASSERT_TRUE(group.CountArray());
  ComputeBackground(0, plane.data());
  EXPECT_EQ(GetBackground(0, 0, 0), 1000);
  EXPECT_EQ(GetBackground(0, 5, 8), 1000 + 10 * 12);
  EXPECT_EQ(GetBackground(0, 33, 33), 1000 + 10 * 99);
  EXPECT_EQ(GetBackground(0, 29, 2), 1000 + 10 * 90);
}

TEST_F(LocalBackgroundTest, ZonesWithoutProbesAreMissingAndAllArraysAreLogged) {
  FullLayout(20);
  for (int x = 10; x < 20; ++x)
    for (int y = 0; y < 20; ++y) Layout.Cell(x, y).kind = kCellNoUnit;
  Group& group = TheGroup();
  for (int a = 0; a < 2; ++a) {
    ArraySlot& slot = group.NextArraySlot();
    slot.intensities.assign(400, static_cast<std::uint16_t>(50 + a));
    ASSERT_TRUE(group.CountArray());
  }
  ComputeBackground(-1);
  EXPECT_TRUE(mLog.Contains("Calculating background", kLogBlack));
  EXPECT_EQ(GetBackground(1, 3, 3), 51);
  EXPECT_EQ(GetBackground(0, 15, 3), kNoZoneBackground) << "nothing to take off, no marker";
}

TEST_F(LocalBackgroundTest, ChipsUnderTenCellsWideKeepEveryCellInAZoneOfItsOwn) {
  FullLayout(5);
  std::vector<std::uint16_t> plane(25);
  for (std::size_t c = 0; c < plane.size(); ++c) plane[c] = static_cast<std::uint16_t>(200 + c);
  Group& group = TheGroup();
  group.NextArraySlot().name = "small";
  ASSERT_TRUE(group.CountArray());
  group.Array(0).background.fill(7);
  ComputeBackground(0, plane.data());
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 5; ++y) {
      EXPECT_EQ(BackgroundZone(x, y), 10 * x + y);
      EXPECT_EQ(GetBackground(0, x, y), plane[Layout.CellIndex(x, y)]);
    }
  // Zones past the chip's edge hold no cells and take nothing off.
  for (const int zone : {5, 50, 99})
    EXPECT_EQ(group.Array(0).background[static_cast<std::size_t>(zone)], kNoZoneBackground);
}

TEST_F(LocalBackgroundTest, LastZoneTakesTheRemainder) {
  FullLayout(1164);
  EXPECT_EQ(BackgroundZone(115, 0), 0);
  EXPECT_EQ(BackgroundZone(116, 0), 10);
  EXPECT_EQ(BackgroundZone(1163, 1163), 99);
  EXPECT_EQ(BackgroundZone(1043, 1044), 89);
}

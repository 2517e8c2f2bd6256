// Whole-name probe-set lookup: in chip order, out of order, any case, and the search
// outwards from a guessed place that a piece of a long file starts with.
#include "engine/chip/unit_name_index.hpp"

#include <gtest/gtest.h>

#include <string>

#include "engine/chip/cdf_layout.hpp"

namespace {

CDF_LAYOUT NamedLayout(int units) {
  CDF_LAYOUT layout;
  layout.units.resize(static_cast<std::size_t>(units));
  for (int i = 0; i < units; ++i)
    layout.units[static_cast<std::size_t>(i)].SetName("ps" + std::to_string(i) + "_at");
  layout.unitCount = units;
  return layout;
}

TEST(UnitNameIndex, FindsNamesInAnyOrderAndCase) {
  const CDF_LAYOUT layout = NamedLayout(500);
  UnitNameIndex index(layout);
  EXPECT_EQ(index.Find("ps0_at"), 0);
  EXPECT_EQ(index.Find("PS1_AT"), 1);
  EXPECT_EQ(index.Find("ps400_at"), 400);
  EXPECT_EQ(index.Find("ps3_at"), 3);
  EXPECT_EQ(index.Find("ps3"), -1);
  EXPECT_EQ(index.Find(std::string(300, 'x')), -1);
}

TEST(UnitNameIndex, FindNearSearchesOutwardsFromTheHint) {
  const CDF_LAYOUT layout = NamedLayout(500);
  UnitNameIndex index(layout);
  EXPECT_EQ(index.FindNear("ps250_at", 250), 250);
  EXPECT_EQ(index.FindNear("ps10_at", 490), 10);  // far below the hint
  EXPECT_EQ(index.FindNear("ps499_at", 0), 499);  // far above it
  EXPECT_EQ(index.FindNear("PS77_at", -5), 77);   // hints outside are taken at the edge
  EXPECT_EQ(index.FindNear("ps77_at", 9999), 77);
  EXPECT_EQ(index.FindNear("missing", 100), -1);
  // A hit makes the next unit the first one tried by Find.
  EXPECT_EQ(index.FindNear("ps120_at", 0), 120);
  EXPECT_EQ(index.Find("ps121_at"), 121);

  const CDF_LAYOUT empty;
  UnitNameIndex none(empty);
  EXPECT_EQ(none.FindNear("ps1_at", 0), -1);
}

}  // namespace

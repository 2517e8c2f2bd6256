// The frame of an in-memory group of values: names make a whole new layout, and the finish
// marks what the arrays hold and lists every probe set for the analyses.
#include "tools/synth/modelled_group.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

TEST(ModelledGroup, NamesMakeANewLayoutAndTheFinishListsEveryProbeSet) {
  Layout.dimension = 8;
  Layout.chipType = "Old_Chip";
  Layout.cells.resize(64);
  Layout.unitCount = 5;
  const std::vector<std::string> names = {"gene_a", "gene_b", "gene_c"};
  synth::UseUnitNames(names);
  EXPECT_EQ(Layout.unitCount, 3);
  EXPECT_EQ(Layout.dimension, CDF_LAYOUT{}.dimension) << "nothing of the old chip is kept";
  EXPECT_TRUE(Layout.chipType.empty());
  EXPECT_TRUE(Layout.cells.empty());
  ASSERT_EQ(Layout.units.size(), 3u);
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(Layout.units[i].Name(), names[i]);

  for (const bool withStdErrors : {false, true}) {
    platform::testing::TempFolder folder;
    StartGroup(folder.Path().string());
    Group& group = TheGroup();
    for (int a = 0; a < 2; ++a) {
      ArraySlot& slot = group.NextArraySlot();
      slot.name = "array" + std::to_string(a);
      slot.values.assign(names.size(), VALUE_TRIPLE{1.0f + static_cast<float>(a), 0.1f, 0});
      slot.calls.assign(names.size(), kCallPresent);
      ASSERT_TRUE(group.CountArray());
    }
    synth::FinishModelledGroup(withStdErrors);
    EXPECT_EQ(group.HasStdErrors, withStdErrors);
    EXPECT_TRUE(group.HasCalls);
    EXPECT_TRUE(group.Modelled);
    EXPECT_EQ(SampleGrouping.SampleCount(), 2);
    EXPECT_EQ(GeneList.NumInteresting, 3);
    double value = 0;
    double se = 0;
    char call = 0;
    SampleGrouping.GetSampleValue(2, 1, &value, &se, &call);
    EXPECT_EQ(value, 2.0);
    GeneList = GENE_LIST{};
    DiscardGroup();
  }
  Layout = CDF_LAYOUT{};
}

}  // namespace

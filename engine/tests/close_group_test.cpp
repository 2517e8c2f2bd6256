// Closing a group in the engine leaves nothing of its data behind, and keeps what the
// next open and the closing message need.
#include <gtest/gtest.h>

#include "engine/model/close_group.hpp"
#include "engine/tests/model_test_support.hpp"

namespace {

using CloseGroupTest = ModelTest;

TEST_F(CloseGroupTest, ArraysFlagsAndTheModelsProbeSetGoNameAndSettingsStay) {
  MakeGroup(4, 3, 6, synth::ModelDataOptions{});
  Group& group = TheGroup();
  group.SetName("demo");
  group.Normalized = group.Modelled = group.Logged = group.Adjusted = true;
  group.HasCalls = group.HasStdErrors = true;
  ASSERT_TRUE(Model.GetData(2));
  ASSERT_EQ(Model.ProbeSet(), 2);

  CloseGroupData();
  EXPECT_EQ(group.NumArrays(), 0);
  EXPECT_FALSE(group.HasProbeData || group.Normalized || group.Modelled || group.Logged ||
               group.HasCalls || group.HasStdErrors);
  EXPECT_EQ(Model.ProbeSet(), -1);
  EXPECT_EQ(group.Name(), "demo") << "the closing message names the group";
  EXPECT_EQ(Settings().LOAD_PROBE_DATA, 1);
  EXPECT_TRUE(group.Adjusted) << "batch adjustment belongs to its command";

  // The next group is read into the same tables and fits as before.
  MakeGroup(2, 3, 6, synth::ModelDataOptions{});
  EXPECT_EQ(group.NumArrays(), 2);
  ASSERT_TRUE(Model.GetData(0));
  EXPECT_EQ(Model.ArrayCount(), 2);

  // Without a group only the model has something to let go.
  DiscardGroup();
  CloseGroupData();
  EXPECT_EQ(Model.ProbeSet(), -1);
}

}  // namespace

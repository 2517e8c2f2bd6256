// The probe data cache: probe sets served block by block from the arrays' QVF files give
// the model exactly the values it takes from intensity planes held in memory; blocks end
// before the first probe set that does not fit; a failed read fails the block.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/array/chip_data.hpp"
#include "engine/array/local_background.hpp"
#include "engine/tests/model_test_support.hpp"

class ProbeDataCacheTest : public ModelTest {
 protected:
  static constexpr int kArrays = 5;
  static constexpr int kUnits = 7;
  static constexpr int kPairs = 12;

  // A group whose arrays are held in memory and also written to their QVF files (the
  // raw plane carries the intensities, the normalised one a scrambled copy).
  void MakeFiledGroup() {
    synth::ModelDataOptions options;
    options.noise = 30.0;  // some differences below 0, and zones below the background
    options.lowestTheta = 20.0;
    MakeGroup(kArrays, kUnits, kPairs, options);
    for (int i = 0; i < kArrays; ++i) {
      const ArraySlot& slot = TheGroup().Array(i);
      CHIP_DATA chip;
      chip.AllocatePlanes(Layout.dimension);
      chip.plane1 = slot.intensities;
      for (std::size_t c = 0; c < chip.plane2.size(); ++c)
        chip.plane2[c] = static_cast<std::uint16_t>(c * 7919);
      chip.AllocateUnitTables();
      chip.dataPath = slot.dataFile;
      ASSERT_TRUE(chip.WriteQvf());
    }
  }

  // The data matrix the model fits for every probe set.
  std::vector<std::vector<double>> AllData() {
    std::vector<std::vector<double>> data;
    for (int u = 0; u < kUnits; ++u) {
      if (!Settings().LOAD_PROBE_DATA && !ProbeCache.Holds(u)) {
        EXPECT_TRUE(ProbeCache.LoadProbeBlock()) << u;
      }
      EXPECT_TRUE(Fit().GetData(u));
      std::vector<double>& unit = data.emplace_back();
      for (int i = 0; i < kArrays; ++i)
        for (int j = 0; j < kPairs; ++j) unit.push_back(Fit().Data(i, j));
    }
    return data;
  }

  static std::size_t BudgetFor(int values) {
    return static_cast<std::size_t>(kArrays) * 4 * static_cast<std::size_t>(values);
  }
};

TEST_F(ProbeDataCacheTest, ServesTheValuesOfTheHeldPlanes) {
  MakeFiledGroup();
  for (const int method : {kModelPmMmDifference, kModelPmOnly}) {
    SCOPED_TRACE(method);
    Settings().MODEL_METHOD = method;
    Settings().LOAD_PROBE_DATA = 1;
    ComputeBackground(-1);
    const auto held = AllData();

    Settings().LOAD_PROBE_DATA = 0;
    for (int i = 0; i < kArrays; ++i) TheGroup().Array(i).background.fill(0);
    // Rows of 30 values: blocks of two probe sets of 12 pairs.
    ASSERT_TRUE(ProbeCache.AllocProbeCache(BudgetFor(30)));
    EXPECT_EQ(ProbeCache.Capacity(), 30);
    EXPECT_EQ(AllData(), held);
    EXPECT_EQ(ProbeCache.FirstUnit(), 6);
    EXPECT_EQ(ProbeCache.LastUnit(), 6);
    ProbeCache.FreeProbeCache();
  }
  EXPECT_TRUE(mLog.Contains("Load probe data for probe set 2 to 3 from QVF files...", kLogBlack));
}

TEST_F(ProbeDataCacheTest, BlockEndsBeforeTheFirstProbeSetThatDoesNotFit) {
  MakeFiledGroup();
  Settings().LOAD_PROBE_DATA = 0;
  ASSERT_TRUE(ProbeCache.AllocProbeCache(BudgetFor(3 * kPairs - 1)));
  ASSERT_TRUE(ProbeCache.LoadProbeBlock());
  EXPECT_EQ(ProbeCache.FirstUnit(), 0);
  EXPECT_EQ(ProbeCache.LastUnit(), 1);
  ASSERT_TRUE(ProbeCache.LoadProbeBlock());
  EXPECT_EQ(ProbeCache.FirstUnit(), 2);
  EXPECT_EQ(ProbeCache.LastUnit(), 3);
}

TEST_F(ProbeDataCacheTest, FailedReadFailsTheBlockInsteadOfServingOldValues) {
  MakeFiledGroup();
  Settings().LOAD_PROBE_DATA = 0;
  ASSERT_TRUE(ProbeCache.AllocProbeCache(BudgetFor(2 * kPairs)));
  ASSERT_TRUE(ProbeCache.LoadProbeBlock());
  std::filesystem::remove(mFolder.File("array3.qvf"));
  EXPECT_FALSE(ProbeCache.LoadProbeBlock());
  EXPECT_TRUE(mLog.ContainsRed("Reading probe data of array array3"));
  EXPECT_FALSE(ProbeCache.Holds(2));
  ASSERT_TRUE(Fit().GetData(2));
  for (int i = 0; i < kArrays; ++i)
    for (int j = 0; j < kPairs; ++j) EXPECT_EQ(Fit().Data(i, j), 0.0);
}

TEST_F(ProbeDataCacheTest, AllocationThatCannotBeHadIsReported) {
  synth::ModelDataOptions options;
  MakeGroup(kArrays, 1, kPairs, options);
  EXPECT_FALSE(ProbeCache.AllocProbeCache(SIZE_MAX));
  EXPECT_TRUE(mLog.ContainsRed(kProbeCacheAllocationMessage));
  EXPECT_FALSE(ProbeCache.Allocated());
}

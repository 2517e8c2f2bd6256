// Test support for the readers of array files (cell intensity files and scanner images):
// a fixture that loads a synthetic chip's layout, raises AnalysisRunning for the readers,
// and makes and writes synthetic arrays of the chip.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/array/chip_data.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/tests/chip_test_support.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/array_writers.hpp"

class ArrayFileTest : public ChipTest {
 protected:
  ArrayFileTest() : mSavedRunning(AnalysisRunning) { AnalysisRunning = 1; }
  ~ArrayFileTest() override { AnalysisRunning = mSavedRunning; }

  // Loads the chip's layout from its text chip description, as a group would.
  void UseChip(const synth::ChipTruth& chip) {
    ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
    ASSERT_EQ(Layout.dimension, chip.dimension);
    mLog.Clear();
  }

  static synth::ArrayTruth MakeArray(const synth::ChipTruth& chip, std::uint64_t seed = 11,
                                     const std::string& name = "scan01") {
    synth::ArrayOptions options;
    options.seed = seed;
    options.name = name;
    std::string error;
    auto array = synth::MakeArray(chip, options, &error);
    EXPECT_TRUE(array.has_value()) << error;
    return array.value_or(synth::ArrayTruth{});
  }

  std::string WriteCel(const synth::ArrayTruth& array, synth::CelForm form) {
    const std::string path = mFolder.File(synth::CelFileName(array));
    EXPECT_TRUE(synth::WriteCel(array, form, path)) << path;
    return path;
  }

  // Every cell of both planes holds what the truth gives for it.
  static void ExpectPlanesHoldTheTruth(const CHIP_DATA& data, const synth::ArrayTruth& array) {
    ASSERT_EQ(data.dimension, array.dimension);
    ASSERT_EQ(data.plane1.size(), array.cells.size());
    ASSERT_EQ(data.plane2.size(), array.cells.size());
    int wrong = 0;
    for (int x = 0; x < array.dimension && wrong < 5; ++x)
      for (int y = 0; y < array.dimension && wrong < 5; ++y) {
        const synth::CellTruth& cell = array.Cell(x, y);
        const std::size_t index = data.CellIndex(x, y);
        if (data.plane1[index] == synth::ExpectedIntensity(cell) &&
            data.plane2[index] == synth::ExpectedStandardError(cell))
          continue;
        ++wrong;
        ADD_FAILURE() << "cell (" << x << ", " << y << "): planes " << data.plane1[index] << ", "
                      << data.plane2[index] << "; truth mean " << cell.mean << ", deviation "
                      << cell.deviation << ", pixels " << cell.pixels;
      }
  }

 private:
  std::uint8_t mSavedRunning;
};

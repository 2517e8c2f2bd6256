// Test support for the array data tests: a chip fixture that also starts a group in the
// test's folder (so settings can be set), keeps AnalysisRunning raised, loads synthetic
// chips with their cell tables and fills arrays from a synthetic group's truth.
#pragma once

#include <string>

#include "engine/array/chip_data.hpp"
#include "engine/array/normalizer.hpp"
#include "engine/group/group.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/tests/chip_test_support.hpp"
#include "tools/synth/array_group.hpp"

class ArrayTest : public ChipTest {
 protected:
  ArrayTest() {
    StartGroup(mFolder.Path().string());
    Settings().LOAD_PROBE_DATA = 1;
    Settings().WORKING_DIR = mFolder.Path().string();
    ProbeLevelFlag = false;
    Normalizer.FreeCurve();
  }
  ~ArrayTest() override {
    DiscardGroup();
    ProbeLevelFlag = false;
    Normalizer.FreeCurve();
  }

  static GroupSettings& Settings() { return TheGroup().Settings(); }

  // A chip written as a text chip description and loaded with its cell table. Chips
  // loaded in one test need chip types of their own, as the cache is named after it.
  synth::ChipTruth SetUpChip(synth::ChipKind kind, int dimension, int units, std::uint64_t seed = 7,
                             const std::string& chipType = "") {
    synth::ChipOptions options;
    options.kind = kind;
    options.dimension = dimension;
    options.unitCount = units;
    options.seed = seed;
    options.chipType = chipType;
    return SetUpChip(options);
  }
  synth::ChipTruth SetUpChip(const synth::ChipOptions& options) {
    synth::ChipTruth chip = MakeChip(options);
    const std::string path = Write(chip, synth::ChipForm::kTextCdf);
    Settings().CDF_FILE = path;
    EXPECT_TRUE(Load(path));
    return chip;
  }

  // The array of the group as a cell file reader would leave it, known by dataPath.
  static void Fill(CHIP_DATA& chip, const synth::ArrayGroupTruth& group, int array,
                   const std::string& dataPath) {
    const synth::SynthesisedArray& source = group.arrays[static_cast<std::size_t>(array)];
    chip.dimension = group.dimension;
    chip.plane1 = source.intensities;
    chip.plane2 = source.standardErrors;
    chip.AllocateUnitTables();
    chip.dataPath = dataPath;
    chip.normalised = 0;
    chip.baselinePath.clear();
    const double median = chip.GetQuantile(0.5, false);
    chip.medianIntensity = static_cast<std::int32_t>(median);
  }

  RaisedAnalysisRunning mRunning;
};

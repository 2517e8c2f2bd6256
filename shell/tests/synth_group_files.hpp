// Test support for the window's group commands: a generated chip description and cell
// files of a group of arrays whose brightness curves are known, written into a folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/path.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/chip_writers.hpp"

struct SynthGroupFiles {
  synth::ChipTruth chip;
  synth::ArrayGroupTruth truth;
  std::string cdfPath;
  std::vector<std::string> names;
  std::vector<std::string> celPaths;
};

// arrays arrays named "<stem>01", "<stem>02", ... of an expression chip, the first the
// baseline; the chip description lies in folder, the cell files in folder/data.
inline SynthGroupFiles WriteSynthGroup(const std::string& folder, const std::string& stem,
                                       int arrays, int dimension = 160, int units = 600) {
  SynthGroupFiles files;
  synth::ChipOptions chipOptions;
  chipOptions.dimension = dimension;
  chipOptions.unitCount = units;
  chipOptions.seed = 5;
  std::string error;
  std::optional<synth::ChipTruth> chip = synth::MakeChip(chipOptions, &error);
  EXPECT_TRUE(chip.has_value()) << error;
  if (!chip) return files;
  files.chip = *chip;
  files.cdfPath =
      platform::JoinPath(folder, synth::FileNameFor(files.chip, synth::ChipForm::kTextCdf));
  EXPECT_TRUE(synth::WriteTextCdf(files.chip, files.cdfPath));

  synth::ArrayGroupOptions groupOptions;
  groupOptions.arrays = arrays;
  groupOptions.seed = 11;
  files.truth = synth::MakeArrayGroup(files.chip, groupOptions);
  const std::string data = platform::JoinPath(folder, "data");
  std::filesystem::create_directories(data);
  for (int a = 0; a < arrays; ++a) {
    const std::string name = stem + (a + 1 < 10 ? "0" : "") + std::to_string(a + 1);
    // Arrays with the same scan time would count as one.
    const synth::ArrayTruth array =
        synth::ScannedArray(files.chip, files.truth, a, name,
                            synth::ScanTimeFromSeed(static_cast<std::uint64_t>(a) + 1));
    const std::string path = platform::JoinPath(data, synth::CelFileName(array));
    EXPECT_TRUE(synth::WriteCel(array, synth::CelForm::kText, path));
    files.names.push_back(name);
    files.celPaths.push_back(path);
  }
  return files;
}

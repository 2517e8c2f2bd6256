// Test support for the chip description tests: a fixture that starts every test from an
// empty layout and default array kind in its own folder, captures the log, and makes and
// loads synthetic chips.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/load_cdf.hpp"
#include "engine/testing/captured_log.hpp"
#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/text_bytes.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/chip_writers.hpp"
#include "tools/synth/expected_layout.hpp"

inline void ResetChipGlobals() {
  Layout = CDF_LAYOUT{};
  ArrayType = 0;
  RotatedLayout = 0;
  ExonArray = 0;
  PmOnly = 0;
  ProbesPerPair = 2;
  CustomCdf = 0;
  UnitSearchStart = 0;
}

class ChipTest : public ::testing::Test {
 protected:
  ChipTest() { ResetChipGlobals(); }
  ~ChipTest() override { ResetChipGlobals(); }

  static synth::ChipTruth MakeChip(synth::ChipKind kind, int dimension, int units,
                                   std::uint64_t seed = 7) {
    synth::ChipOptions options;
    options.kind = kind;
    options.dimension = dimension;
    options.unitCount = units;
    options.seed = seed;
    return MakeChip(options);
  }
  static synth::ChipTruth MakeChip(const synth::ChipOptions& options) {
    std::string error;
    auto chip = synth::MakeChip(options, &error);
    EXPECT_TRUE(chip.has_value()) << error;
    return chip.value_or(synth::ChipTruth{});
  }

  // Writes the chip in the form under the name the readers expect; returns the path.
  std::string Write(const synth::ChipTruth& chip, synth::ChipForm form) {
    const std::string path = mFolder.File(synth::FileNameFor(chip, form));
    bool written = false;
    switch (form) {
      case synth::ChipForm::kTextCdf:
        written = synth::WriteTextCdf(chip, path);
        break;
      case synth::ChipForm::kBinaryCdf:
        written = synth::WriteBinaryCdf(chip, path);
        break;
      case synth::ChipForm::kPgf:
        written = synth::WritePgf(chip, path);
        break;
      case synth::ChipForm::kTruth:
        written = synth::WriteTruth(chip, path);
        break;
      case synth::ChipForm::kProbeTab:
      case synth::ChipForm::kMask:
        break;
    }
    EXPECT_TRUE(written) << path;
    return path;
  }

  // Writes text to a file of the test's folder; returns its path.
  std::string WriteText(const std::string& name, const std::string& text) {
    const std::string path = mFolder.File(name);
    EXPECT_TRUE(platform::WriteWholeFile(path, platform::TextBytes(text)));
    return path;
  }

  bool Load(const std::string& path, bool rebuild = false, const std::string& mask = "") {
    return LoadCdf(path, rebuild, mask, mSettings);
  }

  platform::testing::TempFolder mFolder;
  CapturedLog mLog;
  CdfLoadSettings mSettings;
};

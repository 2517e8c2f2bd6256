// The chips benchmarks work on: the full-size expression chip, and a chip made by the
// generator, its text chip description written into the run's scratch folder and loaded as
// the layout, as opening a group loads it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "bench/bench_support.hpp"
#include "engine/chip/load_cdf.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/chip_writers.hpp"

namespace bench {

// The full-size expression chip the readers and the normalisation are timed on: 1164 x
// 1164 cells, about 54,000 probe sets.
inline synth::ChipOptions FullSizeChip() {
  synth::ChipOptions options;
  options.dimension = 1164;
  options.unitCount = 54000;
  options.seed = 7;
  return options;
}

struct ChipSetUp {
  synth::ChipTruth chip;
  std::string path;  // of the text chip description
};

// A chip that cannot be made, written or loaded ends the program.
inline ChipSetUp SetUpChip(const ScratchFolder& folder, const synth::ChipOptions& options) {
  std::string error;
  std::optional<synth::ChipTruth> chip = synth::MakeChip(options, &error);
  if (!chip) {
    std::fprintf(stderr, "chip: %s\n", error.c_str());
    std::abort();
  }
  std::string path = folder.File(synth::FileNameFor(*chip, synth::ChipForm::kTextCdf));
  CdfLoadSettings settings;
  if (!synth::WriteTextCdf(*chip, path) || !LoadCdf(path, true, "", settings)) std::abort();
  return {std::move(*chip), std::move(path)};
}

}  // namespace bench

// Writing a synthetic chip in every file form the chip description readers take: text
// and binary chip descriptions, probe group files, probe tab files, probe-set masks, and
// a plain listing of the truth.
#pragma once

#include <string>

#include "tools/synth/chip_model.hpp"
#include "tools/synth/expected_layout.hpp"

namespace synth {

// A sectioned text chip description of version 1, 2 or 3; custom chips are written with
// the short cell lines of a custom chip description.
[[nodiscard]] bool WriteTextCdf(const ChipTruth& chip, const std::string& path, int version = 2);

// A binary chip description (magic 67, version 1).
[[nodiscard]] bool WriteBinaryCdf(const ChipTruth& chip, const std::string& path);

// A probe group file; only for chips of perfect-match probes that fit its 2560 grid. A
// few probe sets that are not "main" are written too, for the reader to pass over.
[[nodiscard]] bool WritePgf(const ChipTruth& chip, const std::string& path);

[[nodiscard]] bool WriteProbeTab(const ProbeTab& table, const std::string& path);
[[nodiscard]] bool WriteMask(const MaskPlan& plan, const std::string& path);

// One line for the chip, one per probe set and one per probe pair, tab-separated.
[[nodiscard]] bool WriteTruth(const ChipTruth& chip, const std::string& path);

}  // namespace synth

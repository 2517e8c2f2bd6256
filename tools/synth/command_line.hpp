// Pieces the zelko-synth subcommands share: failure output, bounded number options, and
// the options that shape the chip (kind, size, probe sets, chip type).
#pragma once

#include <string>
#include <string_view>

#include "tools/synth/chip_model.hpp"

namespace synth {

// Prints "zelko-synth: message" to standard error; returns the program's failure code.
int Fail(const std::string& message);

// A whole number (or a real number) from low to high, the whole text used.
bool ParseWhole(std::string_view text, long long low, long long high, long long& value);
bool ParseReal(std::string_view text, double low, double high, double& value);

enum class OptionResult { kNotMine, kTaken, kBad };

// --kind, --dim, --units, --chip-type, and the chip's seed under seedOption ("--seed"
// for the chip command, "--chip-seed" where --seed seeds the arrays). On kBad, problem
// says why.
OptionResult TakeChipShapeOption(std::string_view option, std::string_view value,
                                 std::string_view seedOption, ChipOptions& chip,
                                 std::string& problem);

}  // namespace synth

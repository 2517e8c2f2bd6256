// Pieces the zelko-synth subcommands share: failure output, bounded number options, and
// the options that shape the chip (kind, size, probe sets, chip type).
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
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

// Walks a subcommand's options, argv[2] on: "--help" or "-h" prints the usage; `flag`
// (an option without a value) calls onFlag; every other option takes the next argument
// as its value and goes to onValue, which returns why it is refused, or "". The
// program's exit code when the walk ends it (0 after the usage, the failure code after a
// refusal, reported), nullopt when every option was taken.
std::optional<int> WalkOptions(
    int argc, char** argv, std::string_view flag, const std::function<void()>& onFlag,
    const std::function<void()>& printUsage,
    const std::function<std::string(std::string_view option, std::string_view value)>& onValue);
// The same walk for a command with several options without a value, each handed to onFlag.
std::optional<int> WalkOptions(
    int argc, char** argv, std::initializer_list<std::string_view> flags,
    const std::function<void(std::string_view flag)>& onFlag,
    const std::function<void()>& printUsage,
    const std::function<std::string(std::string_view option, std::string_view value)>& onValue);

}  // namespace synth

// Pieces the zelko-synth subcommands share: failure output, bounded number options, and
// the options that shape the chip (kind, size, probe sets, chip type).
#pragma once

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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

// What a subcommand's option handler made of one option: taken (no problem), refused with
// its problem, or not one of the command's options (the walk then shows the usage).
struct OptionRefusal {
  OptionRefusal() = default;
  OptionRefusal(std::string why) : problem(std::move(why)) {}  // taken when empty
  OptionRefusal(const char* why) : problem(why) {}
  static OptionRefusal Unknown() {
    OptionRefusal refusal;
    refusal.unknown = true;
    return refusal;
  }
  std::string problem;
  bool unknown = false;
};

using UsagePrinter = std::function<void(std::FILE* to)>;
using ValueOption = std::function<OptionRefusal(std::string_view option, std::string_view value)>;

// Walks a subcommand's options, argv[2] on: "--help" or "-h" prints the usage on the
// output stream; `flag` (an option without a value) calls onFlag; every other option
// takes the next argument as its value and goes to onValue. An option onValue does not
// know is refused with the usage on the error stream, a value it refuses with its
// problem. The program's exit code when the walk ends it (0 after the usage asked for,
// the failure code after a refusal, reported), nullopt when every option was taken.
std::optional<int> WalkOptions(int argc, char** argv, std::string_view flag,
                               const std::function<void()>& onFlag, const UsagePrinter& printUsage,
                               const ValueOption& onValue);
// The same walk for a command with several options without a value, each handed to onFlag.
std::optional<int> WalkOptions(int argc, char** argv, std::initializer_list<std::string_view> flags,
                               const std::function<void(std::string_view flag)>& onFlag,
                               const UsagePrinter& printUsage, const ValueOption& onValue);

}  // namespace synth

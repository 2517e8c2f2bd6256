// Option parsing shared by the zelko-synth subcommands.
#include "tools/synth/command_line.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace synth {

int Fail(const std::string& message) {
  std::fprintf(stderr, "zelko-synth: %s\n", message.c_str());
  return 2;
}

std::optional<int> WalkOptions(int argc, char** argv, std::string_view flag,
                               const std::function<void()>& onFlag, const UsagePrinter& printUsage,
                               const ValueOption& onValue) {
  return WalkOptions(
      argc, argv, {flag}, [&](std::string_view) { onFlag(); }, printUsage, onValue);
}

std::optional<int> WalkOptions(int argc, char** argv, std::initializer_list<std::string_view> flags,
                               const std::function<void(std::string_view flag)>& onFlag,
                               const UsagePrinter& printUsage, const ValueOption& onValue) {
  for (int i = 2; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help" || option == "-h") {
      printUsage(stdout);
      return 0;
    }
    if (std::find(flags.begin(), flags.end(), option) != flags.end()) {
      onFlag(option);
      continue;
    }
    // The last argument has no value; asked with none, the command still tells whether it
    // knows the option.
    const bool hasValue = i + 1 < argc;
    const OptionRefusal refusal = onValue(option, hasValue ? argv[i + 1] : "");
    if (refusal.unknown) {
      Fail("unknown option " + std::string(option));
      printUsage(stderr);
      return 2;
    }
    if (!hasValue) return Fail("option " + std::string(option) + " needs a value");
    ++i;
    if (!refusal.problem.empty()) return Fail(refusal.problem);
  }
  return std::nullopt;
}

bool ParseWhole(std::string_view text, long long low, long long high, long long& value) {
  const std::string copy(text);
  char* end = nullptr;
  // A number beyond the type's range comes back clamped to it; it must not pass as that.
  errno = 0;
  value = std::strtoll(copy.c_str(), &end, 10);
  return !copy.empty() && *end == '\0' && errno != ERANGE && value >= low && value <= high;
}

bool ParseReal(std::string_view text, double low, double high, double& value) {
  const std::string copy(text);
  char* end = nullptr;
  value = std::strtod(copy.c_str(), &end);
  return !copy.empty() && *end == '\0' && value >= low && value <= high;
}

OptionResult TakeChipShapeOption(std::string_view option, std::string_view value,
                                 std::string_view seedOption, ChipOptions& chip,
                                 std::string& problem) {
  long long number = 0;
  if (option == "--kind") {
    const auto kind = ParseChipKind(value);
    if (!kind) {
      problem = "unknown kind '" + std::string(value) + "'";
      return OptionResult::kBad;
    }
    chip.kind = *kind;
  } else if (option == "--dim") {
    if (!ParseWhole(value, 2, 8192, number)) {
      problem = "--dim takes 2 to 8192";
      return OptionResult::kBad;
    }
    chip.dimension = static_cast<int>(number);
  } else if (option == "--units") {
    if (!ParseWhole(value, 0, 1000000, number)) {
      problem = "--units takes 0 to 1000000";
      return OptionResult::kBad;
    }
    chip.unitCount = static_cast<int>(number);
  } else if (option == seedOption) {
    if (!ParseWhole(value, 0, INT64_MAX, number)) {
      problem = std::string(seedOption) + " takes a whole number";
      return OptionResult::kBad;
    }
    chip.seed = static_cast<std::uint64_t>(number);
  } else if (option == "--chip-type") {
    chip.chipType = value;
  } else {
    return OptionResult::kNotMine;
  }
  return OptionResult::kTaken;
}

}  // namespace synth

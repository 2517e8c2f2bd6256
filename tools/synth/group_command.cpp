// zelko-synth group: the arrays of a synthetic group as cell files or scanner images,
// each with its result text file (expression chips) or genotype-call file (SNP chips), a
// listing of the brightness curves and changed probe sets they were made with, and, for
// a whole group, the side files it is opened with.
#include "tools/synth/group_command.hpp"
#include "tools/synth/command_line.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/synth/array_model.hpp"
#include "tools/synth/opening_settings.hpp"
#include "tools/synth/whole_group.hpp"

namespace synth {
namespace {

constexpr const char* kGroupUsage =
    "usage: zelko-synth group [options]\n"
    "\n"
    "Writes a group of scanned arrays of the chip that 'zelko-synth chip' makes from the\n"
    "same kind, size, probe sets and seed. The first array is the baseline; every other\n"
    "one departs from it by a known monotone brightness curve and has some probe sets\n"
    "changed. Each '<name>NN.CEL' gets its calls beside it: a result text file on\n"
    "expression chips, a genotype-call file on SNP chips (kind-1 arrays are named\n"
    "'<name>NNB.CEL', the sub-array groups open, and read '<name>NN.txt').\n"
    "'<name>.curves.txt' lists the truth.\n"
    "\n"
    "chip options (as for 'zelko-synth chip'):\n"
    "  --kind K          expression | pm-only | exon | snp1 | snp2 | snp3 | snp3-rotated\n"
    "  --dim N           cells per side, 2 to 8192 (default 20)\n"
    "  --units N         number of probe sets (default 10)\n"
    "  --chip-seed N     the chip's seed (default 1)\n"
    "  --chip-type NAME  chip type instead of the kind's own\n"
    "group options:\n"
    "  --arrays N        number of arrays, 1 to 999 (default 3)\n"
    "  --seed N          seed of the group (default 1)\n"
    "  --noise X         spread of a cell's log intensity per array, 0 to 1 (default 0.05)\n"
    "  --changed P       percent of probe sets changed per array, 0 to 100 (default 10)\n"
    "  --name NAME       file name stem: letters, digits, '_', '-' (default group)\n"
    "  --form F          text | binary cell files, dat scanner images, mixed (text, older\n"
    "                    text and binary cell files in turn) or mixed-dat (the same and a\n"
    "                    scanner image in turn) (default text)\n"
    "  --no-calls        leave out the text files of calls\n"
    "  --bad-array N     array N's probe pairs respond by factors of their own from 1/4 to\n"
    "                    4, so the model fit sets it aside (listed in '<name>.curves.txt')\n"
    "  --duplicate-tag N array N (2 or more) gets the scan time of the array before it\n"
    "  --undated LIST    comma-separated array numbers whose header has no scan time\n"
    "  --whole           a whole group: every array its own scan time (without it all\n"
    "                    share one, so an open of the group reads the first only), and\n"
    "                    beside the arrays the chip description, '<name>.samples.txt' (sample\n"
    "                    information), '<name>.arrays.txt' (array list), '<name>.genes.txt'\n"
    "                    (gene information), '<name>.files.txt' (data file list) and\n"
    "                    '<name>.theta.txt' (each probe set's planted expression per array)\n"
    "  --settings-home DIR  with --whole: also write the program's settings of a group\n"
    "                    '<name>' in its home folder DIR, naming these files, and make it\n"
    "                    the group Open Group offers first (the settings files are not\n"
    "                    listed)\n"
    "  --out DIR         output folder (default .)\n";

// Three digits of the array number and a sub-array letter.
constexpr std::size_t kArrayNameSuffix = 4;

struct GroupArguments {
  WholeGroupOptions group;
  std::string out = ".";
  std::string settingsHome;  // empty: no settings written
};

// Array numbers as given (from 1), one or several joined by commas.
bool ParseArrayNumbers(std::string_view text, std::vector<int>& arrays) {
  std::size_t begin = 0;
  while (begin <= text.size()) {
    const std::size_t comma = std::min(text.find(',', begin), text.size());
    long long number = 0;
    if (!ParseWhole(text.substr(begin, comma - begin), 1, 999, number)) return false;
    arrays.push_back(static_cast<int>(number) - 1);
    begin = comma + 1;
  }
  return true;
}

// Parses one option with its value: taken, refused with the reason, or unknown.
OptionRefusal TakeOption(GroupArguments& args, std::string_view option, std::string_view value) {
  long long number = 0;
  double real = 0.0;
  std::string problem;
  WholeGroupOptions& whole = args.group;
  const OptionResult shape = TakeChipShapeOption(option, value, "--chip-seed", whole.chip, problem);
  if (shape == OptionResult::kBad) return problem;
  if (shape == OptionResult::kTaken) return {};
  if (option == "--arrays") {
    if (!ParseWhole(value, 1, 999, number)) return "--arrays takes 1 to 999";
    whole.group.arrays = static_cast<int>(number);
  } else if (option == "--seed") {
    if (!ParseWhole(value, 0, INT64_MAX, number)) return "--seed takes a whole number";
    whole.group.seed = static_cast<std::uint64_t>(number);
  } else if (option == "--noise") {
    if (!ParseReal(value, 0.0, 1.0, real)) return "--noise takes 0 to 1";
    whole.group.noise = real;
  } else if (option == "--changed") {
    if (!ParseWhole(value, 0, 100, number)) return "--changed takes 0 to 100";
    whole.group.changedPercent = static_cast<int>(number);
  } else if (option == "--name") {
    // Room for the array number and the sub-array letter in the array's name.
    if (value.size() + kArrayNameSuffix > kLongestArrayName || !IsUsableArrayName(value))
      return "--name takes 1 to " + std::to_string(kLongestArrayName - kArrayNameSuffix) +
             " letters, digits, '_' or '-'";
    whole.name = value;
  } else if (option == "--form") {
    using enum ArrayFileForm;
    if (value == "text") {
      whole.forms = {kText};
    } else if (value == "binary") {
      whole.forms = {kBinary};
    } else if (value == "dat") {
      whole.forms = {kImage};
    } else if (value == "mixed") {
      whole.forms = {kText, kOldText, kBinary};
    } else if (value == "mixed-dat") {
      whole.forms = {kText, kOldText, kBinary, kImage};
    } else {
      return "unknown form '" + std::string(value) + "'";
    }
  } else if (option == "--bad-array") {
    if (!ParseWhole(value, 1, 999, number)) return "--bad-array takes an array number";
    whole.group.badArray = static_cast<int>(number) - 1;
  } else if (option == "--duplicate-tag") {
    if (!ParseWhole(value, 2, 999, number)) return "--duplicate-tag takes 2 to 999";
    whole.duplicateTag = static_cast<int>(number) - 1;
  } else if (option == "--undated") {
    if (!ParseArrayNumbers(value, whole.undated))
      return "--undated takes array numbers joined by commas";
  } else if (option == "--out") {
    args.out = value;
  } else if (option == "--settings-home") {
    args.settingsHome = value;
  } else {
    return OptionRefusal::Unknown();
  }
  return {};
}

}  // namespace

int RunGroupCommand(int argc, char** argv) {
  GroupArguments args;
  const std::optional<int> ended = WalkOptions(
      argc, argv, {"--no-calls", "--whole"},
      [&](std::string_view flag) {
        if (flag == "--no-calls") {
          args.group.calls = false;
        } else {
          args.group.distinctScanTimes = true;
          args.group.sideFiles = true;
        }
      },
      [](std::FILE* to) { std::fputs(kGroupUsage, to); },
      [&](std::string_view option, std::string_view value) {
        return TakeOption(args, option, value);
      });
  if (ended) return *ended;
  if (!args.settingsHome.empty() && !args.group.sideFiles)
    return Fail("--settings-home needs --whole");

  std::string error;
  const std::optional<WholeGroupTruth> truth = MakeWholeGroup(args.group, &error);
  if (!truth) return Fail(error);
  std::vector<std::string> written;
  const bool done = WriteWholeGroup(*truth, args.out, written, &error);
  for (const std::string& path : written) std::printf("%s\n", path.c_str());
  if (!done) return Fail(error);
  if (!args.settingsHome.empty() &&
      !WriteOpeningSettings(*truth, args.out, args.settingsHome, &error))
    return Fail(error);
  return 0;
}

}  // namespace synth

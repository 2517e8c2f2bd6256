// zelko-synth group: the arrays of a synthetic group as cell files, each with its result
// text file (expression chips) or genotype-call file (SNP chips), and a listing of the
// brightness curves and changed probe sets they were made with.
#include "tools/synth/group_command.hpp"
#include "tools/synth/command_line.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/result_writers.hpp"

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
    "  --form F          text | binary cell files (default text)\n"
    "  --no-calls        leave out the text files of calls\n"
    "  --out DIR         output folder (default .)\n";

// Three digits of the array number and a sub-array letter.
constexpr std::size_t kArrayNameSuffix = 4;

struct GroupArguments {
  ChipOptions chip;
  ArrayGroupOptions group;
  std::string name = "group";
  CelForm form = CelForm::kText;
  bool calls = true;
  std::string out = ".";
};

// Parses one option with its value; an empty text when it was taken, else the reason.
std::string TakeOption(GroupArguments& args, std::string_view option, std::string_view value) {
  long long number = 0;
  double real = 0.0;
  std::string problem;
  const OptionResult shape = TakeChipShapeOption(option, value, "--chip-seed", args.chip, problem);
  if (shape == OptionResult::kBad) return problem;
  if (shape == OptionResult::kTaken) return {};
  if (option == "--arrays") {
    if (!ParseWhole(value, 1, 999, number)) return "--arrays takes 1 to 999";
    args.group.arrays = static_cast<int>(number);
  } else if (option == "--seed") {
    if (!ParseWhole(value, 0, INT64_MAX, number)) return "--seed takes a whole number";
    args.group.seed = static_cast<std::uint64_t>(number);
  } else if (option == "--noise") {
    if (!ParseReal(value, 0.0, 1.0, real)) return "--noise takes 0 to 1";
    args.group.noise = real;
  } else if (option == "--changed") {
    if (!ParseWhole(value, 0, 100, number)) return "--changed takes 0 to 100";
    args.group.changedPercent = static_cast<int>(number);
  } else if (option == "--name") {
    // Room for the array number and the sub-array letter in the array's name.
    if (value.size() + kArrayNameSuffix > kLongestArrayName || !IsUsableArrayName(value))
      return "--name takes 1 to " + std::to_string(kLongestArrayName - kArrayNameSuffix) +
             " letters, digits, '_' or '-'";
    args.name = value;
  } else if (option == "--form") {
    if (value != "text" && value != "binary") return "unknown form '" + std::string(value) + "'";
    args.form = value == "text" ? CelForm::kText : CelForm::kBinary;
  } else if (option == "--out") {
    args.out = value;
  } else {
    return "unknown option " + std::string(option) + " (see zelko-synth group --help)";
  }
  return {};
}

std::string Numbered(const std::string& stem, int index, int count) {
  char digits[8];
  std::snprintf(digits, sizeof digits, count > 99 ? "%03d" : "%02d", index);
  return stem + digits;
}

std::string CurveListing(const ChipTruth& chip, const ArrayGroupTruth& group,
                         const std::string& name) {
  std::string text = "array\tscale\tpower\toffset\n";
  char line[160];
  for (std::size_t a = 0; a < group.arrays.size(); ++a) {
    const BrightnessCurve& curve = group.arrays[a].curve;
    std::snprintf(
        line, sizeof line, "%s\t%.9g\t%.9g\t%.9g\n",
        Numbered(name, static_cast<int>(a) + 1, static_cast<int>(group.arrays.size())).c_str(),
        curve.scale, curve.power, curve.offset);
    text += line;
  }
  text += "\narray\tprobe set\tfold\n";
  for (std::size_t a = 0; a < group.arrays.size(); ++a) {
    for (std::size_t u = 0; u < chip.units.size(); ++u) {
      if (!group.Changed(static_cast<int>(a), static_cast<int>(u))) continue;
      std::snprintf(line, sizeof line, "%d\t%s\t%.9g\n", static_cast<int>(a) + 1,
                    chip.units[u].name.c_str(), group.arrays[a].fold[u]);
      text += line;
    }
  }
  return text;
}

}  // namespace

int RunGroupCommand(int argc, char** argv) {
  GroupArguments args;
  const std::optional<int> ended = WalkOptions(
      argc, argv, "--no-calls", [&] { args.calls = false; },
      [] { std::fputs(kGroupUsage, stdout); },
      [&](std::string_view option, std::string_view value) {
        return TakeOption(args, option, value);
      });
  if (ended) return *ended;

  std::string error;
  const std::optional<ChipTruth> chip = MakeChip(args.chip, &error);
  if (!chip) return Fail(error);
  const ArrayGroupTruth group = MakeArrayGroup(*chip, args.group);
  const int count = args.group.arrays;
  for (int a = 0; a < count; ++a) {
    const std::string stem = Numbered(args.name, a + 1, count);
    // Groups of SNP kind 1 open only the files of sub-array B.
    const std::string arrayName = chip->arrayType == 1 ? stem + "B" : stem;
    const ArrayTruth scanned = ScannedArray(*chip, group, a, arrayName);
    const std::string celPath = platform::JoinPath(args.out, CelFileName(scanned));
    if (!WriteCel(scanned, args.form, celPath)) return Fail("cannot write " + celPath);
    std::printf("%s\n", celPath.c_str());
    if (!args.calls) continue;

    const std::string textPath = platform::JoinPath(args.out, stem + ".txt");
    bool written = false;
    if (chip->arrayType == 0) {
      std::vector<char> calls;
      std::vector<double> signals;
      ResultsOf(group, a, calls, signals);
      written = WriteResultText(*chip, calls, signals, textPath);
    } else {
      const GenotypeForm form =
          chip->arrayType == 1 ? GenotypeForm::kAllelePairs : GenotypeForm::kCallWords;
      written = WriteGenotypeCalls(
          *chip, MakeGenotypes(*chip, args.group.seed + static_cast<std::uint64_t>(a)), textPath,
          form);
    }
    if (!written) return Fail("cannot write " + textPath);
    std::printf("%s\n", textPath.c_str());
  }
  const std::string listing = CurveListing(*chip, group, args.name);
  const std::string listingPath = platform::JoinPath(args.out, args.name + ".curves.txt");
  if (!platform::WriteWholeFile(
          listingPath,
          std::span(reinterpret_cast<const std::uint8_t*>(listing.data()), listing.size())))
    return Fail("cannot write " + listingPath);
  std::printf("%s\n", listingPath.c_str());
  return 0;
}

}  // namespace synth

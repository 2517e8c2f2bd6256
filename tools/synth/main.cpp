// zelko-synth: writes synthetic test data from a known model. The "chip" subcommand
// writes a chip description in the forms asked for; "cel" and "dat" write scanned arrays
// of such a chip as cell intensity files or scanner images; "group" writes a group of
// arrays with known brightness curves and the text files of their calls.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/chip_writers.hpp"
#include "tools/synth/command_line.hpp"
#include "tools/synth/expected_layout.hpp"
#include "tools/synth/genome_command.hpp"
#include "tools/synth/group_command.hpp"

namespace {

constexpr const char* kUsage =
    "usage: zelko-synth <command> [options]\n"
    "\n"
    "commands:\n"
    "  chip    write a synthetic chip description\n"
    "  cel     write scanned arrays of a synthetic chip as cell intensity (CEL) files\n"
    "  dat     write scanned arrays of a synthetic chip as scanner images (DAT files)\n"
    "  group   write a group of arrays with known brightness curves, and their calls\n"
    "  genome  write genome information, refGene, cytoband and SNP information files, and on\n"
    "          a SNP chip a genome study: reference genotypes, arrays, sibling pairs\n"
    "\n"
    "Run 'zelko-synth <command> --help' for a command's options.\n";

constexpr const char* kChipUsage =
    "usage: zelko-synth chip [options]\n"
    "\n"
    "Writes one chip in each form asked for, into the output folder, under the names the\n"
    "readers expect (chip type, '.cdf', '.pgf', probe tab and mask names).\n"
    "\n"
    "options:\n"
    "  --kind K          expression | pm-only | exon | snp1 | snp2 | snp3 | snp3-rotated\n"
    "                    (default expression)\n"
    "  --dim N           cells per side, 2 to 8192 (default 20)\n"
    "  --units N         number of probe sets (default 10)\n"
    "  --pairs MIN-MAX   probe pairs per probe set (default: fitted to the chip)\n"
    "  --seed N          seed of the generator (default 1)\n"
    "  --chip-type NAME  chip type instead of the kind's own\n"
    "  --custom          a custom chip description (the marker in its file name)\n"
    "  --text-version N  version of the text chip description, 1 to 3 (default 2)\n"
    "  --out DIR         output folder (default .)\n"
    "  --forms LIST      comma-separated: text-cdf, binary-cdf, pgf, probe-tab, mask, truth\n"
    "                    (default text-cdf); text-cdf and binary-cdf share one file name,\n"
    "                    so the binary one is written with '.bin.cdf' in front when both\n"
    "                    are asked for\n";

constexpr const char* kArrayUsage =
    "usage: zelko-synth %s [options]\n"
    "\n"
    "Writes scanned arrays of the chip that 'zelko-synth chip' makes from the same kind,\n"
    "size, probe sets and seed, as '<name>NN%s' files in the output folder ('<name>NNB'\n"
    "on SNP chips of kind 1, whose groups open sub-array B only).\n"
    "\n"
    "chip options (as for 'zelko-synth chip'):\n"
    "  --kind K            expression | pm-only | exon | snp1 | snp2 | snp3 | snp3-rotated\n"
    "  --dim N             cells per side, 2 to 8192 (default 20)\n"
    "  --units N           number of probe sets (default 10)\n"
    "  --chip-seed N       the chip's seed (default 1)\n"
    "  --chip-type NAME    chip type instead of the kind's own\n"
    "array options:\n"
    "  --arrays N          number of arrays, 1 to 999 (default 1)\n"
    "  --name NAME         file name stem: letters, digits, '_', '-' (default array)\n"
    "  --seed N            seed of the first array; the next ones count up (default 1)\n"
    "  --scan-time T       'MM/DD/YY hh:mm:ss' (one array only; default from the seed)\n"
    "  --brightness B      scale of the first array; the next ones vary by 10%% steps\n"
    "                      (default 1)\n"
    "  --background B      level added to every cell (default 80)\n"
    "  --saturated N, --outliers N, --masked N   special cells per array (3, 3, 4)\n"
    "  --truth             also write '<name>NN.truth.txt' with every cell's truth\n"
    "  --out DIR           output folder (default .)\n"
    "%s";

constexpr const char* kCelOptions =
    "cel options:\n"
    "  --form F            text | old-text | binary (default text)\n";
constexpr const char* kDatOptions =
    "dat options:\n"
    "  --pixels-per-cell N side of a cell's square of pixels, 3 to 64 (default 8)\n"
    "  --margin N          pixels around the cell grid (default 10)\n";

constexpr std::string_view kChipForms[] = {"text-cdf",  "binary-cdf", "pgf",
                                           "probe-tab", "mask",       "truth"};

struct Arguments {
  synth::ChipOptions chip;
  std::string out = ".";
  std::vector<std::string> forms = {"text-cdf"};
  int textVersion = 2;
};

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    const std::size_t comma = std::min(text.find(',', begin), text.size());
    if (comma > begin) items.emplace_back(text.substr(begin, comma - begin));
    begin = comma + 1;
  }
  return items;
}

int RunChip(int argc, char** argv) {
  Arguments args;
  const std::optional<int> ended = synth::WalkOptions(
      argc, argv, "--custom", [&] { args.chip.custom = true; },
      [](std::FILE* to) { std::fputs(kChipUsage, to); },
      [&](std::string_view option, std::string_view value) -> synth::OptionRefusal {
        long long number = 0;
        std::string problem;
        const auto shape = synth::TakeChipShapeOption(option, value, "--seed", args.chip, problem);
        if (shape == synth::OptionResult::kBad) return std::string(problem);
        if (shape == synth::OptionResult::kTaken) return std::string();
        if (option == "--pairs") {
          const std::size_t dash = value.find('-');
          long long low = 0;
          long long high = 0;
          if (dash == std::string_view::npos ||
              !synth::ParseWhole(value.substr(0, dash), 1, 1000, low) ||
              !synth::ParseWhole(value.substr(dash + 1), low, 1000, high))
            return std::string("--pairs takes MIN-MAX");
          args.chip.minPairs = static_cast<int>(low);
          args.chip.maxPairs = static_cast<int>(high);
        } else if (option == "--text-version") {
          if (!synth::ParseWhole(value, 1, 3, number))
            return std::string("--text-version takes 1 to 3");
          args.textVersion = static_cast<int>(number);
        } else if (option == "--out") {
          args.out = value;
        } else if (option == "--forms") {
          args.forms = SplitList(value);
          // Refused before any file is written.
          for (const std::string& form : args.forms)
            if (std::find(std::begin(kChipForms), std::end(kChipForms), form) ==
                std::end(kChipForms))
              return "unknown form '" + form + "'";
        } else {
          return synth::OptionRefusal::Unknown();
        }
        return std::string();
      });
  if (ended) return *ended;

  std::string error;
  const std::optional<synth::ChipTruth> chip = synth::MakeChip(args.chip, &error);
  if (!chip) return synth::Fail(error);
  const auto asked = [&](std::string_view form) {
    return std::find(args.forms.begin(), args.forms.end(), form) != args.forms.end();
  };
  if (asked("pgf") && !chip->pmOnly)
    return synth::Fail("probe group files hold perfect-match-only chips (pm-only, exon)");
  const bool both = asked("text-cdf") && asked("binary-cdf");
  for (const std::string& form : args.forms) {
    bool written = false;
    std::string path;
    if (form == "text-cdf") {
      path = platform::JoinPath(args.out, synth::FileNameFor(*chip, synth::ChipForm::kTextCdf));
      written = synth::WriteTextCdf(*chip, path, args.textVersion);
    } else if (form == "binary-cdf") {
      std::string name = synth::FileNameFor(*chip, synth::ChipForm::kBinaryCdf);
      if (both) name.insert(name.size() - 4, ".bin");
      path = platform::JoinPath(args.out, name);
      written = synth::WriteBinaryCdf(*chip, path);
    } else if (form == "pgf") {
      path = platform::JoinPath(args.out, synth::FileNameFor(*chip, synth::ChipForm::kPgf));
      written = synth::WritePgf(*chip, path);
    } else if (form == "probe-tab") {
      path = platform::JoinPath(args.out, synth::FileNameFor(*chip, synth::ChipForm::kProbeTab));
      written = synth::WriteProbeTab(synth::MakeProbeTab(*chip, args.chip.seed, false), path);
    } else if (form == "mask") {
      path = platform::JoinPath(args.out, synth::FileNameFor(*chip, synth::ChipForm::kMask));
      written = synth::WriteMask(synth::MakeMask(*chip, args.chip.seed), path);
    } else {  // truth, the forms having been checked
      path = platform::JoinPath(args.out, synth::FileNameFor(*chip, synth::ChipForm::kTruth));
      written = synth::WriteTruth(*chip, path);
    }
    if (!written) return synth::Fail(platform::WithSystemReason("cannot write " + path, errno));
    std::printf("%s\n", path.c_str());
  }
  return 0;
}

struct ArrayArguments {
  synth::ChipOptions chip;
  synth::ArrayOptions array;
  std::string name = "array";
  int arrays = 1;
  bool truth = false;
  std::string out = ".";
  synth::CelForm form = synth::CelForm::kText;
  synth::DatOptions dat;
};

// Two digits for up to 99 arrays, three beyond.
std::string ArrayName(const std::string& stem, int index, int count) {
  char digits[8];
  std::snprintf(digits, sizeof digits, count > 99 ? "%03d" : "%02d", index);
  return stem + digits;
}

int RunArrays(int argc, char** argv, bool scannerImages) {
  const char* command = scannerImages ? "dat" : "cel";
  ArrayArguments args;
  const std::optional<int> ended = synth::WalkOptions(
      argc, argv, "--truth", [&] { args.truth = true; },
      [&](std::FILE* to) {
        std::fprintf(to, kArrayUsage, command, scannerImages ? ".DAT" : ".CEL",
                     scannerImages ? kDatOptions : kCelOptions);
      },
      [&](std::string_view option, std::string_view value) -> synth::OptionRefusal {
        long long number = 0;
        double real = 0;
        std::string problem;
        const auto shape =
            synth::TakeChipShapeOption(option, value, "--chip-seed", args.chip, problem);
        if (shape == synth::OptionResult::kBad) return std::string(problem);
        if (shape == synth::OptionResult::kTaken) return std::string();
        if (option == "--arrays") {
          if (!synth::ParseWhole(value, 1, 999, number))
            return std::string("--arrays takes 1 to 999");
          args.arrays = static_cast<int>(number);
        } else if (option == "--name") {
          args.name = value;
        } else if (option == "--seed") {
          if (!synth::ParseWhole(value, 0, INT64_MAX - 1000, number))
            return std::string("--seed takes a whole number");
          args.array.seed = static_cast<std::uint64_t>(number);
        } else if (option == "--scan-time") {
          args.array.scanTime = value;
        } else if (option == "--brightness") {
          if (!synth::ParseReal(value, 1e-3, 1e3, real))
            return std::string("--brightness takes 0.001 to 1000");
          args.array.brightness = real;
        } else if (option == "--background") {
          if (!synth::ParseReal(value, 0, 30000, real))
            return std::string("--background takes 0 to 30000");
          args.array.background = real;
        } else if (option == "--saturated" || option == "--outliers" || option == "--masked") {
          if (!synth::ParseWhole(value, 0, 1000000, number))
            return std::string(std::string(option) + " takes a count");
          int& count = option == "--saturated"  ? args.array.saturatedCells
                       : option == "--outliers" ? args.array.outlierCells
                                                : args.array.maskedCells;
          count = static_cast<int>(number);
        } else if (option == "--out") {
          args.out = value;
        } else if (!scannerImages && option == "--form") {
          if (value == "text") {
            args.form = synth::CelForm::kText;
          } else if (value == "old-text") {
            args.form = synth::CelForm::kOldText;
          } else if (value == "binary") {
            args.form = synth::CelForm::kBinary;
          } else {
            return std::string("unknown form '" + std::string(value) + "'");
          }
        } else if (scannerImages && option == "--pixels-per-cell") {
          if (!synth::ParseWhole(value, 3, 64, number))
            return std::string("--pixels-per-cell takes 3 to 64");
          args.dat.pixelsPerCell = static_cast<int>(number);
        } else if (scannerImages && option == "--margin") {
          if (!synth::ParseWhole(value, 0, 1000, number))
            return std::string("--margin takes 0 to 1000");
          args.dat.margin = static_cast<int>(number);
        } else {
          return synth::OptionRefusal::Unknown();
        }
        return std::string();
      });
  if (ended) return *ended;
  if (args.arrays > 1 && !args.array.scanTime.empty())
    return synth::Fail("--scan-time names the scan of one array only");

  std::string error;
  const std::optional<synth::ChipTruth> chip = synth::MakeChip(args.chip, &error);
  if (!chip) return synth::Fail(error);
  const double brightness = args.array.brightness;
  const std::uint64_t firstSeed = args.array.seed;
  for (int a = 0; a < args.arrays; ++a) {
    synth::ArrayOptions options = args.array;
    options.name = ArrayName(args.name, a + 1, args.arrays);
    // Groups of SNP kind 1 open only the files of sub-array B.
    if (chip->arrayType == 1) options.name += 'B';
    options.seed = firstSeed + static_cast<std::uint64_t>(a);
    options.brightness = brightness * (1.0 + 0.1 * (a % 5));
    const std::optional<synth::ArrayTruth> array = synth::MakeArray(*chip, options, &error);
    if (!array) return synth::Fail(error);
    std::string path;
    bool written = false;
    if (scannerImages) {
      args.dat.seed = options.seed;
      const std::optional<synth::DatImage> image = synth::MakeDatImage(*array, args.dat, &error);
      if (!image) return synth::Fail(error);
      path = platform::JoinPath(args.out, synth::DatFileName(*array));
      written = synth::WriteDat(*array, *image, path);
    } else {
      path = platform::JoinPath(args.out, synth::CelFileName(*array));
      written = synth::WriteCel(*array, args.form, path);
    }
    if (!written) return synth::Fail(platform::WithSystemReason("cannot write " + path, errno));
    std::printf("%s\n", path.c_str());
    if (!args.truth) continue;
    path = platform::JoinPath(args.out, array->name + ".truth.txt");
    if (!synth::WriteArrayTruth(*array, path))
      return synth::Fail(platform::WithSystemReason("cannot write " + path, errno));
    std::printf("%s\n", path.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h") {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (std::string_view(argv[1]) == "chip") return RunChip(argc, argv);
  if (std::string_view(argv[1]) == "cel") return RunArrays(argc, argv, false);
  if (std::string_view(argv[1]) == "dat") return RunArrays(argc, argv, true);
  if (std::string_view(argv[1]) == "group") return synth::RunGroupCommand(argc, argv);
  if (std::string_view(argv[1]) == "genome") return synth::RunGenomeCommand(argc, argv);
  return synth::Fail("unknown command '" + std::string(argv[1]) + "'\n" + kUsage);
}

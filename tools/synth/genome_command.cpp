#include "tools/synth/genome_command.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/path.hpp"
#include "tools/synth/command_line.hpp"
#include "tools/synth/genome_files.hpp"

namespace synth {

namespace {

constexpr const char* kGenomeUsage =
    "usage: zelko-synth genome --out DIR [options]\n"
    "\n"
    "Writes genome_info.txt, refgene.txt and cytoband.txt into DIR for the units of the chip\n"
    "that the chip options make (the same options as the chip command), and snp_info.txt\n"
    "for a SNP chip. Prints each path written.\n"
    "\n"
    "options:\n"
    "  --out DIR          folder to write into (required)\n"
    "  --kind, --dim, --units, --chip-type, --chip-seed   the chip\n"
    "  --seed N           seed of the genome (default 1)\n"
    "  --refgenes N       refGene transcripts (default 500)\n";

struct GenomeArgs {
  ChipOptions chip;
  GenomeOptions genome;
  std::string out;
  int refGenes = 500;
};

std::string TakeOption(GenomeArgs& args, std::string_view option, std::string_view value) {
  std::string problem;
  switch (TakeChipShapeOption(option, value, "--chip-seed", args.chip, problem)) {
    case OptionResult::kTaken:
      return "";
    case OptionResult::kBad:
      return problem;
    case OptionResult::kNotMine:
      break;
  }
  long long number = 0;
  if (option == "--out") {
    args.out = std::string(value);
  } else if (option == "--seed") {
    if (!ParseWhole(value, 0, 1LL << 62, number)) return "--seed needs a whole number";
    args.genome.seed = static_cast<std::uint64_t>(number);
  } else if (option == "--refgenes") {
    if (!ParseWhole(value, 0, 1000000, number)) return "--refgenes needs 0 to 1000000";
    args.refGenes = static_cast<int>(number);
  } else {
    return "unknown option '" + std::string(option) + "'";
  }
  return "";
}

}  // namespace

int RunGenomeCommand(int argc, char** argv) {
  GenomeArgs args;
  const std::optional<int> ended = WalkOptions(
      argc, argv, "", [] {}, [] { std::fputs(kGenomeUsage, stdout); },
      [&](std::string_view option, std::string_view value) {
        return TakeOption(args, option, value);
      });
  if (ended) return *ended;
  if (args.out.empty()) return Fail("--out is required");
  std::string error;
  const std::optional<ChipTruth> chip = MakeChip(args.chip, &error);
  if (!chip) return Fail(error);
  std::vector<std::string> names;
  for (const ChipUnit& unit : chip->units) names.push_back(unit.name);
  args.genome.snpArray = chip->arrayType != 0;
  const GenomeTruth genome = MakeGenome(names, args.genome);

  std::vector<std::pair<std::string, std::string>> files = {
      {"genome_info.txt", GenomeInfoText(genome)},
      {"refgene.txt", RefGeneText(MakeRefGenes(genome, args.refGenes, args.genome.seed + 1))},
      {"cytoband.txt", CytobandText(MakeCytobands(genome, 3))}};
  if (genome.snpArray)
    files.emplace_back("snp_info.txt", SnpInfoText(MakeSnpInfo(names, args.genome.seed + 2)));
  for (const auto& [name, text] : files) {
    const std::string path = platform::JoinPath(args.out, name);
    if (!WriteText(path, text)) return Fail("cannot write '" + path + "'");
    std::printf("%s\n", path.c_str());
  }
  return 0;
}

}  // namespace synth

#include "tools/synth/genome_command.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/path.hpp"
#include "tools/synth/command_line.hpp"
#include "tools/synth/genome_files.hpp"
#include "tools/synth/genome_study_files.hpp"

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
    "  --refgenes N       refGene transcripts (default 500)\n"
    "\n"
    "a genome study on a SNP chip (markers: the units placed on a chromosome; units off the\n"
    "genome are no calls):\n"
    "  --reference N      reference_genotypes.txt: the calls of N normal samples (up to 1000),\n"
    "                     and reference_genotypes.truth.txt: each SNP's calls, heterozygous\n"
    "                     calls and their rate\n"
    "  --normals N        a group of N normal arrays (0 to 200, default 0) with the tumours\n"
    "                     below; each tumour loses one copy over a stretch of one chromosome\n"
    "                     and gains to three or four over a stretch of the next\n"
    "  --pairs N          tumours paired with the first N normals (default 0)\n"
    "  --singles N        tumours without a normal (0 to 200, default 0)\n"
    "  --males N          the first N normals (and their tumours) are male, one X (default 0)\n"
    "                     The group: '<array>.txt' genotype calls per array (N0.., T0..,\n"
    "                     S0..; kind-1 arrays named with B), snpgroup.arrays.txt (array\n"
    "                     list), snpgroup.samples.txt (sample information), snpgroup.data.txt\n"
    "                     (external data: per array A signal, call, B signal) and\n"
    "                     snpgroup.truth.txt (per array and marker: copies, lost, call)\n"
    "  --siblings N       N sibling pairs (0 to 200) sharing 0, 1 or 2 alleles over planted\n"
    "                     stretches, drawn from the Caucasian allele frequencies:\n"
    "                     'Sib<P>a.txt', 'Sib<P>b.txt' genotype calls, siblings.arrays.txt\n"
    "                     (each pair a sample group), siblings.data.txt (external data:\n"
    "                     calls alone) and siblings.truth.txt (per pair and marker:\n"
    "                     frequency, alleles shared, both calls)\n"
    "  --enu N            an ENU cross of N offspring (0 to 500) of a mutated and a\n"
    "                     background strain, affected when homozygous for the mutated allele\n"
    "                     at a locus in the middle of the first chromosome: 'Mutated.txt',\n"
    "                     'Background.txt', 'F<G>_<K>.txt' genotype calls, enu.arrays.txt,\n"
    "                     enu.samples.txt (sample information: ENU, Affected) and\n"
    "                     enu.truth.txt (the locus, then per offspring and marker: genotype\n"
    "                     and call)\n"
    "  --enu-generation G the offspring's generation digit, 0 to 5 (default 2)\n";

struct GenomeArgs {
  ChipOptions chip;
  GenomeOptions genome;
  std::string out;
  int refGenes = 500;
  StudyOptions study;
};

// Counts of the study's samples: option, field, the most allowed.
struct CountOption {
  const char* option;
  int StudyOptions::*field;
  int most;
};
constexpr CountOption kCountOptions[] = {{"--reference", &StudyOptions::referenceSamples, 1000},
                                         {"--normals", &StudyOptions::normals, 200},
                                         {"--pairs", &StudyOptions::pairs, 200},
                                         {"--singles", &StudyOptions::singles, 200},
                                         {"--males", &StudyOptions::males, 200},
                                         {"--siblings", &StudyOptions::siblingPairs, 200},
                                         {"--enu", &StudyOptions::enuOffspring, 500},
                                         {"--enu-generation", &StudyOptions::enuGeneration, 5}};

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
    for (const CountOption& count : kCountOptions) {
      if (option != count.option) continue;
      if (!ParseWhole(value, 0, count.most, number))
        return std::string(option) + " needs 0 to " + std::to_string(count.most);
      args.study.*count.field = static_cast<int>(number);
      return "";
    }
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
  const StudyOptions& study = args.study;
  const bool studied = study.referenceSamples + study.normals + study.pairs + study.singles +
                           study.males + study.siblingPairs + study.enuOffspring >
                       0;
  if (studied && !args.genome.snpArray)
    return Fail(
        "--reference, --normals, --pairs, --singles, --males, --siblings and --enu need a SNP "
        "chip");
  if (study.pairs > study.normals) return Fail("--pairs cannot be more than --normals");
  if (study.males > study.normals) return Fail("--males cannot be more than --normals");
  const GenomeTruth genome = MakeGenome(names, args.genome);

  std::vector<std::pair<std::string, std::string>> files = {
      {"genome_info.txt", GenomeInfoText(genome)},
      {"refgene.txt", RefGeneText(MakeRefGenes(genome, args.refGenes, args.genome.seed + 1))},
      {"cytoband.txt", CytobandText(MakeCytobands(genome, 3))}};
  std::vector<SnpInfoRow> snpInfo;
  if (genome.snpArray) {
    snpInfo = MakeSnpInfo(names, args.genome.seed + 2);
    files.emplace_back("snp_info.txt", SnpInfoText(snpInfo));
  }
  for (const auto& [name, text] : files) {
    const std::string path = platform::JoinPath(args.out, name);
    if (!WriteText(path, text)) return Fail("cannot write '" + path + "'");
    std::printf("%s\n", path.c_str());
  }
  if (!studied) return 0;
  StudyOptions options = study;
  options.seed = args.genome.seed;
  options.arrayType = chip->arrayType;
  std::vector<std::string> written;
  const bool done = WriteGenomeStudy(*chip, genome, snpInfo, options, args.out, written, error);
  for (const std::string& path : written) std::printf("%s\n", path.c_str());
  return done ? 0 : Fail(error);
}

}  // namespace synth

#include "tools/synth/genome_command.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/path.hpp"
#include "platform/system_error.hpp"
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
    "  --pedigree N       a pedigree whose couples have N children (1 to 12); its calls descend\n"
    "                     along the autosomes' genetic map (the X is no calls) with crossovers\n"
    "                     at one per Morgan, a disease locus planted at a marker: pedigree.txt "
    "(family, person, father,\n"
    "                     mother, sex, array, affection), '<array>.txt' genotype calls per\n"
    "                     typed person (F<family>P<person>), pedigree.arrays.txt,\n"
    "                     pedigree.samples.txt, pedigree.data.txt (external data: calls), and\n"
    "                     the truth: pedigree.truth.txt (per person and marker: founder\n"
    "                     alleles received, genotype, call), pedigree.founders.txt (map,\n"
    "                     frequencies, founder haplotypes), pedigree.meioses.txt (crossovers\n"
    "                     per meiosis and chromosome), pedigree.disease.txt (locus, carriers,\n"
    "                     affection)\n"
    "  --generations N    2: a couple and its children (default); 3: two couples of\n"
    "                     grandparents whose son and daughter are the parents\n"
    "  --families N       families in the pedigree file (1 to 50, default 1)\n"
    "  --disease MODE     recessive or dominant (default dominant)\n"
    "  --disease-freq R   disease allele frequency (default 0.1)\n"
    "  --penetrance R     chance that a carrier is affected (default 0.9)\n"
    "  --phenocopy R      chance that a non-carrier is affected (default 0.02)\n"
    "  --disease-chro C   chromosome name of the disease locus (default the first)\n"
    "  --min-affected N   affected persons each family is drawn to have (default 1)\n"
    "  --error-rate R     share of calls replaced by another genotype (default 0.01)\n"
    "  --no-call-rate R   share of calls missing (default 0.01)\n"
    "  --untyped P        percent of persons without an array (default 0)\n"
    "  --unknown-affection P  percent of persons of unknown affection (default 0)\n"
    "  --cm-per-mb R      genetic map scale of the genome (default 1.1)\n"
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
  std::string diseaseChromosome;
};

// The pedigree's real options: option, field, least and most allowed.
struct RealOption {
  const char* option;
  double PedigreePlan::*field;
  double least;
  double most;
};
constexpr RealOption kRealOptions[] = {{"--disease-freq", &PedigreePlan::diseaseFrequency, 0, 1},
                                       {"--penetrance", &PedigreePlan::penetrance, 0, 1},
                                       {"--phenocopy", &PedigreePlan::phenocopy, 0, 1},
                                       {"--error-rate", &PedigreePlan::errorRate, 0, 1},
                                       {"--no-call-rate", &PedigreePlan::noCallRate, 0, 1}};
// And its whole ones.
struct WholeOption {
  const char* option;
  int PedigreePlan::*field;
  int least;
  int most;
};
constexpr WholeOption kWholeOptions[] = {
    {"--pedigree", &PedigreePlan::children, 1, 12},
    {"--generations", &PedigreePlan::generations, 2, 3},
    {"--families", &PedigreePlan::families, 1, 50},
    {"--min-affected", &PedigreePlan::minAffected, 0, 1000},
    {"--untyped", &PedigreePlan::untypedPercent, 0, 100},
    {"--unknown-affection", &PedigreePlan::unknownAffectionPercent, 0, 100}};

// A pedigree option taken into the plan; nullopt when the option is not one of them.
std::optional<std::string> TakePedigreeOption(GenomeArgs& args, std::string_view option,
                                              std::string_view value) {
  PedigreePlan& plan = args.study.pedigree;
  for (const RealOption& real : kRealOptions) {
    if (option != real.option) continue;
    double number = 0;
    if (!ParseReal(value, real.least, real.most, number))
      return std::string(option) + " needs a number from 0 to 1";
    plan.*real.field = number;
    return "";
  }
  for (const WholeOption& whole : kWholeOptions) {
    if (option != whole.option) continue;
    long long number = 0;
    if (!ParseWhole(value, whole.least, whole.most, number))
      return std::string(option) + " needs " + std::to_string(whole.least) + " to " +
             std::to_string(whole.most);
    plan.*whole.field = static_cast<int>(number);
    if (option == "--pedigree") args.study.pedigreeStudy = true;
    return "";
  }
  if (option == "--disease") {
    if (value != "recessive" && value != "dominant") return "--disease needs recessive or dominant";
    plan.mode = value == "recessive" ? DiseaseMode::kRecessive : DiseaseMode::kDominant;
    return "";
  }
  if (option == "--disease-chro") {
    args.diseaseChromosome = std::string(value);
    return "";
  }
  if (option == "--cm-per-mb") {
    double number = 0;
    if (!ParseReal(value, 0, 1000, number)) return "--cm-per-mb needs 0 to 1000";
    args.genome.cmPerMb = static_cast<float>(number);
    return "";
  }
  return std::nullopt;
}

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

OptionRefusal TakeOption(GenomeArgs& args, std::string_view option, std::string_view value) {
  std::string problem;
  switch (TakeChipShapeOption(option, value, "--chip-seed", args.chip, problem)) {
    case OptionResult::kTaken:
      return "";
    case OptionResult::kBad:
      return problem;
    case OptionResult::kNotMine:
      break;
  }
  if (std::optional<std::string> pedigree = TakePedigreeOption(args, option, value))
    return *pedigree;
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
    return OptionRefusal::Unknown();
  }
  return "";
}

}  // namespace

int RunGenomeCommand(int argc, char** argv) {
  GenomeArgs args;
  const std::optional<int> ended = WalkOptions(
      argc, argv, "", [] {}, [](std::FILE* to) { std::fputs(kGenomeUsage, to); },
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
                           0 ||
                       study.pedigreeStudy;
  if (studied && !args.genome.snpArray)
    return Fail(
        "--reference, --normals, --pairs, --singles, --males, --siblings, --pedigree and --enu "
        "need a SNP chip");
  if (study.pairs > study.normals) return Fail("--pairs cannot be more than --normals");
  if (study.pedigreeStudy && study.pedigree.minAffected > 0) {
    const PedigreePlan& plan = study.pedigree;
    const int perFamily = plan.PersonsPerFamily();
    if (plan.minAffected > perFamily)
      return Fail("--min-affected cannot be more than the persons of a family (" +
                  std::to_string(perFamily) + ")");
    if (plan.penetrance == 0 && plan.phenocopy == 0)
      return Fail("--min-affected needs a penetrance or phenocopy above 0");
  }
  if (study.males > study.normals) return Fail("--males cannot be more than --normals");
  const GenomeTruth genome = MakeGenome(names, args.genome);
  int diseaseChromosome = 0;
  if (!args.diseaseChromosome.empty()) {
    const auto found =
        std::find(genome.chromosomes.begin(), genome.chromosomes.end(), args.diseaseChromosome);
    if (found == genome.chromosomes.end())
      return Fail("--disease-chro names no chromosome of the genome");
    diseaseChromosome = static_cast<int>(found - genome.chromosomes.begin());
  }

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
    if (!WriteText(path, text))
      return Fail(platform::WithSystemReason("cannot write '" + path + "'", errno));
    std::printf("%s\n", path.c_str());
  }
  if (!studied) return 0;
  StudyOptions options = study;
  options.seed = args.genome.seed;
  options.arrayType = chip->arrayType;
  options.diseaseChromosome = diseaseChromosome;
  std::vector<std::string> written;
  const bool done = WriteGenomeStudy(*chip, genome, snpInfo, options, args.out, written, error);
  for (const std::string& path : written) std::printf("%s\n", path.c_str());
  return done ? 0 : Fail(error);
}

}  // namespace synth

#include "tools/synth/genome_reference.hpp"

#include "tools/synth/random.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {

namespace {

// One of the spellings of a code.
std::string_view Spelling(std::uint8_t code, SynthRandom& random) {
  static constexpr std::string_view kAA[] = {"AA", "A"};
  static constexpr std::string_view kBB[] = {"BB", "B"};
  static constexpr std::string_view kAB[] = {"AB", "AG", "H", "AC"};
  static constexpr std::string_view kNone[] = {"NoCall", "-", "", "N"};
  switch (code) {
    case 0:
      return kAA[random.Between(0, 1)];
    case 1:
      return kBB[random.Between(0, 1)];
    case 2:
      return kAB[random.Between(0, 3)];
    default:
      return kNone[random.Between(0, 3)];
  }
}

// A name as a file may quote or pad it.
void WriteName(TextOut& out, const std::string& name, int line) {
  switch (line % 5) {
    case 1:
      out << '"' << name << '"';
      break;
    case 3:
      out << "  " << name << ' ';
      break;
    default:
      out << name;
  }
}

}  // namespace

ReferenceGenotypeTruth MakeReferenceGenotypes(const std::vector<std::string>& units,
                                              const ReferenceGenotypeOptions& options) {
  SynthRandom random(options.seed);
  ReferenceGenotypeTruth truth;
  truth.units = units;
  truth.options = options;
  truth.samples = options.samples;
  const std::size_t count = units.size();
  truth.inFile.assign(count, true);
  std::vector<double> het(count);
  for (std::size_t u = 0; u < count; ++u) {
    het[u] = 0.05 + 0.55 * random.Uniform();
    if (options.absentEvery > 0 && u % static_cast<std::size_t>(options.absentEvery) == 5)
      truth.inFile[u] = false;
  }
  truth.codes.assign(static_cast<std::size_t>(options.samples),
                     std::vector<std::uint8_t>(count, 3));
  for (auto& row : truth.codes) {
    bool previousHet = false;
    for (std::size_t u = 0; u < count; ++u) {
      const bool isHet = u > 0 && random.Uniform() < options.keepZygosity
                             ? previousHet
                             : random.Uniform() < het[u];
      previousHet = isHet;
      const std::uint8_t code = isHet ? 2 : static_cast<std::uint8_t>(random.Between(0, 1));
      if (!truth.inFile[u] || random.Chance(options.noCallPercent)) continue;
      row[u] = code;
    }
  }
  // Sparse SNPs keep the calls of their first two called samples only.
  if (options.sparseEvery > 0) {
    for (std::size_t u = 0; u < count; ++u) {
      if (u % static_cast<std::size_t>(options.sparseEvery) != 3) continue;
      int called = 0;
      for (auto& row : truth.codes) {
        if (row[u] <= 2 && ++called > 2) row[u] = 3;
      }
    }
  }
  for (std::size_t u = 0; u < count; ++u) truth.linesFound += truth.inFile[u] ? 1 : 0;
  truth.lines = truth.linesFound + options.unknownLines;
  return truth;
}

bool WriteReferenceGenotypes(const ReferenceGenotypeTruth& truth, const std::string& path) {
  const ReferenceGenotypeOptions& options = truth.options;
  SynthRandom random(options.seed ^ 0x5eedULL);
  TextOut out;
  out << "SNP";
  for (int s = 0; s < truth.samples; ++s) out << "\tNormal" << (s + 1);
  if (options.trailingColumns > 0) {
    out << '\t';
    for (int c = 0; c < options.trailingColumns; ++c) out << "\tExtra" << c;
  }
  out << '\n';
  const std::size_t count = truth.units.size();
  const std::size_t unknownStep =
      options.unknownLines > 0 ? count / static_cast<std::size_t>(options.unknownLines) + 1 : 0;
  int line = 0;
  int unknown = 0;
  for (std::size_t u = 0; u < count; ++u) {
    if (unknownStep > 0 && u % unknownStep == 0 && unknown < options.unknownLines) {
      out << "NOT_ON_ARRAY_" << unknown++;
      for (int s = 0; s < truth.samples; ++s) out << "\tAB";
      out << '\n';
    }
    if (!truth.inFile[u]) continue;
    WriteName(out, truth.units[u], ++line);
    for (int s = 0; s < truth.samples; ++s)
      out << '\t' << Spelling(truth.codes[static_cast<std::size_t>(s)][u], random);
    if (options.trailingColumns > 0) {
      out << '\t';
      for (int c = 0; c < options.trailingColumns; ++c) out << "\tAB";
    }
    out << '\n';
  }
  while (unknown < options.unknownLines) out << "NOT_ON_ARRAY_" << unknown++ << "\tAA\n";
  return out.SaveTo(path);
}

}  // namespace synth

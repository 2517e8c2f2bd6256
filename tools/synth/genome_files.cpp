#include "tools/synth/genome_files.hpp"

#include <algorithm>
#include <charconv>

#include "tools/synth/random.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {

namespace {

// The shortest text that reads back as the same float.
void AppendFloat(std::string& out, float value) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendOptional(std::string& out, float value) {
  if (value != -1.0f) AppendFloat(out, value);
}

}  // namespace

float GeneticPositionCm(const GenomeTruth& genome, int pos) {
  return static_cast<float>(pos) * 1e-6f * genome.cmPerMb;
}

GenomeTruth MakeGenome(const std::vector<std::string>& probeSets, const GenomeOptions& options) {
  SynthRandom random(options.seed);
  GenomeTruth truth;
  truth.chromosomes = options.chromosomes;
  truth.lengths = options.lengths;
  truth.snpArray = options.snpArray;
  truth.cmPerMb = options.cmPerMb;
  const int chromosomes =
      static_cast<int>(std::min(options.chromosomes.size(), options.lengths.size()));
  for (std::size_t i = 0; i < probeSets.size(); ++i) {
    GenomeUnit unit;
    unit.name = probeSets[i];
    unit.listed = !random.Chance(options.omittedShare);
    if (chromosomes > 0) {
      unit.chro = random.Between(0, chromosomes - 1);
      const int length = options.lengths[static_cast<std::size_t>(unit.chro)];
      unit.pos = random.Between(1, std::max(1, length - 1));
      unit.contig = random.Chance(options.contigShare);
      if (random.Chance(options.unmappedShare)) unit.pos = -1;
    }
    unit.strand = random.Chance(50) ? '+' : '-';
    if (options.snpArray) {
      unit.text = "rs" + std::to_string(100000 + static_cast<int>(i));
      if (unit.pos >= 0 && random.Chance(80)) unit.secondCm = GeneticPositionCm(truth, unit.pos);
      for (float& rate : unit.ratePercent)
        if (random.Chance(90)) rate = static_cast<float>(random.Between(0, 1000)) / 10.0f;
    } else {
      unit.text = "q" + std::to_string(random.Between(11, 35));
    }
    truth.units.push_back(std::move(unit));
  }
  for (int k = 0; k < options.unknownRows; ++k)
    truth.unknownNames.push_back("UNKNOWN_" + std::to_string(k));
  return truth;
}

std::string GenomeInfoText(const GenomeTruth& truth) {
  std::string text = "Probe Set\tchromosome\tStart\tEnd\tStrand\tCytoband";
  text += truth.snpArray ? "\tdbSNP\tHet Rate\tHom Hom\tHet Het\n" : "\n";
  for (const GenomeUnit& unit : truth.units) {
    if (!unit.listed) continue;
    text += unit.name;
    text += '\t';
    if (unit.chro >= 0) {
      text += "chr" + truth.chromosomes[static_cast<std::size_t>(unit.chro)];
      if (unit.contig) text += "_random";
    }
    text += '\t';
    if (unit.pos >= 0) text += std::to_string(unit.pos);
    text += '\t';
    if (truth.snpArray)
      AppendOptional(text, unit.secondCm);
    else if (unit.pos >= 0)
      text += std::to_string(unit.pos + 1000);
    text += '\t';
    text += unit.strand;
    text += '\t';
    text += unit.text;
    if (truth.snpArray) {
      text += '\t';
      text += unit.text;  // the skipped column
      for (const float rate : unit.ratePercent) {
        text += '\t';
        AppendOptional(text, rate);
      }
    }
    text += '\n';
  }
  for (const std::string& name : truth.unknownNames) text += name + "\tchr1\t100\t200\t+\tq11\n";
  return text;
}

std::vector<RefGeneRow> MakeRefGenes(const GenomeTruth& genome, int count, std::uint64_t seed) {
  SynthRandom random(seed);
  std::vector<RefGeneRow> rows;
  const int chromosomes =
      static_cast<int>(std::min(genome.chromosomes.size(), genome.lengths.size()));
  for (int i = 0; i < count && chromosomes > 0; ++i) {
    RefGeneRow row;
    row.name = "GENE" + std::to_string(i);
    row.geneId = 5000 + i;
    const int chro = random.Between(0, chromosomes - 1);
    row.chromosome = "chr" + genome.chromosomes[static_cast<std::size_t>(chro)];
    if (random.Chance(5))
      row.chromosome += "_random";
    else
      row.chro = chro;
    const int length = genome.lengths[static_cast<std::size_t>(chro)];
    row.start = random.Between(1, std::max(1, length - 20000));
    row.end = row.start + random.Between(1000, 20000);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string RefGeneText(const std::vector<RefGeneRow>& rows) {
  std::string text = "#bin\trefseq name\tlocus\tchrom\tstrand\ttxStart\ttxEnd\n";
  for (const RefGeneRow& row : rows) {
    text += "0\t" + row.name + '\t' + std::to_string(row.geneId) + '\t' + row.chromosome + "\t+\t" +
            std::to_string(row.start) + '\t' + std::to_string(row.end) + '\n';
  }
  return text;
}

std::vector<Cytoband> MakeCytobands(const GenomeTruth& genome, int bandsPerArm) {
  std::vector<Cytoband> bands;
  const int chromosomes =
      static_cast<int>(std::min(genome.chromosomes.size(), genome.lengths.size()));
  const int arms = std::max(bandsPerArm, 1);
  for (int c = 0; c < chromosomes; ++c) {
    const int length = genome.lengths[static_cast<std::size_t>(c)];
    const int count = 2 * arms;
    for (int b = 0; b < count; ++b) {
      Cytoband band;
      band.chromosome = "chr" + genome.chromosomes[static_cast<std::size_t>(c)];
      band.chro = c;
      band.start = static_cast<int>(static_cast<long long>(length) * b / count);
      band.end = static_cast<int>(static_cast<long long>(length) * (b + 1) / count);
      const bool p = b < arms;
      const int number = p ? arms - b : b - arms + 1;
      band.band = std::string(p ? "p" : "q") + std::to_string(number) + ".1";
      band.stain = (b == arms - 1 || b == arms) ? "acen" : (b % 2 == 0 ? "gneg" : "gpos50");
      bands.push_back(std::move(band));
    }
  }
  return bands;
}

std::string CytobandText(const std::vector<Cytoband>& bands) {
  std::string text;
  for (const Cytoband& band : bands)
    text += band.chromosome + '\t' + std::to_string(band.start) + '\t' + std::to_string(band.end) +
            '\t' + band.band + '\t' + band.stain + '\n';
  return text;
}

std::vector<SnpInfoRow> MakeSnpInfo(const std::vector<std::string>& probeSets, std::uint64_t seed) {
  SynthRandom random(seed);
  std::vector<SnpInfoRow> rows;
  for (std::size_t i = 0; i < probeSets.size(); ++i) {
    SnpInfoRow row;
    row.probeSet = probeSets[i];
    row.id = "rs" + std::to_string(200000 + static_cast<int>(i));
    if (random.Chance(70)) row.secondText = "TSC" + std::to_string(i);
    if (random.Chance(90)) row.fragmentLength = random.Between(200, 2000);
    for (float& frequency : row.frequency) {
      const int kind = random.Between(0, 19);
      if (kind == 0) continue;
      frequency = kind == 1   ? 0.0f
                  : kind == 2 ? 1.0f
                              : static_cast<float>(random.Between(1, 999)) / 1000.0f;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string SnpInfoText(const std::vector<SnpInfoRow>& rows) {
  std::string text =
      "Probe Set\tdbSNP\tSecond\tFragment Length Start Stop\tAsian\tAfrican American\tCaucasian\n";
  for (const SnpInfoRow& row : rows) {
    text += row.probeSet + '\t' + row.id + '\t' + row.secondText + '\t';
    if (row.fragmentLength >= 0) text += std::to_string(row.fragmentLength);
    for (const float frequency : row.frequency) {
      text += '\t';
      AppendOptional(text, frequency);
    }
    text += '\n';
  }
  return text;
}

}  // namespace synth

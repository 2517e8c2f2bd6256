// Gene stretch genomes with a known planted crowd.
#include "tools/synth/gene_stretch_data.hpp"

#include <algorithm>
#include <set>
#include <utility>

#include "tools/synth/random.hpp"

namespace synth {

std::vector<float> StretchGenome::ListedPositions(int chromosome) const {
  std::vector<float> positions;
  for (std::size_t g = 0; g < chro.size(); ++g)
    if (listed[g] && chro[g] == chromosome) positions.push_back(static_cast<float>(pos[g]));
  std::sort(positions.begin(), positions.end());
  return positions;
}

StretchGenome MakeStretchGenome(const StretchGenomeOptions& options) {
  SynthRandom random(options.seed);
  StretchGenome genome;
  const int chromosomes = std::max(1, options.chromosomes);
  long long total = 0;
  for (int k = 0; k < chromosomes; ++k) {
    const long long ramp =
        chromosomes > 1
            ? static_cast<long long>(options.longest - options.shortest) * k / (chromosomes - 1)
            : 0;
    genome.lengths.push_back(options.longest - static_cast<int>(ramp));
    total += genome.lengths.back();
  }
  const int genes = std::max(0, options.genes);
  const int listed = std::clamp(options.listed, 0, genes);
  const int planted = std::clamp(options.planted, 0, listed);
  genome.chro.resize(static_cast<std::size_t>(genes));
  genome.pos.resize(static_cast<std::size_t>(genes));
  genome.strand.resize(static_cast<std::size_t>(genes));
  genome.listed.assign(static_cast<std::size_t>(genes), false);

  // Which genes are listed, and which of those are planted: the first `planted` of a
  // shuffled list.
  std::vector<int> order(static_cast<std::size_t>(genes));
  for (int g = 0; g < genes; ++g) order[static_cast<std::size_t>(g)] = g;
  random.Shuffle(order);
  for (int k = 0; k < listed; ++k)
    genome.listed[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] = true;
  if (planted > 0) {
    genome.plantedChro = random.Between(0, chromosomes - 1);
    const int length = genome.lengths[static_cast<std::size_t>(genome.plantedChro)];
    const int span = std::clamp(options.plantedSpan, planted, length - 1);
    genome.plantedStart = random.Between(1, length - span);
    genome.plantedEnd = genome.plantedStart + span;
    genome.plantedGenes.assign(order.begin(), order.begin() + planted);
    std::sort(genome.plantedGenes.begin(), genome.plantedGenes.end());
  }

  // Positions: uniform over the whole genome (so chromosomes get genes by length), the
  // planted genes uniform in their window; every position distinct on its chromosome.
  std::set<std::pair<int, int>> taken;
  std::vector<bool> isPlanted(static_cast<std::size_t>(genes), false);
  for (const int g : genome.plantedGenes) isPlanted[static_cast<std::size_t>(g)] = true;
  for (int g = 0; g < genes; ++g) {
    const auto i = static_cast<std::size_t>(g);
    int c = 0;
    int p = 0;
    do {
      if (isPlanted[i]) {
        c = genome.plantedChro;
        p = random.Between(genome.plantedStart, genome.plantedEnd);
      } else {
        long long at = static_cast<long long>(random.Uniform() * static_cast<double>(total));
        c = 0;
        while (c + 1 < chromosomes && at >= genome.lengths[static_cast<std::size_t>(c)])
          at -= genome.lengths[static_cast<std::size_t>(c++)];
        p = std::clamp(static_cast<int>(at), 1, genome.lengths[static_cast<std::size_t>(c)]);
      }
    } while (!taken.insert({c, p}).second);
    genome.chro[i] = c;
    genome.pos[i] = p;
    genome.strand[i] = random.Chance(50) ? '+' : '-';
  }
  return genome;
}

std::string StretchChromosomeName(int chromosome) {
  if (chromosome == 22) return "X";
  if (chromosome == 23) return "Y";
  return std::to_string(chromosome + 1);
}

std::string StretchGenomeInfoText(const StretchGenome& genome,
                                  const std::vector<std::string>& names) {
  std::string text = "Probe Set\tchromosome\tStart\tEnd\tStrand\tCytoband\n";
  for (std::size_t g = 0; g < genome.chro.size() && g < names.size(); ++g) {
    text += names[g] + "\tchr" + StretchChromosomeName(genome.chro[g]) + "\t" +
            std::to_string(genome.pos[g]) + "\t" + std::to_string(genome.pos[g] + 1000) + "\t" +
            genome.strand[g] + "\t\n";
  }
  return text;
}

std::string StretchGeneListText(const StretchGenome& genome,
                                const std::vector<std::string>& names) {
  std::string text = "Probe set\n";
  for (std::size_t g = 0; g < genome.listed.size() && g < names.size(); ++g)
    if (genome.listed[g]) text += names[g] + "\n";
  return text;
}

}  // namespace synth

// A genome of genes spread uniformly over its chromosomes and a gene list drawn from them,
// optionally with a planted stretch: a run of listed genes crowded into a short window of
// one chromosome, far closer together than a uniform spread would put them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

struct StretchGenomeOptions {
  std::uint64_t seed = 1;
  int chromosomes = 24;
  int genes = 30'000;
  int listed = 2'000;  // listed genes, the planted ones included
  // Chromosome k is (k + 1)-th of a descending ramp from longest to shortest.
  int longest = 250'000'000;
  int shortest = 50'000'000;
  int planted = 0;  // listed genes put into the planted window; 0: none
  int plantedSpan = 100'000;
};

struct StretchGenome {
  std::vector<int> lengths;  // per chromosome (bp)
  // Per gene: chromosome, position (bp, whole, distinct on a chromosome), strand and
  // whether the list names it.
  std::vector<int> chro;
  std::vector<int> pos;
  std::vector<char> strand;
  std::vector<bool> listed;
  // The planted stretch: its chromosome (-1 none), window [start, end] and genes.
  int plantedChro = -1;
  int plantedStart = 0;
  int plantedEnd = 0;
  std::vector<int> plantedGenes;

  // Positions of the listed genes of a chromosome, ascending.
  std::vector<float> ListedPositions(int chromosome) const;
};

StretchGenome MakeStretchGenome(const StretchGenomeOptions& options);

// Human chromosome names by index: "1".."22", "X", "Y" (at most 24 chromosomes).
std::string StretchChromosomeName(int chromosome);
// The genome information file of the genes named in order: header "Probe
// Set\tchromosome\tStart\tEnd\tStrand\tCytoband", one row per gene with "chr" names.
std::string StretchGenomeInfoText(const StretchGenome& genome,
                                  const std::vector<std::string>& names);
// A gene list file of the listed genes: the header "Probe set", one name a line.
std::string StretchGeneListText(const StretchGenome& genome, const std::vector<std::string>& names);

}  // namespace synth

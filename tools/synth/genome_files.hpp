// Synthetic genome files with known truth: a small made-up genome of a few chromosomes
// on which the probe sets (or SNP markers) of a chip are placed, written as a genome
// information file; refGene-style transcripts on the same chromosomes; a cytoband table
// covering each chromosome; and the SNP information file of a SNP chip.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/synth/text_out.hpp"

namespace synth {

struct GenomeOptions {
  std::uint64_t seed = 1;
  // Chromosome names in index order ("1", "2", ..., "X") and their lengths (bp).
  std::vector<std::string> chromosomes = {"1", "2", "3", "X"};
  std::vector<int> lengths = {2'000'000, 1'500'000, 1'000'000, 800'000};
  bool snpArray = false;
  int unmappedShare = 5;  // percent of placed rows without a position
  int contigShare = 5;    // percent of rows on a "chrN_random" contig (chromosome N)
  int unknownRows = 0;    // rows naming probe sets not on the chip, at the end
  int omittedShare = 0;   // percent of probe sets left out of the file
  float cmPerMb = 1.1f;   // genetic positions of SNP arrays
};

struct GenomeUnit {
  std::string name;
  bool listed = true;   // a row of the file names it
  int chro = -1;        // chromosome index; -1 when not placed
  bool contig = false;  // written as chrN_random
  int pos = -1;         // bp; -1 written as an empty column
  float secondCm = -1;  // genetic position (SNP arrays), -1 written empty
  char strand = '+';
  std::string text;                              // cytoband or dbSNP identifier
  std::array<float, 3> ratePercent{-1, -1, -1};  // SNP arrays; -1 written empty
};

struct GenomeTruth {
  std::vector<std::string> chromosomes;
  std::vector<int> lengths;
  bool snpArray = false;
  std::vector<GenomeUnit> units;          // one per probe set, in chip order
  std::vector<std::string> unknownNames;  // rows not on the chip
  float cmPerMb = 1.1f;
};

// The genetic position (cM) of a place on the genome, whether the file gives it or not.
float GeneticPositionCm(const GenomeTruth& genome, int pos);

GenomeTruth MakeGenome(const std::vector<std::string>& probeSets, const GenomeOptions& options);
// Header "Probe Set\tchromosome\tStart\tEnd\tStrand\tCytoband" (SNP arrays add the dbSNP,
// genetic position and three rate columns), then one row per listed unit.
std::string GenomeInfoText(const GenomeTruth& truth);

struct RefGeneRow {
  std::string name;
  int geneId = -1;
  std::string chromosome;  // as written, "chr1", "chr2_random", ...
  int chro = -1;           // the index it maps to, -1 for a contig
  int start = 0;
  int end = 0;
};
// count transcripts on the genome's chromosomes, one in twenty on a contig.
std::vector<RefGeneRow> MakeRefGenes(const GenomeTruth& genome, int count, std::uint64_t seed);
std::string RefGeneText(const std::vector<RefGeneRow>& rows);

struct Cytoband {
  std::string chromosome;  // "chr1"
  int chro = 0;
  int start = 0;
  int end = 0;
  std::string band;  // "p11.2"
  std::string stain;
};
// bandsPerArm bands on each arm of every chromosome, the centromere bands stained "acen";
// the last band of a chromosome ends at its length.
std::vector<Cytoband> MakeCytobands(const GenomeTruth& genome, int bandsPerArm);
std::string CytobandText(const std::vector<Cytoband>& bands);

struct SnpInfoRow {
  std::string probeSet;
  std::string id;
  std::string secondText;
  int fragmentLength = -1;                     // -1 written empty
  std::array<float, 3> frequency{-1, -1, -1};  // -1 written empty; may be exactly 0 or 1
};
std::vector<SnpInfoRow> MakeSnpInfo(const std::vector<std::string>& probeSets, std::uint64_t seed);
// Header "Probe Set\tdbSNP\tSecond\tFragment Length Start Stop\tAsian\tAfrican
// American\tCaucasian".
std::string SnpInfoText(const std::vector<SnpInfoRow>& rows);

}  // namespace synth

// Stretches of a chromosome where the genes of the current gene list lie closer together
// than chance allows: for every run of 2 to 20 consecutive listed genes, the chance that a
// list of that chromosome's size spread uniformly would put as many genes into so short a
// piece of the chromosome.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "genome/info/genome_info.hpp"

inline constexpr int MAX_STRETCH = 150;
// A stretch holds at most this many listed genes.
inline constexpr int kMaxStretchGenes = 20;
// Gene names in the report are cut to this many characters.
inline constexpr int kStretchGeneNameLength = 30;

inline constexpr const char* kStretchStartMessage =
    "  Calculating p-values of the proximity of genes along a chromosome...\n";
inline constexpr const char* kStretchSummaryMessage =
    "  %d significant stretches found at %f level from %d p-value assessments";
inline constexpr const char* kStretchAllocationMessage =
    "  Error: allocation failed in GetChroPValue()";
inline constexpr const char* kStretchCountMessage = "  Counting inconsistence in GetChroPValue()";
inline constexpr const char* kStretchFoundMessage =
    "    Chromosome %s, the stretch of gene %d to %d has p-value %f";
inline constexpr const char* kStretchGeneMessage = "      %s, '%s'(GeneID %s), %.3f-%.3fMb";
inline constexpr const char* kStretchLimitMessage =
    "    Error: MAX_STRETCH limit is reached; use smaller p-value threshold at "
    "'Analysis/Genome'";
inline constexpr const char* kStretchStoppedMessage = "    User stopped";

struct GENE_STRETCH {
  std::int16_t chro = 0;
  float start = 0;  // positions (bp) of the first and last gene
  float end = 0;
  float pValue = 1;
  float proportion = 0;      // length as a share of the chromosome's length
  std::array<int, 4> box{};  // where the genome view outlined it: left, top, right, bottom
};

// What the last assessment found, kept beside genome_info until the next run.
struct GeneStretches {
  std::array<int, MAX_CHRO_NUM> listedCount{};  // mapped listed units per chromosome
  int listLength = 0;                           // listed units of the gene list
  int stretchCount = 0;
  int assessmentCount = 0;
  std::array<GENE_STRETCH, MAX_STRETCH> stretches{};

  void Clear() { *this = GeneStretches{}; }
};

extern GeneStretches gene_stretches;

// The chance that a binomial(n, d) count is at least k, accurate for any n (no binomial
// coefficient is formed, so long lists do not overflow).
double BinomialUpperTail(int n, double d, int k);

// One stretch kept by the assessment: list indexes of its first and last gene.
struct FoundStretch {
  int first = 0;
  int last = 0;
  double pValue = 1;
  double proportion = 0;
};

// The stretches of one chromosome whose listed genes lie at the given positions
// (ascending, distinct): every run of 2 to kMaxStretchGenes genes is assessed; of the
// significant ones a start keeps its longest, and a stretch lying within another is
// dropped. assessments counts the p-values computed; afterStart runs after each start
// gene and stops the walk by returning false (then nothing is returned).
std::vector<FoundStretch> FindGeneStretches(std::span<const float> positions, double length,
                                            double threshold, int& assessments,
                                            const std::function<bool()>& afterStart = {});

// The assessment over every chromosome of genome_info for the listed units of the gene
// list, at the p-value threshold: gene_stretches is filled and each stretch logged with
// its genes. False (logged) on a failure, a stop or when MAX_STRETCH stretches are found.
bool GetAllChroPValue(double threshold);
bool GetChroPValue(int chro, double threshold);

// A group of SNP arrays with A and B signals and genotype calls drawn from known copy
// numbers: diploid normals (some male, with one X), and tumours paired with a normal or
// alone that gain or lose copies over planted stretches. Each marker's signal per copy is
// known, so the reference statistics and copy numbers a gathering computes can be scored.
// The group can be put into the started group in memory with its array list and sample
// information texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

struct CopyStretch {
  int sample = 0;  // index into the plan's samples
  int first = 0;   // markers, both ends included
  int last = 0;
  int copies = 2;
};

struct SnpGroupPlan {
  // Markers per chromosome, in chromosome index order; the last entry is the X chromosome
  // when withX is set, which follows the species' autosomes (22 human, 19 mouse, 20 rat).
  std::vector<int> markersPerChro = {300, 200, 100};
  bool withX = false;
  int autosomes = 22;
  // Installed as expression arrays: one value per unit, the total of both alleles.
  bool expression = false;
  int normals = 6;  // diploid samples, ploidy 2
  int males = 0;    // the first this many normals are male
  int pairs = 2;    // tumours, each grouped after one of the first normals
  int singles = 1;  // tumours without a normal, each a group of its own
  std::vector<CopyStretch> stretches;
  double noise = 0.05;  // standard deviation of a signal over its mean
  double noCallRate = 0.01;
  std::uint64_t seed = 1;
};

struct SnpGroupArray {
  std::string name;
  bool normal = false;
  char gender = 'F';
  std::vector<int> copies;  // per marker, A and B together
  std::vector<float> a, b;  // signals
  std::vector<char> calls;  // 0 A, 1 B, 2 AB, 3 NoCall
};

struct SnpGroupTruth {
  std::vector<std::string> markerNames;
  std::vector<int> chro;              // index per marker; the X is index `autosomes`
  std::vector<int> pos;               // bp, increasing along each chromosome
  std::vector<float> perCopy;         // the signal of one copy of either allele
  std::vector<SnpGroupArray> arrays;  // normals, then pair tumours, then singles
  int pairs = 0;
  int singles = 0;
  int autosomes = 22;
  bool expression = false;
  int MarkerCount() const { return static_cast<int>(markerNames.size()); }
};

// An allele without copies still shows this share of one copy's signal.
inline constexpr double kSnpBackgroundCopies = 0.02;
// The signal of an allele of the given copies, the noise relative to its mean.
double SnpGroupSignal(double perCopy, int copies, double relativeNoise);

SnpGroupTruth MakeSnpGroup(const SnpGroupPlan& plan);

// Replaces the chip layout by the markers (no cells) and the started group's arrays by the
// truth's arrays: value A and standard error B, the calls, a modelled group with calls; as
// expression arrays the value A + B alone.
void InstallSnpGroup(const SnpGroupTruth& truth);

// Groups: each pair tumour after its normal, the other normals alone, each single alone.
std::string SnpGroupArrayListText(const SnpGroupTruth& truth);
// Columns "Ploidy(numeric)" (2 for normals, empty for tumours) and "Gender".
std::string SnpGroupSampleInfoText(const SnpGroupTruth& truth);
// The genome information file placing the markers: the autosomes by number, then X; one
// cM per Mb.
std::string SnpGroupGenomeInfoText(const SnpGroupTruth& truth);

}  // namespace synth

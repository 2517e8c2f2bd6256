// A made-up genome study on the SNP units of a chip, written as the files the program
// reads, each with its truth beside it: a reference genotype file of normal samples; a
// group of normal and tumour arrays whose tumours lose and gain copies over planted
// stretches (genotype-call files, an external data table of A signal, call and B signal,
// array list, sample information); and sibling pairs sharing 0, 1 or 2 alleles over
// planted stretches (genotype-call files, an external data table of calls, array list); and a
// pedigree whose calls descend along the genetic map with a planted disease locus (the
// pedigree file, genotype-call files, external data table of calls, array list, sample
// information and its truth). Markers are
// the units the genome places on a chromosome, taken in chromosome and position order; units it
// does not place are written as no calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/synth/chip_model.hpp"
#include "tools/synth/genome_files.hpp"
#include "tools/synth/genome_pedigree.hpp"
#include "tools/synth/genome_pedigree_files.hpp"
#include "tools/synth/genome_reference.hpp"
#include "tools/synth/genome_sharing.hpp"
#include "tools/synth/genome_snp_group.hpp"

namespace synth {

inline constexpr const char* kReferenceGenotypeFile = "reference_genotypes.txt";
inline constexpr const char* kReferenceTruthFile = "reference_genotypes.truth.txt";
inline constexpr const char* kSnpGroupStem = "snpgroup";
inline constexpr const char* kSiblingStem = "siblings";
inline constexpr const char* kPedigreeStem = "pedigree";
// Sibling pairs take the allele frequencies of this population of the SNP information.
inline constexpr int kSiblingPopulation = 2;

struct StudyOptions {
  int referenceSamples = 0;  // 0: no reference file
  int normals = 0;           // the group is written when normals or singles are asked for
  int pairs = 0;             // tumours paired with the first normals
  int singles = 0;
  int males = 0;  // the first normals, one X each
  int siblingPairs = 0;
  std::uint64_t seed = 1;  // the genome's
  // The chip's: arrays of kind 1 are named with the sub-array letter B, and their
  // call files without it.
  int arrayType = 2;
  // The pedigree study, written when asked for; its map, seed and disease marker are the
  // study's own.
  bool pedigreeStudy = false;
  PedigreePlan pedigree;
  int diseaseChromosome = 0;  // index; the disease marker is drawn among its markers
};

// The placed units (chip indices) in chromosome and position order, and how many fall on
// each chromosome of the genome.
struct StudyMarkers {
  std::vector<int> units;
  std::vector<int> perChromosome;
};
StudyMarkers OrderStudyMarkers(const GenomeTruth& genome);

// Marker m of the group is unit markers.units[m]; stretches of copies lie inside one
// chromosome: per tumour a loss to one copy in the first half of one chromosome and a
// gain to three or four in the second half of the next.
SnpGroupTruth MakeStudyGroup(const GenomeTruth& genome, const StudyMarkers& markers,
                             const StudyOptions& options);

// Siblings of pair p are arrays 2p and 2p + 1; every chromosome starts a new stretch.
struct StudySiblings {
  std::vector<std::string> names;
  std::vector<SharingPair> pairs;
};
StudySiblings MakeStudySiblings(const StudyMarkers& markers, const std::vector<SnpInfoRow>& snpInfo,
                                const StudyOptions& options);

// The pedigree descends along the autosomes only (the X is written as no calls): per
// marker of the pedigree its index among the study's markers.
std::vector<int> PedigreeStudyMarkers(const GenomeTruth& genome, const StudyMarkers& markers);
// The pedigree on those markers: genetic positions of the genome, A-allele frequencies of
// the siblings' population, the disease marker on the chosen chromosome among those
// whose genetic position the genome file gives.
PedigreeTruth MakeStudyPedigree(const GenomeTruth& genome, const StudyMarkers& markers,
                                const std::vector<SnpInfoRow>& snpInfo,
                                const StudyOptions& options);
PedigreeMarkers StudyPedigreeMarkers(const GenomeTruth& genome, const StudyMarkers& markers);

// Per unit: in the file, calls, heterozygous calls and their share (empty without calls).
std::string ReferenceTruthText(const ReferenceGenotypeTruth& truth);
// The external data table: per unit its name, then per array the A signal, the call and
// the B signal (empty signals and NoCall for units off the genome).
std::string SnpGroupDataText(const ChipTruth& chip, const StudyMarkers& markers,
                             const SnpGroupTruth& group);
// Per array and marker: chromosome, position, planted copies, whether copies were lost
// (fewer than the sample's own, one on a male's X) and the call written.
std::string SnpGroupTruthText(const GenomeTruth& genome, const StudyMarkers& markers,
                              const SnpGroupTruth& group);
// Each pair a sample group of its own.
std::string SiblingArrayListText(const StudySiblings& siblings);
// An external data table of calls alone: per unit its name and every array's call
// (calls[array][marker], NoCall for units off the genome).
std::string CallTableText(const ChipTruth& chip, const StudyMarkers& markers,
                          const std::vector<std::string>& names,
                          const std::vector<std::vector<char>>& calls);
// Per pair and marker: chromosome, position, A-allele frequency, alleles shared and both
// calls.
std::string SiblingTruthText(const GenomeTruth& genome, const StudyMarkers& markers,
                             const StudySiblings& siblings);

// Writes every file the options ask for into folder, appending each path to written;
// false, with the reason in error, when one cannot be written.
[[nodiscard]] bool WriteGenomeStudy(const ChipTruth& chip, const GenomeTruth& genome,
                                    const std::vector<SnpInfoRow>& snpInfo,
                                    const StudyOptions& options, const std::string& folder,
                                    std::vector<std::string>& written, std::string& error);

}  // namespace synth

// The texts of a pedigree study: the pedigree file the linkage analysis reads (one line per
// person: family, person, father, mother, sex, array, affection), the array list and
// sample information of its arrays, and the truth beside them: what every person carries
// at every marker, the founders' haplotypes on the map, each meiosis's crossovers and
// the disease locus with every person's disease alleles.
#pragma once

#include <string>

#include "tools/synth/genome_files.hpp"
#include "tools/synth/genome_pedigree.hpp"

namespace synth {

// Header "Family\tPerson\tFather\tMother\tSex\tArray\tAffection"; the array is empty for
// a person without one, the affection 0 when unknown.
std::string PedigreeFileText(const PedigreeTruth& truth);
// Each array a sample group of its own.
std::string PedigreeArrayListText(const PedigreeTruth& truth);
// Columns "Ploidy(numeric)" (2) and "Gender".
std::string PedigreeSampleInfoText(const PedigreeTruth& truth);

// Marker names and places of the plan's markers, index for index.
struct PedigreeMarkers {
  std::vector<std::string> names;
  std::vector<std::string> chromosomes;  // names
  std::vector<int> positions;            // bp
};

// Per person and marker: founder alleles received from the father and the mother (the
// founder's own two for founders), the genotype and the call written.
std::string PedigreeTruthText(const PedigreeMarkers& markers, const PedigreeTruth& truth);
// Per marker: its place, genetic position, A-allele frequency and each founder allele
// ("A" or "B"), the columns headed by founder allele numbers.
std::string PedigreeFounderText(const PedigreeMarkers& markers, const PedigreeTruth& truth);
// Per meiosis and chromosome: child, parent, "Father" or "Mother", the allele passed at
// the chromosome's first marker (0 the parent's paternal one) and the crossovers in cM.
std::string PedigreeMeiosisText(const PedigreeMarkers& markers, const PedigreeTruth& truth);
// The disease model and locus, the disease draws each family took, then per person its disease
// alleles, whether it carries the disease genotype, its drawn and its written affection.
std::string PedigreeDiseaseText(const PedigreeMarkers& markers, const PedigreeTruth& truth);

}  // namespace synth

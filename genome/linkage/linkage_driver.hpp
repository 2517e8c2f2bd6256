// The linkage run over the open group: the settings taken from the group, each
// chromosome's markers and calls handed to the engine, and its results put back into the
// chromosome data (the LOD as the curve, the haplotypes, simulated calls).
#pragma once

#include <cstdint>
#include <string>

#include "genome/linkage/linkage_analysis.hpp"

class CHROMOSOME;
struct GroupSettings;

inline constexpr const char* kNoMarkersMessage = "    Error: chromosome %d holds no marker";

LinkageSettings LinkageSettingsOf(const GroupSettings& settings);

// The pedigree reader's lookup: the sample of the group's array of that name, -1 none.
int PedigreeArraySample(const std::string& arrayName);

// The LOH mode's pairing of a sample: its group's size and its array's ploidy.
SamplePairing PedigreeSamplePairing(int sample);

// Chromosome index's markers in position order, with their map positions and allele
// frequencies, and each prepared person's calls (no calls without an array). In the LOH
// mode also each paired tumour's calls and, when LOH was inferred, its inferred values.
LinkageChromosome GatherLinkageChromosome(const CHROMOSOME& chro, const Pedigree& pedigree,
                                          int index, bool lohMode = false);

// The LOD (or simulated curve) into the curve of the "SNP/Presence call" type, every
// typed person's haplotypes and, when simulated, calls back into the chromosome data.
void StoreLinkageResult(CHROMOSOME& chro, const Pedigree& pedigree, int index,
                        const LinkageChromosome& data, const LinkageResult& result, bool simulated);

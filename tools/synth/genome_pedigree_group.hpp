// A pedigree as a SNP group in memory, for tests that run the linkage analysis without
// files: the typed persons become arrays with their calls, the markers ("SNP_<m>") sit on
// the autosomes at one Mb per cM from 1 kb on, so the group's genome information text (one
// cM per Mb) gives every marker its map position plus 0.001 cM.
#pragma once

#include "tools/synth/genome_pedigree.hpp"
#include "tools/synth/genome_snp_group.hpp"

namespace synth {

// Positions from 2000 cM on do not fit the base pairs of a chromosome.
inline constexpr double kMostGroupCm = 2000;

// Empty when a position is at or beyond kMostGroupCm.
SnpGroupTruth PedigreeSnpGroup(const PedigreeTruth& truth);

}  // namespace synth

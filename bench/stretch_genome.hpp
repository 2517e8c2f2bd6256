// A genome of the gene stretch generator put where the genome analyses and the genome view
// read it: its genes as probe sets ps_0, ps_1, ..., their places in the genome information,
// the listed ones in the gene list.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bench/bench_support.hpp"
#include "engine/group/gene_list.hpp"
#include "genome/info/genome_info.hpp"
#include "tools/synth/gene_stretch_data.hpp"

namespace bench {

inline void InstallStretchGenome(const synth::StretchGenome& genome) {
  const int count = static_cast<int>(genome.chro.size());
  NameProbeSets(count);
  genome_info.Clear();
  genome_info.Unit.assign(static_cast<std::size_t>(count), UNIT_POS{});
  GeneList = GENE_LIST{};
  GeneList.FitLayout();
  genome_info.NumChro = static_cast<int>(genome.lengths.size());
  for (int g = 0; g < count; ++g) {
    const auto i = static_cast<std::size_t>(g);
    UNIT_POS& unit = genome_info.Unit[i];
    unit.chro = static_cast<std::int16_t>(genome.chro[i]);
    unit.pos = static_cast<float>(genome.pos[i]);
    unit.strand = genome.strand[i];
    GeneList.SetListed(g, genome.listed[i]);
  }
  genome_info.ComputeChroLengths();
}

}  // namespace bench

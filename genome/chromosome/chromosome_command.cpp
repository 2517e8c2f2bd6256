#include "genome/chromosome/chromosome_command.hpp"

#include "engine/base/text_helpers.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/genome_info.hpp"

bool ReadGenomeFilesAndGather() {
  const GroupSettings& settings = TheGroup().Settings();
  // The cytobands come first, so that the chromosome lengths take them in.
  if (!genome_info.ReadCytobandFile(settings.CYTOBAND_FILE)) return false;
  if (!genome_info.ReadGenomeInfoFile(settings.GENOME_INFO_FILE)) return false;
  if (!refgene_info.ReadFile(settings.REF_GENE_FILE)) return false;
  if (!IsNone(settings.GENE_LIST_FILE) && ReadGeneList(nullptr, "", false) != -1)
    genome_info.KeepListedUnits();
  return chromosome.GetData();
}

// Analysis/Genome's job.
#include "genome/stretch/genome_map_job.hpp"

#include "engine/base/text_helpers.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group_settings.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/stretch/gene_stretch.hpp"

bool MapGenesToGenome(const GroupSettings& settings) {
  gene_stretches.Clear();
  if (!genome_info.ReadGenomeInfoFile(settings.GENOME_INFO_FILE)) return false;
  if (IsNone(settings.GENE_LIST_FILE) ||
      ReadGeneList(nullptr, settings.GENE_LIST_FILE, false) <= 0) {
    GeneList.ClearFlags();
    GeneList.NumInteresting = 0;
    GeneList.length = 0;
    return true;
  }
  // The view shows what was found even when the assessment stopped early.
  GetAllChroPValue(settings.CHRO_PVALUE);
  return true;
}

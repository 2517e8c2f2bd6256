// The work of Analysis/Chromosome below its window: the cytoband, genome information and
// refGene files of the group's settings, the gene list, then the gathering of the chromosome
// data. The window frames it ("{View data along chromosome" ... "Finished in" or "Not
// completed") and shows the result.
#pragma once

inline constexpr const char* kChromosomeCommandTitle = "View data along chromosome";

// Each step runs only when the one before succeeded; false at the first that fails, with
// its reason in red. A gene list keeps only its units on the chromosomes.
bool ReadGenomeFilesAndGather();

// The region summary ("Regions with significant curve value"): every significant region
// of the current data type with the cytobands, markers and refGene genes it holds, or one
// row per region; the copy-number type is summarised sample group by sample group.
#pragma once

#include <string>

class CHROMOSOME;

inline constexpr const char* kRegionSummaryFailedMessage =
    "  Error: Writing file '%s' failed; is it open in Excel?";
inline constexpr const char* kRegionRowHeader =
    "Cytoband\tStart(Mb)\tStop(Mb)\tSize(Mb)\t#SNPs\tSample\tMean value\n";
inline constexpr const char* kRegionBlockHeader = "Type\tStart (Mb)\tEnd (Mb)\tValue\tName\t\n";
inline constexpr const char* kAllSamplesText = "all samples";

// The export dialog's choice "Ouput each region in one row", kept for the run.
extern bool RegionPerRow;

// Calls of the current sample over places first..last of the chromosome's marker list:
// "%d NoCall, %d A/B, %d AB" (A and B together; the AB_A and AB_B calls count as AB).
std::string CallCountText(const CHROMOSOME& chro, int chroIndex, int first, int last);

// Writes the summary of the current data type into path, replacing it only when complete.
// For the copy-number type each sample group's second (or only) sample is made current in
// turn and its regions found again; the current sample and its regions are restored at
// the end. False, in red, when the file cannot be written.
bool WriteRegionSummary(CHROMOSOME& chro, const std::string& path);

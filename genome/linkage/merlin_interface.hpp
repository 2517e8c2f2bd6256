// The outside linkage programs: their three input files (pedigree with genotypes, data
// and map), the two command lines, and the nonparametric scores read back from the
// linkage program's output as the chromosome curve.
#pragma once

#include <string>
#include <vector>

#include "genome/linkage/pedigree.hpp"

class CHROMOSOME;

inline constexpr const char* kPedstatsProgram = "pedstats";
inline constexpr const char* kMerlinProgram = "merlin";
inline constexpr const char* kResultPhenotypeMark = "Phenotype: ";
inline constexpr int kResultSkippedLines = 4;
inline constexpr std::size_t kResultLineLength = 1000;
inline constexpr const char* kMerlinMapHeader = "CHROMOSOME   MARKER          LOCATION";
inline constexpr const char* kNoLinkageMessage = "  MERLIN did not perform linkage analysis";
inline constexpr const char* kResultCutMessage =
    "    MERLIN result file '%s' ends inside the line of marker %s; its scores are not taken";
inline constexpr const char* kResultMarkersMissingMessage =
    "    MERLIN result file '%s' lacks %zu of the %zu markers the run asked for (%s the first); "
    "its scores are not taken";
inline constexpr const char* kUnsafeNameMessage =
    "    Error: marker name '%s' holds a blank, a tab or a line break, which would shift the "
    "columns of the MERLIN files";

inline constexpr const char* kNoNumberZmeanMessage =
    "    %d lines of MERLIN result file '%s' give a Zmean that is no finite number; those "
    "markers have no score";

struct MerlinFiles {
  std::string ped, dat, map, result;
};

// "<folder>/<group>_merlin_ped.txt" and its three companions.
MerlinFiles MerlinFileNames(const std::string& folder, const std::string& group);

// The units of a chromosome in position order (those the chromosome data holds).
std::vector<int> ChromosomeMarkers(const CHROMOSOME& chro, int index);

// Whether a name can stand in a blank- or tab-separated column.
bool IsColumnSafeName(const std::string& name);

// The three input files for the persons in pedigree-file order and the markers. False
// with the red line of the file that failed, or of a marker name that would shift the
// columns (then nothing is written).
[[nodiscard]] bool WriteMerlinInputs(const std::vector<PedigreePerson>& persons,
                                     const CHROMOSOME& chro, int index,
                                     const std::vector<int>& markers, const MerlinFiles& files);

// The programs in the folder: "<folder>/pedstats", else "<folder>/pedstats.exe", and the
// same for merlin (the first name when neither exists).
std::string MerlinProgramPath(const std::string& folder, const std::string& program);
std::vector<std::string> PedstatsArguments(const std::string& program, const MerlinFiles& files);
std::vector<std::string> MerlinArguments(const std::string& program, const MerlinFiles& files);

// The Kong and Cox Zmean score of every marker line after the "Phenotype: " line (and
// four more) into the curve of the chromosome's markers, which are cleared first. A line
// without its four numbers, or naming no unit, gives no score; so does a Zmean of nan,
// inf or 1e999, and such lines are counted in red. False with the red line
// (and the curve untouched) when the file cannot be read or holds no such line before an
// empty line, when a marker asked for has no line in the table (its scores or "na"), or
// when the file ends inside a marker's line: an output cut short is not taken for whole.
[[nodiscard]] bool ReadMerlinResult(const std::string& path, CHROMOSOME& chro,
                                    const std::vector<int>& markers);

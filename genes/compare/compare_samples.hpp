// Analysis/Compare Samples: every eligible gene tested against the comparison list, the
// genes that satisfy the combination marked in a table written to the compare result
// file, with the list's own block before it and, on request, the permutation estimate
// of false discoveries after it.
#pragma once

#include <string>

#include "genes/compare/compare_criteria.hpp"

inline constexpr const char* kNoComparisonsMessage =
    "  No comparisons specified; please select samples to compare";
// printf form with the path.
inline constexpr const char* kCompareWriteFailedMessage =
    "  Writing file '%s' failed. Possibly the file is open in Excel or wrong directory name.\n";
inline constexpr const char* kCompareGeneListFailedMessage =
    "  Reading gene list file '%s' failed, comparing on all genes\n";
inline constexpr const char* kCompareWritingMessage = "  Writing comparison result in '%s'...";
inline constexpr const char* kUnequalPairMessage =
    "    Unequal number of samples in the two groups; pair-t test ignored.";
// printf form with the count and the gene-list text.
inline constexpr const char* kSatisfiedMessage =
    "    %d genes %ssatisfied the comparison filtering criteria\n";
// Our own: a comparison with an empty side, a side of too many samples, or a sample the
// grouping does not have; printf form with the comparison's 1-based number.
inline constexpr const char* kComparisonSamplesMessage =
    "  Comparison %d needs samples of the group on each side, 1000 at most";
// Our own: no group data to compare.
inline constexpr const char* kNoExpressionValuesMessage =
    "  The group has no expression values to compare";

// What one run of the comparison needs besides the comparison list.
struct CompareSamplesInputs {
  std::string resultPath;    // the compare result file
  std::string geneListPath;  // restricting gene list; empty or "None ..." for none
  int geneListUse = 1;       // 1 the listed genes, 0 every gene but those
  bool considerError = false;
  bool omitControls = false;
  bool outputAccession = false;
  bool outputAllGenes = false;
  bool permute = false;
  int permutationCount = 0;
  // Threads the passes over the genes may use, the calling one included; 0 for
  // platform::WorkerThreadCount(). The result is the same for any number.
  int threads = 0;
};

// The inputs from the group settings and the list's own options.
CompareSamplesInputs CompareInputsFromSettings(const COMPARE_CRITERIA& criteria);

// Runs the comparison list on the started group and writes the result file whole: the
// list and its table replace the old file only once complete, so a failure or stop
// before then leaves the old file (and the list it stores) as it was. The permutation
// rounds come after that; when they finish, the file is replaced again with their
// estimate added, and a stop in them keeps the new list and table. Sets
// criteria.genesObtained. Logs "Finished}" in blue on success; false, with the reason in
// red, otherwise.
[[nodiscard]] bool RunCompareSamples(COMPARE_CRITERIA& criteria,
                                     const CompareSamplesInputs& inputs);

// The command's job: RunCompareSamples on CompareCriteria with the inputs of the settings.
[[nodiscard]] bool CompareSamples();

// Before the comparison pages open: an empty list, the result file named by default
// after the group when unset, and the list read back quietly from that file (selected 0
// when it held one, else -1).
void InitCompareResult();

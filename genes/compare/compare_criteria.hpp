// The list of sample comparisons of Analysis/Compare Samples: each comparison tests a
// baseline set of samples against an experiment set, and the comparisons are joined by
// and, or, and not, or not, with parenthesis entries closing one chain of comparisons and
// joining it to the next. One process-wide list, edited by the comparison pages and
// stored in the compare result file.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

enum CompareCombine : int {
  kCombineAnd = 0,
  kCombineOr = 1,
  kCombineAndNot = 2,
  kCombineOrNot = 3,
};
// The words of the file and the pages, by CompareCombine.
inline constexpr std::array<const char*, 4> kCombineWords = {"and", "or", "and not", "or not"};

// Entries in use at most, and the slots kept for them.
inline constexpr int kMaxComparisons = 28;
inline constexpr int kComparisonSlots = 30;
// Samples on one side of a comparison at most (the sample grouping's limit).
inline constexpr int kMaxComparisonSamples = 1000;

inline constexpr const char* kTooManyComparisonsMessage = "    Number of comparisons exceeds limit";

// One comparison, or one parenthesis entry (which carries only its combine operator).
struct COMPARE_CRITERION {
  int combine = kCombineAnd;
  bool isParenthesis = false;
  std::vector<int> baseline;    // 0-based sample indices of the sample grouping
  std::vector<int> experiment;  // likewise
  int useEminusB = 1;
  int useBminusE = 1;
  int useEoverB = 1;
  int useBoverE = 1;
  int usePcall = 0;
  int useLowerBound = 1;
  int usePvalue = 0;
  int usePaired = 0;
  double EminusB = 100.0;
  double BminusE = 100.0;
  int PcallB = 20;
  int PcallE = 20;
  double EoverB = 1.2;
  double BoverE = 1.2;
  double Pvalue = 0.05;
  double pairPvalue = 0.05;
  // Whether the table gets the standard-error columns of the two sets.
  bool showStdErr = false;

  int BaselineCount() const { return static_cast<int>(baseline.size()); }
  int ExperimentCount() const { return static_cast<int>(experiment.size()); }
  bool UsesFold() const { return useEoverB != 0 || useBoverE != 0; }
  // Switches and thresholds back to their defaults; samples, combine, the parenthesis
  // mark and showStdErr stay.
  void SetDefaults();
  // showStdErr from the switches: a fold test on its lower bound, or the t test.
  void UpdateShowStdErr();
};

class COMPARE_CRITERIA {
 public:
  std::array<COMPARE_CRITERION, kComparisonSlots> entries{};
  COMPARE_CRITERION working;  // the comparison the pages edit
  int count = 0;              // entries in use
  int selected = -1;          // the entry shown in working, -1 for none
  int OutputAllGenes = 0;
  int PermuteSamples = 0;
  int PermutationCount = 0;
  // Genes that satisfied the combination on the true sample labels in the last run.
  int genesObtained = 0;

  std::span<const COMPARE_CRITERION> Entries() const {
    return {entries.data(), static_cast<std::size_t>(count)};
  }

  // Inserts a copy of working at position (later entries move up), then sets its combine
  // and parenthesis mark. Refused past the end, beyond kMaxComparisons (logged in red),
  // and for a parenthesis at position 0, next to another parenthesis, or before one.
  bool InsertComparison(int position, int combine, bool isParenthesis);
  // Removes the entry; later ones move down. An index out of range changes nothing.
  void DeleteComparison(int index);
  // Copies working (with the selected entry's combine and parenthesis mark) into the
  // selected entry, when one is selected.
  void ReplaceSelected();
  // No entries, none selected.
  void Clear();
  // "[1,2 vs. 3,4] and [5 vs. 6]": every comparison's 1-based samples with the operators.
  std::string DescribeComparisons() const;
};

// The list of the program.
extern COMPARE_CRITERIA CompareCriteria;

// Whether a gene passes the combination, given each entry's own result (results[i] for
// entries[i]; a parenthesis entry's result is not read). Each chain of comparisons is
// evaluated left to right, a first "and not" or "or not" negating its comparison; the
// chains are joined left to right by the operators of the parenthesis entries between
// them. A chain with no comparison (a parenthesis first, last or beside another) is left
// out rather than folded in as a value. No comparison at all: false.
bool CombineComparisons(std::span<const COMPARE_CRITERION> entries, std::span<const char> results);

// Texts of the comparison list as the pages and the file show it.
// Samples as 1-based numbers joined by ','.
std::string SampleListText(std::span<const int> samples);
// The "Combine" cell of entry index: ") and" for a parenthesis, "(" or "(not" for a
// comparison opening a chain, otherwise its combine word.
std::string CombineCellText(std::span<const COMPARE_CRITERION> entries, int index);
// The other cells of a comparison row, in the order of the list's columns after
// "Combine": baseline, experiment, E/B>, or B/E>, Use, E-B>, or B-E>, P value <=,
// P call % of B >=, P call % of E >=, Pair P value <=. Thresholds of tests that are off
// are empty.
std::vector<std::string> ComparisonCellTexts(const COMPARE_CRITERION& entry);
// Whether the list shows a closing ")" row after its entries.
bool HasClosingRow(std::span<const COMPARE_CRITERION> entries);

// The tests of one comparison for one gene, and the combination of a list's comparisons,
// on the values of a CompareSampleTable. With text to write to, the evaluation also gives
// the gene's line of the result table (and the table's column titles).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_sample_table.hpp"
#include "genes/compare/compare_statistics.hpp"

// Where the evaluation of one gene writes: the column titles (null once they are written)
// and the gene's line (null in a pass that writes nothing).
struct CompareText {
  std::string* header = nullptr;
  std::string* line = nullptr;
};

// What one comparison found for one gene; missing values are MISSING_VALUE.
struct ComparisonValues {
  SetStatistics baseline;
  SetStatistics experiment;
  int presentB = 0;  // present calls
  int presentE = 0;
  FoldChange fold;
  double difference = MISSING_VALUE;
  TTestResult welch;
  TTestResult paired;
  bool pass = true;
};

// One per thread and list of comparisons: it keeps each comparison's columns of the
// table and scratch space for a side's values.
class CompareEvaluator {
 public:
  // The entries must outlive the evaluator and name only samples the table gathered.
  CompareEvaluator(const CompareSampleTable& table, bool considerError,
                   std::span<const COMPARE_CRITERION> entries);

  // The tests of comparison entry for the gene; pass tells whether all that are on passed.
  ComparisonValues EvaluateComparison(std::size_t entry, int unit, const CompareText& text);
  // Every comparison of the list (none is skipped, so a line has every column) and their
  // combination.
  bool EvaluateGene(int unit, const CompareText& text);

 private:
  struct Columns {
    std::vector<int> baseline;
    std::vector<int> experiment;
  };
  SetStatistics SideStatistics(std::span<const int> samples, std::span<const int> columns, int unit,
                               const char* label, const COMPARE_CRITERION& c, int& present,
                               const CompareText& text);
  TTestResult Paired(const Columns& columns, int unit);

  const CompareSampleTable& mTable;
  bool mConsiderError;
  std::span<const COMPARE_CRITERION> mEntries;
  std::vector<Columns> mColumns;
  std::vector<double> mValues;
  std::vector<double> mErrors;
  std::vector<char> mResults;
};

// A quick sure answer for the unpaired test of a pass that writes nothing: true when the
// p-value of t is certainly above threshold whatever the degrees of freedom, since no t
// distribution has thinner tails than the normal one.
bool CertainlyAboveThreshold(double t, double threshold);

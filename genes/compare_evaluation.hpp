// The tests of one comparison for one gene, and the combination of a list's comparisons,
// on the values of a CompareSampleTable. With text to write to, the evaluation also gives
// the gene's line of the result table (and the table's column titles).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "genes/compare_criteria.hpp"
#include "genes/compare_sample_table.hpp"
#include "genes/compare_statistics.hpp"

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

// One per thread: it keeps scratch space for a side's values.
class CompareEvaluator {
 public:
  CompareEvaluator(const CompareSampleTable& table, bool considerError);

  // The tests of the comparison for the gene; pass tells whether all that are on passed.
  ComparisonValues EvaluateComparison(const COMPARE_CRITERION& c, int unit,
                                      const CompareText& text);
  // Every comparison of the list (none is skipped, so a line has every column) and their
  // combination.
  bool EvaluateGene(std::span<const COMPARE_CRITERION> entries, int unit, const CompareText& text);

 private:
  SetStatistics SideStatistics(std::span<const int> samples, int unit, const char* label,
                               const COMPARE_CRITERION& c, int& present, const CompareText& text);
  TTestResult Paired(const COMPARE_CRITERION& c, int unit);

  const CompareSampleTable& mTable;
  bool mConsiderError;
  std::vector<double> mValues;
  std::vector<double> mErrors;
  std::vector<char> mResults;
};

// A quick sure answer for the unpaired test of a pass that writes nothing: true when the
// p-value of t is certainly above threshold whatever the degrees of freedom, since no t
// distribution has thinner tails than the normal one.
bool CertainlyAboveThreshold(double t, double threshold);

// The sample values a comparison run reads: for every probe set, the value, standard
// error and call of each sample that some comparison names, gathered once from the
// sample grouping (replicate arrays combined) so that every pass over the genes, and
// every permutation round, reads one row of memory per gene.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "genes/compare/compare_criteria.hpp"

class CompareSampleTable {
 public:
  // Gathers the samples named by the list's comparisons for every probe set of the
  // layout. Samples must lie inside the sample grouping (see ComparisonSamplesValid).
  void Gather(const COMPARE_CRITERIA& criteria);
  // A table of given values, for tests and benchmarks: unit-major rows of `samples`.
  void Assign(int units, int samples, std::vector<double> values, std::vector<double> stdErrs,
              std::vector<char> calls);

  int Units() const { return mUnits; }
  // The table's column of a sample, -1 when not gathered.
  int ColumnOf(int sample) const {
    return sample >= 0 && static_cast<std::size_t>(sample) < mColumnOf.size()
               ? mColumnOf[static_cast<std::size_t>(sample)]
               : -1;
  }
  std::span<const double> Values(int unit) const { return Row(mValues, unit); }
  std::span<const double> StdErrs(int unit) const { return Row(mStdErrs, unit); }
  std::span<const char> Calls(int unit) const {
    return {mCalls.data() + static_cast<std::size_t>(unit) * mColumns,
            static_cast<std::size_t>(mColumns)};
  }

 private:
  std::span<const double> Row(const std::vector<double>& table, int unit) const {
    return {table.data() + static_cast<std::size_t>(unit) * mColumns,
            static_cast<std::size_t>(mColumns)};
  }

  int mUnits = 0;
  std::size_t mColumns = 0;
  std::vector<int> mColumnOf;
  std::vector<double> mValues;
  std::vector<double> mStdErrs;
  std::vector<char> mCalls;
};

// Whether every comparison's samples lie inside the sample grouping, with one to
// kMaxComparisonSamples on each side (so that the result file never holds an empty list);
// the first that does not is logged in red.
bool ComparisonSamplesValid(const COMPARE_CRITERIA& criteria, int sampleCount);

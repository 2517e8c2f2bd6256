#include "genes/compare/compare_evaluation.hpp"

#include <cmath>
#include <cstdio>

#include "engine/group/sample_grouping.hpp"

namespace {

// Room above the normal tail that covers the error of the t distribution's p-value.
constexpr double kTailMargin = 1e-6;

void AppendFormatted(std::string& text, const char* format, double value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n > 0) text.append(buffer, static_cast<std::size_t>(std::min<int>(n, sizeof buffer - 1)));
}

// "%.2f" and a tab, or only the tab for a missing value.
void AppendValue(std::string* line, double value) {
  if (line == nullptr) return;
  if (!IsMissing(value)) AppendFormatted(*line, "%.2f", value);
  *line += '\t';
}

void AppendTitle(std::string* header, std::string_view a, std::string_view b = {}) {
  if (header == nullptr) return;
  *header += a;
  *header += b;
}

void AppendTest(std::string* line, const TTestResult& test) {
  if (line == nullptr) return;
  if (test.Missing()) {
    *line += "\t\t";
    return;
  }
  AppendFormatted(*line, "%.3f", test.t);
  *line += '\t';
  AppendFormatted(*line, "%f", test.p);
  *line += '\t';
}

}  // namespace

bool CertainlyAboveThreshold(double t, double threshold) {
  return std::erfc(std::fabs(t) / std::sqrt(2.0)) > threshold + kTailMargin;
}

CompareEvaluator::CompareEvaluator(const CompareSampleTable& table, bool considerError,
                                   std::span<const COMPARE_CRITERION> entries)
    : mTable(table),
      mConsiderError(considerError),
      mEntries(entries),
      mColumns(entries.size()),
      mValues(kMaxComparisonSamples),
      mErrors(kMaxComparisonSamples),
      mResults(entries.size()) {
  for (std::size_t j = 0; j < entries.size(); ++j) {
    for (const int s : entries[j].baseline) mColumns[j].baseline.push_back(table.ColumnOf(s));
    for (const int s : entries[j].experiment) mColumns[j].experiment.push_back(table.ColumnOf(s));
  }
}

SetStatistics CompareEvaluator::SideStatistics(std::span<const int> samples,
                                               std::span<const int> columns, int unit,
                                               const char* label, const COMPARE_CRITERION& c,
                                               int& present, const CompareText& text) {
  const double* values = mTable.Values(unit).data();
  const double* errors = mTable.StdErrs(unit).data();
  const std::size_t n = columns.size();
  // The values are summed as they are gathered, and kept (and the errors read) only
  // where something reads them again: a loop that stores no value keeps its sums in
  // registers.
  const bool errorsUsed = mConsiderError || n == 1;
  const bool writing = text.line != nullptr || text.header != nullptr;
  SetSums sums(n > 0 ? values[static_cast<std::size_t>(columns[0])] : 0.0);
  if (errorsUsed || writing) {
    for (std::size_t i = 0; i < n; ++i) {
      const double v = values[static_cast<std::size_t>(columns[i])];
      mValues[i] = v;
      sums.Add(v);
    }
  } else {
    for (std::size_t i = 0; i < n; ++i) sums.Add(values[static_cast<std::size_t>(columns[i])]);
  }
  if (errorsUsed)
    for (std::size_t i = 0; i < n; ++i) mErrors[i] = errors[static_cast<std::size_t>(columns[i])];
  present = 0;
  if (c.usePcall != 0) {
    const char* calls = mTable.Calls(unit).data();
    for (std::size_t i = 0; i < n; ++i)
      present += calls[static_cast<std::size_t>(columns[i])] == 'P' ? 1 : 0;
  }
  if (writing) {
    const char* calls = mTable.Calls(unit).data();
    for (std::size_t i = 0; i < n; ++i) {
      AppendTitle(text.header, SampleGrouping.SampleName(samples[i]), "\t");
      AppendValue(text.line, mValues[i]);
      if (c.usePcall == 0) continue;
      AppendTitle(text.header, SampleGrouping.SampleName(samples[i]), " Call\t");
      if (text.line != nullptr) {
        *text.line += calls[static_cast<std::size_t>(columns[i])];
        *text.line += '\t';
      }
    }
  }
  if (n == 0) return {};
  const SetStatistics s =
      errorsUsed ? SampleSetMean({mValues.data(), n}, {mErrors.data(), n}, mConsiderError)
                 : PlainSetMean(sums);
  if (!writing) return s;
  if (n > 1) {
    AppendTitle(text.header, label, " mean\t");
    AppendValue(text.line, s.mean);
  }
  if (c.showStdErr) {
    if (n == 1)
      AppendTitle(text.header, SampleGrouping.SampleName(samples[0]), " SE\t");
    else
      AppendTitle(text.header, label, " mean's SE\t");
    if (text.line != nullptr) {
      if (!IsMissing(s.mean) && !IsMissing(s.stdErr)) AppendFormatted(*text.line, "%.2f", s.stdErr);
      *text.line += '\t';
    }
  }
  return s;
}

TTestResult CompareEvaluator::Paired(const Columns& columns, int unit) {
  const std::span<const double> values = mTable.Values(unit);
  const std::span<const double> errors = mTable.StdErrs(unit);
  const std::size_t n = columns.baseline.size();
  for (std::size_t k = 0; k < n; ++k) {
    const auto b = static_cast<std::size_t>(columns.baseline[k]);
    const auto e = static_cast<std::size_t>(columns.experiment[k]);
    const bool present = !IsMissing(values[b]) && !IsMissing(values[e]);
    mValues[k] = present ? values[e] - values[b] : MISSING_VALUE;
    const bool errorsPresent = !IsMissing(errors[b]) && !IsMissing(errors[e]);
    mErrors[k] =
        errorsPresent ? std::sqrt(errors[e] * errors[e] + errors[b] * errors[b]) : MISSING_VALUE;
  }
  return PairedTTestOfDifferences({mValues.data(), n}, {mErrors.data(), n}, mConsiderError);
}

ComparisonValues CompareEvaluator::EvaluateComparison(std::size_t entry, int unit,
                                                      const CompareText& text) {
  const COMPARE_CRITERION& c = mEntries[entry];
  const Columns& columns = mColumns[entry];
  ComparisonValues r;
  r.baseline = SideStatistics(c.baseline, columns.baseline, unit, "baseline", c, r.presentB, text);
  r.experiment =
      SideStatistics(c.experiment, columns.experiment, unit, "experiment", c, r.presentE, text);
  const double meanB = r.baseline.mean;
  const double meanE = r.experiment.mean;
  const bool writing = text.line != nullptr;

  if (c.UsesFold()) {
    r.fold = GetFoldChangeBound(meanE, r.experiment.stdErr, meanB, r.baseline.stdErr);
    AppendTitle(text.header, "fold change\tlower bound of FC\tupper bound of FC\t");
    AppendValue(text.line, r.fold.fold);
    AppendValue(text.line, r.fold.lower);
    AppendValue(text.line, r.fold.upper);
    const double v = c.useLowerBound != 0 ? r.fold.lower : r.fold.fold;
    // A zero mean leaves no fold at all: it passes no threshold, whatever its value.
    if (IsMissing(v) || r.fold.fold == 0.0 ||
        !((c.useEoverB != 0 && v > c.EoverB) || (c.useBoverE != 0 && -v > c.BoverE)))
      r.pass = false;
  }

  if (!IsMissing(meanB) && !IsMissing(meanE)) r.difference = meanE - meanB;
  if (c.usePvalue != 0) {
    if (!writing && !IsMissing(r.difference) && !IsMissing(r.baseline.stdErr) &&
        !IsMissing(r.experiment.stdErr)) {
      const double v =
          r.baseline.stdErr * r.baseline.stdErr + r.experiment.stdErr * r.experiment.stdErr;
      if (v > 0.0 && CertainlyAboveThreshold(r.difference / std::sqrt(v), c.Pvalue)) {
        // The p-value is not needed: the test fails either way.
        r.welch.t = r.difference / std::sqrt(v);
        r.welch.p = 1.0;
      } else {
        r.welch = WelchTTest(meanB, r.baseline.stdErr, r.baseline.present, meanE,
                             r.experiment.stdErr, r.experiment.present);
      }
    } else {
      r.welch = WelchTTest(meanB, r.baseline.stdErr, r.baseline.present, meanE, r.experiment.stdErr,
                           r.experiment.present);
    }
  }

  if (c.useEminusB != 0 || c.useBminusE != 0) {
    AppendTitle(text.header, "difference of means\t");
    AppendValue(text.line, r.difference);
    if (IsMissing(r.difference) || !((c.useEminusB != 0 && r.difference > c.EminusB) ||
                                     (c.useBminusE != 0 && -r.difference > c.BminusE)))
      r.pass = false;
  }

  if (c.usePvalue != 0) {
    AppendTitle(text.header, "t statistic\tP value\t");
    AppendTest(text.line, r.welch);
    if (r.welch.Missing() || r.welch.p > c.Pvalue) r.pass = false;
  }

  if (c.usePcall != 0) {
    const int nB = c.BaselineCount();
    const int nE = c.ExperimentCount();
    const int pB = nB > 0 ? r.presentB * 100 / nB : 0;
    const int pE = nE > 0 ? r.presentE * 100 / nE : 0;
    AppendTitle(text.header, "P call % of B\tP call % of E\t");
    if (writing) {
      *text.line += std::to_string(pB);
      *text.line += '\t';
      *text.line += std::to_string(pE);
      *text.line += '\t';
    }
    if (nB == 0 || nE == 0 || pB < c.PcallB || pE < c.PcallE) r.pass = false;
  }

  // Sets of different sizes have no pairs: the test is left out (the run says so once).
  if (c.usePaired != 0 && c.BaselineCount() == c.ExperimentCount()) {
    r.paired = Paired(columns, unit);
    AppendTitle(text.header, "paired t statistic\tpaired P value\t");
    AppendTest(text.line, r.paired);
    if (r.paired.Missing() || r.paired.p > c.pairPvalue) r.pass = false;
  }

  AppendTitle(text.header, "filtered\t");
  if (writing) *text.line += r.pass ? "*\t" : "\t";
  return r;
}

bool CompareEvaluator::EvaluateGene(int unit, const CompareText& text) {
  for (std::size_t j = 0; j < mEntries.size(); ++j)
    mResults[j] = !mEntries[j].isParenthesis && EvaluateComparison(j, unit, text).pass ? 1 : 0;
  return CombineComparisons(mEntries, mResults);
}

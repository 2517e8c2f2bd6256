// The gene tables written from a group's values (the gene filters, the sample comparison,
// the percentile filter, the factor filters and the correlation with a numeric factor) on a
// full disk and in a read-only folder: each says why in red, naming its file, and the table of
// its earlier run stays byte for byte as it was. The writers that need no group's values are in
// the loop over every writer (fuzz/tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_samples.hpp"
#include "genes/filter/factor_filter.hpp"
#include "genes/filter/filter_genes.hpp"
#include "genes/filter/percentile_filter.hpp"
#include "genes/tests/factor_test_support.hpp"
#include "platform/replacement_names.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/failing_writes.hpp"

namespace {

class GeneTableWriterFaults : public FactorFixture {
 protected:
  struct Table {
    const char* name;
    const char* file;
    // Writes the table to path; whether it did.
    std::function<bool(const std::string& path)> write;
    // The gene filter's job is the flags of the genes it keeps, which a file that cannot
    // be written does not undo: it reports the file in red and still counts as done.
    bool failsWithTheFile = true;
  };

  static std::vector<Table> Tables() {
    return {
        {"factor filter", "anova.xls",
         [](const std::string& path) {
           TheGroup().Settings().ANOVA_FACTOR = "Treatment";
           TheGroup().Settings().ANOVA_PVALUE = 0.05;
           return FilterGenesByFactor(path);
         }},
        {"correlation with a numeric factor", "age.xls",
         [](const std::string& path) {
           TheGroup().Settings().ANOVA_FACTOR = "Age (numeric)";
           TheGroup().Settings().ANOVA_PVALUE = 0.05;
           return FilterGenesByFactor(path);
         }},
        {"gene filter", "filtered.txt",
         [](const std::string& path) {
           GroupSettings& s = TheGroup().Settings();
           s.USE_CV_FILTER = s.USE_CALL_FILTER = s.USE_REP_FILTER = s.USE_EXPR_FILTER = 0;
           s.FILTER_INPUT_LIST = "None";
           s.FILTER_INPUT_USE = 1;
           s.FILTER_OUTPUT_LIST = path;
           return FilterGenes();
         },
         false},
        {"sample comparison", "compare.xls",
         [](const std::string& path) {
           CompareCriteria = COMPARE_CRITERIA{};
           CompareCriteria.working.baseline = {0, 1, 2};
           CompareCriteria.working.experiment = {3, 4, 5};
           if (!CompareCriteria.InsertComparison(0, kCombineAnd, false)) return false;
           CompareSamplesInputs inputs;
           inputs.resultPath = path;
           inputs.outputAllGenes = true;
           return RunCompareSamples(CompareCriteria, inputs);
         }},
        {"percentile filter", "percentile.xls",
         [](const std::string& path) {
           GroupRunOptions& options = TheGroup().RunOptions();
           options.percentileOutput = path;
           options.percentileHigh = 90;
           options.percentileLow = 10;
           options.percentileFold = 1.0;
           return PercentileFilter();
         }},
    };
  }
};

TEST_F(GeneTableWriterFaults, EveryTableSaysWhyItCannotBeWrittenAndKeepsTheEarlierOne) {
  Load(synth::MakeFactorData(
      synth::FactorDataOptions{.genesPerEffect = {60, 10, 10, 10}, .effect = 5.0}));
  for (const Table& table : Tables()) {
    SCOPED_TRACE(table.name);
    const std::string path = mFolder.File(table.file);
    ASSERT_TRUE(table.write(path));
    const std::string earlier = ReadFile(path);
    ASSERT_FALSE(earlier.empty());
    for (const platform::testing::WriteFailureCase& failure :
         platform::testing::kWriteFailureCases) {
      SCOPED_TRACE(failure.what);
      mLog.Clear();
      bool written = true;
      {
        const platform::testing::FailingWrites failing(failure);
        written = table.write(path);
      }
      EXPECT_NE(written, table.failsWithTheFile);
      const std::string reason = "(" + platform::SystemErrorText(failure.error) + ")";
      const auto& lines = mLog.Lines();
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                              [&](const CapturedLine& line) {
                                return line.colour == kLogRed &&
                                       line.text.find(path) != std::string::npos &&
                                       line.text.find(reason) != std::string::npos;
                              }))
          << "no red line names " << path << " with " << reason;
      EXPECT_EQ(ReadFile(path), earlier);
      for (const auto& entry : std::filesystem::directory_iterator(mFolder.Path()))
        EXPECT_FALSE(platform::ParseReplacementName(entry.path().filename().string()))
            << "left beside: " << entry.path();
    }
  }
}

}  // namespace

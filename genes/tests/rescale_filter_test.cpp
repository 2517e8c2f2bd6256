#include <cmath>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "genes/filter/batch_adjustment.hpp"
#include "genes/filter/percentile_filter.hpp"
#include "genes/tests/filter_test_support.hpp"

namespace {

constexpr float M = kMissingValueFloat;

class RescaleFilterTest : public FilterFixture {
 protected:
  static float Value(int array, int unit) {
    return TheGroup().Array(array).values[static_cast<std::size_t>(unit)].value;
  }
  static float Error(int array, int unit) {
    return TheGroup().Array(array).values[static_cast<std::size_t>(unit)].stdErr;
  }
};

// Two batches: samples {a1 a2} and a3, then {a4 a5} and a6. Per gene (column) the values
// and the values the adjustment must leave, worked by hand.
TEST_F(RescaleFilterTest, BatchMeansMatchTheFirstBatchOnAHandTable) {
  const std::vector<std::vector<float>> before = {
      // factor 0.5, factor 2 with a missing value, batch mean 0, batch without values,
      // first batch without values, factor -2 (errors stay positive)
      {100, 300, -10, 5, M, 10}, {100, 300, -10, 5, M, 10}, {200, 300, 20, 5, M, 10},
      {300, 100, -10, M, 7, -5}, {300, 200, 10, M, 7, -5},  {300, M, 0, M, 7, -5}};
  const std::vector<std::vector<float>> after = {
      {100, 300, -10, 5, M, 10}, {100, 300, -10, 5, M, 10}, {200, 300, 20, 5, M, 10},
      {150, 200, -10, M, 7, 10}, {150, 400, 10, M, 7, 10},  {150, M, 0, M, 7, 10}};
  Load(before, {});
  SampleGrouping.ReadArrayListFile(WriteFile("batches.txt",
                                             "a1\na2\nReplicate\na3\nReplicate\nStandardize\n"
                                             "a4\na5\nReplicate\na6\nReplicate\nStandardize\n"));
  ASSERT_EQ(SampleGrouping.GroupCount(), 2);

  EXPECT_TRUE(AdjustBatchEffect());
  for (std::size_t a = 0; a < after.size(); ++a)
    for (std::size_t g = 0; g < after[a].size(); ++g) {
      EXPECT_EQ(Value(static_cast<int>(a), static_cast<int>(g)), after[a][g]) << a << " " << g;
      // Errors follow their values (0.1 of them as loaded); a missing value's is not scaled.
      const float error = 0.1f * (IsMissing(before[a][g]) ? before[a][g] : after[a][g]);
      EXPECT_NEAR(Error(static_cast<int>(a), static_cast<int>(g)), std::fabs(error),
                  1e-3f * std::fabs(error))
          << a << " " << g;
    }
  EXPECT_TRUE(TheGroup().Adjusted);
  EXPECT_TRUE(mLog.Contains("{Adjust batch effect so that for each gene", kLogBlue));
  EXPECT_TRUE(mLog.ContainsRed("ps_2: batch 2 left unadjusted, its mean is 0"));
  EXPECT_TRUE(mLog.ContainsRed("ps_3: batch 2 left unadjusted, it has no value"));
  EXPECT_TRUE(mLog.ContainsRed("ps_4: batch 2 left unadjusted, the 1st batch has no usable mean"));
  EXPECT_EQ(mLog.CountInColour(kLogRed), 3);

  // Means already equal: a second run changes nothing. One batch: only the flag.
  for (const bool oneBatch : {false, true}) {
    if (oneBatch) SampleGrouping.SetDefaultGrouping();
    TheGroup().Adjusted = false;
    EXPECT_TRUE(AdjustBatchEffect());
    EXPECT_TRUE(TheGroup().Adjusted);
    for (std::size_t a = 0; a < after.size(); ++a)
      for (std::size_t g = 0; g < after[a].size(); ++g)
        EXPECT_FLOAT_EQ(Value(static_cast<int>(a), static_cast<int>(g)), after[a][g]);
  }
}

// Ten samples; the percentiles at 90 and 10 are the elements of rank 9 and 1 of ten
// values (7 and 0 of eight).
TEST_F(RescaleFilterTest, PercentileFoldsAndRescaledValuesOnAHandTable) {
  // Genes by column: 500 over 100 (fold 5, kept), 499 over 100 (dropped), all equal,
  // a low percentile of 0, two missing values (600 over 100 of the eight), a control.
  const std::vector<std::vector<float>> values = {
      {50, 50, 200, -5, M, 50},      {100, 100, 200, 0, M, 100},   {200, 200, 200, 0, 100, 200},
      {200, 200, 200, 0, 150, 200},  {200, 200, 200, 0, 150, 200}, {200, 200, 200, 0, 150, 200},
      {200, 200, 200, 0, 150, 200},  {200, 200, 200, 0, 150, 200}, {200, 200, 200, 0, 150, 200},
      {500, 499, 200, 900, 600, 500}};
  Load(values, {}, {5});
  Group& group = TheGroup();
  group.Settings().DISPLAY_RANGE = 3.0;
  group.Settings().OMIT_VOSK = 1;
  GroupRunOptions& options = group.RunOptions();
  options.percentileOutput = mFolder.File("percentile.txt");
  std::string title = "Probe set\t";
  for (int s = 1; s <= 10; ++s) title += "a" + std::to_string(s) + "\t";
  struct Case {
    float fold;
    std::vector<std::string> rows;
  };
  const std::string first = "ps_0\t-3.75\t-3\t-1.5\t-1.5\t-1.5\t-1.5\t-1.5\t-1.5\t-1.5\t3\t";
  const std::string second =
      "ps_1\t-3.75188\t-3\t-1.49624\t-1.49624\t-1.49624\t-1.49624\t"
      "-1.49624\t-1.49624\t-1.49624\t3\t";
  const std::string missing = "ps_4\t\t\t-3\t-2.4\t-2.4\t-2.4\t-2.4\t-2.4\t-2.4\t3\t";
  for (const Case& c : {Case{5.0f, {first, missing}}, Case{6.0f, {missing}},
                        Case{1.0f, {first, second, missing}}}) {
    options.percentileFold = c.fold;
    ASSERT_TRUE(PercentileFilter());
    std::vector<std::string> expected = {title};
    expected.insert(expected.end(), c.rows.begin(), c.rows.end());
    EXPECT_EQ(Lines(ReadFile(options.percentileOutput)), expected) << c.fold;
    EXPECT_TRUE(mLog.Contains(
        "    " + std::to_string(c.rows.size()) + " probe sets satisfied the criteria", kLogBlack));
  }
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);

  // An output that cannot be written stops the filter at once, before the first probe set:
  // a missing folder, and a folder where the file should go.
  for (const std::string& output :
       {mFolder.File("no folder/percentile.txt"), mFolder.Path().string()}) {
    SCOPED_TRACE(output);
    mLog.Clear();
    options.percentileOutput = output;
    EXPECT_FALSE(PercentileFilter());
    EXPECT_TRUE(mLog.ContainsRed("  Writing file '" + output + "' failed"));
    EXPECT_FALSE(mLog.Contains("    Gene 0", kLogBlack));
    EXPECT_EQ(mLog.CountInColour(kLogRed), 1);
  }
}

}  // namespace

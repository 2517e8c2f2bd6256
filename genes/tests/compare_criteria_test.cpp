// The comparison list as the pages edit it: where entries and parentheses may go, the
// limit of 28, deletion, the selected entry's replacement, and the texts of the list.
#include "genes/compare/compare_criteria.hpp"

#include <gtest/gtest.h>

#include "engine/testing/captured_log.hpp"

namespace {

TEST(CompareCriteria, InsertionsFollowTheRulesOfTheList) {
  CapturedLog log;
  COMPARE_CRITERIA list;
  list.working.baseline = {0, 1};
  list.working.experiment = {2};
  EXPECT_FALSE(list.InsertComparison(1, kCombineAnd, false));  // past the end
  EXPECT_FALSE(list.InsertComparison(0, kCombineOr, true));    // a parenthesis first
  ASSERT_TRUE(list.InsertComparison(0, kCombineAnd, false));
  list.working.baseline = {3};
  ASSERT_TRUE(list.InsertComparison(1, kCombineOr, false));
  ASSERT_TRUE(list.InsertComparison(1, kCombineAndNot, true));
  EXPECT_FALSE(list.InsertComparison(1, kCombineOr, true));  // before a parenthesis
  EXPECT_FALSE(list.InsertComparison(2, kCombineOr, true));  // after one
  ASSERT_TRUE(list.InsertComparison(3, kCombineOr, true));   // a closing one at the end
  ASSERT_EQ(list.count, 4);
  EXPECT_EQ(list.DescribeComparisons(), "[1,2 vs. 3] or [4 vs. 3]");
  EXPECT_EQ(CombineCellText(list.Entries(), 0), "(");
  EXPECT_EQ(CombineCellText(list.Entries(), 1), ") and not");
  EXPECT_EQ(CombineCellText(list.Entries(), 2), "(");
  EXPECT_FALSE(HasClosingRow(list.Entries()));
  list.DeleteComparison(3);
  EXPECT_TRUE(HasClosingRow(list.Entries()));

  while (list.count < kMaxComparisons)
    ASSERT_TRUE(list.InsertComparison(list.count, kCombineAnd, false));
  EXPECT_FALSE(list.InsertComparison(list.count, kCombineAnd, false));
  EXPECT_TRUE(log.ContainsRed(kTooManyComparisonsMessage));
  list.DeleteComparison(0);
  EXPECT_EQ(list.count, kMaxComparisons - 1);
  EXPECT_TRUE(list.entries[0].isParenthesis);  // the later entries moved down in order
}

TEST(CompareCriteria, ReplacingTheSelectedEntryKeepsItsPlaceInTheLogic) {
  COMPARE_CRITERIA list;
  list.working.baseline = {0};
  list.working.experiment = {1};
  ASSERT_TRUE(list.InsertComparison(0, kCombineAnd, false));
  ASSERT_TRUE(list.InsertComparison(1, kCombineOrNot, false));
  list.selected = 1;
  list.working.usePvalue = 1;
  list.working.useEoverB = list.working.useBoverE = 0;
  list.working.Pvalue = 0.01;
  list.working.combine = kCombineAnd;
  list.ReplaceSelected();
  const COMPARE_CRITERION& entry = list.entries[1];
  EXPECT_EQ(entry.combine, kCombineOrNot);
  EXPECT_TRUE(entry.showStdErr);
  EXPECT_EQ(CombineCellText(list.Entries(), 1), "or not");
  EXPECT_EQ(
      ComparisonCellTexts(entry),
      (std::vector<std::string>{"1", "2", "", "", "", "100.000", "100.000", "0.0100", "", "", ""}));
  list.working.SetDefaults();
  EXPECT_EQ(list.working.usePvalue, 0);
  EXPECT_EQ(list.working.baseline, (std::vector<int>{0}));
}

}  // namespace

// The shared text routines: unset file settings, extensions, fields and scanning.
#include "engine/base/text_helpers.hpp"

#include <gtest/gtest.h>

#include <climits>

TEST(TextHelpers, IsNoneTellsUnsetFileSettings) {
  EXPECT_TRUE(IsNone(""));
  EXPECT_TRUE(IsNone("None"));
  EXPECT_TRUE(IsNone("nOnE /data/mask.txt"));  // a switched-off path keeps its text
  EXPECT_FALSE(IsNone("Non"));
  EXPECT_FALSE(IsNone("/data/None"));
}

TEST(TextHelpers, ChangeExtensionReplacesFromTheLastDot) {
  EXPECT_EQ(ChangeExtension("/a.b/gene info.xls", " Gene Ontology.xls"),
            "/a.b/gene info Gene Ontology.xls");
  EXPECT_EQ(ChangeExtension("list.v2.txt", ".cls"), "list.v2.cls");
  EXPECT_EQ(ChangeExtension("noextension", ".cls"), "noextension.cls");
}

TEST(TextHelpers, SkipPastAndCutAtTabSplitFields) {
  EXPECT_EQ(SkipPast("Rows=1164", '='), "1164");
  EXPECT_EQ(SkipPast("a=b=c", '='), "b=c");
  EXPECT_EQ(SkipPast("no equals", '='), "");

  std::string_view text = "PSet01\t1|3\textra";
  std::string_view rest;
  ASSERT_TRUE(CutAtTab(text, &rest));
  EXPECT_EQ(text, "PSet01");
  EXPECT_EQ(rest, "1|3\textra");

  std::string_view whole = "PSet02";
  EXPECT_FALSE(CutAtTab(whole, &rest));
  EXPECT_EQ(whole, "PSet02");
  EXPECT_EQ(rest, "");
}

TEST(TextHelpers, ReadIntAfterEqualsReadsLikeScanf) {
  EXPECT_EQ(ReadIntAfterEquals("Rows=1164"), 1164);
  EXPECT_EQ(ReadIntAfterEquals("Cols= -12 trailing"), -12);
  EXPECT_EQ(ReadIntAfterEquals("NumberOfUnits="), 0);
  EXPECT_EQ(ReadIntAfterEquals("no equals 5"), 0);
}

TEST(TextHelpers, ScanningConsumesFieldsAndRefusesWhatIsNotThere) {
  std::string_view text = " 12\t-7 word\tZ";
  int first = 0;
  int second = 0;
  std::string_view word;
  char separator = 0;
  char letter = 0;
  ASSERT_TRUE(ScanInt(text, first));
  ASSERT_TRUE(ScanInt(text, second));
  ASSERT_TRUE(ScanWord(text, word));
  ASSERT_TRUE(ScanChar(text, separator));
  ASSERT_TRUE(ScanChar(text, letter));
  EXPECT_EQ(first, 12);
  EXPECT_EQ(second, -7);
  EXPECT_EQ(word, "word");
  EXPECT_EQ(separator, '\t');
  EXPECT_EQ(letter, 'Z');
  EXPECT_FALSE(ScanChar(text, letter));
  EXPECT_FALSE(ScanWord(text, word));

  std::string_view notNumber = "x1";
  EXPECT_FALSE(ScanInt(notNumber, first));
  std::string_view sign = "-";
  EXPECT_FALSE(ScanInt(sign, first));
  std::string_view limit = "2147483647 -2147483648 2147483648";
  ASSERT_TRUE(ScanInt(limit, first));
  ASSERT_TRUE(ScanInt(limit, second));
  EXPECT_EQ(first, INT_MAX);
  EXPECT_EQ(second, INT_MIN);
  EXPECT_FALSE(ScanInt(limit, first));  // beyond the int range
}

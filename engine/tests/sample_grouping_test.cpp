// The sample grouping: the default structure, array list files with their separators and
// unknown names, lookups, sample values over replicates, selections by category and the
// sample variables taken from the sample information.
#include "engine/group/sample_grouping.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/tests/sample_test_support.hpp"

namespace {

class SampleGroupingTest : public SampleFixture {
 protected:
  // Reads the list text as an array list file.
  void ReadList(const std::string& text) {
    SampleGrouping.ReadArrayListFile(WriteFile("list.txt", text));
  }

  // The arrays of every sample, in list order.
  std::vector<std::vector<int>> SampleArrays() const {
    std::vector<std::vector<int>> samples;
    for (int s = 0; s < SampleGrouping.SampleCount(); ++s) {
      std::vector<int>& arrays = samples.emplace_back();
      for (int k = 0; k < SampleGrouping.ReplicateCount(s); ++k)
        arrays.push_back(SampleGrouping.OrderedArray(SampleGrouping.SampleFirst(s) + k));
    }
    return samples;
  }
  std::vector<int> GroupSizes() const {
    std::vector<int> sizes;
    for (int g = 0; g < SampleGrouping.GroupCount(); ++g)
      sizes.push_back(SampleGrouping.GroupSize(g));
    return sizes;
  }
};

using Samples = std::vector<std::vector<int>>;

TEST_F(SampleGroupingTest, DefaultOnExpressionArraysIsOneGroupOfSingleArrays) {
  AddArrays("a", 3);
  TheGroup().Settings().CHRO_MERGE_GROUP_NAME = 1;
  CapturedLog log;
  SampleGrouping.ReadArrayListFile("");
  EXPECT_EQ(SampleArrays(), (Samples{{0}, {1}, {2}}));
  EXPECT_EQ(GroupSizes(), std::vector<int>{3});
  EXPECT_EQ(SampleGrouping.SampleName(2), "a3");
  EXPECT_EQ(TheGroup().Settings().CHRO_MERGE_GROUP_NAME, 0);
  EXPECT_FALSE(UseArrayList);
  EXPECT_TRUE(
      log.Contains("  Treat all the 3 arrays as 3 samples and 1 sample groups\n", kLogBlack));
}

TEST_F(SampleGroupingTest, DefaultOnSnpArraysMakesEverySampleItsOwnGroup) {
  AddArrays("a", 3);
  ArrayType = 2;
  TheGroup().Settings().CHRO_MERGE_GROUP_NAME = 1;
  SampleGrouping.ReadArrayListFile("None");
  EXPECT_EQ(GroupSizes(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(SampleGrouping.GroupFirstSample(2), 2);
  EXPECT_EQ(TheGroup().Settings().CHRO_MERGE_GROUP_NAME, 1);
}

TEST_F(SampleGroupingTest, ReplicateAndStandardizeSeparatorsFormSamplesAndGroups) {
  AddArrays("a", 5);
  CapturedLog log;
  ReadList("a1\nA2  \t\n--- Replicate---\na3\na4\n--- Replicate---\n--- Standardize---\na5\n");
  EXPECT_TRUE(UseArrayList);
  EXPECT_EQ(SampleGrouping.ArrayCount(), 5);
  EXPECT_EQ(SampleArrays(), (Samples{{0, 1}, {2, 3}, {4}}));
  EXPECT_EQ(GroupSizes(), (std::vector<int>{2, 1}));
  EXPECT_EQ(SampleGrouping.GroupFirstSample(1), 2);
  EXPECT_EQ(SampleGrouping.SampleName(0), "a1 *");
  EXPECT_EQ(SampleGrouping.SampleName(1), "a3 *");
  EXPECT_EQ(SampleGrouping.SampleName(2), "a5");
  EXPECT_TRUE(log.Contains("    Use 5 arrays for 3 samples and 2 sample groups\n", kLogBlack));
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
}

TEST_F(SampleGroupingTest, ListWithoutSeparatorsFollowsItsOwnOrder) {
  AddArrays("a", 4);
  ReadList("a3\na1\na4\n");
  EXPECT_EQ(SampleArrays(), (Samples{{2}, {0}, {3}}));
  EXPECT_EQ(GroupSizes(), std::vector<int>{3});
  EXPECT_EQ(SampleGrouping.SampleName(0), "a3");
}

TEST_F(SampleGroupingTest, SeparatorEdgeCases) {
  AddArrays("a", 6);
  // Arrays after the last Replicate line form one more sample of replicates; an empty
  // block is ignored.
  ReadList("a1\nReplicate\nReplicate\na2\na3 \n");
  EXPECT_EQ(SampleArrays(), (Samples{{0}, {1, 2}}));
  EXPECT_EQ(SampleGrouping.SampleName(1), "a2 *");

  // Before any Replicate line a group end keeps its arrays apart, and a later block
  // starts after it.
  ReadList("a1\na2\nStandardize\na3\na4\na5\nReplicate\nStandardize\n");
  EXPECT_EQ(SampleArrays(), (Samples{{0}, {1}, {2, 3, 4}}));
  EXPECT_EQ(GroupSizes(), (std::vector<int>{2, 1}));
  EXPECT_EQ(SampleGrouping.SampleName(2), "a3 **");

  // An empty line ends the list.
  ReadList("a6\n\na1\n");
  EXPECT_EQ(SampleArrays(), (Samples{{5}}));
}

TEST_F(SampleGroupingTest, UnknownNamesAreReportedAndTheRestKept) {
  AddArrays("a", 2);
  CapturedLog log;
  ReadList("a1\nghost\na2\n");
  EXPECT_TRUE(log.ContainsRed("    Cannot find array named 'ghost'"));
  EXPECT_EQ(SampleArrays(), (Samples{{0}, {1}}));
  EXPECT_TRUE(UseArrayList);
}

TEST_F(SampleGroupingTest, TenUnknownNamesAbandonTheList) {
  AddArrays("a", 2);
  std::string text = "a2\n";
  for (int i = 0; i < 10; ++i) text += "ghost" + std::to_string(i) + "\n";
  text += "a1\n";
  CapturedLog log;
  ReadList(text);
  EXPECT_TRUE(log.ContainsRed("    Cannot find array named 'ghost9'"));
  EXPECT_TRUE(log.ContainsRed("    Too many array names not found"));
  EXPECT_FALSE(UseArrayList);
  EXPECT_EQ(SampleArrays(), (Samples{{0}, {1}}));
  EXPECT_TRUE(
      log.Contains("  Treat all the 2 arrays as 2 samples and 1 sample groups\n", kLogBlack));
}

// A list that names none of the group's arrays (another group's, carried over to a new
// one) gets one red line and is not used; once a name is found, the names not found are
// reported one by one, those before it too.
TEST_F(SampleGroupingTest, AListOfNoneOfTheGroupsArraysIsReportedOnce) {
  AddArrays("a", 3);
  std::string many;
  for (int i = 0; i < 12; ++i) many += "b" + std::to_string(i) + "\n";
  const struct {
    const char* what;
    std::string text;
    std::vector<std::string> notFound;  // empty: the list names none of the arrays
  } lists[] = {
      {"another group's list", "b1\nb2\nReplicate\nb3\nStandardize\n", {}},
      {"more names than are let go", many, {}},
      {"unknown names before a known one", "b1\nb2\na3\nb4\n", {"b1", "b2", "b4"}},
  };
  for (const auto& list : lists) {
    SCOPED_TRACE(list.what);
    CapturedLog log;
    const std::string path = WriteFile("list.txt", list.text);
    SampleGrouping.ReadArrayListFile(path);
    const bool foreign = list.notFound.empty();
    EXPECT_EQ(UseArrayList, !foreign);
    EXPECT_EQ(log.ContainsRed(MessageBuffer(kForeignArrayListMessage, path.c_str())), foreign);
    EXPECT_EQ(log.CountInColour(kLogRed), foreign ? 1 : static_cast<int>(list.notFound.size()));
    for (const std::string& name : list.notFound)
      EXPECT_TRUE(log.ContainsRed("    Cannot find array named '" + name + "'")) << name;
    EXPECT_EQ(SampleArrays(), foreign ? (Samples{{0}, {1}, {2}}) : (Samples{{2}}));
  }
}

TEST_F(SampleGroupingTest, UnreadableOrEmptyListFallsBackToTheDefault) {
  AddArrays("a", 2);
  CapturedLog log;
  const std::string missing = mFolder.File("absent.txt");
  SampleGrouping.ReadArrayListFile(missing);
  EXPECT_TRUE(log.ContainsRed("  Reading array list file '" + missing +
                              "' failed (No such file or directory)\n"));
  EXPECT_EQ(SampleGrouping.SampleCount(), 2);
  EXPECT_FALSE(UseArrayList);

  ReadList("Replicate\nStandardize\n");
  EXPECT_FALSE(UseArrayList);
  EXPECT_EQ(SampleGrouping.SampleCount(), 2);
}

TEST_F(SampleGroupingTest, OnlyAnEmptyPathOrNoneLeavesTheListUnset) {
  AddArrays("a", 2);
  WriteFile("none_arrays.txt", "a2\na1\n");
  const CurrentFolderScope inTestFolder(mFolder.Path());
  CapturedLog log;
  SampleGrouping.ReadArrayListFile("none_arrays.txt");
  EXPECT_TRUE(UseArrayList);
  EXPECT_EQ(SampleArrays(), (Samples{{1}, {0}}));

  for (const char* unset : {"", "None", "NONE"}) {
    SCOPED_TRACE(unset);
    log.Clear();
    SampleGrouping.ReadArrayListFile(unset);
    EXPECT_FALSE(UseArrayList);
    EXPECT_EQ(log.CountInColour(kLogRed), 0);
  }
  SampleGrouping.ReadArrayListFile("nonexistent/x");
  EXPECT_TRUE(log.ContainsRed(
      "  Reading array list file 'nonexistent/x' failed (No such file or directory)\n"));
  EXPECT_FALSE(UseArrayList);
}

TEST_F(SampleGroupingTest, ListStopsAtTheArrayLimit) {
  AddArrays("a", 1);
  std::string text;
  for (int i = 0; i < kMaxGroupingEntries + 5; ++i) text += "a1\n";
  CapturedLog log;
  ReadList(text);
  EXPECT_TRUE(log.ContainsRed("    Error: The number of arrays exceeds Zelko limit 1000"));
  EXPECT_EQ(SampleGrouping.ArrayCount(), kMaxGroupingEntries);
  EXPECT_EQ(SampleGrouping.SampleCount(), kMaxGroupingEntries);
}

TEST_F(SampleGroupingTest, OverlongLineIsCutWithARedLine) {
  AddArrays("a", 1);
  CapturedLog log;
  ReadList(std::string(1500, 'q') + "\na1\n");
  EXPECT_TRUE(log.ContainsRed("is longer than 1000 characters"));
  EXPECT_TRUE(log.ContainsRed("    Cannot find array named '" + std::string(1000, 'q') + "'"));
  EXPECT_EQ(SampleArrays(), (Samples{{0}}));
}

TEST_F(SampleGroupingTest, LookupsAndCurrentSample) {
  AddArrays("a", 5);
  ReadList("a4\na2\nReplicate\nStandardize\na1\na5\nReplicate\n");
  EXPECT_EQ(SampleGrouping.FindSample("A4 *"), 0);
  EXPECT_EQ(SampleGrouping.FindSample("a4"), -1);
  EXPECT_EQ(SampleGrouping.GetSampleArray(1), 0);
  EXPECT_EQ(SampleGrouping.GetSampleOfArray(1), 0);
  EXPECT_EQ(SampleGrouping.GetSampleOfArray(4), 1);
  EXPECT_EQ(SampleGrouping.GetSampleOfArray(2), -1);
  EXPECT_EQ(SampleGrouping.GetGroupOfSample(0), 0);
  EXPECT_EQ(SampleGrouping.GetGroupOfSample(1), 1);
  EXPECT_EQ(SampleGrouping.GetGroupOfSample(2), -1);

  EXPECT_TRUE(SampleGrouping.SetCurrentSample(1));
  EXPECT_EQ(SampleGrouping.CurrentSample(), 1);
  EXPECT_EQ(TheGroup().Settings().CUR_ARRAY, 0);
  EXPECT_TRUE(SampleGrouping.SetCurrentSample(-3));
  EXPECT_EQ(SampleGrouping.CurrentSample(), -1);
  EXPECT_EQ(TheGroup().Settings().CUR_ARRAY, -1);
  EXPECT_TRUE(SampleGrouping.SetCurrentSample(2));
  EXPECT_EQ(SampleGrouping.CurrentSample(), -1);
}

class SampleValueTest : public SampleGroupingTest {
 protected:
  static VALUE_TRIPLE Triple(float value, float stdErr, int outlier = 0) {
    return {value, stdErr, outlier};
  }
  void Get(int sample, double* value, double* se, char* call) const {
    SampleGrouping.GetSampleValue(1, sample, value, se, call);
  }
};

TEST_F(SampleValueTest, SingleArraySampleTakesTheArraysTriple) {
  // Probe set 1 is looked at; probe set 0 is a decoy.
  AddArray("a1", {Triple(99.0f, 9.0f), Triple(7.5f, 0.5f, kArrayOutlierWord)}, {'A', 'P'});
  SampleGrouping.ReadArrayListFile("");
  double value = 0.0;
  double se = -1.0;
  char call = '?';
  Get(0, &value, &se, &call);
  EXPECT_EQ(value, 7.5);
  EXPECT_EQ(se, 0.0);
  EXPECT_EQ(call, '?');

  TheGroup().HasStdErrors = true;
  TheGroup().HasCalls = true;
  Get(0, &value, &se, &call);
  EXPECT_EQ(se, 0.5);
  EXPECT_EQ(call, 'P');

  TheGroup().Settings().ALLOW_MISSING = 1;
  Get(0, &value, &se, &call);
  EXPECT_TRUE(IsMissing(value));
}

TEST_F(SampleValueTest, ReplicatesGiveMeanAndStandardError) {
  AddArray("a1", {Triple(0, 0), Triple(1.0f, 0.0f)}, {'A', 'P'});
  AddArray("a2", {Triple(0, 0), Triple(2.0f, 0.0f)}, {'A', 'P'});
  AddArray("a3", {Triple(0, 0), Triple(3.0f, 0.0f, kArrayOutlierWord)}, {'A', 'A'});
  ReadList("a1\na2\na3\nReplicate\n");
  TheGroup().HasCalls = true;
  double value = 0.0;
  double se = 0.0;
  char call = '?';
  Get(0, &value, &se, &call);
  // 1, 2, 3: deviation 1, standard error 1 / sqrt(3).
  EXPECT_DOUBLE_EQ(value, 2.0);
  EXPECT_DOUBLE_EQ(se, 1.0 / std::sqrt(3.0));
  EXPECT_EQ(call, 'P');  // P, P, A

  TheGroup().Settings().ALLOW_MISSING = 1;
  Get(0, &value, &se, &call);
  // 1, 2 remain: deviation sqrt(0.5), standard error 0.5.
  EXPECT_DOUBLE_EQ(value, 1.5);
  EXPECT_DOUBLE_EQ(se, 0.5);
}

TEST_F(SampleValueTest, ReplicateCallIsPresentWhenAtLeastHalfArePresent) {
  AddArray("a1", {Triple(0, 0), Triple(1, 0)}, {'A', 'P'});
  AddArray("a2", {Triple(0, 0), Triple(1, 0)}, {'A', 'A'});
  AddArray("a3", {Triple(0, 0), Triple(1, 0)}, {'A', 'A'});
  AddArray("a4", {Triple(0, 0), Triple(1, 0)}, {'A', 'P'});
  ReadList("a1\na2\na3\nReplicate\na1\na2\nReplicate\n");
  TheGroup().HasCalls = true;
  double value = 0.0;
  double se = 0.0;
  char call = '?';
  Get(0, &value, &se, &call);
  EXPECT_EQ(call, 'A');  // P, A, A
  Get(1, &value, &se, &call);
  EXPECT_EQ(call, 'P');  // P, A: exactly half
}

TEST_F(SampleValueTest, ConsiderErrorWeightsReplicatesByTheirErrors) {
  AddArray("a1", {Triple(0, 0), Triple(2.0f, 0.05f)});
  AddArray("a2", {Triple(0, 0), Triple(4.0f, 5.0f)});
  AddArray("b1", {Triple(0, 0), Triple(2.0f, 0.0f)});
  AddArray("b2", {Triple(0, 0), Triple(4.0f, 0.0f)});
  ReadList("a1\na2\nReplicate\nb1\nb2\nReplicate\n");
  TheGroup().Settings().CONSIDER_ERROR = 1;
  double value = 0.0;
  double se = 0.0;
  char call = '?';
  Get(0, &value, &se, &call);
  // Whatever the between-replicate variance, the precise replicate weighs more, so the
  // value lies between it and the plain mean.
  EXPECT_GT(value, 2.0);
  EXPECT_LT(value, 3.0);
  // Without any positive error the plain mean is taken.
  Get(1, &value, &se, &call);
  EXPECT_DOUBLE_EQ(value, 3.0);
  EXPECT_DOUBLE_EQ(se, 1.0);
}

class SampleSelectionTest : public SampleGroupingTest {
 protected:
  void SetUp() override {
    SampleGroupingTest::SetUp();
    AddArrays("a", 5);
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(WriteFile("info.txt",
                                                        "Array\tName\tTissue\tAge (numeric)\n"
                                                        "a1\t\tliver\t10\n"
                                                        "a2\t\tbrain\t20\n"
                                                        "a3\t\tliver\t30\n"
                                                        "a4\t\tkidney\n"
                                                        "a5\t\tbrain\t40\n")));
    // Samples: (a2 a1), (a3), (a4), (a5).
    ReadList("a2\na1\nReplicate\na3\nReplicate\na4\nReplicate\na5\n");
  }
};

TEST_F(SampleSelectionTest, ColumnClassesCountSamplesByTheirFirstArray) {
  const ColumnClassCount& tissue = SampleGrouping.ColumnClasses(0);
  EXPECT_EQ(tissue.sampleTotal, 4);
  EXPECT_EQ(tissue.perClass[0], 1);  // liver: a3 (a1 is a second replicate)
  EXPECT_EQ(tissue.perClass[1], 2);  // brain: a2, a5
  EXPECT_EQ(tissue.perClass[2], 1);  // kidney
  EXPECT_EQ(SampleGrouping.ColumnClasses(1).sampleTotal, 0);
  EXPECT_EQ(SampleInfo.Column(0).categories[0].sampleCount, 2);
}

TEST_F(SampleSelectionTest, SelectByCategoryFlagsSamplesOrArrays) {
  SampleGrouping.ClearSelection();
  SampleGrouping.SelectByCategory(0, 1, false);  // brain
  EXPECT_EQ(SampleGrouping.SelectedCount(), 2);
  EXPECT_TRUE(SampleGrouping.Selected(0));
  EXPECT_TRUE(SampleGrouping.Selected(3));

  SampleGrouping.ClearSelection();
  SampleGrouping.SelectByCategory(0, 0, true);  // liver, by array
  EXPECT_TRUE(SampleGrouping.Selected(0));
  EXPECT_FALSE(SampleGrouping.Selected(1));
  EXPECT_TRUE(SampleGrouping.Selected(2));
}

TEST_F(SampleSelectionTest, ListSelectionCombinesByMode) {
  SampleGrouping.ClearSelection();
  SampleGrouping.SelectByCategory(0, 1, false);  // samples 0 and 3
  const std::vector<bool> start{true, true, false, false};
  const auto apply = [&](int mode) {
    std::vector<bool> list = start;
    SampleGrouping.SetListSelection(mode, list, false);
    return list;
  };
  EXPECT_EQ(apply(kSelectionOverwrite), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(apply(kSelectionOr), (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(apply(kSelectionAnd), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(apply(kSelectionInverse), (std::vector<bool>{false, true, true, false}));
}

TEST_F(SampleSelectionTest, SampleVariablesComeFromTheFirstArray) {
  ASSERT_TRUE(SampleGrouping.SetSampleVariable(0, "tissue", false));
  EXPECT_EQ(SampleGrouping.ClassCount(0), 3);
  EXPECT_EQ(SampleGrouping.ClassCode(0, 0), 1);
  EXPECT_EQ(SampleGrouping.ClassCode(0, 1), 0);
  EXPECT_EQ(SampleGrouping.ClassCode(0, 2), 2);
  ASSERT_TRUE(SampleGrouping.SetSampleVariable(1, "Tissue", true));
  EXPECT_EQ(SampleGrouping.ClassCode(1, 0), 'B');
  EXPECT_EQ(SampleGrouping.ClassCode(1, 2), 'K');

  ASSERT_TRUE(SampleGrouping.SetSampleVariable(0, "Age (numeric)", false));
  EXPECT_EQ(SampleGrouping.SampleWeight(0), 20.0f);
  EXPECT_EQ(SampleGrouping.SampleWeight(1), 30.0f);
  EXPECT_EQ(SampleGrouping.SampleWeight(2), kMissingValueFloat);
  // Standardised over the arrays 10, 20, 30, 40: mean 25, deviation sqrt(500 / 3).
  ASSERT_TRUE(SampleGrouping.SetSampleVariable(0, "Age (numeric)", true));
  EXPECT_NEAR(SampleGrouping.SampleWeight(3), 15.0 / std::sqrt(500.0 / 3.0), 1e-6);

  CapturedLog log;
  EXPECT_FALSE(SampleGrouping.SetSampleVariable(0, "Sex", false));
  EXPECT_TRUE(log.ContainsRed("    No sample information column named 'Sex'"));

  EXPECT_EQ(SampleGrouping.FillSampleVariable(1.5), 4);
  EXPECT_EQ(SampleGrouping.SampleWeight(3), 1.5f);
}

}  // namespace

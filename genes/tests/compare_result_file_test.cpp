// The compare result file as the store of the comparison list: every switch, threshold,
// operator and option read back as written, the lines a hand or an older version may
// leave, and a file that must be refused.
#include "genes/compare/compare_result_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "genes/tests/compare_test_support.hpp"

namespace {

class CompareResultFileTest : public CompareFixture {
 protected:
  void SetUp() override {
    CompareFixture::SetUp();
    Load(synth::MakeCompareData({}));
  }
  std::string Written(const COMPARE_CRITERIA& criteria) const {
    std::string text;
    AppendCriteriaBlock(text, criteria);
    return WriteFile("list.xls", text);
  }
  static std::string Block(const std::string& optionLines, const std::string& rows, int count) {
    return "[COMPARE_CRITERIA_V2]\n" + optionLines + "$NUM_CRITERION=" + std::to_string(count) +
           "\n" + kCriteriaColumnTitles + "\n" + rows + "[COMPARE_RESULT]\n";
  }
  static constexpr const char* kOptions =
      "$NUM_OPTION_LINE=5\n$ARRAY_LIST_FILE=\n$COMPARE_ON_GENE_LIST=\n$COMPARE_ON_USE_LIST=1\n"
      "$AVERAGE_USING_STANDARD_ERROR=No\n$OMIT_VOSK_CONTROL_GENE=No\n";
};

void ExpectSame(const COMPARE_CRITERION& a, const COMPARE_CRITERION& b) {
  EXPECT_EQ(a.combine, b.combine);
  EXPECT_EQ(a.isParenthesis, b.isParenthesis);
  if (a.isParenthesis) return;
  EXPECT_EQ(a.baseline, b.baseline);
  EXPECT_EQ(a.experiment, b.experiment);
  const int switchesA[] = {a.useEminusB, a.useBminusE, a.useEoverB, a.useBoverE,
                           a.usePcall,   a.usePvalue,  a.usePaired};
  const int switchesB[] = {b.useEminusB, b.useBminusE, b.useEoverB, b.useBoverE,
                           b.usePcall,   b.usePvalue,  b.usePaired};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(switchesA[i] != 0, switchesB[i] != 0) << "switch " << i;
  // A threshold counts only where its test is on.
  const auto on = [](int use, double value) { return use != 0 ? value : -1.0; };
  EXPECT_EQ(on(a.UsesFold(), a.useLowerBound != 0), on(b.UsesFold(), b.useLowerBound != 0));
  EXPECT_DOUBLE_EQ(on(a.useEoverB, a.EoverB), on(b.useEoverB, b.EoverB));
  EXPECT_DOUBLE_EQ(on(a.useBoverE, a.BoverE), on(b.useBoverE, b.BoverE));
  EXPECT_DOUBLE_EQ(on(a.useEminusB, a.EminusB), on(b.useEminusB, b.EminusB));
  EXPECT_DOUBLE_EQ(on(a.useBminusE, a.BminusE), on(b.useBminusE, b.BminusE));
  EXPECT_DOUBLE_EQ(on(a.usePvalue, a.Pvalue), on(b.usePvalue, b.Pvalue));
  EXPECT_DOUBLE_EQ(on(a.usePaired, a.pairPvalue), on(b.usePaired, b.pairPvalue));
  EXPECT_EQ(on(a.usePcall, a.PcallB), on(b.usePcall, b.PcallB));
  EXPECT_EQ(on(a.usePcall, a.PcallE), on(b.usePcall, b.PcallE));
}

TEST_F(CompareResultFileTest, EveryOptionReadsBackAsWritten) {
  // 256 lists of switches in turn, with thresholds of three (four for p) decimals.
  for (int mask = 0; mask < 256; mask += 7) {
    SCOPED_TRACE(mask);
    COMPARE_CRITERIA written;
    for (int i = 0; i < kMaxComparisons; ++i) {
      const int m = (mask + i * 37) & 255;
      COMPARE_CRITERION& c = written.entries[static_cast<std::size_t>(i)];
      c.isParenthesis = i % 5 == 3;
      c.combine = (m + i) % 4;
      if (!c.isParenthesis) {
        c.baseline = {i % 8, (i + 3) % 8};
        c.experiment = {(i + 1) % 8};
        c.useEminusB = m & 1;
        c.useBminusE = (m >> 1) & 1;
        c.useEoverB = (m >> 2) & 1;
        c.useBoverE = (m >> 3) & 1;
        c.usePcall = (m >> 4) & 1;
        c.useLowerBound = (m >> 5) & 1;
        c.usePvalue = (m >> 6) & 1;
        c.usePaired = (m >> 7) & 1;
        c.EminusB = 12.5 + i;
        c.BminusE = 0.125 * m;
        c.EoverB = 1.375 + m;
        c.BoverE = 2.001;
        c.Pvalue = 0.0125;
        c.pairPvalue = 0.001 * (i + 1);
        c.PcallB = m % 101;
        c.PcallE = (m * 3) % 101;
      }
    }
    written.count = kMaxComparisons;
    GroupSettings& s = TheGroup().Settings();
    s.FILTER_INPUT_LIST = mask % 2 ? "genes of interest.txt" : "None old.txt";
    s.FILTER_INPUT_USE = mask % 3 == 0 ? 0 : 1;
    s.CONSIDER_ERROR = mask % 2;
    s.OMIT_VOSK = (mask / 2) % 2;
    const std::string path = Written(written);
    s.FILTER_INPUT_LIST = "x";
    s.FILTER_INPUT_USE = 7;
    s.CONSIDER_ERROR = s.OMIT_VOSK = 5;

    COMPARE_CRITERIA read;
    ASSERT_TRUE(ReadCompareResultFile(read, path, false));
    ASSERT_EQ(read.count, written.count);
    for (int i = 0; i < read.count; ++i) {
      SCOPED_TRACE(i);
      ExpectSame(written.entries[static_cast<std::size_t>(i)],
                 read.entries[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(s.FILTER_INPUT_LIST, mask % 2 ? "genes of interest.txt" : "");
    EXPECT_EQ(s.FILTER_INPUT_USE, mask % 3 == 0 ? 0 : 1);
    EXPECT_EQ(s.CONSIDER_ERROR, mask % 2);
    EXPECT_EQ(s.OMIT_VOSK, (mask / 2) % 2);
    EXPECT_TRUE(
        mLog.Contains("  Read in 28 comparison criteria line in file '" + path + "'", kLogBlack));
    // The working comparison starts as the first entry.
    ExpectSame(read.working, written.entries[0]);
  }
}

TEST_F(CompareResultFileTest, TheFileARunWritesIsTheListOfTheNextRun) {
  SetList({Only(OnlyTest::kFold), Parenthesis(kCombineOrNot), Only(OnlyTest::kPaired)});
  CompareCriteria.entries[0].baseline = {2, 0};
  const COMPARE_CRITERIA before = CompareCriteria;
  TheGroup().Settings().COMPARE_COMPARISON_FILE = mFolder.File("kept.xls");
  ASSERT_TRUE(CompareSamples());
  InitCompareResult();
  ASSERT_EQ(CompareCriteria.count, 3);
  EXPECT_EQ(CompareCriteria.selected, 0);
  for (int i = 0; i < 3; ++i)
    ExpectSame(before.entries[static_cast<std::size_t>(i)],
               CompareCriteria.entries[static_cast<std::size_t>(i)]);
  // Without a file name the default is made of the working folder and the group name.
  TheGroup().Settings().COMPARE_COMPARISON_FILE.clear();
  TheGroup().Settings().WORKING_DIR = mFolder.Path().string();
  InitCompareResult();
  EXPECT_EQ(TheGroup().Settings().COMPARE_COMPARISON_FILE,
            mFolder.File(TheGroup().Name() + " compare result.xls"));
  EXPECT_EQ(CompareCriteria.count, 0);
  EXPECT_EQ(CompareCriteria.selected, -1);
  EXPECT_FALSE(mLog.ContainsRed("does not exist"));  // read quietly
}

TEST_F(CompareResultFileTest, HandWrittenAndForeignFilesReadAsTheirLinesSay) {
  COMPARE_CRITERIA read;
  // More option lines than this version writes are skipped; a quoted list; NA in one P call
  // field leaves the test off; runs of tabs are one separator.
  const std::string options7 = std::string(kOptions).replace(17, 1, "7") + "$LATER=1\n$LATER2=2\n";
  const std::string rows =
      "$No\tand\t\"1,3\"\t2\t1.500\tNA\tFold Change\tNA\tNA\tNA\tNA\t40\tNA\t\n"
      "$Yes\tOr Not\t\n"
      "$No\tAND NOT\t4\t\t\t5,6\tNA\t2.000\tLower Bound\t50.000\tNA\t0.0100\t30\t40\t0.0200\t\n";
  ASSERT_TRUE(ReadCompareResultFile(read, WriteFile("a.xls", Block(options7, rows, 3)), false));
  ASSERT_EQ(read.count, 3);
  EXPECT_EQ(read.entries[0].baseline, (std::vector<int>{0, 2}));
  EXPECT_EQ(read.entries[0].usePcall, 0);
  EXPECT_EQ(read.entries[0].useLowerBound, 0);
  EXPECT_TRUE(read.entries[1].isParenthesis);
  EXPECT_EQ(read.entries[1].combine, kCombineOrNot);
  const COMPARE_CRITERION& third = read.entries[2];
  EXPECT_EQ(third.combine, kCombineAndNot);
  EXPECT_EQ(third.experiment, (std::vector<int>{4, 5}));
  EXPECT_TRUE(third.usePcall && third.PcallB == 30 && third.PcallE == 40);
  EXPECT_TRUE(third.usePaired && third.pairPvalue == 0.02 && third.useLowerBound);

  // Not this layout; missing (quiet or not); rows that end early keep what was read.
  EXPECT_FALSE(ReadCompareResultFile(read, WriteFile("b.xls", "[COMPARE_CRITERIA]\n"), true));
  EXPECT_TRUE(mLog.ContainsRed("does not contain the comparison criteria usable"));
  EXPECT_FALSE(ReadCompareResultFile(read, mFolder.File("none.xls"), false));
  EXPECT_TRUE(mLog.ContainsRed("does not exist; will create new file"));
  EXPECT_FALSE(ReadCompareResultFile(read, WriteFile("c.xls", Block(kOptions, rows, 5)), false));
  EXPECT_TRUE(mLog.ContainsRed(kCompareRowsMissingMessage));
  EXPECT_EQ(read.count, 3);
  // Counts and samples no list can hold are refused before anything is sized from them.
  EXPECT_FALSE(ReadCompareResultFile(read, WriteFile("d.xls", Block(kOptions, "", 29)), false));
  EXPECT_EQ(read.count, 0);
  const std::string badSample = "$No\tand\t0\t2\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\t\n";
  EXPECT_FALSE(
      ReadCompareResultFile(read, WriteFile("e.xls", Block(kOptions, badSample, 1)), false));
  EXPECT_TRUE(mLog.ContainsRed("comparison criterion line 1 is not valid"));
}

TEST_F(CompareResultFileTest, ThresholdsAndCountsThatAreNoFiniteNumbersAreRefused) {
  const std::string good = "$No\tand\t1\t2\tNA\tNA\tNA\tNA\tNA\t1e-3\tNA\tNA\tNA\t\n";
  // Each threshold field of the second row in turn, the fields split at tabs.
  const auto row = [](std::size_t field, const std::string& value) {
    std::vector<std::string> fields = {"$No", "or", "1",    "2",  "1.5", "NA", "Fold Change",
                                       "NA",  "NA", "0.05", "20", "30",  "NA"};
    fields[field] = value;
    std::string text;
    for (const std::string& f : fields) text += f + "\t";
    return text + "\n";
  };
  COMPARE_CRITERIA read;
  ASSERT_TRUE(ReadCompareResultFile(
      read, WriteFile("ok.xls", Block(kOptions, good + row(4, "2"), 2)), false));
  EXPECT_EQ(read.count, 2);
  EXPECT_DOUBLE_EQ(read.entries[0].Pvalue, 0.001);
  EXPECT_TRUE(read.entries[1].usePcall && read.entries[1].useEoverB);
  // The red line names the field by its column title and says what is wrong with it.
  const std::vector<std::string> fieldNames = [] {
    std::vector<std::string> names;
    std::string all = kCriteriaColumnTitles;
    for (std::size_t at = 0, tab; at <= all.size(); at = tab + 1) {
      tab = std::min(all.find('\t', at), all.size());
      names.push_back(all.substr(at, tab - at));
    }
    return names;
  }();
  ASSERT_EQ(fieldNames.size(), kCriteriaFields);
  const std::vector<std::pair<const char*, const char*>> faults = {
      {"nan", "not a number (NaN)"},
      {"NaN", "not a number (NaN)"},
      {"inf", "an infinite number"},
      {"-Infinity", "an infinite number"},
      {"1e999", "beyond the range of a number"},
      {"-1e400", "beyond the range of a number"},
      {"abc", "not a number"},
      {"0.05x", "not a number"}};
  for (const std::size_t field : {4u, 5u, 7u, 8u, 9u, 10u, 11u, 12u}) {
    for (const auto& [bad, fault] : faults) {
      SCOPED_TRACE(testing::Message() << "field " << field << ": " << bad);
      mLog.Clear();
      EXPECT_FALSE(ReadCompareResultFile(
          read, WriteFile("bad.xls", Block(kOptions, good + row(field, bad), 2)), false));
      EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kCompareRowBadMessage, 2) + ": its field '" +
                                   fieldNames[field] + "' holds '" + bad + "', " + fault +
                                   ", where a finite number or NA belongs"));
      EXPECT_EQ(mLog.CountInColour(kLogRed), 1);
      EXPECT_EQ(read.count, 1) << "the rows before it are kept";
    }
  }
  // Samples no grouping holds, and rows short of their fields.
  const std::vector<std::pair<std::string, std::string>> rows = {
      {row(2, "0"),
       "its field 'Baseline' holds '0', not a list of at most 1000 sample numbers "
       "from 1 to 1000"},
      {row(3, "2,x"),
       "its field 'Experiment' holds '2,x', not a list of at most 1000 sample "
       "numbers from 1 to 1000"},
      {"$No\tand\t1\t2\tNA\t\n", "it has 5 of its 13 fields"},
      {"$No\n", "it has 1 of its 2 fields"},
  };
  for (const auto& [text, fault] : rows) {
    SCOPED_TRACE(text);
    mLog.Clear();
    EXPECT_FALSE(
        ReadCompareResultFile(read, WriteFile("bad.xls", Block(kOptions, good + text, 2)), false));
    EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kCompareRowBadMessage, 2) + ": " + fault));
  }

  // Counts that are no whole number from 0 to 28, and option counts beyond 1000.
  const std::string titles = std::string(kCriteriaColumnTitles) + "\n";
  const std::string options = std::string(kOptions);
  for (const char* count : {"99999999999", "-1", "29", "abc", "3x", "", "1e1", "nan"}) {
    SCOPED_TRACE(count);
    mLog.Clear();
    const std::string text = "[COMPARE_CRITERIA_V2]\n" + options + "$NUM_CRITERION=" + count +
                             "\n" + titles + good + "[COMPARE_RESULT]\n";
    EXPECT_FALSE(ReadCompareResultFile(read, WriteFile("count.xls", text), false));
    EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kCompareCountBadMessage, count)));
    EXPECT_EQ(read.count, 0);
  }
  for (const char* count : {"99999999999", "1001", "-2", "five"}) {
    SCOPED_TRACE(count);
    mLog.Clear();
    std::string text = Block(kOptions, good, 1);
    text.replace(text.find("=5"), 2, std::string("=") + count);
    EXPECT_FALSE(ReadCompareResultFile(read, WriteFile("options.xls", text), false));
    EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kCompareOptionCountBadMessage, count)));
  }
}

}  // namespace

// The sample information file: categorical and numeric columns, missing cells, line ends,
// the limits on columns, categories and lengths, renaming arrays, the enrichment
// probability, and the class file written from a column.
#include "engine/group/sample_info.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/base/colour.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/tests/sample_test_support.hpp"
#include "platform/tests/file_size_limit.hpp"

namespace {

class SampleInfoFile : public SampleFixture {};

double Choose(int n, int k) {
  if (k < 0 || k > n) return 0.0;
  double result = 1.0;
  for (int i = 1; i <= k; ++i) result = result * (n - k + i) / i;
  return result;
}

// P(X >= hits) for X hypergeometric: draws from total items of which members are marked.
double UpperTail(int total, int members, int draws, int hits) {
  double sum = 0.0;
  for (int x = hits; x <= draws; ++x)
    sum += Choose(members, x) * Choose(total - members, draws - x);
  return sum / Choose(total, draws);
}

TEST_F(SampleInfoFile, OnlyAnEmptyPathOrNoneMeansNoFile) {
  AddArrays("a", 1);
  WriteFile("none_info.txt", "Array\tName\tTissue\na1\t\tliver\n");
  const CurrentFolderScope inTestFolder(mFolder.Path());
  CapturedLog log;
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile("none_info.txt"));
  EXPECT_EQ(SampleInfo.ColumnCount(), 1);

  for (const char* unset : {"", "None", "none"}) {
    SCOPED_TRACE(unset);
    log.Clear();
    EXPECT_FALSE(SampleInfo.ReadSampleInfoFile(unset));
    EXPECT_TRUE(log.Lines().empty());
  }
  EXPECT_FALSE(SampleInfo.ReadSampleInfoFile("nonexistent/x"));
  EXPECT_TRUE(log.ContainsRed(
      "  Reading sample information file 'nonexistent/x' failed (No such file or directory)\n"));
}

TEST_F(SampleInfoFile, ReadsCategoricalAndNumericColumnsWithMissingCells) {
  AddArrays("a", 4);
  const std::string path = WriteFile("info.txt",
                                     "Array\tName\tTissue\tAge (numeric)\tSex\n"
                                     "a1\t\tliver\t1\tF\n"
                                     "a2\t\tbrain\t2\t\n"
                                     "a3\t\tLiver \t3\tM\n"
                                     "a4\t\t\t\tF\n");
  CapturedLog log;
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(path));
  EXPECT_TRUE(log.Contains("  Reading sample information file '" + path + "'...", kLogBlack));
  EXPECT_TRUE(log.Contains(
      "    Read 3 sample information columns (besides the first two columns) for 4 arrays\n",
      kLogBlack));
  EXPECT_EQ(log.CountInColour(kLogRed), 0);

  ASSERT_EQ(SampleInfo.ColumnCount(), 3);
  const SampleInfoColumn& tissue = SampleInfo.Column(0);
  EXPECT_EQ(tissue.name, "Tissue");
  EXPECT_FALSE(tissue.numeric);
  ASSERT_EQ(tissue.CategoryCount(), 2);
  // Trimmed and compared without case; the first spelling met is kept.
  EXPECT_EQ(tissue.categories[0].name, "liver");
  EXPECT_EQ(tissue.categories[0].sampleCount, 2);
  EXPECT_EQ(tissue.categories[1].name, "brain");
  EXPECT_EQ(tissue.sampleTotal, 3);
  EXPECT_EQ(SampleInfo.CategoryOf(0, 0), 0);
  EXPECT_EQ(SampleInfo.CategoryOf(2, 0), 0);
  EXPECT_EQ(SampleInfo.CategoryOf(3, 0), -1);
  EXPECT_TRUE(SampleInfo.HasCategory(1, 0, 1));
  EXPECT_FALSE(SampleInfo.HasCategory(1, 0, 0));

  const SampleInfoColumn& age = SampleInfo.Column(1);
  EXPECT_TRUE(age.numeric);
  EXPECT_EQ(age.CategoryCount(), 0);
  EXPECT_EQ(SampleInfo.NumericValue(2, 1), 3.0);
  EXPECT_TRUE(IsMissing(SampleInfo.NumericValue(3, 1)));
  // 1, 2, 3 have mean 2 and standard deviation 1.
  EXPECT_DOUBLE_EQ(SampleInfo.StandardizedValue(0, 1), -1.0);
  EXPECT_DOUBLE_EQ(SampleInfo.StandardizedValue(1, 1), 0.0);
  EXPECT_DOUBLE_EQ(SampleInfo.StandardizedValue(2, 1), 1.0);
  EXPECT_TRUE(IsMissing(SampleInfo.StandardizedValue(3, 1)));

  EXPECT_EQ(SampleInfo.CategoryOf(1, 2), -1);  // empty Sex cell
  EXPECT_EQ(SampleInfo.Column(2).sampleTotal, 3);
}

TEST_F(SampleInfoFile, CrlfLineEndsLeaveNoCarriageReturnInTheLastColumn) {
  AddArrays("a", 2);
  const std::string path = WriteFile("info.txt",
                                     "Array\tName\tSex\r\n"
                                     "a1\t\tMale\r\n"
                                     "a2\t\tmale\r\n"
                                     "\r\n"
                                     "a1\t\tFemale\r\n");
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(path));
  ASSERT_EQ(SampleInfo.ColumnCount(), 1);
  EXPECT_EQ(SampleInfo.Column(0).name, "Sex");
  // The empty line ends the rows, so the last line is never read.
  ASSERT_EQ(SampleInfo.Column(0).CategoryCount(), 1);
  EXPECT_EQ(SampleInfo.Column(0).categories[0].name, "Male");
  EXPECT_EQ(SampleInfo.Column(0).sampleTotal, 2);
}

TEST_F(SampleInfoFile, TitleLineWithoutTabIsRefused) {
  AddArrays("a", 1);
  const std::string path = WriteFile("info.txt", "Array Name Tissue\na1 x liver\n");
  CapturedLog log;
  EXPECT_FALSE(SampleInfo.ReadSampleInfoFile(path));
  EXPECT_TRUE(log.ContainsRed(
      "    Error: only one column is in the sample information file; Make sure the file is saved "
      "in text format in Excel by 'File/Save As/Save as type: Text (Tab delimited)'\n"));
  EXPECT_EQ(SampleInfo.ColumnCount(), 0);
  EXPECT_EQ(SampleInfo.RowCount(), 0);
}

TEST_F(SampleInfoFile, UnopenableAndUnsetPathsFail) {
  AddArrays("a", 1);
  CapturedLog log;
  const std::string missing = mFolder.File("absent.txt");
  EXPECT_FALSE(SampleInfo.ReadSampleInfoFile(missing));
  EXPECT_TRUE(log.ContainsRed("  Reading sample information file '" + missing +
                              "' failed (No such file or directory)\n"));
  log.Clear();
  EXPECT_FALSE(SampleInfo.ReadSampleInfoFile(""));
  EXPECT_FALSE(SampleInfo.ReadSampleInfoFile("None"));
  EXPECT_TRUE(log.Lines().empty());
}

TEST_F(SampleInfoFile, RowsForUnknownArraysAreSkippedAndArraysWithoutRowsHaveNothing) {
  AddArrays("a", 3);
  const std::string path = WriteFile("info.txt",
                                     "Array\tName\tBatch\tDose (numeric)\n"
                                     "x9\t\tB1\t4\n"
                                     "a2\t\tB2\t5\n"
                                     "x7\t\tB1\t6\n"
                                     "a3\t\tB2\t7\n");
  CapturedLog log;
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(path));
  EXPECT_TRUE(log.Contains("for 2 arrays\n", kLogBlack));
  EXPECT_EQ(SampleInfo.RowCount(), 3);
  ASSERT_EQ(SampleInfo.Column(0).CategoryCount(), 1);  // B1 came only from unknown arrays
  EXPECT_EQ(SampleInfo.Column(0).categories[0].name, "B2");
  EXPECT_EQ(SampleInfo.CategoryOf(0, 0), -1);
  EXPECT_TRUE(IsMissing(SampleInfo.NumericValue(0, 1)));
  EXPECT_TRUE(IsMissing(SampleInfo.StandardizedValue(0, 1)));
  // Two values 5 and 7: deviation sqrt(2) about 6; kept as floats.
  EXPECT_FLOAT_EQ(SampleInfo.StandardizedValue(1, 1), -1.0 / std::sqrt(2.0));
  EXPECT_FLOAT_EQ(SampleInfo.StandardizedValue(2, 1), 1.0 / std::sqrt(2.0));
}

TEST_F(SampleInfoFile, NoMatchingArrayFailsAndClears) {
  AddArrays("a", 2);
  const std::string path = WriteFile("info.txt", "Array\tName\tBatch\nz1\t\tB1\nz2\t\tB2\n");
  CapturedLog log;
  EXPECT_FALSE(SampleInfo.ReadSampleInfoFile(path));
  EXPECT_TRUE(log.ContainsRed(
      "    No sample information found for the current arrays; probably wrong sample information "
      "file\n"));
  EXPECT_EQ(SampleInfo.ColumnCount(), 0);
}

TEST_F(SampleInfoFile, TwoTitlesGiveNoColumnsButStillMatchArrays) {
  AddArrays("a", 2);
  const std::string path = WriteFile("info.txt", "Array\tName\na1\tfirst\na2\t\n");
  CapturedLog log;
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(path));
  EXPECT_EQ(SampleInfo.ColumnCount(), 0);
  EXPECT_TRUE(log.Contains(
      "    Read 0 sample information columns (besides the first two columns) for 2 arrays\n",
      kLogBlack));
}

TEST_F(SampleInfoFile, SecondFieldRenamesAMatchedArrayAndFindsAnUnmatchedOne) {
  AddArrays("a", 2);
  const std::string path = WriteFile("info.txt",
                                     "File\tSample\tTissue\n"
                                     "A1\tTumour one \t\tliver\n"
                                     "scan-7\ta2\tbrain\n");
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(path));
  EXPECT_EQ(TheGroup().Array(0).name, "Tumour one");
  EXPECT_EQ(TheGroup().Array(1).name, "a2");
  // "\t\tliver" puts an empty Tissue cell first; the extra field has no column.
  EXPECT_EQ(SampleInfo.CategoryOf(0, 0), -1);
  EXPECT_EQ(SampleInfo.CategoryOf(1, 0), 0);
}

TEST_F(SampleInfoFile, CellsStartingWithABlankAreMissingAndNumbersReadLikeAtof) {
  AddArrays("a", 3);
  const std::string path = WriteFile("info.txt",
                                     "Array\tName\tTissue\tScore (numeric)\n"
                                     "a1\t\t liver\tabc\n"
                                     "a2\t\tbrain\t 4\n"
                                     "a3\t\tbrain\t2.5e1x\n");
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(path));
  EXPECT_EQ(SampleInfo.CategoryOf(0, 0), -1);
  EXPECT_EQ(SampleInfo.Column(0).CategoryCount(), 1);
  EXPECT_EQ(SampleInfo.NumericValue(0, 1), 0.0);
  EXPECT_TRUE(IsMissing(SampleInfo.NumericValue(1, 1)));
  EXPECT_EQ(SampleInfo.NumericValue(2, 1), 25.0);
}

TEST_F(SampleInfoFile, ColumnLimitAdmits99AndRefuses100) {
  AddArrays("a", 1);
  const auto fileWithColumns = [&](int columns) {
    std::string titles = "Array\tName";
    std::string row = "a1\t";
    for (int c = 0; c < columns; ++c) {
      titles += "\tC" + std::to_string(c);
      row += "\tv";
    }
    return WriteFile("info" + std::to_string(columns) + ".txt", titles + "\n" + row + "\n");
  };
  CapturedLog log;
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(fileWithColumns(99)));
  EXPECT_EQ(SampleInfo.ColumnCount(), 99);
  EXPECT_EQ(SampleInfo.CategoryOf(0, 98), 0);
  EXPECT_EQ(log.CountInColour(kLogRed), 0);

  EXPECT_FALSE(SampleInfo.ReadSampleInfoFile(fileWithColumns(100)));
  EXPECT_TRUE(log.ContainsRed("    Error: Number of sample information columns exceeds limit"));
  EXPECT_EQ(SampleInfo.ColumnCount(), 0);
}

TEST_F(SampleInfoFile, CategoryLimitAdmits150AndThe151stFailsTheRead) {
  AddArrays("a", 1);
  std::string text = "Array\tName\tTissue\n";
  for (int k = 0; k < 150; ++k) text += "a1\t\tkind" + std::to_string(k) + "\n";
  CapturedLog log;
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(WriteFile("full.txt", text)));
  EXPECT_EQ(SampleInfo.Column(0).CategoryCount(), 150);
  EXPECT_EQ(SampleInfo.CategoryOf(0, 0), 149);

  text += "a1\t\tkind150\n";
  EXPECT_FALSE(SampleInfo.ReadSampleInfoFile(WriteFile("over.txt", text)));
  EXPECT_TRUE(log.ContainsRed("    Error: number of categories of column 'Tissue' exceeds limit"));
  EXPECT_EQ(SampleInfo.ColumnCount(), 0);
  EXPECT_EQ(SampleInfo.RowCount(), 0);
}

TEST_F(SampleInfoFile, OverlongLineTitleAndCategoryAreCutWithARedLine) {
  AddArrays("a", 2);
  const std::string longTitle(300, 'T');
  const std::string longCategory(400, 'c');
  const std::string filler(kSampleInfoLineLength, 'x');
  const std::string path = WriteFile("long.txt", "Array\tName\t" + longTitle +
                                                     "\tOther\n"
                                                     "a1\t\t" +
                                                     longCategory + "\t" + filler +
                                                     "\n"
                                                     "a2\t\t" +
                                                     longCategory + "\tshort\n");
  CapturedLog log;
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(path));
  EXPECT_EQ(SampleInfo.Column(0).name, longTitle.substr(0, kMaxColumnTitleLength));
  EXPECT_TRUE(log.ContainsRed("cut to 254 characters"));
  ASSERT_EQ(SampleInfo.Column(0).CategoryCount(), 1);
  EXPECT_EQ(SampleInfo.Column(0).categories[0].name,
            longCategory.substr(0, kMaxCategoryTextLength));
  EXPECT_EQ(SampleInfo.Column(0).categories[0].sampleCount, 2);
  EXPECT_TRUE(log.ContainsRed("Line 2 of '" + path + "' is longer than 20000 characters"));
  // The cut line keeps its first 20000 characters: part of the filler is array a1's cell.
  ASSERT_EQ(SampleInfo.Column(1).CategoryCount(), 2);
  EXPECT_EQ(SampleInfo.Column(1).categories[0].name.size(), kMaxCategoryTextLength);
  EXPECT_EQ(SampleInfo.Column(1).categories[1].name, "short");
}

TEST_F(SampleInfoFile, CategoryColoursFollowTheTextHash) {
  AddArrays("a", 1);
  const std::string path = WriteFile("info.txt", "Array\tName\tP\tQ\na1\t\tA\t\xE9\n");
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(path));
  // "A" in column 0: h = 66 x 1 x 8 = 528; (33, 55, 77) x 529 mod 215 + 40.
  EXPECT_EQ(SampleInfo.Column(0).categories[0].colour, RGB(82, 110, 138));
  // The byte 0xE9 counts as 233 in column 1: h = 234 x 2 x 8 = 3744.
  EXPECT_EQ(SampleInfo.Column(1).categories[0].colour,
            RGB(33 * 3745 % 215 + 40, 55 * 3745 % 215 + 40, 77 * 3745 % 215 + 40));
}

TEST_F(SampleInfoFile, LongCategoryTextsHashWithoutOverflow) {
  AddArrays("a", 1);
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(WriteFile("info.txt", "Array\tName\tP\na1\t\tx\n")));
  // 40 bytes of 0xFF: 256^40 wraps to 0 in 32 bits, so h = 0 and the colour is TermColor(0).
  const int index = SampleInfo.AddCategory(0, std::string(40, '\xFF'));
  ASSERT_EQ(index, 1);
  EXPECT_EQ(SampleInfo.Column(0).categories[1].colour, RGB(73, 95, 117));
  EXPECT_EQ(SampleInfo.AddCategory(0, ""), -1);
  EXPECT_EQ(SampleInfo.AddCategory(0, "  "), -1);
}

TEST_F(SampleInfoFile, EnrichmentIsTheHypergeometricUpperTail) {
  AddArrays("a", 10);
  std::string text = "Array\tName\tGrade\n";
  for (int i = 1; i <= 10; ++i)
    text += "a" + std::to_string(i) + "\t\t" + (i <= 4 ? "high" : "low") + "\n";
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(WriteFile("info.txt", text)));
  // 4 "high" among 10; 5 drawn.
  EXPECT_NEAR(SampleInfo.CategoryEnrichmentPValue(0, 0, 5, 3), 66.0 / 252.0, 1e-12);
  EXPECT_NEAR(SampleInfo.CategoryEnrichmentPValue(0, 0, 5, 3), UpperTail(10, 4, 5, 3), 1e-12);
  EXPECT_NEAR(SampleInfo.CategoryEnrichmentPValue(0, 1, 5, 5), UpperTail(10, 6, 5, 5), 1e-12);
  // No hit is tested as at least one hit.
  EXPECT_NEAR(SampleInfo.CategoryEnrichmentPValue(0, 0, 5, 0), UpperTail(10, 4, 5, 1), 1e-12);
  EXPECT_EQ(SampleInfo.CategoryEnrichmentPValue(0, 2, 5, 1), 1.0);
  EXPECT_EQ(SampleInfo.CategoryEnrichmentPValue(3, 0, 5, 1), 1.0);
}

TEST_F(SampleInfoFile, FindColumnIgnoresCaseAndLogsEitherWay) {
  AddArrays("a", 1);
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(
      WriteFile("info.txt", "Array\tName\tTissue\tAge(numeric)\na1\t\tliver\t3\n")));
  CapturedLog log;
  EXPECT_EQ(SampleInfo.FindSampleInfoColumn("age(NUMERIC)"), 1);
  EXPECT_TRUE(log.Contains("    Use sample information column 'age(NUMERIC)'", kLogBlack));
  EXPECT_EQ(SampleInfo.FindSampleInfoColumn("Sex"), -1);
  EXPECT_TRUE(log.ContainsRed("    No sample information column named 'Sex'"));
}

TEST_F(SampleInfoFile, ClassFileLabelsTheSelectedSamples) {
  AddArrays("a", 4);
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(WriteFile(
      "info.txt", "Array\tName\tTissue\na1\t\tliver\na2\t\tbrain\na3\t\tliver\na4\t\t\n")));
  SampleGrouping.ReadArrayListFile("");
  for (int sample : {0, 1, 3}) SampleGrouping.SetSelected(sample, true);
  const std::string path = mFolder.File("out.cls");
  CapturedLog log;
  ASSERT_TRUE(SampleInfo.WriteClassFile(path, 0));
  EXPECT_EQ(ReadFile(path), "3 2 1\n# liver brain\n0 1 -1 \n");
  EXPECT_TRUE(log.Contains("  GeneCluster Class file '" + path + "' exported\n", kLogBlack));

  EXPECT_FALSE(SampleInfo.WriteClassFile(path, 1));
  EXPECT_TRUE(
      log.ContainsRed("    No such sample info column when writing GeneCluster class file"));
  EXPECT_FALSE(SampleInfo.WriteClassFile(mFolder.File("no/such/folder.cls"), 0));
  EXPECT_TRUE(log.ContainsRed("    Writing GeneCluster class file '"));
  EXPECT_EQ(ReadFile(path), "3 2 1\n# liver brain\n0 1 -1 \n") << "a refused column writes nothing";

  // A write cut short keeps the last class file.
  for (int sample : {0, 1, 2, 3}) SampleGrouping.SetSelected(sample, true);
  {
    const platform::testing::FileSizeLimit limit(8);
    EXPECT_FALSE(SampleInfo.WriteClassFile(path, 0));
  }
  EXPECT_EQ(ReadFile(path), "3 2 1\n# liver brain\n0 1 -1 \n");
}

TEST_F(SampleInfoFile, ArrayNamesComeFromDataFilesBeforeTheSampleInformationIsRead) {
  AddArray("x", {}, {}, "/data/run 1/Tumour_01.CEL");
  AddArray("y", {}, {}, "C:\\scans\\normal.2.cel");
  AddArray("z", {}, {}, "plain");
  TheGroup().Settings().SAMPLE_INFO_FILE =
      WriteFile("info.txt", "Array\tName\tTissue\nnormal.2\t\tliver\n");
  TheGroup().OpenedFromDataFiles = true;
  EXPECT_TRUE(SetArrayNamesFromFiles());
  EXPECT_EQ(TheGroup().Array(0).name, "Tumour_01");
  EXPECT_EQ(TheGroup().Array(1).name, "normal.2");
  EXPECT_EQ(TheGroup().Array(2).name, "plain");
  EXPECT_EQ(SampleInfo.CategoryOf(1, 0), 0);

  TheGroup().Array(0).name = "kept";
  TheGroup().OpenedFromDataFiles = false;
  TheGroup().Settings().SAMPLE_INFO_FILE = "None";
  EXPECT_FALSE(SetArrayNamesFromFiles());
  EXPECT_EQ(TheGroup().Array(0).name, "kept");
}

}  // namespace

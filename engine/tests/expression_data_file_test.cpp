// The expression data file written from a group of known values, and read back by the
// external data reader in every form the export dialog can ask for.
#include "engine/jobs/expression_data_file.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/jobs/external_data.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "engine/tests/expression_file_test_support.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/system_error.hpp"

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

class ExpressionDataFileTest : public ExpressionFileFixture {
 protected:
  std::string Export(const std::string& name = "out.xls") {
    const std::string path = mFolder.File(name);
    EXPECT_TRUE(WriteExpressionData(path));
    return path;
  }
};

struct ExportOptions {
  bool hasBoth, hasStd, gct, nameLast, header, allowMissing, genes;
};

TEST_F(ExpressionDataFileTest, EveryOptionCombinationReadsBackTheSameValuesCallsAndErrors) {
  for (int mask = 0; mask < 128; ++mask) {
    const ExportOptions o{(mask & 1) != 0,  (mask & 2) != 0,  (mask & 4) != 0, (mask & 8) != 0,
                          (mask & 16) != 0, (mask & 32) != 0, (mask & 64) != 0};
    SCOPED_TRACE(mask);
    TearDown();
    SetUp();
    if (o.genes) InstallGenes();
    GroupSettings& s = TheGroup().Settings();
    s.HAS_BOTH = o.hasBoth;
    s.HAS_STD = o.hasStd;
    s.GCT_FORMAT = o.gct;
    s.NAME_LAST = o.nameLast;
    s.EXPRESSION_INCLUDE_HEADER = o.header;
    s.ALLOW_MISSING = o.allowMissing;
    const std::string path = Export();
    // The gene column second is skipped on request, as the reader's dialog offers.
    s.HAS_GENE_NAME = o.genes && !o.nameLast && !o.gct;

    s.EXTERNAL_DATA_FILE = path;
    ASSERT_TRUE(ReadExternalData());
    const Group& group = TheGroup();
    ASSERT_EQ(group.NumArrays(), kArrays);
    ASSERT_EQ(Layout.unitCount, kUnits);
    EXPECT_TRUE(group.Modelled);
    EXPECT_EQ(group.HasCalls, o.hasBoth);
    EXPECT_EQ(group.HasStdErrors, o.hasStd);
    for (int a = 0; a < kArrays; ++a) {
      EXPECT_EQ(group.Array(a).name, "array " + std::to_string(a + 1));
      for (int u = 0; u < kUnits; ++u) {
        SCOPED_TRACE(testing::Message() << "array " << a << " unit " << u);
        EXPECT_EQ(Layout.units[static_cast<std::size_t>(u)].Name(), "ps_" + std::to_string(u));
        const VALUE_TRIPLE& triple = group.Array(a).values[static_cast<std::size_t>(u)];
        const bool missing =
            (a == 0 && u == kMissingUnit) || (o.allowMissing && a == 1 && u == kOutlierUnit);
        EXPECT_EQ(triple.value, missing ? kMissingValueFloat : Value(a, u));
        if (o.hasStd) {
          EXPECT_EQ(triple.stdErr, StdError(a, u));
        }
        if (o.hasBoth) {
          EXPECT_EQ(group.Array(a).calls[static_cast<std::size_t>(u)], Call(a, u));
        }
      }
    }
  }
}

// Enough probe sets for several batches of rows, with numbers of every decade: the file
// holds each as printf's "%.6g" writes it, whether one thread formats the rows or many.
TEST_F(ExpressionDataFileTest, LongTablesAreTheSameBytesOnOneThreadAndOnMany) {
  constexpr int kRows = 9000;
  UseUnits(kRows);
  std::uint32_t state = 99;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state;
  };
  const auto number = [&next] {
    const double mantissa = static_cast<double>(next()) / 4294967296.0;
    const int decade = static_cast<int>(next() % 20) - 8;
    return static_cast<float>((next() % 5 == 0 ? -mantissa : mantissa) * std::pow(10.0, decade));
  };
  Group& group = TheGroup();
  for (int a = 0; a < kArrays; ++a) {
    ArraySlot& slot = group.Array(a);
    slot.values.resize(kRows);
    slot.calls.resize(kRows);
    for (int u = 0; u < kRows; ++u) {
      const float value = u % 97 == a ? kMissingValueFloat : number();
      slot.values[static_cast<std::size_t>(u)] = {value, std::fabs(number()), 0};
      slot.calls[static_cast<std::size_t>(u)] = Call(a, u);
    }
  }
  GroupSettings& s = group.Settings();
  s.HAS_BOTH = 1;
  s.HAS_STD = 1;
  const auto printed = [](double v) {
    char text[64];
    return std::string(text, static_cast<std::size_t>(std::snprintf(text, sizeof text, "%.6g", v)));
  };
  std::string expected = "probe set\t";
  for (int a = 0; a < kArrays; ++a) {
    const std::string name = "array " + std::to_string(a + 1);
    expected += name + "\t" + name + " call\t" + name + " SE\t";
  }
  expected += "\n";
  for (int u = 0; u < kRows; ++u) {
    expected += "ps_" + std::to_string(u) + "\t";
    for (int a = 0; a < kArrays; ++a) {
      const VALUE_TRIPLE& triple = group.Array(a).values[static_cast<std::size_t>(u)];
      if (triple.value != kMissingValueFloat) expected += printed(triple.value);
      expected += std::string("\t") + Call(a, u) + "\t" + printed(triple.stdErr) + "\t";
    }
    expected += "\n";
  }
  for (const int threads : {1, 0}) {
    SCOPED_TRACE(threads);
    platform::LimitWorkerThreads(threads);
    const std::string path = Export("threads" + std::to_string(threads) + ".xls");
    platform::LimitWorkerThreads(0);
    const std::string written = ReadFile(path);
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
  }
}

TEST_F(ExpressionDataFileTest, HeaderBlockAndColumnTitlesAreExact) {
  GroupSettings& s = TheGroup().Settings();
  s.HAS_BOTH = 1;
  s.HAS_STD = 1;
  s.EXPRESSION_INCLUDE_HEADER = 1;
  s.MODEL_METHOD = 1;
  s.DETECT_SINGLE_OUTLIER = 1;
  s.DETECT_ARRAY_OUTLIER = 0;
  s.DETECT_PROBE_OUTLIER = 1;
  s.HANDLE_IMAGE_SPIKE = 1;
  s.ARRAY_LIST_FILE = "lists/arrays.txt";
  s.NO_REP_ARRAY_OUTLIER = 0;
  s.LOG_BASE = 2.0;
  s.TRUNCATE = 1;
  s.TRUNCATE_VALUE = 20.5;
  s.TRUNCATE_PCT = 0;
  s.TRUNCATE_PCT_VALUE = 5;
  s.PSI_MODE = 1;
  s.PSI_FILE_NAME = "chip.psi";
  s.ALLOW_MISSING = 1;
  TheGroup().DateText = "Wed Dec 09 2026";
  const std::string path = Export();
  const std::vector<std::string> expected = {
      "[Zelko Expression Data File]",
      "FileName=" + path,
      "",
      "BaselineArray=Not normalized",
      "ModelMethod=PM-only model",
      "CheckOutlier=Single,Probe,",
      "ImageSpikeAsSingleOutlier=Yes",
      "ArrayListFile=lists/arrays.txt",
      "ReplicateNotAllOutlier=No",
      "LogTransformed=No (with base 2)",
      "TruncateLowValue=Yes (to value 20.5)",
      "TruncateToAbsentPercent=No (to percent 5)",
      "PSIFileUsage=Read and use (chip.psi)",
      "OutputArrayOutlierAsBlank=Yes",
      "OutputBothSignalAndCall=Yes",
      "OutputStandardError=Yes",
      "Date=Wed Dec 09 2026",
      "[Data]",
      "probe set\tarray 1\tarray 1 call\tarray 1 SE\tarray 2\tarray 2 call\tarray 2 SE\t"
      "array 3\tarray 3 call\tarray 3 SE\t",
      // Unit 2: array 1 is an outlier and goes blank.
      "ps_0\t1000.25\tP\t0.5\t1001.25\tA\t0.625\t1002.25\tM\t0.75\t",
  };
  const std::vector<std::string> lines = LinesOf(ReadFile(path));
  ASSERT_EQ(lines.size(), expected.size() + kUnits - 1);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << i;
  EXPECT_EQ(lines[expected.size() + 1], "ps_2\t1200.25\tM\t0.75\t\tP\t0.875\t1202.25\tA\t1\t");
  EXPECT_EQ(lines[expected.size() + 2], "ps_3\t\tP\t0.875\t301.25\tA\t1\t302.25\tM\t1.125\t");
}

TEST_F(ExpressionDataFileTest, GctFormStartsWithItsCountsAndWritesTheClassFile) {
  GroupSettings& s = TheGroup().Settings();
  s.GCT_FORMAT = 1;
  InstallGenes();
  s.LOCUS_LINK_NAME = 1;
  const std::string info = WriteFile("info.txt",
                                     "Array\tName\tTissue\narray 1\t\tliver\n"
                                     "array 2\t\tbrain\narray 3\t\tliver\n");
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(info));
  SampleGrouping.SetSelected(1, false);
  const std::string path = Export("out.gct");
  std::vector<std::string> lines = LinesOf(ReadFile(path));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "#1.2");
  EXPECT_EQ(lines[1], "7\t2");
  EXPECT_EQ(lines[2], "probe set\tdescription\tarray 1\tarray 3\t");
  EXPECT_EQ(lines[3], "ps_0\tG0\t1000.25\t1002.25\t");
  EXPECT_EQ(lines.size(), 3u + kUnits);
  const std::vector<std::string> classes = LinesOf(ReadFile(mFolder.File("out.cls")));
  ASSERT_EQ(classes.size(), 3u);
  EXPECT_EQ(classes[0], "2 2 1");
  EXPECT_EQ(classes[2], "0 0 ");

  // With a gene list, the count is that of the rows written: a name that is no probe set
  // writes nothing, a repeated one writes twice.
  s.GENE_LIST_FILE = WriteFile("list.txt", "probe set\nps_4\nnothing\nps_1\nps_4\n");
  lines = LinesOf(ReadFile(Export("listed.gct")));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "3\t2");
  EXPECT_EQ(lines[3].substr(0, 5), "ps_4\t");
  EXPECT_EQ(lines[5].substr(0, 5), "ps_4\t");
}

TEST_F(ExpressionDataFileTest, GeneColumnsFirstWithAccessionsOrLast) {
  InstallGenes();
  GroupSettings& s = TheGroup().Settings();
  s.OUTPUT_ACC = 1;
  std::vector<std::string> lines = LinesOf(ReadFile(Export()));
  ASSERT_EQ(lines.size(), 1u + kUnits);
  EXPECT_EQ(lines[0],
            "probe set\tgene\tAccession\tLocusLink\tDescription\tarray 1\tarray 2\tarray 3\t");
  EXPECT_EQ(lines[2], "ps_1\tG1\tNM_1\t1001\tgene number 1\t100.25\t101.25\t102.25\t");
  s.OUTPUT_ACC = 0;
  s.NAME_LAST = 1;
  lines = LinesOf(ReadFile(Export()));
  EXPECT_EQ(lines[0], "probe set\tarray 1\tarray 2\tarray 3\tgene\t");
  EXPECT_EQ(lines[2], "ps_1\t100.25\t101.25\t102.25\tG1\t");
}

TEST_F(ExpressionDataFileTest, SnpGroupWithoutValuesWritesCallNamesOnly) {
  ArrayType = 1;
  Group& group = TheGroup();
  group.Modelled = false;
  for (int a = 0; a < kArrays; ++a)
    for (int u = 0; u < kUnits; ++u)
      group.Array(a).calls[static_cast<std::size_t>(u)] = static_cast<char>((a + u) % 6);
  group.Settings().HAS_BOTH = 1;
  const std::vector<std::string> lines = LinesOf(ReadFile(Export()));
  EXPECT_EQ(group.Settings().HAS_BOTH, 0);
  ASSERT_EQ(lines.size(), 1u + kUnits);
  EXPECT_EQ(lines[0], "probe set\tarray 1\tarray 2\tarray 3\t");
  EXPECT_EQ(lines[1], "ps_0\tA\tB\tAB\t");
  EXPECT_EQ(lines[4], "ps_3\tNoCall\tAB_A\tAB_B\t");
}

TEST_F(ExpressionDataFileTest, AppendingAddsRowsAndKeepsWhatWasThere) {
  const std::string path = WriteFile("out.xls", "earlier table\n");
  TheGroup().RunOptions().appendExpressionExport = true;
  TheGroup().Settings().EXPRESSION_INCLUDE_HEADER = 1;
  Export();
  const std::vector<std::string> lines = LinesOf(ReadFile(path));
  ASSERT_EQ(lines.size(), 1u + kUnits);
  EXPECT_EQ(lines[0], "earlier table");
  EXPECT_EQ(lines[1].substr(0, 5), "ps_0\t");
}

TEST_F(ExpressionDataFileTest, FailuresSayWhyKeepTheOldFileAndRegisterNothing) {
  RecordedOutputFiles registered;
  CapturedLog log;
  // A folder that does not exist.
  const std::string lost = mFolder.File("no such folder/out.xls");
  EXPECT_FALSE(WriteExpressionData(lost));
  EXPECT_TRUE(log.ContainsRed("  Writing data file " + lost +
                              "  failed. Possibly the file is open in Excel or wrong directory "
                              "name (" +
                              platform::SystemErrorText(ENOENT) + ")"));
  EXPECT_FALSE(std::filesystem::exists(lost));

  // A stop in the middle leaves the old table as it was, and no stray file beside it.
  UseUnits(250);
  for (int a = 0; a < kArrays; ++a) {
    TheGroup().Array(a).values.resize(250);
    TheGroup().Array(a).calls.resize(250, 'A');
  }
  const std::string path = WriteFile("out.xls", "old table\n");
  {
    ScriptedProgress progress;
    progress.stopAtPoll = 2;
    EXPECT_FALSE(WriteExpressionData(path));
  }
  EXPECT_TRUE(log.ContainsRed(kUserStopMessage));
  EXPECT_EQ(ReadFile(path), "old table\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder.Path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_TRUE(registered.files.empty());

  // A stop while the rows are formatted, after the walk over the probe sets, too.
  UseUnits(3000);
  for (int a = 0; a < kArrays; ++a) {
    TheGroup().Array(a).values.resize(3000);
    TheGroup().Array(a).calls.resize(3000, 'A');
  }
  {
    ScriptedProgress progress;
    progress.stopAtPoll = 31;  // the walk polls 30 times
    EXPECT_FALSE(WriteExpressionData(path));
    EXPECT_EQ(progress.polls, 31);
  }
  EXPECT_EQ(ReadFile(path), "old table\n");
  EXPECT_TRUE(registered.files.empty());

  // The same export run to its end registers the file once, not into the log.
  EXPECT_TRUE(WriteExpressionData(path));
  ASSERT_EQ(registered.files.size(), 1u);
  EXPECT_EQ(registered.files[0].path, path);
  EXPECT_FALSE(registered.files[0].insertIntoLog);
  // Rows formatted in batches on several threads come out in probe-set order.
  const std::vector<std::string> lines = LinesOf(ReadFile(path));
  ASSERT_EQ(lines.size(), 3001u);
  for (int u = 0; u < 3000; ++u)
    ASSERT_EQ(lines[static_cast<std::size_t>(u) + 1].substr(0, 4 + std::to_string(u).size()),
              "ps_" + std::to_string(u) + "\t");
}

}  // namespace

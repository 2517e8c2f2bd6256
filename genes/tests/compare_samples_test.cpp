// Compare Samples on a group of planted genes: each combination of comparisons lists
// exactly the genes its logic selects, the table carries every test's columns, the
// eligible genes follow the gene list and the control setting, any number of threads
// writes the same file, and a failed or stopped run keeps the old file.
#include "genes/compare/compare_samples.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include <cstdio>
#include <filesystem>

#include "engine/group/gene_list.hpp"
#include "engine/jobs/export_gene_columns.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/stat_connector.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "genes/compare/compare_statistics.hpp"
#include "genes/tests/compare_test_support.hpp"
#include "platform/system_error.hpp"

namespace {

using synth::PlantedKind;
using K = PlantedKind;

class CompareSamplesTest : public CompareFixture {
 protected:
  void SetUp() override {
    CompareFixture::SetUp();
    Load(synth::MakeCompareData({}));
  }
  std::set<int> AllGenesBut(const std::set<PlantedKind>& kinds) const {
    std::set<PlantedKind> rest;
    for (int k = 0; k < synth::kPlantedKinds; ++k)
      if (kinds.count(static_cast<K>(k)) == 0) rest.insert(static_cast<K>(k));
    return GenesOfKinds(rest);
  }
};

TEST_F(CompareSamplesTest, EachCombinationListsTheGenesItsLogicSelects) {
  const auto F = [&](int c = kCombineAnd) { return Only(OnlyTest::kFold, c); };
  const auto D = [&](int c = kCombineAnd) { return Only(OnlyTest::kDifference, c); };
  const auto T = [&](int c = kCombineAnd) { return Only(OnlyTest::kTTest, c); };
  const auto P = [&](int c = kCombineAnd) { return Only(OnlyTest::kPresent, c); };
  const auto R = [&](int c = kCombineAnd) { return Only(OnlyTest::kPaired, c); };
  struct Case {
    const char* what;
    std::vector<COMPARE_CRITERION> list;
    std::set<int> expected;
  } cases[] = {
      {"fold", {F()}, GenesOfKinds({K::kFold})},
      {"difference", {D()}, GenesOfKinds({K::kDifference})},
      {"t test", {T()}, GenesOfKinds({K::kTTest})},
      {"present calls", {P()}, GenesOfKinds({K::kPresent})},
      {"paired", {R()}, GenesOfKinds({K::kPaired})},
      {"F or D", {F(), D(kCombineOr)}, GenesOfKinds({K::kFold, K::kDifference})},
      {"F and D", {F(), D(kCombineAnd)}, {}},
      {"not F", {F(kCombineAndNot)}, AllGenesBut({K::kFold})},
      {"T and not F", {T(), F(kCombineAndNot)}, GenesOfKinds({K::kTTest})},
      {"P or not D", {P(), D(kCombineOrNot)}, AllGenesBut({K::kDifference})},
      {"(F or D) and not (D)",
       {F(), D(kCombineOr), Parenthesis(kCombineAndNot), D()},
       GenesOfKinds({K::kFold})},
      {"(not F) and (not D)",
       {F(kCombineAndNot), Parenthesis(kCombineAnd), D(kCombineOrNot)},
       AllGenesBut({K::kFold, K::kDifference})},
      {"(T or R) or (P)",
       {T(), R(kCombineOr), Parenthesis(kCombineOr), P()},
       GenesOfKinds({K::kTTest, K::kPaired, K::kPresent})},
      {"(F) or (T), a closing parenthesis last",
       {F(), Parenthesis(kCombineOr), T(), Parenthesis(kCombineAnd)},
       GenesOfKinds({K::kFold, K::kTTest})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetList(c.list);
    CompareCriteria.OutputAllGenes = 0;
    const CompareSamplesInputs inputs = Inputs();
    ASSERT_TRUE(RunCompareSamples(CompareCriteria, inputs));
    EXPECT_EQ(ListedGenes(inputs.resultPath), c.expected);
    EXPECT_EQ(CompareCriteria.genesObtained, static_cast<int>(c.expected.size()));
    const std::string count = "$\t" + std::to_string(c.expected.size()) +
                              " genes satisfied the comparison filtering criteria\n\n";
    EXPECT_NE(ReadFile(inputs.resultPath).find(count), std::string::npos);
  }
}

TEST_F(CompareSamplesTest, TableHasEveryTestsColumnsAndTheValuesBehindThem) {
  COMPARE_CRITERION all = Only(OnlyTest::kFold);
  all.useLowerBound = all.useEminusB = all.usePvalue = all.usePcall = all.usePaired = 1;
  all.baseline = {0, 1};
  all.experiment = {4, 5};
  all.UpdateShowStdErr();
  COMPARE_CRITERION single = Only(OnlyTest::kFold, kCombineOr);
  single.baseline = {2};
  single.experiment = {6};
  single.useLowerBound = 1;
  single.EoverB = 0.9;
  single.UpdateShowStdErr();
  SetList({all, single});
  CompareCriteria.OutputAllGenes = 1;
  const CompareSamplesInputs inputs = Inputs();
  ASSERT_TRUE(RunCompareSamples(CompareCriteria, inputs));
  const std::vector<std::string> lines = Lines(ReadFile(inputs.resultPath));
  const auto table = std::find(lines.begin(), lines.end(), "[COMPARE_RESULT]") + 1;
  EXPECT_EQ(*table,
            "probe set\ts1\ts1 Call\ts2\ts2 Call\tbaseline mean\tbaseline mean's SE\t"
            "s5\ts5 Call\ts6\ts6 Call\texperiment mean\texperiment mean's SE\t"
            "fold change\tlower bound of FC\tupper bound of FC\tdifference of means\t"
            "t statistic\tP value\tP call % of B\tP call % of E\tpaired t statistic\t"
            "paired P value\tfiltered\t"
            "s3\ts3 SE\ts7\ts7 SE\tfold change\tlower bound of FC\tupper bound of FC\tfiltered\t");
  int passing = 0;
  for (std::size_t g = 0; g < mData.kinds.size(); ++g) {
    SCOPED_TRACE(g);
    const std::string& line = table[1 + static_cast<long>(g)];
    std::vector<std::string> f;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) f.push_back(field);
    ASSERT_EQ(f.size(), 32u);
    EXPECT_EQ(f[0], "ps_" + std::to_string(g));
    const auto v = [&](int s) { return mData.values[static_cast<std::size_t>(s)][g]; };
    const auto e = [&](int s) { return mData.stdErrs[static_cast<std::size_t>(s)][g]; };
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", (double{v(0)} + v(1)) / 2);
    EXPECT_EQ(f[5], text);
    std::snprintf(text, sizeof text, "%.2f", (double{v(4)} + v(5)) / 2 - (double{v(0)} + v(1)) / 2);
    EXPECT_EQ(f[16], text);
    const char call = mData.kinds[g] == K::kPresent ? 'P' : 'A';
    EXPECT_EQ(f[2], std::string(1, call));
    EXPECT_EQ(f[19], call == 'P' ? "100" : "0");
    // One sample a side: no mean column, and the fold's bounds from the samples' errors.
    const FoldChange fold = GetFoldChangeBound(v(6), e(6), v(2), e(2));
    std::snprintf(text, sizeof text, "%.2f", fold.lower);
    EXPECT_EQ(f[29], text);
    EXPECT_EQ(f[31] == "*", fold.lower > 0.9);
    // A missing paired test leaves its two fields empty, never 0 or nan.
    if (mData.kinds[g] == K::kNone) {
      EXPECT_EQ(f[21] + f[22], "");
    }
    passing += f[23] == "*" || f[31] == "*";
  }
  EXPECT_GT(passing, 0);
  EXPECT_EQ(table[1 + static_cast<long>(mData.kinds.size())],
            "$\t" + std::to_string(passing) + " genes satisfied the comparison filtering criteria");
}

TEST_F(CompareSamplesTest, LoadedGeneInformationAddsItsColumnsBesideTheProbeSet) {
  SetExportGeneSource([](int unit) {
    thread_local std::string name;
    name = "G" + std::to_string(unit);
    return ExportGeneColumns{name, "NM_1", "1001", "a gene"};
  });
  SetList({Only(OnlyTest::kDifference)});
  CompareCriteria.OutputAllGenes = 1;
  TheGroup().Settings().OUTPUT_ACC = 1;
  const bool done = RunCompareSamples(CompareCriteria, Inputs());
  SetExportGeneSource({});
  ASSERT_TRUE(done);
  const std::vector<std::string> lines = Lines(ReadFile(Inputs().resultPath));
  const auto table = std::find(lines.begin(), lines.end(), "[COMPARE_RESULT]") + 1;
  EXPECT_EQ(table->rfind("probe set\tgene\tAccession\tLocusLink\tDescription\ts1\ts2\t", 0), 0u);
  EXPECT_EQ(table[4].rfind("ps_3\tG3\tNM_1\t1001\ta gene\t", 0), 0u);
}

TEST_F(CompareSamplesTest, EligibleGenesFollowTheGeneListAndTheControlSetting) {
  SetList({Only(OnlyTest::kFold)});
  const std::set<int> fold = GenesOfKinds({K::kFold});
  const int first = *fold.begin();
  const int second = *std::next(fold.begin());
  const std::string list = WriteFile(
      "list.txt", "ps_" + std::to_string(first) + "\nps_" + std::to_string(second) + "\n");
  GroupSettings& s = TheGroup().Settings();
  s.FILTER_INPUT_LIST = list;
  s.FILTER_INPUT_USE = 1;
  CompareSamplesInputs inputs = Inputs();
  ASSERT_TRUE(RunCompareSamples(CompareCriteria, inputs));
  EXPECT_EQ(ListedGenes(inputs.resultPath), (std::set<int>{first, second}));
  EXPECT_NE(ReadFile(inputs.resultPath).find("genes in file '" + list + "' satisfied"),
            std::string::npos);

  s.FILTER_INPUT_USE = 0;
  inputs = Inputs();
  ASSERT_TRUE(RunCompareSamples(CompareCriteria, inputs));
  std::set<int> rest = fold;
  rest.erase(first);
  rest.erase(second);
  EXPECT_EQ(ListedGenes(inputs.resultPath), rest);

  // A list that leaves nothing runs on every gene, with a warning.
  s.FILTER_INPUT_LIST = WriteFile("empty.txt", "not_a_probe_set\n");
  s.FILTER_INPUT_USE = 1;
  inputs = Inputs();
  ASSERT_TRUE(RunCompareSamples(CompareCriteria, inputs));
  EXPECT_TRUE(mLog.ContainsRed("comparing on all genes"));
  EXPECT_EQ(ListedGenes(inputs.resultPath), fold);

  // Control probe sets are left out on request.
  TearDown();
  SetUp();
  Load(synth::MakeCompareData({}), {first});
  SetList({Only(OnlyTest::kFold)});
  TheGroup().Settings().OMIT_VOSK = 1;
  inputs = Inputs();
  ASSERT_TRUE(RunCompareSamples(CompareCriteria, inputs));
  rest = fold;
  rest.erase(first);
  EXPECT_EQ(ListedGenes(inputs.resultPath), rest);
}

TEST_F(CompareSamplesTest, AnyNumberOfThreadsWritesTheSameFile) {
  Load(synth::MakeCompareData(
      synth::CompareDataOptions{.genesPerKind = {300, 200, 200, 200, 200, 200, 1500}}));
  COMPARE_CRITERION lower = Only(OnlyTest::kFold);
  lower.useLowerBound = lower.usePvalue = 1;
  lower.UpdateShowStdErr();
  SetList({lower, Only(OnlyTest::kTTest, kCombineOr), Parenthesis(kCombineOrNot),
           Only(OnlyTest::kPaired)});
  for (const int all : {0, 1}) {
    CompareCriteria.OutputAllGenes = all;
    // Means weighted by the replicates' errors share one table of deviates across threads.
    TheGroup().Settings().CONSIDER_ERROR = all;
    CompareSamplesInputs inputs = Inputs("one.xls");
    ASSERT_TRUE(RunCompareSamples(CompareCriteria, inputs));
    const std::string one = ReadFile(inputs.resultPath);
    for (const int threads : {2, 5}) {
      inputs = Inputs("many.xls");
      inputs.threads = threads;
      ASSERT_TRUE(RunCompareSamples(CompareCriteria, inputs));
      EXPECT_EQ(ReadFile(inputs.resultPath), one) << threads << " threads, all genes " << all;
    }
  }
}

TEST_F(CompareSamplesTest, FailureOrStopKeepsTheOldFileWhole) {
  SetList({Only(OnlyTest::kFold)});
  const CompareSamplesInputs inputs = Inputs();
  const std::string old = WriteFile("result.xls", "the old comparison\n");
  // A stop in the second pass, after lines were made.
  mProgress.stopAtPoll = 2;
  EXPECT_FALSE(RunCompareSamples(CompareCriteria, inputs));
  EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
  EXPECT_EQ(ReadFile(old), "the old comparison\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder.Path()), {}), 1);

  mProgress.stopAtPoll = 0;
  mProgress.running = true;
  CompareSamplesInputs nowhere = inputs;
  nowhere.resultPath = mFolder.File("no such folder/result.xls");
  EXPECT_FALSE(RunCompareSamples(CompareCriteria, nowhere));
  EXPECT_TRUE(mLog.ContainsRed("  Writing file '" + nowhere.resultPath +
                               "' failed. Possibly the file is open in Excel or wrong directory "
                               "name. (" +
                               platform::SystemErrorText(ENOENT) + ")"));

  CompareCriteria.Clear();
  EXPECT_FALSE(RunCompareSamples(CompareCriteria, inputs));
  EXPECT_TRUE(mLog.ContainsRed(kNoComparisonsMessage));
  // Samples the grouping does not have are refused before anything is sized from them.
  COMPARE_CRITERION beyond = Only(OnlyTest::kFold);
  beyond.experiment.push_back(mData.samples);
  SetList({beyond});
  EXPECT_FALSE(RunCompareSamples(CompareCriteria, inputs));
  EXPECT_TRUE(mLog.ContainsRed("Comparison 1 needs samples"));
  beyond.experiment.clear();
  SetList({Only(OnlyTest::kFold), beyond});
  EXPECT_FALSE(RunCompareSamples(CompareCriteria, inputs));
  EXPECT_TRUE(mLog.ContainsRed("Comparison 2 needs samples"));
  EXPECT_EQ(ReadFile(old), "the old comparison\n");
}

TEST_F(CompareSamplesTest, PairedTestOfUnequalSetsIsLeftOutAndTheGeneCanStillPass) {
  COMPARE_CRITERION c = Only(OnlyTest::kFold);
  c.usePaired = 1;
  c.experiment.pop_back();
  SetList({c});
  ASSERT_TRUE(RunCompareSamples(CompareCriteria, Inputs()));
  EXPECT_EQ(ListedGenes(Inputs().resultPath), GenesOfKinds({K::kFold}));
  int warnings = 0;
  for (const CapturedLine& line : mLog.Lines()) warnings += line.text == kUnequalPairMessage;
  EXPECT_EQ(warnings, 1);
}

TEST_F(CompareSamplesTest, TableTAndPValuesAgreeWithRsTTest) {
  CStatConnector r;
  ASSERT_TRUE(r.Start()) << "R is installed";
  SetList({Only(OnlyTest::kTTest)});
  CompareCriteria.OutputAllGenes = 1;
  ASSERT_TRUE(RunCompareSamples(CompareCriteria, Inputs()));
  const std::vector<std::string> lines = Lines(ReadFile(Inputs().resultPath));
  const auto table = std::find(lines.begin(), lines.end(), "[COMPARE_RESULT]") + 2;
  for (std::size_t g = 0; g < 8; ++g) {
    std::vector<double> b;
    std::vector<double> e;
    for (int s = 0; s < mData.samples; ++s)
      (s < mData.baselineSamples ? b : e).push_back(mData.values[static_cast<std::size_t>(s)][g]);
    ASSERT_TRUE(r.SetVector("b", b));
    ASSERT_TRUE(r.SetVector("e", e));
    ASSERT_TRUE(
        r.ExecuteCommand("tt <- t.test(e, b); out <- matrix(c(tt$statistic, tt$p.value), 1)"));
    RMatrix out(1, 2);
    ASSERT_TRUE(r.GetMatrix("out", out));
    std::vector<std::string> f;
    std::istringstream in(table[static_cast<long>(g)]);
    for (std::string field; std::getline(in, field, '\t');) f.push_back(field);
    ASSERT_GE(f.size(), 15u);
    ASSERT_FALSE(f[13].empty());
    EXPECT_NEAR(std::stod(f[13]), out.values[0], 5e-4) << g;
    EXPECT_NEAR(std::stod(f[14]), out.values[1], 1e-6) << g;
  }
}

}  // namespace

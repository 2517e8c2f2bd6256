// The false discovery estimate: reproducible from the run-time generator's seed and with
// any number of threads, near 100% where no gene truly differs and well below where
// many do, pairs exchanged independently, and the rounds bounded before anything runs.
#include "genes/compare/compare_permutation.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "genes/compare/compare_result_file.hpp"
#include "genes/tests/compare_test_support.hpp"
#include "platform/runtime_rand.hpp"

namespace {

class ComparePermutationTest : public CompareFixture {
 protected:
  // 6 against 6 samples: noise genes, and planted t genes as asked.
  void LoadNoise(int tGenes) {
    synth::CompareDataOptions options;
    options.baselineSamples = options.experimentSamples = 6;
    options.genesPerKind = {0, 0, 0, tGenes, 0, 0, 2000};
    Load(synth::MakeCompareData(options));
    SetList({Only(OnlyTest::kTTest)});
    CompareCriteria.PermuteSamples = 1;
    CompareCriteria.PermutationCount = 20;
  }
  // The genes each round found, from its log line.
  std::vector<int> RoundCounts() const {
    std::vector<int> counts;
    for (const CapturedLine& line : mLog.Lines()) {
      const std::size_t at = line.text.find(", genes obtained: ");
      if (line.text.rfind("    Permutation ", 0) == 0 && at != std::string::npos)
        counts.push_back(std::stoi(line.text.substr(at + 18)));
    }
    return counts;
  }
  std::vector<int> Run(unsigned seed, int threads, std::string* file = nullptr) {
    mLog.Clear();
    platform::SeedRand(seed);
    CompareSamplesInputs inputs = Inputs();
    inputs.threads = threads;
    EXPECT_TRUE(RunCompareSamples(CompareCriteria, inputs));
    if (file != nullptr) *file = ReadFile(inputs.resultPath);
    return RoundCounts();
  }
};

TEST_F(ComparePermutationTest, RoundsRepeatWithTheSeedAndAnyNumberOfThreads) {
  LoadNoise(0);
  std::string first;
  const std::vector<int> counts = Run(5, 1, &first);
  ASSERT_EQ(counts.size(), 20u);
  std::string again;
  EXPECT_EQ(Run(5, 4, &again), counts);
  EXPECT_EQ(again, first);
  EXPECT_NE(Run(6, 1), counts);
  // The list keeps its true labels for the next run.
  EXPECT_EQ(CompareCriteria.entries[0].baseline, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ComparePermutationTest, NoTrueDifferenceGivesARateNearAllAndPlantedGenesALowOne) {
  for (const int planted : {0, 300}) {
    SCOPED_TRACE(planted);
    TearDown();
    SetUp();
    LoadNoise(planted);
    std::string file;
    std::vector<int> counts = Run(11, 2, &file);
    ASSERT_EQ(counts.size(), 20u);
    std::sort(counts.begin(), counts.end());
    const double median = counts[10];
    const double p90 = counts[18];
    const int obtained = CompareCriteria.genesObtained;
    ASSERT_GT(obtained, 0);
    const double rate = median / obtained;
    if (planted == 0) {
      EXPECT_GT(rate, 0.6);
      EXPECT_LT(rate, 1.6);
    } else {
      EXPECT_LT(rate, 0.6);
    }
    const std::string summary = FalseDiscoverySummary(obtained, 20, median, p90);
    EXPECT_NE(file.find("[" + summary + "]\n"), std::string::npos);
    EXPECT_TRUE(mLog.Contains("\n    " + summary, kLogBlack));
  }
  EXPECT_EQ(FalseDiscoverySummary(40, 10, 4, 9),
            "Obtained 40 genes; False Discovery Rate (Number) of 10 permutations, Median: "
            "10.0% (4), 90th percentile: 22.5% (9)");
}

TEST_F(ComparePermutationTest, NothingFoundRunsTheRoundsButWritesNoSummary) {
  LoadNoise(0);
  CompareCriteria.entries[0].Pvalue = 0.0;
  std::string file;
  EXPECT_EQ(Run(3, 1, &file).size(), 20u);
  EXPECT_EQ(file.find("[Obtained"), std::string::npos);
}

TEST_F(ComparePermutationTest, RoundsOutsideTheirRangeAreRefusedBeforeAnyWork) {
  LoadNoise(0);
  for (const int rounds : {0, -3, kMaxPermutationCount + 1}) {
    CompareCriteria.PermutationCount = rounds;
    EXPECT_FALSE(RunCompareSamples(CompareCriteria, Inputs()));
    EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kPermutationCountMessage, rounds)));
    EXPECT_FALSE(std::filesystem::exists(Inputs().resultPath));
  }
}

TEST_F(ComparePermutationTest, AStopDuringTheRoundsKeepsTheNewListAndTable) {
  LoadNoise(0);
  const std::string path = WriteFile("result.xls", "the old comparison\n");
  // Seven blocks of genes in the first pass, one in the table's, then the rounds'.
  mProgress.stopAtPoll = 10;
  EXPECT_FALSE(RunCompareSamples(CompareCriteria, Inputs()));
  EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
  EXPECT_TRUE(mLog.Contains(kPermutingMessage, kLogBlack));
  EXPECT_EQ(RoundCounts().size(), 0u);
  const std::string stopped = ReadFile(path);
  EXPECT_EQ(stopped.rfind("[COMPARE_CRITERIA_V2]\n", 0), 0u);
  EXPECT_NE(stopped.find(" genes satisfied the comparison filtering criteria\n\n"),
            std::string::npos);
  EXPECT_EQ(stopped.find("[Obtained"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder.Path()), {}), 1)
      << "no replacement left behind";
  COMPARE_CRITERIA read;
  ASSERT_TRUE(ReadCompareResultFile(read, path, false));
  EXPECT_EQ(read.count, 1);
  EXPECT_EQ(read.entries[0].usePvalue, 1);

  // Finished rounds add their estimate to the same table.
  mProgress.stopAtPoll = 0;
  mProgress.running = true;
  std::string finished;
  ASSERT_EQ(Run(5, 1, &finished).size(), 20u);
  const std::size_t estimate = finished.find("[Obtained");
  ASSERT_NE(estimate, std::string::npos);
  EXPECT_EQ(finished.substr(0, estimate), stopped);
  EXPECT_EQ(finished.back(), '\n');
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder.Path()), {}), 1);
}

TEST(PermuteGrouping, PairsExchangeIndependentlyAndPooledSetsKeepTheirSamples) {
  platform::SeedRand(17);
  COMPARE_CRITERION paired;
  paired.usePaired = 1;
  paired.baseline = {0, 1};
  paired.experiment = {2, 3};
  std::map<std::pair<bool, bool>, int> outcomes;
  for (int round = 0; round < 4000; ++round) {
    COMPARE_CRITERION c = paired;
    ASSERT_TRUE(PermuteGrouping(c));
    ASSERT_TRUE((c.baseline[0] == 0 && c.experiment[0] == 2) ||
                (c.baseline[0] == 2 && c.experiment[0] == 0));
    ++outcomes[{c.baseline[0] == 2, c.baseline[1] == 3}];
  }
  ASSERT_EQ(outcomes.size(), 4u);
  for (const auto& [outcome, count] : outcomes) EXPECT_NEAR(count, 1000, 120);

  CapturedLog log;
  paired.experiment.push_back(4);
  COMPARE_CRITERION unequal = paired;
  EXPECT_FALSE(PermuteGrouping(unequal));
  EXPECT_TRUE(log.ContainsRed(kPairSizeMessage));
  EXPECT_EQ(unequal.baseline, paired.baseline);

  COMPARE_CRITERION pooled;
  pooled.baseline = {0, 1, 2};
  pooled.experiment = {3, 4, 5, 6};
  std::set<std::vector<int>> baselines;
  for (int round = 0; round < 50; ++round) {
    ASSERT_TRUE(PermuteGrouping(pooled));
    ASSERT_EQ(pooled.baseline.size(), 3u);
    std::vector<int> all = pooled.baseline;
    all.insert(all.end(), pooled.experiment.begin(), pooled.experiment.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    baselines.insert(pooled.baseline);
  }
  EXPECT_GT(baselines.size(), 20u);
}

}  // namespace

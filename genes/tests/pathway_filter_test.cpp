// The pathway gene filter on generated time courses: a pathway drawn like the planted
// regulation finds the planted genes, shuffled courses pass only at chance, every pair the
// correlation allows is reported, one thread and many log the same sets, and the
// refusals (no list, a short list, a lag beyond the time points) and a stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "engine/tests/sample_test_support.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/pathway/pathway_filter.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/synth/time_course.hpp"

namespace {

class PathwayFilterTest : public SampleFixture {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    mSavedLayout = std::move(Layout);
    ClearPathway();
  }
  void TearDown() override {
    ClearPathway();
    ClearGeneInformation();
    platform::LimitWorkerThreads(0);
    Layout = std::move(mSavedLayout);
    SampleFixture::TearDown();
  }

  // The truth in the group, its gene information read and every gene in the input list.
  void Load(const synth::TimeCourseOptions& options) {
    mTruth = synth::MakeTimeCourses(options);
    synth::InstallTimeCourseGroup(mTruth);
    const std::string info = mFolder.File("info.txt");
    ASSERT_TRUE(synth::WriteGeneInfo(synth::TimeCourseGeneInfo(mTruth), info));
    const RaisedAnalysisRunning running;
    ASSERT_TRUE(ReadGeneInfoFile(info, true));
    GroupSettings& s = TheGroup().Settings();
    s.FILTER_INPUT_LIST = WriteFile("list.txt", synth::TimeCourseGeneListText(mTruth));
    s.PATHWAY_CORR = 0.9;
    TheGroup().RunOptions().factorRankCorrelation = false;
  }

  // A node named after the motif gene of node (or a placeholder for -1), arrows as planted.
  void DrawPathway(const std::vector<int>& namedMotifNodes,
                   const std::vector<synth::PlantedRelation>& relations) {
    ClearPathway();
    for (const int motif : namedMotifNodes) {
      ASSERT_TRUE(AddNode());
      if (motif >= 0)
        SetNodeName(ThePathway().currentNode,
                    mTruth.geneNames[static_cast<std::size_t>(
                        mTruth.motifGenes[static_cast<std::size_t>(motif)])]);
    }
    RenumberUnknownNodes();
    for (const synth::PlantedRelation& r : relations)
      ASSERT_TRUE(EditArrow(r.from, r.to, r.lag, true, r.inhibition ? kInhibition : kActivation));
  }

  // The filter as the command runs it, with the analysis flag raised.
  static bool Filter() {
    const RaisedAnalysisRunning running;
    return FilterGenesByPathway();
  }

  // Runs the filter; the consistent sets it logged, each as its placeholders' probe sets.
  std::vector<std::vector<std::string>> Run() {
    const std::size_t from = mLog.Lines().size();
    EXPECT_TRUE(Filter());
    std::vector<std::vector<std::string>> sets;
    for (std::size_t i = from; i < mLog.Lines().size(); ++i) {
      const std::string& text = mLog.Lines()[i].text;
      if (text.rfind("    Consistent set ", 0) == 0) sets.emplace_back();
      const std::size_t is = text.find("' is tc");
      if (text.rfind("      Node '", 0) == 0 && is != std::string::npos)
        sets.back().push_back(text.substr(is + 5, text.find(',', is) - is - 5));
    }
    EXPECT_TRUE(mLog.Contains(
        MessageBuffer("    %d consistent sets found", static_cast<int>(sets.size())), kLogBlack));
    return sets;
  }
  std::vector<std::string> LogTexts(std::size_t from) const {
    std::vector<std::string> texts;
    for (std::size_t i = from; i < mLog.Lines().size(); ++i) texts.push_back(mLog.Lines()[i].text);
    return texts;
  }
  std::string ProbeSetOfMotif(int node) const {
    return mTruth
        .probeSets[static_cast<std::size_t>(mTruth.motifGenes[static_cast<std::size_t>(node)])];
  }

  synth::TimeCourseTruth mTruth;
  CapturedLog mLog;
  CDF_LAYOUT mSavedLayout;
};

// A two-step cascade and a side branch: activation after one time point, inhibition after
// two, and a binding partner moving with the first gene.
const std::vector<synth::PlantedRelation> kMotif = {
    {0, 1, 1, false}, {1, 2, 2, true}, {0, 3, 0, false}};

TEST_F(PathwayFilterTest, APathwayDrawnLikeThePlantedOneFindsThePlantedGenes) {
  for (const std::uint64_t seed : {1u, 2u, 3u})
    for (const bool rank : {false, true}) {
      SCOPED_TRACE(std::to_string(seed) + (rank ? " rank" : " Pearson"));
      Load(synth::TimeCourseOptions{
          .seed = seed, .genes = 400, .motifNodes = 4, .relations = kMotif, .missingPercent = 3});
      TheGroup().RunOptions().factorRankCorrelation = rank;
      // Planted arrows correlate at about 0.98; at 0.95 a chance partner for one node
      // would need about 0.86 over 22 time points.
      TheGroup().Settings().PATHWAY_CORR = 0.95;
      // The first gene named, the other three to be found; the side branch is a binding.
      DrawPathway({0, -1, -1, -1}, kMotif);
      ThePathway().arrows[2].interaction = kBinding;
      const std::vector<std::vector<std::string>> sets = Run();
      ASSERT_EQ(sets.size(), 1u);
      EXPECT_EQ(sets[0], std::vector<std::string>(
                             {ProbeSetOfMotif(1), ProbeSetOfMotif(2), ProbeSetOfMotif(3)}));
      EXPECT_TRUE(mLog.Contains(
          "    Node '" + mTruth.geneNames[static_cast<std::size_t>(mTruth.motifGenes[0])] +
              "' is unit " + ProbeSetOfMotif(0),
          kLogBlack));
      EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
    }
}

TEST_F(PathwayFilterTest, ShuffledCoursesPassOnlyAtChance) {
  // One activation arrow from a named gene; a list gene passes when its course a time
  // point later correlates at 0.5 or more.
  constexpr double kThreshold = 0.5;
  for (const bool shuffle : {false, true}) {
    SCOPED_TRACE(shuffle ? "shuffled" : "planted");
    synth::TimeCourseOptions options;
    options.genes = 3000;
    options.motifNodes = 2;
    options.relations = {{0, 1, 1, false}};
    options.shuffle = shuffle;
    Load(options);
    TheGroup().Settings().PATHWAY_CORR = kThreshold;
    DrawPathway({0, -1}, options.relations);
    const std::vector<std::vector<std::string>> sets = Run();
    bool planted = false;
    for (const auto& set : sets) planted = planted || set[0] == ProbeSetOfMotif(1);
    EXPECT_EQ(planted, !shuffle);
    // Pearson's r over 23 pairs of independent normal courses: one-sided tail at 0.5.
    const int pairs = options.timePoints - 1;
    const double expected = (options.genes - 1) * CorrelationPValue(kThreshold, pairs) / 2.0;
    EXPECT_LE(static_cast<double>(sets.size()), expected + 3.0 * std::sqrt(expected) + 1.0);
    EXPECT_GE(static_cast<double>(sets.size()), expected - 3.0 * std::sqrt(expected) - 1.0);
  }
}

TEST_F(PathwayFilterTest, AtZeroEveryPairWithANonNegativeCorrelationIsReported) {
  synth::TimeCourseOptions options;
  options.genes = 40;
  options.timePoints = 10;
  options.missingPercent = 10;
  Load(options);
  TheGroup().Settings().PATHWAY_CORR = 0.0;
  for (const int lag : {0, 3, 10}) {
    SCOPED_TRACE(lag);
    DrawPathway({-1, -1}, {{0, 1, lag, false}});
    std::set<std::vector<std::string>> expected;
    for (int a = 0; a < options.genes; ++a)
      for (int b = 0; b < options.genes; ++b) {
        if (a == b) continue;
        // The pairs' correlation from the truth's values (its arithmetic is checked below).
        const double r = PathwayCorrelation(mTruth.values[static_cast<std::size_t>(a)].data(),
                                            mTruth.values[static_cast<std::size_t>(b)].data() + lag,
                                            options.timePoints - lag, false);
        // The filter keeps its correlations as floats.
        if (static_cast<float>(r) >= 0.0f)
          expected.insert({mTruth.probeSets[static_cast<std::size_t>(a)],
                           mTruth.probeSets[static_cast<std::size_t>(b)]});
      }
    const std::vector<std::vector<std::string>> sets = Run();
    const std::set<std::vector<std::string>> found(sets.begin(), sets.end());
    EXPECT_EQ(found.size(), sets.size()) << "each set once";
    EXPECT_EQ(found, expected);
    if (lag == 10) {
      EXPECT_TRUE(found.empty()) << "no pairs score -1";
    }
  }
  // Inhibition between two identical named genes scores -1: a pathway without placeholders
  // is tested once and gives one set at -1, none above.
  const std::vector<double> x = {1, 2, 3, 4}, y = {2, 4, 6, 9};
  PathwaySearchInput named;
  named.pathway.nodeCount = 2;
  named.pathway.arrowCount = 1;
  named.pathway.arrows[0] = {0, 1, 0, kInhibition};
  named.samples = 4;
  named.nodeValues = {1, 2, 3, 4, 1, 2, 3, 4};
  const RaisedAnalysisRunning running;
  for (const double threshold : {-1.0, -0.999}) {
    named.threshold = threshold;
    std::vector<PathwayGeneSet> sets;
    ASSERT_TRUE(SearchPathwayGeneSets(named, 0,
                                      [&sets](const PathwayGeneSet& set) { sets.push_back(set); }));
    ASSERT_EQ(sets.size(), threshold == -1.0 ? 1u : 0u);
    if (!sets.empty()) {
      EXPECT_EQ(sets[0].correlations, std::vector<float>{1.0f});
    }
  }
  // One pair is 1, no pair -1.
  EXPECT_DOUBLE_EQ(PathwayCorrelation(x.data(), y.data(), 4, false), 11.5 / std::sqrt(133.75));
  EXPECT_EQ(PathwayCorrelation(x.data(), x.data(), 4, true), 1.0);
  const std::vector<double> flat = {5, 5, 5, 5}, gap = {MISSING_VALUE, 1, MISSING_VALUE, 2};
  EXPECT_EQ(PathwayCorrelation(x.data(), flat.data(), 4, true), -1.0) << "no spread, no ranks";
  EXPECT_EQ(PathwayCorrelation(x.data(), flat.data(), 4, false), -1.0);
  EXPECT_EQ(PathwayCorrelation(gap.data(), x.data(), 2, false), 1.0);
  EXPECT_EQ(PathwayCorrelation(gap.data(), x.data(), 1, true), -1.0);
}

// Every correlation the search reports, whether between named nodes, from a named node to
// a placeholder or between two placeholders, and with missing values, a flat course and a
// single pair among them, is exactly PathwayCorrelation's on the two courses: Pearson and
// rank, on one thread and on many; and a threshold keeps just the sets whose mean reaches it.
TEST_F(PathwayFilterTest, ReportedCorrelationsAreThoseOfTheCourses) {
  synth::TimeCourseOptions options;
  options.genes = 50;
  options.timePoints = 12;
  options.missingPercent = 8;
  const synth::TimeCourseTruth truth = synth::MakeTimeCourses(options);
  const int samples = options.timePoints;
  const auto at = [samples](int row) { return static_cast<std::size_t>(row * samples); };
  PathwaySearchInput input;
  input.samples = samples;
  input.listGenes = 48;  // the last two genes are the named nodes
  for (int g = 0; g < input.listGenes; ++g)
    input.listValues.insert(input.listValues.end(),
                            truth.values[static_cast<std::size_t>(g)].begin(),
                            truth.values[static_cast<std::size_t>(g)].end());
  std::fill_n(input.listValues.begin() + static_cast<std::ptrdiff_t>(at(5)), samples, 2.5);
  input.nodeValues.assign(at(4), MISSING_VALUE);
  std::copy_n(truth.values[48].begin(), samples, input.nodeValues.begin());
  std::copy_n(truth.values[49].begin(), samples,
              input.nodeValues.begin() + static_cast<std::ptrdiff_t>(at(3)));
  PATHWAY& pathway = input.pathway;
  pathway.nodeCount = 4;
  pathway.nodes[1].placeholder = pathway.nodes[2].placeholder = true;
  const std::vector<PATHWAY_ARROW> arrows = {
      {0, 1, 2, kActivation}, {1, 2, 1, kInhibition}, {2, 1, 5, kBinding},
      {0, 3, 1, kActivation}, {2, 3, 3, kInhibition}, {1, 2, samples - 1, kActivation}};
  pathway.arrowCount = static_cast<int>(arrows.size());
  std::copy(arrows.begin(), arrows.end(), pathway.arrows.begin());
  input.threshold = -1.0;
  const RaisedAnalysisRunning running;
  for (const bool rank : {false, true})
    for (const int threads : {1, 0}) {
      SCOPED_TRACE(testing::Message() << "rank " << rank << ", threads " << threads);
      input.rankCorrelation = rank;
      std::vector<PathwayGeneSet> sets;
      ASSERT_TRUE(SearchPathwayGeneSets(
          input, threads, [&sets](const PathwayGeneSet& set) { sets.push_back(set); }));
      ASSERT_EQ(sets.size(), 48u * 47u) << "every ordered pair of distinct genes";
      int differing = 0;
      for (const PathwayGeneSet& set : sets) {
        const auto course = [&](int node) {
          const int gene = set.listGene[static_cast<std::size_t>(node)];
          return gene >= 0 ? input.listValues.data() + at(gene)
                           : input.nodeValues.data() + at(node);
        };
        for (std::size_t a = 0; a < arrows.size(); ++a) {
          const int lag = arrows[a].interaction == kBinding ? 0 : arrows[a].effectTime;
          const double r = PathwayCorrelation(course(arrows[a].startNode),
                                              course(arrows[a].endNode) + lag, samples - lag, rank);
          if (set.correlations[a] != static_cast<float>(r)) ++differing;
        }
      }
      EXPECT_EQ(differing, 0);
    }

  // Above a threshold the search keeps exactly the sets whose mean signed correlation
  // reaches it, however early its bound turned the others away: here most arrows into the
  // second placeholder come from the named node.
  const std::vector<PATHWAY_ARROW> bounded = {{0, 1, 1, kActivation},
                                              {1, 2, 1, kActivation},
                                              {0, 2, 0, kInhibition},
                                              {0, 2, 2, kActivation},
                                              {0, 2, 1, kActivation}};
  pathway.arrowCount = static_cast<int>(bounded.size());
  std::copy(bounded.begin(), bounded.end(), pathway.arrows.begin());
  for (const bool rank : {false, true})
    for (const int threads : {1, 0}) {
      SCOPED_TRACE(testing::Message() << "rank " << rank << ", threads " << threads);
      input.rankCorrelation = rank;
      input.threshold = -1.0;
      std::vector<PathwayGeneSet> sets;
      ASSERT_TRUE(SearchPathwayGeneSets(
          input, threads, [&sets](const PathwayGeneSet& set) { sets.push_back(set); }));
      for (const double threshold : {0.2, 0.3}) {
        std::vector<std::vector<int>> expected, found;
        for (const PathwayGeneSet& set : sets) {
          float sum = 0.0f;
          for (std::size_t a = 0; a < bounded.size(); ++a)
            sum +=
                bounded[a].interaction == kInhibition ? -set.correlations[a] : set.correlations[a];
          if (threshold <= sum / static_cast<float>(bounded.size()))
            expected.push_back(set.listGene);
        }
        input.threshold = threshold;
        ASSERT_TRUE(SearchPathwayGeneSets(input, threads, [&found](const PathwayGeneSet& set) {
          found.push_back(set.listGene);
        }));
        EXPECT_GT(expected.size(), 20u);
        EXPECT_LT(expected.size(), sets.size() / 4);
        EXPECT_EQ(found, expected) << "threshold " << threshold;
      }
    }
}

TEST_F(PathwayFilterTest, OneThreadAndManyLogTheSameSetsInTheSameOrder) {
  Load(synth::TimeCourseOptions{.genes = 300, .motifNodes = 3});
  TheGroup().Settings().PATHWAY_CORR = 0.3;
  // Named, placeholder, placeholder: the split is over the first placeholder.
  DrawPathway({0, -1, -1}, {{0, 1, 1, false}, {1, 2, 2, true}});
  std::vector<std::vector<std::string>> logs;
  for (const int threads : {1, 0}) {
    platform::LimitWorkerThreads(threads);
    const std::size_t from = mLog.Lines().size();
    Run();
    logs.push_back(LogTexts(from));
  }
  EXPECT_GT(logs[0].size(), 200u);
  EXPECT_EQ(logs[0], logs[1]);
}

TEST_F(PathwayFilterTest, RefusalsAndAStop) {
  synth::TimeCourseOptions options;
  options.genes = 60;
  options.timePoints = 8;
  Load(options);
  GroupSettings& s = TheGroup().Settings();
  DrawPathway({0, -1}, {{0, 1, 8, false}});

  // A lag beyond the time points is refused once the list is read, before any search.
  platform::LimitWorkerThreads(1);
  int readingPumps = 0, readingPolls = 0;
  ThePathway().arrows[0].effectTime = 9;
  {
    ScriptedProgress progress;
    EXPECT_FALSE(Filter());
    readingPumps = progress.pumps;
    readingPolls = progress.polls;
  }
  EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(
      kLagBeyondSamplesMessage, ThePathway().nodes[0].name.c_str(), "Unknown1", 9, 8)));
  // One pump per tried gene beyond the list's reading, the named gene not among them.
  ThePathway().arrows[0].effectTime = 8;
  {
    ScriptedProgress progress;
    EXPECT_TRUE(Filter());
    EXPECT_EQ(progress.pumps - readingPumps, options.genes - 1);
    EXPECT_TRUE(mLog.Contains("    0 consistent sets found", kLogBlack)) << "a lag of 8 scores -1";
  }
  ThePathway().arrows[0].interaction = kBinding;
  s.PATHWAY_CORR = 0.0;
  for (const int threads : {1, 0}) {
    // Stopped inside the search: the block still closes, in blue, after the red line.
    SCOPED_TRACE(threads);
    platform::LimitWorkerThreads(threads);
    ScriptedProgress progress;
    // Many threads: the third poll is the calling thread's first in its task, or, when the
    // other threads took every task, the one after the search.
    progress.stopAtPoll = readingPolls + (threads == 1 ? 10 : 3);
    const std::size_t from = mLog.Lines().size();
    EXPECT_TRUE(Filter());
    const std::vector<std::string> texts = LogTexts(from);
    EXPECT_NE(std::find(texts.begin(), texts.end(), kPathwayUserStoppedMessage), texts.end());
    EXPECT_LT(progress.pumps - readingPumps, options.genes - 20);
    EXPECT_EQ(texts.back(), "Finished}\n");
  }
  platform::LimitWorkerThreads(0);

  s.FILTER_INPUT_LIST = "None";
  EXPECT_FALSE(Filter());
  EXPECT_TRUE(mLog.ContainsRed(kNoPathwayInputListMessage));
  s.FILTER_INPUT_LIST = WriteFile("one.txt", "Probe set\ntc5\n");
  EXPECT_FALSE(Filter());
  EXPECT_TRUE(mLog.ContainsRed(kTooFewPathwayGenesMessage));
  ClearPathway();
  EXPECT_FALSE(Filter());
  EXPECT_TRUE(mLog.ContainsRed(kEmptyPathwayMessage));

  // A name the gene information does not know becomes a placeholder and stays one.
  s.FILTER_INPUT_LIST = WriteFile("all.txt", synth::TimeCourseGeneListText(mTruth));
  ASSERT_TRUE(AddNode());
  ASSERT_TRUE(AddNode());
  SetNodeName(0, "NoSuchGene");
  ASSERT_TRUE(EditArrow(0, 1, 1, true, kActivation));
  s.PATHWAY_CORR = 0.99;
  EXPECT_TRUE(Filter());
  EXPECT_TRUE(mLog.Contains(
      "    Node 'NoSuchGene' not found in info file or no info file, regarded as unknown node",
      kLogBlack));
  EXPECT_TRUE(ThePathway().nodes[0].placeholder);
  EXPECT_EQ(ThePathway().placeholderCount, 3);
}

}  // namespace

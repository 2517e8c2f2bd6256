#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "genes/filter/filter_genes.hpp"
#include "genes/filter/gene_filters.hpp"
#include "genes/tests/filter_test_support.hpp"

namespace {

using synth::FilterCriterion;
using synth::FilterKind;

class GeneFilterTest : public FilterFixture {
 protected:
  // The genes the generator says pass every criterion given, noise genes left out.
  std::set<int> PlantedPassing(const std::vector<FilterCriterion>& criteria) const {
    std::set<int> genes;
    for (std::size_t g = 0; g < mData.kinds.size(); ++g) {
      bool passes = mData.kinds[g] != FilterKind::kNoise;
      for (const FilterCriterion c : criteria)
        passes = passes && synth::PlantedPasses(mData.kinds[g], c);
      if (passes) genes.insert(static_cast<int>(g));
    }
    return genes;
  }
  std::set<int> NoiseGenes() const {
    std::set<int> genes;
    for (std::size_t g = 0; g < mData.kinds.size(); ++g)
      if (mData.kinds[g] == FilterKind::kNoise) genes.insert(static_cast<int>(g));
    return genes;
  }
};

TEST_F(GeneFilterTest, PlantedGenesPassExactlyTheFiltersTheyWereMadeFor) {
  synth::FilterDataOptions options;
  options.genesPerKind = {8, 8, 8, 8, 8, 200};
  const std::vector<std::vector<FilterCriterion>> runs = {
      {FilterCriterion::kVariation},
      {FilterCriterion::kPresence},
      {FilterCriterion::kReplicate},
      {FilterCriterion::kExpression},
      {FilterCriterion::kVariation, FilterCriterion::kPresence, FilterCriterion::kReplicate,
       FilterCriterion::kExpression},
  };
  for (const int groups : {2, 3}) {
    options.groups = groups;
    options.seed = static_cast<std::uint64_t>(groups);
    Load(synth::MakeFilterData(options));
    const std::set<int> noise = NoiseGenes();
    for (const auto& run : runs) {
      SCOPED_TRACE(testing::Message() << groups << " groups, " << run.size() << " criteria from "
                                      << static_cast<int>(run[0]));
      GroupSettings& s = TheGroup().Settings();
      s.USE_CV_FILTER = s.USE_CALL_FILTER = s.USE_REP_FILTER = s.USE_EXPR_FILTER = 0;
      for (const FilterCriterion c : run) SwitchOn(c);
      s.FILTER_OUTPUT_LIST = mFolder.File("filtered.xls");
      ASSERT_TRUE(FilterGenes());

      const std::set<int> flagged = FlaggedUnits();
      std::set<int> plantedKept;
      int noiseKept = 0;
      for (const int unit : flagged) {
        if (noise.count(unit) != 0)
          ++noiseKept;
        else
          plantedKept.insert(unit);
      }
      EXPECT_EQ(plantedKept, PlantedPassing(run));
      const bool variation = run[0] == FilterCriterion::kVariation;
      if (variation)
        EXPECT_LE(noiseKept, synth::FilterBounds::kNoiseVariationShare * noise.size());
      else
        EXPECT_GE(noiseKept, 0.9 * noise.size());
      EXPECT_EQ(GeneList.NumInteresting, static_cast<int>(flagged.size()));

      // The written list reads back as the same genes through the gene list reader.
      EXPECT_EQ(ReadGeneList(nullptr, s.FILTER_OUTPUT_LIST, false),
                static_cast<int>(flagged.size()));
      EXPECT_EQ(FlaggedUnits(), flagged);
      const std::vector<std::string> lines = Lines(ReadFile(s.FILTER_OUTPUT_LIST));
      ASSERT_GE(lines.size(), 5 + run.size() + 2);
      EXPECT_EQ(lines[4], "$\t" + std::to_string(flagged.size()) + " of " +
                              std::to_string(mData.kinds.size()) +
                              " probe sets satisfied the filtering criteria:");
      EXPECT_EQ(lines[4 + run.size() + 1], "[FILTERING_RESULT]");
    }
  }
}

// One sample per array: the strict bounds, the sets without a variation, the expression
// share at its percentage and the replicate variation with half the calls present.
TEST_F(GeneFilterTest, BoundsAreStrictAndGenesWithoutAMeasureFail) {
  constexpr float M = kMissingValueFloat;
  // Genes by column: deviation / mean exactly 0.5 (2, 4, 6); one value only; mean 0.
  Load({{2.0f, 5.0f, -1.0f}, {4.0f, M, 1.0f}, {6.0f, M, 0.0f}}, {});
  GroupSettings& s = TheGroup().Settings();
  s.USE_CV_FILTER = 1;
  struct Case {
    double lower, upper;
    bool passes;
  };
  const std::vector<double> half = {2.0, 4.0, 6.0};
  for (const Case c : {Case{0.5, 10.0, false}, Case{0.49, 10.0, true}, Case{0.0, 0.5, false},
                       Case{0.0, 0.51, true}}) {
    s.CV_LOWER = c.lower;
    s.CV_UPPER = c.upper;
    EXPECT_EQ(PassesVariationFilter(half), c.passes) << c.lower << " " << c.upper;
    EXPECT_EQ(PassesGeneFilters(0), c.passes);
  }
  // Deviation alone (logged data) is 2 for the same values.
  s.FILTER_VAR_METHOD = 1;
  s.CV_LOWER = 2.0;
  s.CV_UPPER = 10.0;
  EXPECT_FALSE(PassesVariationFilter(half));
  s.CV_LOWER = 1.99;
  EXPECT_TRUE(PassesVariationFilter(half));
  // No bounds let a set without a measure pass, within groups or not.
  s.CV_LOWER = -1e9;
  s.CV_UPPER = 1e9;
  s.FILTER_VAR_METHOD = 0;
  for (const int within : {0, 1}) {
    s.USE_STD_SEP = within;
    EXPECT_FALSE(PassesGeneFilters(1)) << within;
    EXPECT_FALSE(PassesGeneFilters(2)) << within;
    EXPECT_TRUE(PassesGeneFilters(0)) << within;
  }
}

TEST_F(GeneFilterTest, ExpressionShareAndReplicateVariationOnHandTables) {
  // Four arrays; gene 0 at the level in two of four samples, gene 1 in samples of two
  // replicates 90 and 110 (deviation / mean 0.1414) with calls P and A.
  Load({{100.0f, 90.0f}, {100.0f, 110.0f}, {99.0f, 90.0f}, {0.0f, 110.0f}},
       {{'P', 'P'}, {'P', 'A'}, {'P', 'P'}, {'P', 'A'}});
  GroupSettings& s = TheGroup().Settings();
  s.USE_EXPR_FILTER = 1;
  s.EXPR_FILTER_VALUE = 100.0;
  for (const int pct : {50, 51}) {
    s.EXPR_FILTER_PCT = pct;
    EXPECT_EQ(PassesGeneFilters(0), pct == 50) << pct;
  }
  s.USE_EXPR_FILTER = 0;
  s.ARRAY_LIST_FILE = WriteFile("pairs.txt", "a1\na2\nReplicate\na3\na4\nReplicate\n");
  SampleGrouping.ReadArrayListFile(s.ARRAY_LIST_FILE);
  ASSERT_EQ(SampleGrouping.SampleCount(), 2);
  s.USE_REP_FILTER = 1;
  for (const bool calls : {true, false}) {
    TheGroup().HasCalls = calls;
    for (const auto& [low, high, passes] :
         {std::tuple{0.1, 0.2, true}, std::tuple{0.15, 0.2, false}, std::tuple{0.0, 0.14, false}}) {
      s.REP_FILTER_LOW = low;
      s.REP_FILTER_HIGH = high;
      EXPECT_EQ(PassesGeneFilters(1), passes) << calls << " " << low << " " << high;
    }
  }
}

// Four samples of two replicates 100 -/+ d: ratios d x 0.01414 for d = 1, 2, 20, 30; the
// median is the third ratio (0.283), whatever the order of the samples.
TEST_F(GeneFilterTest, ReplicateVariationIsTheUpperMedianRatio) {
  const std::vector<float> d = {20, 1, 30, 2};
  std::vector<std::vector<float>> values;
  std::string list;
  for (std::size_t s = 0; s < d.size(); ++s) {
    values.push_back({100 - d[s]});
    values.push_back({100 + d[s]});
    list += "a" + std::to_string(2 * s + 1) + "\na" + std::to_string(2 * s + 2) + "\nReplicate\n";
  }
  Load(values, {});
  SampleGrouping.ReadArrayListFile(WriteFile("pairs.txt", list));
  GroupSettings& s = TheGroup().Settings();
  s.USE_REP_FILTER = 1;
  for (const auto& [low, high, passes] :
       {std::tuple{0.28, 0.29, true}, std::tuple{0.02, 0.28, false}, std::tuple{0.29, 0.5, false},
        std::tuple{0.0, 1.0, true}}) {
    s.REP_FILTER_LOW = low;
    s.REP_FILTER_HIGH = high;
    EXPECT_EQ(PassesGeneFilters(0), passes) << low << " " << high;
  }
}

TEST_F(GeneFilterTest, InputListsControlsAndFailedWrites) {
  constexpr int kGenes = 100;
  std::vector<std::vector<float>> values(3, std::vector<float>(kGenes, 500.0f));
  Load(values, {}, {3, 55});
  GroupSettings& s = TheGroup().Settings();
  std::string list = "probe set\n";
  for (int g = 0; g < 10; ++g) list += "ps_" + std::to_string(g * 10) + "\n";
  s.FILTER_INPUT_LIST = WriteFile("ten.txt", list);

  struct Case {
    int use;
    int omit;
    int kept;
    const char* text;
  };
  for (const Case c : {Case{0, 0, 90, "not in the file"}, Case{1, 0, 10, "in the file"},
                       Case{0, 1, 88, "not in the file"}}) {
    s.FILTER_INPUT_USE = c.use;
    s.OMIT_VOSK = c.omit;
    ASSERT_TRUE(FilterGenes());
    EXPECT_EQ(static_cast<int>(FlaggedUnits().size()), c.kept);
    EXPECT_EQ(GeneList.Listed(20), c.use == 1);
    EXPECT_TRUE(mLog.Contains(std::to_string(c.kept) + " of 100 probe sets " + c.text + " " +
                                  s.FILTER_INPUT_LIST + " satisfied",
                              kLogBlack));
  }

  // A list that names none of the probe sets filters on all genes, with the red line.
  s.FILTER_INPUT_LIST = WriteFile("strangers.txt", "probe set\nzz_1\nzz_2\n");
  s.FILTER_INPUT_USE = 1;
  s.OMIT_VOSK = 0;
  ASSERT_TRUE(FilterGenes());
  EXPECT_EQ(FlaggedUnits().size(), 100u);
  EXPECT_TRUE(mLog.ContainsRed("  Reading gene list file " + s.FILTER_INPUT_LIST +
                               "  failed, filtering on all genes"));

  // An unreadable list falls back to all genes; an unwritable file is reported, and the
  // filtering still counts as done.
  s.FILTER_INPUT_USE = 0;
  s.FILTER_INPUT_LIST = mFolder.File("absent.txt");
  s.OMIT_VOSK = 1;
  s.FILTER_OUTPUT_LIST = mFolder.File("no folder/filtered.xls");
  EXPECT_TRUE(FilterGenes());
  EXPECT_EQ(FlaggedUnits().size(), 98u);
  EXPECT_TRUE(mLog.ContainsRed("  Reading gene list file " + s.FILTER_INPUT_LIST +
                               "  failed, filtering on all genes"));
  EXPECT_TRUE(mLog.ContainsRed("  Writing file '" + s.FILTER_OUTPUT_LIST + "' failed"));
  EXPECT_TRUE(mLog.Contains("Finished}", kLogBlue));

  // Nothing kept: the red advice, and a list file without rows.
  s.FILTER_INPUT_LIST = "None";
  s.USE_CV_FILTER = 1;
  s.CV_LOWER = 0.1;
  s.CV_UPPER = 1.0;
  s.FILTER_OUTPUT_LIST = mFolder.File("empty.xls");
  EXPECT_TRUE(FilterGenes());
  EXPECT_TRUE(FlaggedUnits().empty());
  EXPECT_TRUE(mLog.ContainsRed("No probe set filtered"));
  EXPECT_EQ(Lines(ReadFile(s.FILTER_OUTPUT_LIST)),
            (std::vector<std::string>{
                "[FILTERING_CRITERIA]", "$ARRAY_LIST_FILE=", "$FILTER_ON_GENE_LIST=",
                "$FILTER_ON_USE_LIST=0", "$\t0 of 100 probe sets satisfied the filtering criteria:",
                "$\tVariation across samples: 0.10 < Standard deviation / Mean < 1.00",
                "[FILTERING_RESULT]", "probe set\t"}));
}

}  // namespace

// Test support for the sample comparison: a started group whose arrays hold the values
// the comparison generator planted (one array a sample, the baseline samples first),
// comparisons that switch on one test each under the generator's thresholds, and the
// genes a result table lists.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "engine/tests/sample_test_support.hpp"
#include "genes/compare/compare_samples.hpp"
#include "tools/synth/compare_data.hpp"

// The one test a comparison switches on.
enum class OnlyTest { kFold, kDifference, kTTest, kPresent, kPaired };

class CompareFixture : public OwnUnitsFixture {
 protected:
  void SetUp() override {
    OwnUnitsFixture::SetUp();
    ClearLayout();
    CompareCriteria = COMPARE_CRITERIA{};
  }
  void TearDown() override {
    CompareCriteria = COMPARE_CRITERIA{};
    OwnUnitsFixture::TearDown();
  }

  // The generator's data as the group's arrays; probe sets are named "ps_<gene>", or
  // "KORX<gene>" (a control probe set) for the genes listed in controls.
  void Load(const synth::CompareData& data, const std::set<int>& controls = {}) {
    mData = data;
    const int genes = static_cast<int>(data.kinds.size());
    NameUnits(genes, controls);
    for (int s = 0; s < data.samples; ++s) {
      std::vector<VALUE_TRIPLE> values;
      for (int g = 0; g < genes; ++g)
        values.push_back({data.values[static_cast<std::size_t>(s)][static_cast<std::size_t>(g)],
                          data.stdErrs[static_cast<std::size_t>(s)][static_cast<std::size_t>(g)],
                          0});
      AddArray("s" + std::to_string(s + 1), values, data.calls[static_cast<std::size_t>(s)]);
    }
    Group& group = TheGroup();
    group.Modelled = true;
    group.HasCalls = true;
    group.HasStdErrors = true;
    group.Settings().ARRAY_LIST_FILE = "";
    group.Settings().FILTER_INPUT_LIST = "None";
    group.Settings().CONSIDER_ERROR = 0;
    group.Settings().OMIT_VOSK = 0;
    group.Settings().OUTPUT_ACC = 0;
    SampleGrouping.SetDefaultGrouping();
  }

  // Baseline the generator's baseline samples, experiment the rest; only the one test on.
  COMPARE_CRITERION Only(OnlyTest test, int combine = kCombineAnd) const {
    COMPARE_CRITERION c;
    c.combine = combine;
    for (int s = 0; s < mData.samples; ++s)
      (s < mData.baselineSamples ? c.baseline : c.experiment).push_back(s);
    c.useEoverB = test == OnlyTest::kFold;
    c.useBoverE = 0;
    c.useLowerBound = 0;
    c.EoverB = synth::ComparisonThresholds::kFold;
    c.useEminusB = test == OnlyTest::kDifference;
    c.useBminusE = 0;
    c.EminusB = synth::ComparisonThresholds::kDifference;
    c.usePvalue = test == OnlyTest::kTTest;
    c.Pvalue = synth::ComparisonThresholds::kPValue;
    c.usePcall = test == OnlyTest::kPresent;
    c.PcallB = c.PcallE = synth::ComparisonThresholds::kPresentPercent;
    c.usePaired = test == OnlyTest::kPaired;
    c.pairPvalue = synth::ComparisonThresholds::kPValue;
    c.UpdateShowStdErr();
    return c;
  }
  static COMPARE_CRITERION Parenthesis(int combine) {
    COMPARE_CRITERION c;
    c.isParenthesis = true;
    c.combine = combine;
    return c;
  }
  static void SetList(const std::vector<COMPARE_CRITERION>& entries) {
    CompareCriteria.Clear();
    for (const COMPARE_CRITERION& entry : entries)
      CompareCriteria.entries[static_cast<std::size_t>(CompareCriteria.count++)] = entry;
  }

  CompareSamplesInputs Inputs(const std::string& name = "result.xls") const {
    CompareSamplesInputs inputs = CompareInputsFromSettings(CompareCriteria);
    inputs.resultPath = mFolder.File(name);
    inputs.threads = 1;
    return inputs;
  }

  // The genes (indices) whose rows the table of the file lists.
  std::set<int> ListedGenes(const std::string& path) const {
    const std::vector<std::string> lines = Lines(ReadFile(path));
    std::set<int> genes;
    bool inTable = false;
    bool titles = false;
    for (const std::string& line : lines) {
      if (line == "[COMPARE_RESULT]") {
        inTable = titles = true;
        continue;
      }
      if (!inTable || line.empty() || line[0] == '$' || line[0] == '[') continue;
      if (titles) {
        titles = false;
        continue;
      }
      const std::string name = line.substr(0, line.find('\t'));
      genes.insert(std::stoi(name.substr(name.rfind('X') == 3 ? 4 : 3)));
    }
    return genes;
  }
  std::set<int> GenesOfKinds(const std::set<synth::PlantedKind>& kinds) const {
    std::set<int> genes;
    for (std::size_t g = 0; g < mData.kinds.size(); ++g)
      if (kinds.count(mData.kinds[g]) != 0) genes.insert(static_cast<int>(g));
    return genes;
  }

  synth::CompareData mData;
  CapturedLog mLog;
  ScriptedProgress mProgress;
};

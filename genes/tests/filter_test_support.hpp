// Test support for the gene filters: a started group whose arrays the test fills, gene
// by gene, from a generated filter data set or a small table, with every filter off.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "engine/tests/sample_test_support.hpp"
#include "tools/synth/filter_data.hpp"

class FilterFixture : public OwnUnitsFixture {
 protected:
  void SetUp() override {
    OwnUnitsFixture::SetUp();
    ClearLayout();
  }

  // Probe sets "ps_<gene>" (or "KORX<gene>", a control probe set, for those in
  // controls); arrays "a1", "a2", ... from values[array][gene] and calls[array][gene]
  // (none when calls is empty). One sample per array until a list is read.
  void Load(const std::vector<std::vector<float>>& values,
            const std::vector<std::vector<char>>& calls, const std::set<int>& controls = {}) {
    TheGroup().ClearGroup();
    const int genes = values.empty() ? 0 : static_cast<int>(values[0].size());
    NameUnits(genes, controls);
    for (std::size_t a = 0; a < values.size(); ++a) {
      std::vector<VALUE_TRIPLE> triples;
      for (const float v : values[a]) triples.push_back({v, std::fabs(0.1f * v), 0});
      AddArray("a" + std::to_string(a + 1), triples,
               calls.empty() ? std::vector<char>() : calls[a]);
    }
    Group& group = TheGroup();
    group.Modelled = true;
    group.HasCalls = !calls.empty();
    group.HasStdErrors = true;
    GroupSettings& s = group.Settings();
    s.USE_CV_FILTER = s.USE_CALL_FILTER = s.USE_REP_FILTER = s.USE_EXPR_FILTER = 0;
    s.USE_STD_SEP = 0;
    s.FILTER_VAR_METHOD = 0;
    s.FILTER_INPUT_LIST = "None";
    s.FILTER_INPUT_USE = 1;
    s.FILTER_OUTPUT_LIST = "";
    s.ARRAY_LIST_FILE = "";
    s.OMIT_VOSK = 0;
    s.OUTPUT_ACC = 0;
    s.ALLOW_MISSING = 0;
    s.CONSIDER_ERROR = 0;
    s.MASK_REDUNDANT = 0;
    SampleGrouping.SetDefaultGrouping();
  }

  void Load(const synth::FilterData& data) {
    mData = data;
    Load(data.values, data.calls);
    TheGroup().Settings().ARRAY_LIST_FILE = WriteFile("arrays.txt", data.ArrayListText());
    SampleGrouping.ReadArrayListFile(TheGroup().Settings().ARRAY_LIST_FILE);
  }

  // Every filter off but the one, at the generator's bounds.
  static void SwitchOn(synth::FilterCriterion criterion) {
    using B = synth::FilterBounds;
    GroupSettings& s = TheGroup().Settings();
    switch (criterion) {
      case synth::FilterCriterion::kVariation:
        s.USE_CV_FILTER = 1;
        s.CV_LOWER = B::kVariationLower;
        s.CV_UPPER = B::kVariationUpper;
        return;
      case synth::FilterCriterion::kPresence:
        s.USE_CALL_FILTER = 1;
        s.FILTER_PRESENCE = B::kPresencePercent;
        return;
      case synth::FilterCriterion::kReplicate:
        s.USE_REP_FILTER = 1;
        s.REP_FILTER_LOW = B::kReplicateLower;
        s.REP_FILTER_HIGH = B::kReplicateUpper;
        return;
      case synth::FilterCriterion::kExpression:
        s.USE_EXPR_FILTER = 1;
        s.EXPR_FILTER_VALUE = B::kExpressionLevel;
        s.EXPR_FILTER_PCT = B::kExpressionPercent;
        return;
    }
  }

  static std::set<int> FlaggedUnits() {
    std::set<int> units;
    for (int unit = 0; unit < Layout.unitCount; ++unit)
      if (GeneList.Listed(unit)) units.insert(unit);
    return units;
  }

  synth::FilterData mData;
  CapturedLog mLog;
  ScriptedProgress mProgress;
};

// Test support for the factor filters: a started group whose arrays (one a sample) hold
// the factor generator's values, with its sample information read, and the probe sets a
// written table lists.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/tests/sample_test_support.hpp"
#include "tools/synth/factor_data.hpp"

class FactorFixture : public OwnUnitsFixture {
 protected:
  // The generator's data as arrays s1, s2 ...; probe sets named "ps_<gene>".
  void Load(const synth::FactorData& data) {
    mData = data;
    const int genes = data.Genes();
    NameUnits(genes);
    for (int s = 0; s < data.samples; ++s) {
      std::vector<VALUE_TRIPLE> values;
      for (int g = 0; g < genes; ++g) {
        const auto sample = static_cast<std::size_t>(s);
        const auto gene = static_cast<std::size_t>(g);
        values.push_back(
            {data.values[sample][gene], 0.0f, data.missing[sample][gene] ? kArrayOutlierWord : 0});
      }
      AddArray("s" + std::to_string(s + 1), values);
    }
    Group& group = TheGroup();
    group.Modelled = true;
    GroupSettings& s = group.Settings();
    s.ALLOW_MISSING = 1;
    s.ARRAY_LIST_FILE = "";
    s.USE_STD_SEP = 0;
    s.OMIT_VOSK = 0;
    s.OUTPUT_ACC = 0;
    s.CONSIDER_ERROR = 0;
    SampleGrouping.SetDefaultGrouping();
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(WriteFile("info.txt", data.SampleInfoText("s"))));
  }

  // The probe sets (gene indices) of a written table, after its lines up to the titles.
  std::set<int> Listed(const std::string& path, int headLines) const {
    std::istringstream in(ReadFile(path));
    std::set<int> genes;
    int line = 0;
    for (std::string text; std::getline(in, text); ++line)
      if (line >= headLines) genes.insert(std::stoi(text.substr(3, text.find('\t') - 3)));
    return genes;
  }
  std::set<int> GenesOf(synth::FactorEffect effect) const {
    std::set<int> genes;
    for (int g = 0; g < mData.Genes(); ++g)
      if (mData.effects[static_cast<std::size_t>(g)] == effect) genes.insert(g);
    return genes;
  }

  synth::FactorData mData;
  CapturedLog mLog;
};

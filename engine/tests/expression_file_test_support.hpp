// Test support for the expression data files: a started group of expression arrays whose
// every value, call and standard error the test knows, with a chip layout of as many
// probe sets, all samples selected, and gene information columns that can be switched on.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/jobs/export_gene_columns.hpp"
#include "engine/tests/sample_test_support.hpp"

class ExpressionFileFixture : public SampleFixture {
 protected:
  static constexpr int kUnits = 7;
  static constexpr int kArrays = 3;
  // Array 1 is an outlier for this probe set; array 0 has no value for the next one.
  static constexpr int kOutlierUnit = 2;
  static constexpr int kMissingUnit = 3;

  void SetUp() override {
    SampleFixture::SetUp();
    mSavedLayout = std::move(Layout.units);
    mSavedUnitCount = Layout.unitCount;
    ClearLayout();
    UseUnits(kUnits);
    for (int a = 0; a < kArrays; ++a) {
      std::vector<VALUE_TRIPLE> values;
      std::vector<char> calls;
      for (int u = 0; u < kUnits; ++u) {
        values.push_back({Value(a, u), StdError(a, u), 0});
        calls.push_back(Call(a, u));
      }
      if (a == 1) values[kOutlierUnit].outlier = kArrayOutlierWord;
      if (a == 0) values[kMissingUnit].value = kMissingValueFloat;
      AddArray("array " + std::to_string(a + 1), values, calls);
    }
    Group& group = TheGroup();
    group.Modelled = true;
    group.HasCalls = true;
    group.HasStdErrors = true;
    group.Settings().LOG_TRANSFORM = 0;
    group.Settings().OUTPUT_ACC = 0;
    group.Settings().GENE_LIST_FILE = "";
    group.Settings().ARRAY_LIST_FILE = "";
    group.Settings().SAMPLE_INFO_FILE = "";
    SelectAllSamples();
  }
  void TearDown() override {
    SetExportGeneSource({});
    Layout.units = std::move(mSavedLayout);
    Layout.unitCount = mSavedUnitCount;
    SampleFixture::TearDown();
  }

  static void UseUnits(int count) {
    Layout.units.assign(static_cast<std::size_t>(count), UNIT_RECORD{});
    for (int u = 0; u < count; ++u)
      Layout.units[static_cast<std::size_t>(u)].SetName("ps_" + std::to_string(u));
    Layout.unitCount = count;
  }
  static void SelectAllSamples() {
    SampleGrouping.SetDefaultGrouping();
    for (int s = 0; s < SampleGrouping.SampleCount(); ++s) SampleGrouping.SetSelected(s, true);
  }

  // Values of six significant digits at most, which survive the tables' six digits.
  static float Value(int array, int unit) {
    return static_cast<float>(unit * 100 + array) + 0.25f + (unit % 2 == 0 ? 1000.0f : 0.0f);
  }
  static float StdError(int array, int unit) {
    return 0.5f + 0.125f * static_cast<float>(array + unit);
  }
  static char Call(int array, int unit) { return "PAM"[(array + unit) % 3]; }

  static void InstallGenes() {
    SetExportGeneSource([](int unit) {
      thread_local std::vector<std::string> texts;
      texts = {"G" + std::to_string(unit), "NM_" + std::to_string(unit),
               std::to_string(1000 + unit), "gene number " + std::to_string(unit)};
      return ExportGeneColumns{texts[0], texts[1], texts[2], texts[3]};
    });
  }

  std::vector<UNIT_RECORD> mSavedLayout;
  int mSavedUnitCount = 0;
};

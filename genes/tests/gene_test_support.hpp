// Test support for the gene information: a started group in the test's own folder, a
// chip layout of named probe sets without cells, the process-wide gene information and
// term tables emptied before and after, and text files written byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/testing/named_units.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/tests/temp_folder.hpp"

class GeneInfoFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    StartGroup(mFolder.Path().string());
    AnalysisRunning = 1;
    // The suite runs once more with every file split across threads in tiny pieces.
    if (std::getenv("ZELKO_SPLIT_GENE_INFO") != nullptr) GeneInfoSplit = {4, 16, 2};
  }
  void TearDown() override {
    DiscardGroup();
    Reset();
    GeneInfoSplit = mSplit;
  }

  static void Reset() {
    ClearGeneInformation();
    KeywordSearchStart = 0;
    GeneList = GENE_LIST{};
    Layout = CDF_LAYOUT{};
    UnitSearchStart = 0;
    AnalysisRunning = 0;
  }

  // A layout whose units carry these names (no cells).
  static void UseProbeSets(const std::vector<std::string>& names) {
    testing_units::UseUnitNames(names);
  }
  // Units named prefix0 ... prefix(count - 1).
  static std::vector<std::string> Names(const std::string& prefix, int count) {
    return testing_units::NumberedNames(prefix, count);
  }

  std::string WriteFile(const std::string& name, const std::string& text) const {
    return mFolder.Write(name, text);
  }

  static const GENE_INFO& Gene(int unit) {
    return GeneInfo.genes.at(static_cast<std::size_t>(unit));
  }
  // The term names of a gene's column, in index order.
  static std::vector<std::string> TermNames(int unit, int column) {
    std::vector<std::string> names;
    for (std::int16_t index : GeneInfo.TermIndices(unit, column))
      names.push_back(TermTables[static_cast<std::size_t>(column)].Name(index));
    return names;
  }

  platform::testing::TempFolder mFolder;
  const GeneInfoReadSplit mSplit = GeneInfoSplit;
};

// The header the annotation import writes, with the given term columns.
inline std::string GeneInfoHeader(const std::vector<std::string>& termColumns) {
  std::string header = "Probe Set Name\tIdentifier\tLocusLink\tName\t";
  for (const std::string& column : termColumns) header += column + "\t";
  return header + "Description\n";
}

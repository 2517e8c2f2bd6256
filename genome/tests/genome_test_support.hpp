// Test support for the genome's tables: a started group in the test's own folder, a chip
// layout of named units without cells, the genome and SNP tables emptied before and
// after, and text files written byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/testing/named_units.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/snp_info.hpp"
#include "platform/tests/temp_folder.hpp"

class GenomeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    StartGroup(mFolder.Path().string());
  }
  void TearDown() override {
    DiscardGroup();
    Reset();
  }
  static void Reset() {
    genome_info.Clear();
    refgene_info.Clear();
    genome_info.currentChro = 0;
    refgene_info.currentChro = 0;
    snp_info_table.Clear();
    GeneList = GENE_LIST{};
    Layout = CDF_LAYOUT{};
    UnitSearchStart = 0;
    ArrayType = 0;
    AnalysisRunning = 0;
  }
  static void UseUnits(const std::vector<std::string>& names) {
    testing_units::UseUnitNames(names);
  }
  static std::vector<std::string> Names(const std::string& prefix, int count) {
    return testing_units::NumberedNames(prefix, count);
  }
  std::string WriteFile(const std::string& name, const std::string& text) const {
    return mFolder.Write(name, text);
  }
  std::string ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  platform::testing::TempFolder mFolder;
};

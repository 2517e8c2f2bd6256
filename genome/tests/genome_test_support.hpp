// Test support for the genome's tables: a started group in the test's own folder, a chip
// layout of named units without cells, the genome and SNP tables emptied before and
// after, text files written byte for byte, and the check that a step that can be stopped
// leaves AnalysisRunning as it found it, and the splitting of a written text.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/testing/named_units.hpp"
#include "engine/testing/scripted_progress.hpp"
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

// The pieces of text between the separators; a text ending in one ends in an empty piece.
inline std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(at, start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

// A step (true when it ran to its end) leaves AnalysisRunning as it found it: raised by a
// command it stays raised, clear it stays clear; a stop (the flag cleared while the step
// pumps) fails the step and stays; and under a progress whose stop was asked before the
// step, the step fails at its first poll and the stop stays asked.
template <class Step>
void ExpectRunningFlagKept(Step step) {
  for (const std::uint8_t before : {std::uint8_t{1}, std::uint8_t{0}}) {
    AnalysisRunning = before;
    EXPECT_TRUE(step()) << static_cast<int>(before);
    EXPECT_EQ(AnalysisRunning, before);
  }
  AnalysisRunning = 1;
  const auto hook = SetPumpHook([] { AnalysisRunning = 0; });
  EXPECT_FALSE(step());
  EXPECT_EQ(AnalysisRunning, 0);
  SetPumpHook(hook);
  ScriptedProgress progress;
  progress.running = false;
  EXPECT_FALSE(step());
  EXPECT_FALSE(progress.running);
  EXPECT_EQ(progress.polls, 1);
}

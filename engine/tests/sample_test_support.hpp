// Test support for the sample grouping and sample information: a started group in its own
// folder whose arrays the test names and fills, text files written byte for byte, and a
// layout of probe sets the test names itself.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "platform/tests/temp_folder.hpp"

// Makes a folder the current one while alive, so that relative paths name its files.
class CurrentFolderScope {
 public:
  explicit CurrentFolderScope(const std::filesystem::path& folder)
      : mPrevious(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolderScope() { std::filesystem::current_path(mPrevious); }
  CurrentFolderScope(const CurrentFolderScope&) = delete;
  CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

 private:
  std::filesystem::path mPrevious;
};

class SampleFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    mSavedArrayType = ArrayType;
    ArrayType = 0;
    StartGroup(mFolder.Path().string());
    SampleInfo.Clear();
    SampleGrouping.ClearSelection();
    UseArrayList = false;
  }
  void TearDown() override {
    SampleInfo.Clear();
    DiscardGroup();
    ArrayType = mSavedArrayType;
  }

  // Appends an array to the group.
  void AddArray(const std::string& name, std::vector<VALUE_TRIPLE> values = {},
                std::vector<char> calls = {}, const std::string& dataFile = "") {
    ArraySlot& slot = TheGroup().NextArraySlot();
    slot = ArraySlot{};
    slot.name = name;
    slot.dataFile = dataFile;
    slot.values = std::move(values);
    slot.calls = std::move(calls);
    ASSERT_TRUE(TheGroup().CountArray());
  }
  // Arrays named prefix1 ... prefixN.
  void AddArrays(const std::string& prefix, int count) {
    for (int i = 1; i <= count; ++i) AddArray(prefix + std::to_string(i));
  }

  // Writes text exactly as given (no line-end translation) and returns the path.
  std::string WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = mFolder.File(name);
    std::ofstream out(path, std::ios::binary);
    out << text;
    return path;
  }
  std::string ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The lines of a text, each without its '\n'.
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  platform::testing::TempFolder mFolder;
  int mSavedArrayType = 0;
};

// A sample fixture whose test lays out probe sets of its own: the layout's units of before
// are set aside for the test and given back after it.
class OwnUnitsFixture : public SampleFixture {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    mSavedUnits = std::move(Layout.units);
    mSavedUnitCount = Layout.unitCount;
  }
  void TearDown() override {
    Layout.units = std::move(mSavedUnits);
    Layout.unitCount = mSavedUnitCount;
    SampleFixture::TearDown();
  }

  // Probe sets "ps_<gene>" for genes 0 ... count-1, or "KORX<gene>" (a control probe set)
  // for the genes in controls.
  static void NameUnits(int count, const std::set<int>& controls = {}) {
    Layout.units.assign(static_cast<std::size_t>(count), UNIT_RECORD{});
    for (int g = 0; g < count; ++g)
      Layout.units[static_cast<std::size_t>(g)].SetName((controls.count(g) != 0 ? "KORX" : "ps_") +
                                                        std::to_string(g));
    Layout.unitCount = count;
  }

 private:
  std::vector<UNIT_RECORD> mSavedUnits;
  int mSavedUnitCount = 0;
};

// Test support for the group jobs: a fixture with a synthetic chip and group of arrays
// written as scanned cell files into a data folder, settings for opening from it, and the
// process's current folder put back after each test (opening makes WORKING_DIR current).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/jobs/open_group.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "engine/tests/array_test_support.hpp"
#include "tools/synth/array_writers.hpp"

class GroupJobTest : public ArrayTest {
 protected:
  GroupJobTest() : mStartFolder(std::filesystem::current_path()) {
    std::filesystem::create_directories(DataFolder());
    GroupSettings& settings = Settings();
    settings.READ_CEL = 1;
    settings.READ_DAT = 0;
    settings.READ_QVF = 0;
    settings.DATA_PATH = DataFolder();
    settings.SAMPLE_INFO_FILE.clear();
    settings.ARRAY_LIST_FILE.clear();
    settings.GENE_NAME_FILE.clear();
    settings.PSI_MODE = 0;
    settings.SHOW_PROBE_TOGETHER = 0;
    settings.LOG_TRANSFORM = 0;
    settings.USE_UNNORM = 0;
    settings.QVF_IN_WORKING = 0;
    settings.VIEW_NORM_PLOT = 0;
    TheGroup().SetName("jobs");
    TheGroup().OpenedFromDataFiles = true;
  }
  ~GroupJobTest() override {
    std::error_code error;
    std::filesystem::current_path(mStartFolder, error);
  }

  std::string DataFolder() const { return mFolder.File("data"); }

  // A chip of the kind and a group of arrays on it (array 0 the baseline).
  void MakeGroup(int dimension, int units, const synth::ArrayGroupOptions& options,
                 synth::ChipKind kind = synth::ChipKind::kExpression) {
    mChip = SetUpChip(kind, dimension, units, 5);
    mTruth = synth::MakeArrayGroup(mChip, options);
  }

  // Scan time number k: "01/02/03 04:mm:ss".
  static std::string ScanTime(int k) {
    char text[32];
    std::snprintf(text, sizeof text, "01/02/03 04:%02d:%02d", (k / 60) % 60, k % 60);
    return text;
  }

  // Writes array `array` of the group as a cell file named name + extension in the data
  // folder's sub-folder (may be empty); returns its path.
  std::string WriteScan(int array, const std::string& name, const std::string& subFolder = "",
                        const std::string& scanTime = "", const std::string& extension = ".CEL",
                        synth::CelForm form = synth::CelForm::kText) {
    const synth::ArrayTruth scan = synth::ScannedArray(
        mChip, mTruth, array, name, scanTime.empty() ? ScanTime(array) : scanTime);
    const std::filesystem::path folder = std::filesystem::path(DataFolder()) / subFolder;
    std::filesystem::create_directories(folder);
    const std::string path = (folder / (name + extension)).string();
    EXPECT_TRUE(synth::WriteCel(scan, form, path)) << path;
    return path;
  }

  // Every array of the truth as name "a<k>" in the data folder.
  void WriteAllScans() {
    for (int i = 0; i < static_cast<int>(mTruth.arrays.size()); ++i)
      WriteScan(i, "a" + std::to_string(i));
  }

  bool Open(const OpenGroupOptions& options = {}) {
    TheGroup().SetName("jobs");
    return SearchDataFiles(options);
  }

  int CountLines(std::string_view text) const {
    int count = 0;
    for (const CapturedLine& line : mLog.Lines())
      count += line.text.find(text) != std::string::npos ? 1 : 0;
    return count;
  }

  std::filesystem::path mStartFolder;
  synth::ChipTruth mChip;
  synth::ArrayGroupTruth mTruth;
  RecordedOutputFiles mOutputFiles;
};

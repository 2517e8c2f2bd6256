// The process-wide group: start-up from the home folder, saving at exit, the per-array
// table limit and clearing.
#include "engine/group/group.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Line numbers (1-based) of settings the tests look at.
constexpr std::size_t kCdfFileLine = 1;
constexpr std::size_t kCvUpperLine = 31;
constexpr std::size_t kLastGroupNameLine = 81;

std::string Line(const std::vector<std::string>& lines, std::size_t number) {
  return number <= lines.size() ? lines[number - 1] : std::string("<missing>");
}

class GroupLifecycle : public ::testing::Test {
 protected:
  void TearDown() override { DiscardGroup(); }

  std::string Home() const { return mHome.Path().string(); }
  std::string IniFile(const std::string& name) const { return mHome.File(name + ".ini"); }

  // Writes the default group's file as an earlier run would have left it.
  void WriteDefaultFile(double cvUpper, const std::string& cdfFile, const std::string& lastGroup) {
    Group earlier(Home());
    earlier.ReadGroupSettings("");
    earlier.Settings().CV_UPPER = cvUpper;
    earlier.Settings().CDF_FILE = cdfFile;
    earlier.Settings().LAST_GROUP_NAME = lastGroup;
    ASSERT_TRUE(earlier.WriteGroupSettings());
  }

  std::vector<std::string> IniFilesInHome() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(mHome.Path()))
      names.push_back(entry.path().filename().string());
    return names;
  }

  platform::testing::TempFolder mHome;
};

TEST_F(GroupLifecycle, StartInEmptyHomeGivesDefaultGroupWithDefaults) {
  StartGroup(Home());
  ASSERT_TRUE(GroupStarted());
  const Group& group = TheGroup();
  EXPECT_EQ(group.Name(), "Zelko");
  EXPECT_EQ(group.HomeFolder(), Home());
  EXPECT_EQ(group.Settings().DATA_PATH, Home());
  EXPECT_EQ(group.Settings().WORKING_DIR, Home());
  EXPECT_EQ(group.Settings().ONTOROAM_DIR, Home());
  EXPECT_EQ(group.Settings().MERLIN_DIR, "");
  EXPECT_EQ(group.Settings().VELLUMFOLD_DIR, "");
  EXPECT_EQ(group.Settings().READ_CEL, 1);
  EXPECT_EQ(group.Settings().CV_UPPER, 1000.0);
  EXPECT_EQ(group.NumArrays(), 0);
  EXPECT_FALSE(group.Normalized || group.Modelled || group.Logged || group.Adjusted ||
               group.HasCalls || group.HasStdErrors || group.HasProbeData ||
               group.OpenedFromDataFiles);
  EXPECT_TRUE(IniFilesInHome().empty());
}

TEST_F(GroupLifecycle, NormalisationPlotSelectionLivesOnlyWhileTheProgramRuns) {
  StartGroup(Home());
  Group& group = TheGroup();
  EXPECT_EQ(group.NormPlot.mode, kNormPlotNothing);
  group.BaselineArray = 3;
  group.SelectBaselineComparison();
  EXPECT_EQ(group.NormPlot.array, 3);
  EXPECT_EQ(group.NormPlot.mode, kNormPlotBaselineComparison);
  // Not a setting: reading a settings file leaves it.
  ASSERT_TRUE(group.WriteGroupSettings());
  group.ReadGroupSettings("Zelko");
  EXPECT_EQ(group.NormPlot.array, 3);
  EXPECT_EQ(group.NormPlot.mode, kNormPlotBaselineComparison);
}

TEST_F(GroupLifecycle, StartReadsTheDefaultGroupFromHome) {
  WriteDefaultFile(250.0, "/chips/default.cdf", "Tumours");
  StartGroup(Home());
  EXPECT_EQ(TheGroup().Name(), "Zelko");
  EXPECT_EQ(TheGroup().Settings().CV_UPPER, 250.0);
  EXPECT_EQ(TheGroup().Settings().CDF_FILE, "/chips/default.cdf");
  EXPECT_EQ(TheGroup().Settings().LAST_GROUP_NAME, "Tumours");
}

TEST_F(GroupLifecycle, ExitSavesGroupAndRecordsItInTheDefaultFile) {
  WriteDefaultFile(3.0, "/chips/default.cdf", "");
  StartGroup(Home());
  TheGroup().SetName("Tumours");
  TheGroup().Settings().CV_UPPER = 7.0;
  TheGroup().Settings().CDF_FILE = "/chips/tumour.cdf";
  ExitGroup();

  EXPECT_FALSE(GroupStarted());
  const auto tumours = ReadLines(IniFile("Tumours"));
  EXPECT_EQ(Line(tumours, kCvUpperLine), "CV_UPPER=7");
  EXPECT_EQ(Line(tumours, kCdfFileLine), "CDF_FILE=/chips/tumour.cdf");
  EXPECT_EQ(Line(tumours, kLastGroupNameLine), "LAST_GROUP_NAME=");
  const auto defaults = ReadLines(IniFile("Zelko"));
  EXPECT_EQ(Line(defaults, kLastGroupNameLine), "LAST_GROUP_NAME=Tumours");
  EXPECT_EQ(Line(defaults, kCvUpperLine), "CV_UPPER=3");
  EXPECT_EQ(Line(defaults, kCdfFileLine), "CDF_FILE=/chips/default.cdf");
}

TEST_F(GroupLifecycle, ExitWithDefaultGroupInAnyCaseWritesOnlyItsFile) {
  WriteDefaultFile(3.0, "", "Tumours");
  StartGroup(Home());
  TheGroup().SetName("ZELKO");
  TheGroup().Settings().CV_UPPER = 7.0;
  ExitGroup();

  const auto defaults = ReadLines(IniFile("Zelko"));
  EXPECT_EQ(Line(defaults, kCvUpperLine), "CV_UPPER=7");
  EXPECT_EQ(Line(defaults, kLastGroupNameLine), "LAST_GROUP_NAME=Tumours");
  EXPECT_EQ(IniFilesInHome(), std::vector<std::string>{"Zelko.ini"});
}

TEST_F(GroupLifecycle, ExitThatCannotWriteIsLoggedAndStillEnds) {
  const std::string missingHome = mHome.File("gone");
  StartGroup(missingHome);
  TheGroup().SetName("Tumours");
  CapturedLog log;
  ExitGroup();
  EXPECT_FALSE(GroupStarted());
  EXPECT_TRUE(
      log.ContainsRed("{Writing configuration (INI) file " + missingHome + "/Tumours.ini failed}"));
  EXPECT_TRUE(
      log.ContainsRed("{Writing configuration (INI) file " + missingHome + "/Zelko.ini failed}"));
}

TEST_F(GroupLifecycle, ExitRunsAtNormalProcessEnd) {
  const std::string home = Home();
  EXPECT_EXIT(
      {
        StartGroup(home);
        TheGroup().SetName("Tumours");
        TheGroup().Settings().CV_UPPER = 7.0;
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Line(ReadLines(IniFile("Tumours")), kCvUpperLine), "CV_UPPER=7");
  EXPECT_EQ(Line(ReadLines(IniFile("Zelko")), kLastGroupNameLine), "LAST_GROUP_NAME=Tumours");
}

TEST(GroupArrays, ThousandthArrayIsRefused) {
  platform::testing::TempFolder home;
  Group group(home.Path().string());
  for (int i = 0; i < MAX_ARRAY_NUM - 1; ++i) {
    group.NextArraySlot().dataFile = "/scans/array" + std::to_string(i) + ".cel";
    ASSERT_TRUE(group.CountArray()) << "array " << i + 1;
  }
  EXPECT_EQ(group.NumArrays(), MAX_ARRAY_NUM - 1);
  EXPECT_EQ(group.Array(MAX_ARRAY_NUM - 2).dataFile, "/scans/array998.cel");
  EXPECT_EQ(&group.NextArraySlot(), &group.Array(MAX_ARRAY_NUM - 1));

  CapturedLog log;
  group.NextArraySlot().dataFile = "/scans/array999.cel";
  EXPECT_FALSE(group.CountArray());
  EXPECT_EQ(group.NumArrays(), MAX_ARRAY_NUM - 1);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].text, "    Error: MAX_ARRAY_NUM limit reached");
  EXPECT_EQ(log.Lines()[0].colour, kLogRed);
}

TEST(GroupArrays, ClearGroupEmptiesTheGroupAndItsDataFlags) {
  platform::testing::TempFolder home;
  Group group(home.Path().string());
  group.Normalized = group.Modelled = group.Logged = group.Adjusted = true;
  group.HasCalls = group.HasStdErrors = group.HasProbeData = true;
  group.OpenedFromDataFiles = true;
  ASSERT_TRUE(group.CountArray());
  ASSERT_TRUE(group.CountArray());

  group.ClearGroup();
  EXPECT_EQ(group.NumArrays(), 0);
  EXPECT_FALSE(group.Normalized);
  EXPECT_FALSE(group.Modelled);
  EXPECT_FALSE(group.Logged);
  EXPECT_FALSE(group.HasCalls);
  EXPECT_FALSE(group.HasStdErrors);
  EXPECT_FALSE(group.HasProbeData);
  // Batch adjustment and the open mode belong to the commands, not to the data.
  EXPECT_TRUE(group.Adjusted);
  EXPECT_TRUE(group.OpenedFromDataFiles);
}

}  // namespace

namespace {

// A group with three arrays read from data files, and calls for two probe sets.
class GroupLookups : public ::testing::Test {
 protected:
  GroupLookups() : mGroup(mHome.Path().string()) {
    AddArray("a1", "/data/run1/A1.CEL", {'P', 'A'});
    AddArray("Liver 2", "/data/run1/liver_2.cel", {'P', 'P'});
    AddArray("b3", "E:\\scans\\B3.DAT", {'A', 'M'});
  }
  void AddArray(const std::string& name, const std::string& file, std::vector<char> calls) {
    ArraySlot& slot = mGroup.NextArraySlot();
    slot.name = name;
    slot.dataFile = file;
    slot.calls = std::move(calls);
    ASSERT_TRUE(mGroup.CountArray());
  }

  platform::testing::TempFolder mHome;
  Group mGroup;
};

TEST_F(GroupLookups, FindArrayByNameIgnoresCaseAndTrimsTheCallersText) {
  std::string text = "A1 \t";
  EXPECT_EQ(mGroup.FindArrayByName(text), 0);
  EXPECT_EQ(text, "A1");
  std::string inner = "liver 2";
  EXPECT_EQ(mGroup.FindArrayByName(inner), 1);
  std::string absent = "a";
  EXPECT_EQ(mGroup.FindArrayByName(absent), -1);
}

TEST_F(GroupLookups, SameFileNameComparesFileNamesOfPathsWithFolders) {
  EXPECT_TRUE(SameFileName("E:\\x\\A.CEL", "F:\\y\\a.cel"));
  EXPECT_TRUE(SameFileName("/x/A.CEL", "F:\\y\\a.cel"));
  EXPECT_FALSE(SameFileName("A.CEL", "E:\\A.CEL"));
  EXPECT_FALSE(SameFileName("/x/A.CEL", "/x/A.CEL2"));
  EXPECT_EQ(mGroup.FindArrayByFile("D:\\copies\\LIVER_2.CEL"), 1);
  EXPECT_EQ(mGroup.FindArrayByFile("/elsewhere/b3.dat"), 2);
  EXPECT_EQ(mGroup.FindArrayByFile("b3.dat"), -1);
}

TEST_F(GroupLookups, PresentCallFractionOverListedOrAllArrays) {
  EXPECT_DOUBLE_EQ(mGroup.PresentCallFraction(0, nullptr, 0), 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(mGroup.PresentCallFraction(1, nullptr, 0), 1.0 / 3.0);
  const int listed[] = {1, 2};
  EXPECT_DOUBLE_EQ(mGroup.PresentCallFraction(0, listed, 2), 0.5);
  EXPECT_DOUBLE_EQ(mGroup.PresentCallFraction(1, listed, 1), 1.0);
  EXPECT_DOUBLE_EQ(mGroup.PresentCallFraction(0, listed, 0), 0.0);
}

}  // namespace

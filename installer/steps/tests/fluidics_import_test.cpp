// The fluidics step's import on both roads: protocols chosen by name, their files copied
// from one folder of protocol files, each MAC file loaded, and a missing one only warned
// of.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/fluidics_step.hpp"
#include "installer/steps/tests/step_road.hpp"
#include "tools/libgen/mac_file.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::WriteWholeFile;

class FluidicsImportTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    if (HasFatalFailure()) return;
    Configure(mStep);
    mStep.sourceFolder = mSandbox.File("protocols");
    mStep.destFolder = mSandbox.File("scripts");
    std::filesystem::create_directories(mStep.sourceFolder);
    std::filesystem::create_directories(mStep.destFolder);
    WriteMac("Hyb_1", libgen::StandardMac());
    WriteMac("Hyb_2", {{}, {{"Temp", "45", ""}}});
    WriteWholeFile(Protocol("Hyb_2.INI"), "[Stages]\r\n");
    WriteWholeFile(Protocol("Other.MAC"), "VAR:Temp,1\r\n");
  }
  std::string Protocol(const std::string& name) const {
    return platform::JoinPath(mStep.sourceFolder, name);
  }
  void WriteMac(const std::string& protocol, const libgen::MacFile& mac) {
    WriteWholeFile(Protocol(libgen::MacFileName(protocol)), libgen::MacText(mac));
  }
  std::vector<std::string> Steps() {
    return Rows(
        "SELECT protocol_name || '|' || coalesce(step_value, '') FROM KORX_FLUIDICS_PROTOCOL "
        "ORDER BY rowid");
  }
  std::vector<std::string> Copied() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mStep.destFolder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  FluidicsStep mStep;
};

TEST_P(FluidicsImportTest, CopiesAndImportsTheChosenProtocols) {
  mStep.protocols = {"Hyb_1", "Hyb_Missing", "Hyb_2"};
  ASSERT_EQ(mStep.CopyProtocolFiles(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Copied(), (std::vector<std::string>{"Hyb_1.MAC", "Hyb_2.INI", "Hyb_2.MAC"}));

  ASSERT_EQ(mStep.ImportFluidicsProtocols(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Steps(),
            (std::vector<std::string>{"Hyb_1|25", "Hyb_1|10", "Hyb_1|35", "Hyb_1|", "Hyb_2|45"}));
  EXPECT_EQ(
      LogMessages(mStep.logPath),
      (std::vector<std::string>{
          "Start Importing Fluidics Protocols...", "Import Fluidics Protocols Hyb_1...",
          "Import Fluidics Protocols Hyb_1 Successfully.",
          "WARNING: Fluidics protocol MAC file for Hyb_Missing not found.  Database import "
          "is skipped for Hyb_Missing.",
          "Import Fluidics Protocols Hyb_2...", "Import Fluidics Protocols Hyb_2 Successfully."}));
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_EQ(report.find("\nImport Fluidics Protocols:\n--------------------------\n"
                        "Source Fluidics Protocol File:\t\t" +
                        Protocol("Hyb_1.MAC") + "\nSource Fluidics Protocol File Date:\t\t"),
            0u)
      << report;
  EXPECT_NE(report.find("Number of Protocol Steps in the source file:\t1\n"
                        "Number of Protocol Steps uploaded to temporary tables:\t1\n"
                        "Database Activities -\n"),
            std::string::npos);
  EXPECT_EQ(report.find("Fluidics Station:"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Work(kFluidicsLoadFile)));
  EXPECT_EQ(mSession.TablesExist({"LOAD_MAC_FILE"}, mSession.workDatabase), 0);

  // Only missing files: warnings, nothing loaded, success.
  mStep.protocols = {"Nope_1", "Nope_2"};
  EXPECT_EQ(mStep.ImportFluidicsProtocols(), 0);
  EXPECT_EQ(LoggedErrors(), std::vector<std::string>{});
  EXPECT_EQ(Steps().size(), 5u);
}

TEST_P(FluidicsImportTest, AFailingProtocolLeavesTheOthersImported) {
  WriteMac("Hyb_1", {{}, {{"Temp", "4;5", ""}}});
  mStep.protocols = {"../protocols/Hyb_2", "Hyb_1", "Hyb_2"};
  EXPECT_EQ(mStep.CopyProtocolFiles(), 3027);
  EXPECT_EQ(Copied(), (std::vector<std::string>{"Hyb_1.MAC", "Hyb_2.INI", "Hyb_2.MAC"}));

  EXPECT_EQ(mStep.ImportFluidicsProtocols(), 2003);
  EXPECT_EQ(Steps(), std::vector<std::string>{"Hyb_2|45"});
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_EQ(log,
            (std::vector<std::string>{
                "ERROR: Failed to copy files. The name '../protocols/Hyb_2' in " +
                    mStep.sourceFolder + " would leave the library folder.",
                "Start Importing Fluidics Protocols...",
                "Import Fluidics Protocols ../protocols/Hyb_2...",
                "ERROR: The protocol name '../protocols/Hyb_2' would leave the library folder.",
                "Import Fluidics Protocols ../protocols/Hyb_2 Failed.",
                "Import Fluidics Protocols Hyb_1...",
                "ERROR: The value '4;5' of " + Protocol("Hyb_1.MAC") +
                    " holds the load file's separator ';'.",
                "Import Fluidics Protocols Hyb_1 Failed.", "Import Fluidics Protocols Hyb_2...",
                "Import Fluidics Protocols Hyb_2 Successfully."}));

  mStep.protocols = {"Hyb_2"};
  mSession.connected = 0;
  EXPECT_EQ(mStep.ImportFluidicsProtocols(), 3004);
  EXPECT_NE(mStep.errorText.find("Failed to connect to the database."), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Roads, FluidicsImportTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook

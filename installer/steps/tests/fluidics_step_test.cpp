// The fluidics step on both roads: the protocol files of each serving station copied into
// the fluidics folder, each protocol's MAC file loaded, and a refused protocol failing
// alone.
#include "installer/steps/fluidics_step.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/tests/step_road.hpp"
#include "tools/libgen/fluidics_files.hpp"
#include "tools/libgen/library_folder.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;

libgen::LibrarySpec Spec() {
  libgen::LibrarySpec spec;
  spec.types = {{"Chip_A", "A_Files"}, {"Chip_B", "B_Files"}};
  spec.devices = {{"Wash450", "Fluidics", "Station", "FS450", "F45", {"Chip_A"}},
                  {"Wash900", "Fluidics", "Station", "FS900", "F90", {"Chip_B", "chip_a"}}};
  return spec;
}

libgen::MacFile OneVariable(const std::string& value) {
  return {{"; protocol"}, {{"Temp", value, ""}}};
}

class FluidicsStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    if (HasFatalFailure()) return;
    Configure(mStep);
    mStep.destFolder = mSandbox.File("fluidics");
    std::filesystem::create_directories(mStep.destFolder);
    mStep.types = {"Chip_A", "Chip_B"};
    mStep.typeFolders = {"A_Files", "B_Files"};
    mStep.stations = {"Wash450", "Wash900"};
    std::string error;
    ASSERT_TRUE(mLibrary.Write(error)) << error;
    ASSERT_TRUE(libgen::WriteFluidicsFiles(
        mLibrary, "Chip_A", "Wash450",
        {{"Hyb_A1", libgen::StandardMac()}, {"Hyb_A2", OneVariable("45")}}));
    ASSERT_TRUE(libgen::WriteFluidicsFiles(mLibrary, "Chip_A", "Wash900", {}));
    ASSERT_TRUE(
        libgen::WriteFluidicsFiles(mLibrary, "Chip_B", "Wash900", {{"Hyb_B1", OneVariable("60")}}));
  }
  std::vector<std::string> Steps() {
    return Rows(
        "SELECT protocol_name || '|' || coalesce(step_value, '') FROM KORX_FLUIDICS_PROTOCOL "
        "ORDER BY rowid");
  }

  libgen::LibraryFolder mLibrary{mSandbox.File("source"), Spec()};
  FluidicsStep mStep;
};

TEST_P(FluidicsStepTest, CopiesAndInstallsEachServingStationsProtocols) {
  ASSERT_EQ(mStep.CopyFluidicsFiles(), 0) << ReadWholeFile(mStep.logPath);
  for (const char* name : {"Hyb_A1.MAC", "Hyb_A2.MAC", "Hyb_B1.MAC"}) {
    const std::string copy = platform::JoinPath(mStep.destFolder, name);
    ASSERT_TRUE(std::filesystem::exists(copy)) << name;
    EXPECT_EQ(std::filesystem::status(copy).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
  }

  ASSERT_EQ(mStep.RunFluidicsStep(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Steps(), (std::vector<std::string>{"Hyb_A1|25", "Hyb_A1|10", "Hyb_A1|35", "Hyb_A1|",
                                               "Hyb_A2|45", "Hyb_B1|60"}));
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_EQ(std::vector<std::string>(log.end() - 7, log.end()),
            (std::vector<std::string>{
                "Start Installing Fluidics Protocols...",
                "Install Wash450 Fluidics Protocols Hyb_A1 for Chip_A...",
                "Install Wash450 Fluidics Protocols Hyb_A1 for Chip_A Successfully.",
                "Install Wash450 Fluidics Protocols Hyb_A2 for Chip_A...",
                "Install Wash450 Fluidics Protocols Hyb_A2 for Chip_A Successfully.",
                "Install Wash900 Fluidics Protocols Hyb_B1 for Chip_B...",
                "Install Wash900 Fluidics Protocols Hyb_B1 for Chip_B Successfully."}));
  const std::string mac = platform::JoinPath(mLibrary.LibFiles("Chip_A"), "Hyb_A1.MAC");
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_NE(report.find("\nInstall Fluidics Protocols:\n---------------------------\n"
                        "Fluidics Station:\t\tWash450\nSource Fluidics File:\t\t" +
                        mac + "\nSource Fluidics File Date:\t\t"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("Number of Protocol Steps in the source file:\t4\n"
                        "Number of Protocol Steps uploaded to temporary tables:\t4\n"
                        "Database Activities -\n"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Work(kFluidicsLoadFile)));

  // A second run replaces the protocols' steps.
  ASSERT_EQ(mStep.RunFluidicsStep(), 0);
  EXPECT_EQ(Steps().size(), 6u);
  EXPECT_EQ(mSession.TablesExist({"LOAD_MAC_FILE"}, mSession.workDatabase), 0);
}

TEST_P(FluidicsStepTest, AMissingStationFileStillLetsTheOthersCopy) {
  const std::string ini = libgen::StationIniPath(mLibrary, "Chip_B", "Wash900");
  std::filesystem::remove(ini);
  EXPECT_EQ(mStep.CopyFluidicsFiles(), 1001);
  EXPECT_EQ(LoggedErrors(),
            std::vector<std::string>{"ERROR: Failed to copy the fluidics files for Chip_B. " + ini +
                                     " file not found."});
  EXPECT_TRUE(std::filesystem::exists(platform::JoinPath(mStep.destFolder, "Hyb_A2.MAC")));
}

TEST_P(FluidicsStepTest, ARefusedProtocolFailsAloneAndTheNextIsInstalled) {
  ASSERT_TRUE(libgen::WriteFluidicsFiles(
      mLibrary, "Chip_A", "Wash450",
      {{"../Hyb", OneVariable("1")}, {"Hyb;X", OneVariable("2")}, {"Hyb_A2", OneVariable("45")}}));
  // A value holding the separator would shift the record's fields.
  ASSERT_TRUE(
      libgen::WriteFluidicsFiles(mLibrary, "Chip_B", "Wash900", {{"Hyb_B1", OneVariable("6;0")}}));
  EXPECT_EQ(mStep.RunFluidicsStep(), 2003);
  const std::string macB1 = platform::JoinPath(mLibrary.LibFiles("Chip_B"), "Hyb_B1.MAC");
  EXPECT_EQ(LoggedErrors(),
            (std::vector<std::string>{
                "ERROR: The protocol name '../Hyb' would leave the library folder.",
                "ERROR: The protocol name 'Hyb;X' holds the load file's separator ';'.",
                "ERROR: The value '6;0' of " + macB1 + " holds the load file's separator ';'."}));
  EXPECT_EQ(Steps(), std::vector<std::string>{"Hyb_A2|45"});
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_EQ(log.back(), "Install Wash900 Fluidics Protocols Hyb_B1 for Chip_B Failed.");
  EXPECT_EQ(mSession.TablesExist({"LOAD_MAC_FILE"}, mSession.workDatabase), 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, FluidicsStepTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook

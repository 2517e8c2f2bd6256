// The device step on both roads: the driver's device records written to "Dev.txt" and
// installed, with values that would shift the load file's fields refused.
#include "installer/steps/device_step.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/tests/step_road.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;

class DeviceStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    Configure(mStep);
    mStep.deviceFile = Source("Devices.ini");
    mStep.devices = &mDevices;
  }
  std::vector<std::string> Devices() {
    return Rows(
        "SELECT device_name || '|' || anno_id || '|' || coalesce(device_desc, '') || '|' || "
        "coalesce(device_prefix, '') FROM KORX_DEVICE ORDER BY 1");
  }

  std::vector<DeviceRecord> mDevices{{"Scanner3000", "Scanner", "", "S-1", "SC"},
                                     {"Station450", "Fluidics", "Four modules", "F-2", "FS"}};
  DeviceStep mStep;
};

TEST_P(DeviceStepTest, InstallsTheRecordsWithoutTheirType) {
  int count = -1;
  ASSERT_TRUE(mStep.WriteDeviceFile(count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ReadWholeFile(Work(kDeviceLoadFile)),
            "Scanner3000;S-1;;SC\nStation450;F-2;Four modules;FS\n");

  ASSERT_EQ(mStep.RunDeviceStep(), 0) << ReadWholeFile(mSession.installLog);
  EXPECT_EQ(Devices(),
            (std::vector<std::string>{"Scanner3000|S-1||SC", "Station450|F-2|Four modules|FS"}));
  EXPECT_EQ(LogMessages(mStep.logPath).back(), "Install Devices Successfully.");
  EXPECT_NE(
      ReadWholeFile(mStep.reportPath)
          .find("\nInstall Devices:\n---------------\nSource Device File:\t" + mStep.deviceFile +
                "\nNumber of Devices in the source file:\t2\n"
                "Number of Devices uploaded to temporary tables:\t2\n"),
      std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Work(kDeviceLoadFile)));
}

TEST_P(DeviceStepTest, AValueHoldingTheSeparatorInstallsNoDevice) {
  mDevices.push_back({"Station; B", "Fluidics", "", "F-3", "FB"});
  EXPECT_EQ(mStep.RunDeviceStep(), 2001);
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "ERROR: Install Devices Failed. The value 'Station; B' holds the load file's "
            "separator ';'.");
  EXPECT_FALSE(std::filesystem::exists(Work(kDeviceLoadFile)));
  EXPECT_TRUE(Devices().empty());
  EXPECT_EQ(mSession.TablesExist({"LOAD_DEV"}, mSession.workDatabase), 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, DeviceStepTest, ::testing::Values(Road::kSqlServer, Road::kOracle),
                         testing::RoadName);

}  // namespace
}  // namespace quellbrook

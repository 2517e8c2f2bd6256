// The installation driver up to the content steps: argument checks, the array types and
// their folders, the SQL tools and the connection, each with its log lines and result.
#include "installer/quellbrook/install_driver.hpp"
#include "installer/quellbrook/update_driver.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "installer/framework/tests/log_lines.hpp"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;
using testing::LogMessages;

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

class InstallDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mParameters.libraryFolder = mSandbox.File("library");
    mParameters.protocolFolder = mSandbox.File("protocols");
    mParameters.sourceFolder = mSandbox.File("source") + "\\\\/  ";
    mParameters.arrayTypes = "Chip_A";
    mParameters.installLog = mSandbox.File("install.log");
    mParameters.reportFile = mSandbox.File("report.txt");
    WriteText(mSandbox.File("source") + "/TWLib.ini",
              "[Chip_A]\nPath=Chip_A_Folder\n[Chip_B]\nPath = Chip_B_Folder \n");
  }

  DatabaseSandbox mSandbox;
  InstallParameters mParameters;
};

TEST_F(InstallDriverTest, EveryRequiredSlotMustBeFilled) {
  std::string InstallParameters::*required[] = {
      &InstallParameters::libraryFolder, &InstallParameters::protocolFolder,
      &InstallParameters::sourceFolder, &InstallParameters::arrayTypes,
      &InstallParameters::reportFile};
  for (auto slot : required) {
    InstallParameters parameters;
    parameters.libraryFolder = "l";
    parameters.protocolFolder = "p";
    parameters.sourceFolder = "s";
    parameters.arrayTypes = "A";
    parameters.installLog = mParameters.installLog;
    parameters.reportFile = "r";
    parameters.*slot = "";
    EXPECT_EQ(RunInstall(parameters), 1007);
    EXPECT_EQ(parameters.errorText, "Invalid DLL command parameters.\n");
  }
  EXPECT_EQ(LogMessages(mParameters.installLog),
            std::vector<std::string>(5, "ERROR: Invalid DLL command parameters."));

  // Without a log path nothing can be written, but the run is refused all the same.
  mParameters.installLog.clear();
  EXPECT_EQ(RunInstall(mParameters), 1007);
}

TEST_F(InstallDriverTest, BlankTypesEndSuccessfullyAfterTheStartBanner) {
  mParameters.arrayTypes = "   ";
  EXPECT_EQ(RunInstall(mParameters), 0);
  EXPECT_EQ(LogMessages(mParameters.installLog),
            std::vector<std::string>{"*** Start Client Library Installation ***"});
}

TEST_F(InstallDriverTest, EveryTypeWithoutFolderIsReportedBeforeTheRunEnds) {
  mParameters.arrayTypes = "Chip_A, ,Chip_C,Chip_B";
  EXPECT_EQ(RunInstall(mParameters), 2016);
  const std::string ini = mSandbox.File("source") + "/TWLib.ini";
  EXPECT_EQ(
      LogMessages(mParameters.installLog),
      (std::vector<std::string>{"*** Start Client Library Installation ***",
                                "ERROR: Cannot find the file path for  in " + ini + ".",
                                "ERROR: Cannot find the file path for Chip_C in " + ini + "."}));
}

TEST_F(InstallDriverTest, NamesThatWouldLeaveTheirFolderAreRefused) {
  WriteText(mSandbox.File("source") + "/TWLib.ini",
            "[Chip_A]\nPath=..\\..\\etc\n[Chip_B]\nPath=lib\\Chip_B\n");
  mParameters.arrayTypes = "Chip_A,../Chip_B,Chip*,Chip_B";
  EXPECT_EQ(RunInstall(mParameters), 2016);
  const std::string ini = mSandbox.File("source") + "/TWLib.ini";
  EXPECT_EQ(
      LogMessages(mParameters.installLog),
      (std::vector<std::string>{
          "*** Start Client Library Installation ***",
          "ERROR: The path '..\\..\\etc' of Chip_A in " + ini + " would leave the source folder.",
          "ERROR: The array type name '../Chip_B' would leave the library folder.",
          "ERROR: The array type name 'Chip*' would leave the library folder."}));
}

TEST_F(InstallDriverTest, ServerWithoutDbmsKindThenWithoutSqlToolsEndsWithTheirMessages) {
  mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
  EXPECT_EQ(RunInstall(mParameters), 2007);
  EXPECT_EQ(mParameters.errorText, std::string(MessageText(2007)));
  std::vector<std::string> log = LogMessages(mParameters.installLog);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1].rfind("ERROR: ", 0), 0u) << log[1];
  EXPECT_EQ(log[2], "*** Finish QIRO Server Library Installation ***");

  std::filesystem::remove(mParameters.installLog);
  mParameters.errorText.clear();
  mSandbox.SetRegistryText(kDbPublishTypeKey, "", "SQL Server");
  EXPECT_EQ(RunInstall(mParameters), 3017);
  log = LogMessages(mParameters.installLog);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "*** Start QIRO Server Library Installation ***");
  EXPECT_EQ(log[1], "Cannot find the executable path for bcp.exe and osql.exe files.");
  EXPECT_EQ(log[2], "Please make sure that the MSDE or SQL Server has been installed.");
  EXPECT_EQ(log[3], "*** Finish QIRO Server Library Installation ***");
  EXPECT_EQ(mParameters.errorText, "");
}

TEST_F(InstallDriverTest, RefusedLoginEndsWith3004AndAReachedRunIsNeverASuccess) {
  const std::filesystem::path tools = mSandbox.File("mssql");
  WriteText(tools / "binn" / "osql", "");
  WriteText(tools / "binn" / "bcp", "");
  mSandbox.SetRegistryText(kSqlServerSetupKey, kSqlPathValue, tools.string());
  EXPECT_EQ(RunInstall(mParameters), 3004);
  EXPECT_EQ(mParameters.errorText, std::string(MessageText(3004)));
  std::vector<std::string> log = LogMessages(mParameters.installLog);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1].rfind("ERROR: ", 0), 0u) << log[1];
  EXPECT_EQ(log[2], "*** Finish Client Library Installation ***");

  // Connected, but a plain client without a devices file.
  std::filesystem::remove(mParameters.installLog);
  ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", ""));
  const std::string devices = mSandbox.File("source") + "/Devices.ini";
  EXPECT_EQ(RunInstall(mParameters), 1001);
  log = LogMessages(mParameters.installLog);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1], "ERROR: Failed to install devices. " + devices + " file not found.");

  // A plain client copies only; a type without its analysis definition keeps the run from
  // success.
  std::filesystem::remove(mParameters.installLog);
  WriteText(devices, "[Devices]\nDevice1=Scan 1\n[Scan 1]\nDeviceType=scanner\nDeviceAnnoID=4\n");
  EXPECT_EQ(RunInstall(mParameters), 3027);
  log = LogMessages(mParameters.installLog);
  EXPECT_EQ(log, (std::vector<std::string>{
                     "*** Start Client Library Installation ***",
                     "ERROR: Failed to copy the analysis library files for Chip_A. " +
                         mSandbox.File("source") + "/Chip_A_Folder/Analysis.ini file not found.",
                     "*** Finish Client Library Installation ***"}));
}

TEST_F(InstallDriverTest, DevicesAreReadUpToTheFirstGapAndChecked) {
  const std::string devices = mSandbox.File("devices.ini");
  const std::string log = mSandbox.File("devices.log");
  WriteText(devices,
            "[Devices]\nDevice1= Scan A \nDevice2=Wash\nDevice4=Never\n"
            "[Scan A]\nDeviceType= Scanner \nDeviceAnnoID= 7 \nDeviceDesc= desc \n"
            "[Wash]\nDeviceAnnoID=1\n");
  std::vector<DeviceRecord> read;
  EXPECT_EQ(ReadDeviceRecords(devices, log, read), 0);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name, "Scan A");
  EXPECT_EQ(read[0].type, "Scanner");
  EXPECT_EQ(read[0].annotationId, "7");
  EXPECT_EQ(read[0].description, "desc");
  EXPECT_EQ(read[1].name, "Wash");
  EXPECT_EQ(read[1].type, "");  // no type: fails the type check later

  WriteText(devices, "[Devices]\nDevice1=A\nDevice2=B\n[A]\nDeviceType=Fluidics\n[B]\n");
  read.clear();
  EXPECT_EQ(ReadDeviceRecords(devices, log, read), 3015);
  EXPECT_EQ(LogMessages(log).back(),
            "ERROR: Device annotation ID should not be empty.  Please check the device source "
            "file " +
                devices + ".");
  // A blank type reads as none: the device is kept by name for the type check.
  WriteText(devices, "[Devices]\nDevice1=A\n[A]\nDeviceType=   \n");
  read.clear();
  EXPECT_EQ(ReadDeviceRecords(devices, log, read), 0);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].type, "");
}

TEST(InstallResult, ErrorsOutrankWarningsAndAFailedValidationOutranksAll) {
  RunFlags flags;
  EXPECT_EQ(FoldInstallResult(flags), 0);
  flags.warnings = true;
  EXPECT_EQ(FoldInstallResult(flags), 4001);
  // A copy's error stays, even when a later step only warned.
  flags.running = 2001;
  EXPECT_EQ(FoldInstallResult(flags), 2001);
  flags.errors = true;
  EXPECT_EQ(FoldInstallResult(flags), 3027);
  flags.running = 0;
  flags.allValid = false;
  EXPECT_EQ(FoldInstallResult(flags), 2011);
  flags.running = 2001;
  EXPECT_EQ(FoldInstallResult(flags), 3027);
}

TEST(InstallResult, AFailedCopyIsNeverHiddenByALaterSuccess) {
  RunFlags flags;
  NoteCopyResult(flags, kThereAreErrors);
  // The registry key step that follows succeeds and becomes the running result.
  flags.running = 0;
  EXPECT_EQ(FoldInstallResult(flags), 3027);
  RunFlags copied;
  NoteCopyResult(copied, 0);
  copied.running = 0;
  EXPECT_EQ(FoldInstallResult(copied), 0);
  // A missing source INI is the copy step's own error and stays the running result.
  NoteCopyResult(copied, 1001);
  EXPECT_EQ(FoldInstallResult(copied), 1001);
}

TEST_F(InstallDriverTest, AnUpdateOfAnOldDataObjectIsRefusedWithARedLine) {
  EXPECT_EQ(RunUpdate(mParameters), 1008);
  EXPECT_EQ(LogMessages(mParameters.installLog),
            std::vector<std::string>{"ERROR: Cannot update QIRO Server version 3.0 or earlier."});
}

}  // namespace
}  // namespace quellbrook

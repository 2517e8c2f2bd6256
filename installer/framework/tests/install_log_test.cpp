// Tests of the installation log, the report lines and the message table, against texts
// typed from the documented line forms.
#include "installer/framework/install_log.hpp"

#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "installer/framework/message_table.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "platform/tests/temp_folder.hpp"

namespace quellbrook {
namespace {

using testing::ReadWholeFile;

using platform::testing::TempFolder;

TEST(InstallLog, LinesCarryTimeLevelAndMessageWithoutItsLineBreaks) {
  TempFolder folder;
  const std::string log = folder.File("install.log");
  const std::string today = LocalTimeText("%m/%d/%y");
  WriteLogLine(log, "Done\n\n", kLogWarning);
  WriteLogLine(log, "Cannot find script file sql_load_alg.sql", kLogError);
  WriteLogLine(log, "Start\r\n", kLogInfo);
  WriteLogLine(log, "Level 7 has no prefix", 7);
  WriteLogLine(log, "", kLogError);
  WriteLogLine("", "nowhere", kLogError);
  WriteLogLine(folder.File("no/folder/install.log"), "lost", kLogError);

  const std::string stamp = "(\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d) - ";
  const std::regex expected(stamp + "WARNING: Done\n" + stamp +
                            "ERROR: Cannot find script file sql_load_alg.sql\n" + stamp +
                            "Start\n" + stamp + "Level 7 has no prefix\n");
  std::smatch match;
  const std::string text = ReadWholeFile(log);
  ASSERT_TRUE(std::regex_match(text, match, expected)) << text;
  EXPECT_EQ(match[1].str().substr(0, 8), today);

  EXPECT_EQ(LogLineText("12/31/26 23:59:58", "Done\n\n", kLogWarning),
            "12/31/26 23:59:58 - WARNING: Done");
  EXPECT_EQ(LogLineText("01/02/27 00:00:01", "x", kLogError), "01/02/27 00:00:01 - ERROR: x");
}

TEST(InstallLog, ReportLinesAreCutTo511Characters) {
  TempFolder folder;
  const std::string report = folder.File("report.txt");
  const std::string long600(600, 'r');
  AppendFormattedLine(report, "%s", long600.c_str());
  AppendFormattedLine(report, "Total records = %d, loaded = %d", 12, 11);
  AppendFormattedLine("", "%s", "nowhere");
  AppendFormattedLine(folder.File("no/folder/r.txt"), "%s", "lost");
  EXPECT_EQ(ReadWholeFile(report), std::string(511, 'r') + "\nTotal records = 12, loaded = 11\n");
}

TEST(MessageTable, TextsAsShippedAndFilledAtAnyLength) {
  EXPECT_EQ(MessageText(0), "No error");
  EXPECT_EQ(MessageText(1002),
            "%s is missing in the section %s inside %s.  Default value %f is used.\n");
  EXPECT_EQ(MessageText(1008), "Cannot update QIRO Server version 3.0 or earlier.");
  EXPECT_EQ(MessageText(2009),
            "Validation failed for all selected probe arrays and the library installation will "
            "be abort. Please perform the corrective actions and retry.");
  EXPECT_EQ(MessageText(3012),
            "Failed to grant permissions to create temporary tables and stored procedures.  "
            "Please make sure that the MSDE was installed correctly and the administrator "
            "password for \"sa\" is blank.");
  EXPECT_EQ(MessageText(3020),
            "Failed to populate temporary tables.\nTotal records = %d and # of populated "
            "records = %d.\nPlease check:\nDBMS and process databases were installed "
            "correctly.\n(2) There is enough free tablespaces for the process databases.\n");
  EXPECT_EQ(MessageText(3023), "Failed to install tempates  %s.\n");
  EXPECT_EQ(MessageText(3027), "There are errors.\n");
  EXPECT_EQ(MessageText(4001), "There are warnings.\n");
  EXPECT_EQ(MessageText(4002), "No GIN file");
  EXPECT_EQ(MessageText(1012), "");
  EXPECT_EQ(MessageText(-1), "");

  EXPECT_EQ(FormatMessageText(3014, "Fluidics", "C:\\lib\\Devices.ini"),
            "Unknown device type 'Fluidics'. Please check the device source file "
            "C:\\lib\\Devices.ini.");
  EXPECT_EQ(FormatMessageText(3003, 120, 7),
            "Failed to populate temporary tables.\nTotal records = 120 and # of populated "
            "records = 7.\nPlease check:\n(1) DBMS and process databases were installed "
            "correctly.\n(2) There is enough free space for the temporary database (tempdb).\n");
  const std::string longName(2000, 'n');
  EXPECT_EQ(FormatMessageText(2004, longName.c_str()),
            "Failed to read the GIN file " + longName + ".\n");
  EXPECT_EQ(FormatMessageText(9999), "");
}

}  // namespace
}  // namespace quellbrook

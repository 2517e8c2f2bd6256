// The welcome greeting by the hour and the settings snapshot.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/group/welcome_text.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/tests/sample_test_support.hpp"

namespace {

using WelcomeTextTest = SampleFixture;

std::tm At(int hour, int minute) {
  std::tm time{};
  time.tm_year = 126;  // 2026
  time.tm_mon = 11;    // December
  time.tm_mday = 8;
  time.tm_hour = hour;
  time.tm_min = minute;
  return time;
}

TEST_F(WelcomeTextTest, GreetsByTheHourAndKeepsTheStartTime) {
  const struct {
    int hour, minute;
    const char* greeting;
  } cases[] = {{5, 59, "Working hard..."}, {6, 0, "Good morning!"},     {11, 59, "Good morning!"},
               {12, 0, "Good afternoon!"}, {17, 59, "Good afternoon!"}, {18, 0, "Good evening!"},
               {23, 59, "Good evening!"},  {0, 0, "Working hard..."}};
  for (const auto& time : cases) {
    CapturedLog log;
    WelcomeText(At(time.hour, time.minute));
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_EQ(log.Lines()[0].text, "Welcome to Zelko\n");
    EXPECT_EQ(log.Lines()[0].colour, kLogBlue);
    const std::string clock = MessageBuffer("12/08/26, %02d:%02d", time.hour, time.minute);
    EXPECT_EQ(log.Lines()[1].text, std::string(time.greeting) + "  " + clock + "\n");
    EXPECT_EQ(log.Lines()[1].colour, kLogBlack);
    EXPECT_EQ(TheGroup().DateText, clock);
  }
}

TEST_F(WelcomeTextTest, SnapshotPrintsTheSettingsFile) {
  TheGroup().SetName("demo");
  ASSERT_TRUE(TheGroup().WriteGroupSettings());
  std::vector<std::string> fileLines;
  {
    std::ifstream file(mFolder.File("demo.ini"));
    for (std::string line; std::getline(file, line);) fileLines.push_back(line);
  }
  ASSERT_EQ(fileLines.size(), static_cast<std::size_t>(kGroupSettingCount));

  CapturedLog log;
  WriteSettingsSnapshot(At(9, 15));
  const auto& lines = log.Lines();
  ASSERT_EQ(lines.size(), fileLines.size() + 3);
  EXPECT_EQ(lines.front().text, "{Settings at 12/08/26, 09:15");
  EXPECT_EQ(lines.front().colour, kLogBlue);
  EXPECT_EQ(lines[1].text, "  Setting file=" + mFolder.File("demo.ini"));
  for (std::size_t i = 0; i < fileLines.size(); ++i) {
    EXPECT_EQ(lines[i + 2].text, "  " + fileLines[i]);
    EXPECT_EQ(lines[i + 2].colour, kLogBlack);
  }
  EXPECT_EQ(lines.back().text, "}\n");
  EXPECT_EQ(lines.back().colour, kLogBlue);
}

TEST_F(WelcomeTextTest, SnapshotOfAMissingFileIsOnlyTheOpeningLine) {
  TheGroup().SetName("never saved");
  CapturedLog log;
  WriteSettingsSnapshot(At(9, 15));
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].text, "{Settings at 12/08/26, 09:15");
}

}  // namespace

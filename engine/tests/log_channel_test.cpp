// The analysis log channel: switches, sinks, the pump, the formatter.
#include "engine/services/log_channel.hpp"

#include <gtest/gtest.h>

#include <string>

#include "engine/testing/captured_log.hpp"

namespace {

// Counts pumps while alive.
struct PumpCounter {
  int count = 0;
  std::function<void()> previous;
  PumpCounter() {
    previous = SetPumpHook([this] { ++count; });
  }
  ~PumpCounter() { SetPumpHook(previous); }
};

TEST(LogChannel, WritesLineThenPumpsOnce) {
  CapturedLog log;
  PumpCounter pumps;
  LogMessage("  Reading CEL file...", 0, kLogBlack);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].text, "  Reading CEL file...");
  EXPECT_FALSE(log.Lines()[0].replaceLastLine);
  EXPECT_EQ(log.Lines()[0].colour, kLogBlack);
  EXPECT_EQ(pumps.count, 1);
}

TEST(LogChannel, DisabledLogWritesNothingAndPumpsNothing) {
  CapturedLog log;
  PumpCounter pumps;
  LogEnabled = 0;
  LogMessage("quiet", 0, kLogRed);
  LogEnabled = 1;
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(pumps.count, 0);
  LogMessage("loud", 0, kLogRed);
  EXPECT_TRUE(log.ContainsRed("loud"));
}

TEST(LogChannel, ProgressCountersCarryTheReplaceFlag) {
  CapturedLog log;
  LogMessage("    Line 10000", 1, kLogBlack);
  LogMessage("    Line 20000", 1, kLogBlack);
  ASSERT_EQ(log.Lines().size(), 2u);
  EXPECT_TRUE(log.Lines()[0].replaceLastLine);
  EXPECT_TRUE(log.Lines()[1].replaceLastLine);
  EXPECT_EQ(log.Lines()[1].text, "    Line 20000");
}

TEST(LogChannel, SinksNestAndRestore) {
  CapturedLog outer;
  {
    CapturedLog inner;
    LogMessage("to inner");
    EXPECT_EQ(inner.Lines().size(), 1u);
  }
  LogMessage("to outer");
  ASSERT_EQ(outer.Lines().size(), 1u);
  EXPECT_EQ(outer.Lines()[0].text, "to outer");
}

TEST(LogChannel, DefaultSinkWritesToStandardErrorAndMarksErrors) {
  testing::internal::CaptureStderr();
  LogMessage("plain line", 0, kLogBlack);
  LogMessage("broken file", 0, kLogRed);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("plain line\n"), std::string::npos);
  EXPECT_NE(err.find("!! broken file\n"), std::string::npos);
  EXPECT_EQ(err.find("!! plain line"), std::string::npos);
}

TEST(LogChannel, PumpWithoutHookDoesNothing) {
  auto previous = SetPumpHook({});
  PumpMessages();  // must not crash
  int calls = 0;
  SetPumpHook([&] { ++calls; });
  PumpMessages();
  PumpMessages();
  EXPECT_EQ(calls, 2);
  SetPumpHook(previous);
}

TEST(MessageBuffer, FormatsLikePrintfWithoutLengthLimit) {
  EXPECT_EQ(MessageBuffer("    Read %d arrays of %s", 12, "demo"), "    Read 12 arrays of demo");
  EXPECT_EQ(MessageBuffer("%.2f", 3.14159), "3.14");
  const std::string longName(5000, 'x');
  const std::string text = MessageBuffer("  Reading '%s'...", longName.c_str());
  EXPECT_EQ(text.size(), longName.size() + 15);
  EXPECT_EQ(text.substr(text.size() - 4), "'...");
  EXPECT_EQ(MessageBuffer("%s", ""), "");
}

TEST(ElapsedTimeText, CountsBothEnds) {
  EXPECT_EQ(ElapsedTimeText(100, 100), "0 minutes 1 seconds");
  EXPECT_EQ(ElapsedTimeText(0, 59), "1 minutes 0 seconds");
  EXPECT_EQ(ElapsedTimeText(1000, 1124), "2 minutes 5 seconds");
  EXPECT_EQ(ElapsedTimeText(0, 3600), "60 minutes 1 seconds");
}

}  // namespace

// The console program runner and RunExternalProgram with real children: small shell
// scripts written into the test's folder, their output read into a window or the log.
#include "engine/services/redirected_process.hpp"

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "engine/services/log_channel.hpp"
#include "engine/services/output_window.hpp"
#include "engine/services/run_external_program.hpp"
#include "engine/testing/captured_log.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

using Clock = std::chrono::steady_clock;

class TextWindow final : public OutputWindow {
 public:
  void AppendOutput(std::string_view piece) override {
    text.append(piece);
    ++appends;
  }
  void EndOutput() override { ++ends; }
  std::string text;
  int appends = 0;
  int ends = 0;
};

class RunnerTest : public ::testing::Test {
 protected:
  // An executable /bin/sh script in the test's folder.
  std::string Script(const std::string& name, const std::string& body) {
    const std::string path = mFolder.File(name);
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
    return path;
  }
  static std::string ReadFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  platform::testing::TempFolder mFolder;
  TextWindow mWindow;
};

TEST_F(RunnerTest, BackspacesShowAsBlanksThePausePromptCutsItsReadAndTheCopyMatches) {
  const std::string script = Script("pause.sh",
                                    "printf 'ab\\bc\\n'\n"
                                    "printf 'to stderr\\n' >&2\n"
                                    "printf 'Done. Press any key to continue . . . never shown'\n");
  const std::string copy = mFolder.File("copy.txt");
  {
    CRedirectedProcess process(script, mWindow, "", copy);
    process.Run();
  }
  EXPECT_EQ(mWindow.text, "ab c\nto stderr\nDone. ");
  EXPECT_EQ(ReadFile(copy), mWindow.text);
  EXPECT_EQ(mWindow.ends, 1);
}

TEST_F(RunnerTest, AMissingProgramWritesTheErrorAndTheSystemsTextAndNothingElse) {
  const std::string copy = mFolder.File("copy.txt");
  {
    CRedirectedProcess process(mFolder.File("absent.exe") + " -x", mWindow, "", copy);
    process.Run();
  }
  EXPECT_EQ(mWindow.text, "Error creating process\r\nNo such file or directory\r\n");
  EXPECT_EQ(mWindow.appends, 1) << "one append for the whole report";
  EXPECT_EQ(ReadFile(copy), mWindow.text);
}

TEST_F(RunnerTest, ASilentChildGivesNoTextAndTheRunEndsAtTheNextIdlePoll) {
  const auto start = Clock::now();
  CRedirectedProcess process("true", mWindow, "", "");
  process.Run();
  EXPECT_EQ(mWindow.text, "");
  EXPECT_EQ(mWindow.appends, 0);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(RunnerTest, WindowEventsArePumpedAtLeastEveryPollWhileTheChildIsQuiet) {
  int pumps = 0;
  const auto previous = SetPumpHook([&] { ++pumps; });
  const auto start = Clock::now();
  CRedirectedProcess process("sleep 1", mWindow, "", "");
  process.Run();
  const auto elapsed = Clock::now() - start;
  SetPumpHook(previous);
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  // One pump per poll of at most 100 ms; a loaded machine only lengthens the polls.
  EXPECT_GE(pumps, 8);
  EXPECT_LE(pumps, 1 + std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 10);
}

TEST_F(RunnerTest, CancelEndsTheChildAtTheNextIdlePollWithTheCancelText) {
  const std::string script = Script("long.sh", "echo started\nsleep 30\necho never\n");
  CRedirectedProcess process("\"" + script + "\"", mWindow, "", "");
  // The user cancels from a window event once the child has spoken.
  const auto previous = SetPumpHook([&] {
    if (mWindow.text.find("started") != std::string::npos) process.Cancel();
  });
  const auto start = Clock::now();
  process.Run();
  SetPumpHook(previous);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(mWindow.text, std::string("started\n") + kCancelledText);
}

TEST_F(RunnerTest, TheChildRunsInTheWorkingFolderWithItsQuotedArguments) {
  const std::string script = Script("args.sh", "pwd\nfor a in \"$@\"; do echo \"[$a]\"; done\n");
  CRedirectedProcess process("\"" + script + "\" \"two words\" plain", mWindow,
                             mFolder.Path().string(), "");
  process.Run();
  EXPECT_EQ(mWindow.text,
            std::filesystem::canonical(mFolder.Path()).string() + "\n[two words]\n[plain]\n");
}

TEST_F(RunnerTest, ExternalProgramLogsItsCommandLineInGreenAndItsOutputLineByLine) {
  CapturedLog log;
  const std::string script = Script("linkage prog.sh",
                                    "echo \"first $1\"\n"
                                    "printf 'second\\r\\nunfinished'\n"
                                    "exit 4\n");
  const std::string copy = mFolder.File("run.log");
  EXPECT_TRUE(RunExternalProgram(script, "arg", copy)) << "the program's own failure is its own";
  ASSERT_EQ(log.Lines().size(), 4u);
  EXPECT_EQ(log.Lines()[0].text, script + " arg");
  EXPECT_EQ(log.Lines()[0].colour, kLogGreen);
  EXPECT_EQ(log.Lines()[1].text, "first arg");
  EXPECT_EQ(log.Lines()[2].text, "second");
  EXPECT_EQ(log.Lines()[3].text, "unfinished") << "the open line is written at the end";
  for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(log.Lines()[i].colour, kLogBlack);
  EXPECT_EQ(ReadFile(copy), "first arg\nsecond\r\nunfinished");
}

TEST_F(RunnerTest, AMissingExternalProgramLogsOneRedLineAndStartsNothing) {
  CapturedLog log;
  const std::string missing = mFolder.File("pedstats");
  const std::string copy = mFolder.File("run.log");
  EXPECT_FALSE(RunExternalProgram(missing, "-p x", copy));
  EXPECT_FALSE(RunExternalProgram(mFolder.Path().string(), "", copy)) << "a folder is no program";
  ASSERT_EQ(log.Lines().size(), 2u);
  EXPECT_EQ(log.Lines()[0].text, "    Program file '" + missing + "' not found");
  EXPECT_EQ(log.Lines()[0].colour, kLogRed);
  EXPECT_FALSE(std::filesystem::exists(copy)) << "nothing was started";
}

TEST(LogOutput, PiecesOfOutputBecomeWholeLinesWhateverWhereTheyWereCut) {
  CapturedLog log;
  for (const char* piece : {"ab", "c\r", "\nd\n", "\ne", ""}) AppendLogOutput(piece);
  EXPECT_EQ(log.Lines().size(), 3u) << "e waits for its line break";
  EndLogOutput();
  EndLogOutput();
  ASSERT_EQ(log.Lines().size(), 4u);
  EXPECT_EQ(log.Lines()[0].text, "abc");
  EXPECT_EQ(log.Lines()[1].text, "d");
  EXPECT_EQ(log.Lines()[2].text, "");
  EXPECT_EQ(log.Lines()[3].text, "e");
}

}  // namespace

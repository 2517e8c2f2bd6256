// Child processes for real: small shell scripts written into the test's folder, started
// without a shell in between, read through their output pipe, ended and reaped.
#include "platform/process.hpp"
#include "platform/system_error.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// An executable /bin/sh script in the folder.
std::string WriteScript(const testing::TempFolder& folder, const std::string& name,
                        const std::string& body) {
  const std::string path = folder.File(name);
  std::ofstream(path) << "#!/bin/sh\n" << body;
  ::chmod(path.c_str(), 0755);
  return path;
}

// Everything the child writes until it has ended and its pipe is empty.
std::string ReadToEnd(ChildProcess& child) {
  std::string text;
  char buffer[256];
  for (;;) {
    const OutputState state = child.PeekOutput();
    if (state == OutputState::kData) {
      const long count = child.ReadOutput(buffer, sizeof buffer);
      EXPECT_GE(count, 0);
      if (count > 0) text.append(buffer, static_cast<std::size_t>(count));
      continue;
    }
    if (child.HasEnded() && child.PeekOutput() != OutputState::kData) return text;
    child.WaitForOutput(100);
  }
}

std::set<std::string> OpenDescriptors(pid_t pid) {
  std::set<std::string> fds;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
    fds.insert(entry.path().filename().string());
  return fds;
}

// The child's descriptors once the files its start-up opens for a moment (the loader's
// libraries) are closed again: a leaked descriptor stays.
std::set<std::string> SettledDescriptors(pid_t pid, std::size_t expected) {
  std::set<std::string> fds = OpenDescriptors(pid);
  for (int tries = 0; tries < 100 && fds.size() != expected; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    fds = OpenDescriptors(pid);
  }
  return fds;
}

TEST(SplitCommandLine, BlanksSeparateAndDoubleQuotesGroup) {
  EXPECT_EQ(SplitCommandLine("  prog  a\tb  "), (std::vector<std::string>{"prog", "a", "b"}));
  EXPECT_EQ(SplitCommandLine("\"/my tools/prog\" -f \"two words\" x\"y z\""),
            (std::vector<std::string>{"/my tools/prog", "-f", "two words", "xy z"}));
  EXPECT_EQ(SplitCommandLine("prog \"\" end"), (std::vector<std::string>{"prog", "", "end"}));
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
  EXPECT_EQ(SplitCommandLine("a \"unclosed b"), (std::vector<std::string>{"a", "unclosed b"}));
}

TEST(ChildProcess, OutputAndErrorShareOnePipeAndTheArgumentsArriveWhole) {
  testing::TempFolder folder;
  const std::string script = WriteScript(folder, "talk.sh",
                                         "echo \"out:$1\"\n"
                                         "echo \"err:$2\" >&2\n"
                                         "read line || echo \"no input\"\n"
                                         "exit 3\n");
  ChildProcess child;
  SpawnFailure failure;
  ASSERT_TRUE(child.Start({{script, "one word", "two\"s"}, {}, {}}, failure));
  EXPECT_EQ(ReadToEnd(child), "out:one word\nerr:two\"s\nno input\n");
  ASSERT_TRUE(WIFEXITED(child.ExitStatus()));
  EXPECT_EQ(WEXITSTATUS(child.ExitStatus()), 3);
}

TEST(ChildProcess, RunsInTheWorkingFolderAndFindsProgramsOnPath) {
  testing::TempFolder folder;
  ChildProcess child;
  SpawnFailure failure;
  ASSERT_TRUE(child.Start({{"pwd"}, folder.Path().string(), {}}, failure));
  EXPECT_EQ(ReadToEnd(child), std::filesystem::canonical(folder.Path()).string() + "\n");
}

TEST(ChildProcess, AMissingProgramOrFolderIsAProcessFailureWithTheSystemsReason) {
  testing::TempFolder folder;
  ChildProcess child;
  SpawnFailure failure;
  EXPECT_FALSE(child.Start({{folder.File("no-such-program")}, {}, {}}, failure));
  EXPECT_EQ(failure.stage, SpawnFailure::Stage::kProcess);
  EXPECT_EQ(failure.error, ENOENT);
  EXPECT_EQ(SystemErrorText(failure.error), "No such file or directory");
  EXPECT_FALSE(child.Started());

  EXPECT_FALSE(child.Start({{"zelko-no-such-program-on-path"}, {}, {}}, failure));
  EXPECT_EQ(failure.error, ENOENT);
  EXPECT_FALSE(child.Start({{"pwd"}, folder.File("no-such-folder"), {}}, failure));
  EXPECT_EQ(failure.stage, SpawnFailure::Stage::kProcess);
  EXPECT_FALSE(child.Start({{}, {}, {}}, failure)) << "no program at all";
}

TEST(ChildProcess, ASilentChildIsSeenToEndWithoutWaitingOutTheTimeout) {
  ChildProcess child;
  SpawnFailure failure;
  ASSERT_TRUE(child.Start({{"true"}, {}, {}}, failure));
  const auto start = Clock::now();
  while (!child.HasEnded()) EXPECT_FALSE(child.WaitForOutput(100)) << "it writes nothing";
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(child.PeekOutput(), OutputState::kClosed);
  char byte;
  EXPECT_EQ(child.ReadOutput(&byte, 1), 0);
}

TEST(ChildProcess, TheChildInheritsOnlyItsStandardHandlesAndItsExtraPipes) {
  testing::TempFolder folder;
  // A descriptor of ours that is not close-on-exec must not reach the child.
  const int stray = ::open(folder.Path().c_str(), O_RDONLY);
  ASSERT_GE(stray, 0);
  ChildProcess plain;
  ChildProcess piped;
  SpawnFailure failure;
  ASSERT_TRUE(plain.Start({{"sleep", "5"}, {}, {}}, failure));
  ASSERT_TRUE(piped.Start({{"sleep", "5"}, {}, {{3, true}, {4, false}}}, failure));
  EXPECT_EQ(SettledDescriptors(plain.Pid(), 3), (std::set<std::string>{"0", "1", "2"}));
  EXPECT_EQ(SettledDescriptors(piped.Pid(), 5), (std::set<std::string>{"0", "1", "2", "3", "4"}));
  ::close(stray);
}

TEST(ChildProcess, ExtraPipesCarryBytesBothWaysAndAGoneReaderIsAFailureNotASignal) {
  ChildProcess child;
  SpawnFailure failure;
  // The child copies what it reads on 3 to 4, reversed in case.
  ASSERT_TRUE(child.Start(
      {{"/bin/sh", "-c", "tr a-z A-Z <&3 >&4; echo done"}, {}, {{3, true}, {4, false}}}, failure));
  const std::string message = "binary\x01\x02 text";
  ASSERT_TRUE(child.WriteAll(0, message.data(), message.size()));
  child.ClosePipe(0);
  std::string answer;
  char buffer[64];
  for (;;) {
    const ssize_t count = ::read(child.PipeFd(1), buffer, sizeof buffer);
    ASSERT_GE(count, 0);
    if (count == 0) break;
    answer.append(buffer, static_cast<std::size_t>(count));
  }
  EXPECT_EQ(answer, "BINARY\x01\x02 TEXT");
  EXPECT_EQ(ReadToEnd(child), "done\n");

  ChildProcess gone;
  ASSERT_TRUE(gone.Start({{"true"}, {}, {{3, true}}}, failure));
  ASSERT_TRUE(gone.WaitForEnd(5000));
  const std::string big(1 << 20, 'x');
  EXPECT_FALSE(gone.WriteAll(0, big.data(), big.size()));
  EXPECT_EQ(errno, EPIPE);
}

TEST(ChildProcess, TerminateEndsTheChildAndWhatItStarted) {
  testing::TempFolder folder;
  // The grandchild keeps the output pipe open: the pipe closes only when it dies too.
  const std::string script = WriteScript(folder, "long.sh", "sleep 30 &\necho started\nwait\n");
  ChildProcess child;
  SpawnFailure failure;
  ASSERT_TRUE(child.Start({{script}, {}, {}}, failure));
  ASSERT_TRUE(child.WaitForOutput(5000));
  const auto start = Clock::now();
  EXPECT_FALSE(child.HasEnded());
  ASSERT_TRUE(child.Terminate());
  EXPECT_TRUE(child.HasEnded());
  ASSERT_TRUE(WIFSIGNALED(child.ExitStatus()));
  EXPECT_EQ(WTERMSIG(child.ExitStatus()), SIGKILL);
  char buffer[64];
  while (child.PeekOutput() == OutputState::kData) child.ReadOutput(buffer, sizeof buffer);
  while (child.PeekOutput() != OutputState::kClosed &&
         Clock::now() - start < std::chrono::seconds(5))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(child.PeekOutput(), OutputState::kClosed) << "the grandchild still holds the pipe";
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST(ChildProcess, AChildStillRunningIsEndedAndReapedWithItsObject) {
  pid_t pid = -1;
  {
    ChildProcess child;
    SpawnFailure failure;
    ASSERT_TRUE(child.Start({{"sleep", "30"}, {}, {}}, failure));
    pid = child.Pid();
  }
  EXPECT_EQ(::kill(pid, 0), -1) << "neither running nor left as a zombie";
  EXPECT_EQ(errno, ESRCH);
}

// Processes of ours left as zombies: their parent is this process and their state is Z.
int ZombieChildren() {
  int zombies = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long parent = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) == 2 &&
        parent == ::getpid() && state == 'Z')
      ++zombies;
  }
  return zombies;
}

bool WaitForFile(const std::string& path) {
  const auto start = Clock::now();
  while (!std::filesystem::exists(path)) {
    if (Clock::now() - start > std::chrono::seconds(10)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(StartDetached, TheProgramRunsOnItsOwnInItsFolderWithItsArgumentsAsData) {
  testing::TempFolder root;
  // A folder name a shell would split, unquote, end or expand.
  const std::string folder = root.File("tool \"dir\"; $HOME 'x'");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::string script = folder + "/run me.sh";
  std::ofstream(script) << "#!/bin/sh\n"
                           "{ pwd; printf '%s\\n' \"$@\"; readlink /proc/$$/fd/0; } > record.tmp\n"
                           "mv record.tmp record.txt\n"
                           "i=0; while [ $i -lt 500 ]; do sleep 0.02; i=$((i + 1)); done\n";
  ::chmod(script.c_str(), 0755);
  const std::vector<std::string> arguments = {script, "a b", "\"q\"", "x;y", "$HOME", ""};
  SpawnFailure failure;
  pid_t pid = -1;
  ASSERT_TRUE(StartDetached({arguments, folder, {}}, failure, &pid)) << failure.error;
  EXPECT_EQ(failure.stage, SpawnFailure::Stage::kNone);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitForFile(folder + "/record.txt"));
  std::ifstream record(folder + "/record.txt");
  std::vector<std::string> lines;
  for (std::string line; std::getline(record, line);) lines.push_back(line);
  std::vector<std::string> expected = {folder};
  expected.insert(expected.end(), arguments.begin() + 1, arguments.end());
  expected.push_back("/dev/null");
  EXPECT_EQ(lines, expected);
  // Still running, in another session, and not a child this process could wait for.
  EXPECT_EQ(::kill(pid, 0), 0);
  EXPECT_NE(::getsid(pid), ::getsid(0));
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_EQ(ZombieChildren(), 0) << "the go-between is reaped";
  // Its folder goes with the test; it waits at most ten seconds if this is not reached.
  ::kill(pid, SIGKILL);
}

TEST(StartDetached, FailuresToStartAreReportedWithTheSystemsReason) {
  testing::TempFolder folder;
  SpawnFailure failure;
  EXPECT_FALSE(StartDetached({{folder.File("missing")}, {}, {}}, failure));
  EXPECT_EQ(failure.stage, SpawnFailure::Stage::kProcess);
  EXPECT_EQ(failure.error, ENOENT);
  EXPECT_FALSE(StartDetached({{"no-such-program-anywhere"}, {}, {}}, failure));
  EXPECT_EQ(failure.error, ENOENT);
  const std::string plain = folder.File("plain.sh");
  std::ofstream(plain) << "#!/bin/sh\n";
  EXPECT_FALSE(StartDetached({{plain}, {}, {}}, failure)) << "not executable";
  EXPECT_EQ(failure.stage, SpawnFailure::Stage::kProcess);
  EXPECT_EQ(failure.error, EACCES);
  EXPECT_FALSE(StartDetached({{"true"}, folder.File("no folder"), {}}, failure));
  EXPECT_EQ(failure.stage, SpawnFailure::Stage::kFolder);
  EXPECT_EQ(failure.error, ENOENT);
  EXPECT_FALSE(StartDetached({{"true"}, {}, {{3, true}}}, failure));
  EXPECT_EQ(failure.error, EINVAL);
  EXPECT_EQ(ZombieChildren(), 0);
}

}  // namespace
}  // namespace platform

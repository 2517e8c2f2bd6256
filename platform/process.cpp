// Child processes through posix_spawnp. Every pipe end is made close-on-exec and moved
// above the descriptors the child is given, so the child inherits exactly its standard
// handles and its extra pipes, whatever else the parent has open.
#include "platform/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

extern char** environ;

namespace platform {

namespace {

// A hung-up output pipe cannot be waited on, so the end of the child is looked for this
// often instead.
constexpr int kEndPollStepMs = 5;

void CloseQuietly(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Moves fd to a close-on-exec descriptor at or above minimum.
bool MoveAbove(int& fd, int minimum) {
  if (fd >= minimum) return true;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, minimum);
  if (moved < 0) return false;
  ::close(fd);
  fd = moved;
  return true;
}

// A pipe with both ends close-on-exec and at or above minimum: [0] reads, [1] writes.
bool MakePipe(int ends[2], int minimum) {
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  if (MoveAbove(ends[0], minimum) && MoveAbove(ends[1], minimum)) return true;
  const int error = errno;
  CloseQuietly(ends[0]);
  CloseQuietly(ends[1]);
  errno = error;
  return false;
}

// Spawn attributes and file actions, released on every path.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// What the go-between and the detached program tell the starter through the report pipe;
// each is one write, shorter than the pipe's atomic size.
struct DetachReport {
  int kind;
  int value;
};
enum : int { kReportPid = 1, kReportFolder, kReportExec, kReportFork };

void SendReport(int fd, int kind, int value) {
  const DetachReport report{kind, value};
  [[maybe_unused]] const ssize_t written = ::write(fd, &report, sizeof report);
}

// The program's path: a name without '/' is looked up on PATH (before forking, where
// memory may still be allocated). Empty when no executable is found.
std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* searchPath = std::getenv("PATH");
  std::string_view folders =
      searchPath != nullptr && *searchPath != '\0' ? searchPath : "/bin:/usr/bin";
  for (;;) {
    const std::size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    std::string candidate = folder.empty() ? std::string(".") : std::string(folder);
    candidate += '/';
    candidate += name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string_view::npos) return {};
    folders.remove_prefix(colon + 1);
  }
}

// In the detached program between fork and exec: only async-signal-safe calls. Every
// descriptor above the standard three closes on exec; the report pipe among them, whose
// closing tells the starter that the program is running.
[[noreturn]] void RunDetachedProgram(const char* program, char* const* argv, const char* folder,
                                     int nullFd, int reportFd, int maxFd) {
  if (folder != nullptr && ::chdir(folder) != 0) {
    SendReport(reportFd, kReportFolder, errno);
    ::_exit(127);
  }
  ::dup2(nullFd, 0);
  ::dup2(nullFd, 1);
  ::dup2(nullFd, 2);
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
    for (int fd = 3; fd < maxFd; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &standard, nullptr);
  ::sigaction(SIGINT, &standard, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execv(program, argv);
  SendReport(reportFd, kReportExec, errno);
  ::_exit(127);
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (const char ch : commandLine) {
    if (ch == '"') {
      quoted = !quoted;
      inWord = true;
      continue;
    }
    if (!quoted && (ch == ' ' || ch == '\t')) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    word.push_back(ch);
    inWord = true;
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

bool StartDetached(const SpawnRequest& request, SpawnFailure& failure, pid_t* pid) {
  failure = {};
  if (request.arguments.empty() || !request.extraPipes.empty()) {
    failure = {SpawnFailure::Stage::kProcess, EINVAL};
    return false;
  }
  std::string program = FindProgram(request.arguments.front());
  if (program.empty()) {
    failure = {SpawnFailure::Stage::kProcess, ENOENT};
    return false;
  }
  // The program is started after the change of folder: a relative path must not follow.
  if (program.front() != '/' && !request.workingFolder.empty()) {
    char current[4096];
    if (::getcwd(current, sizeof current) == nullptr) {
      failure = {SpawnFailure::Stage::kProcess, errno};
      return false;
    }
    program = std::string(current) + "/" + program;
  }
  std::vector<char*> argv;
  argv.reserve(request.arguments.size() + 1);
  for (const std::string& argument : request.arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const char* folder = request.workingFolder.empty() ? nullptr : request.workingFolder.c_str();
  rlimit files{};
  const int maxFd = ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 65536
                        ? static_cast<int>(files.rlim_cur)
                        : 65536;

  int report[2] = {-1, -1};
  if (::pipe2(report, O_CLOEXEC) != 0) {
    failure = {SpawnFailure::Stage::kPipe, errno};
    return false;
  }
  int nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (nullFd < 0) {
    failure = {SpawnFailure::Stage::kPipe, errno};
    CloseQuietly(report[0]);
    CloseQuietly(report[1]);
    return false;
  }
  // No handler of this program may run in the children before the exec.
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  const pid_t between = ::fork();
  if (between == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t child = ::fork();
    if (child == 0)
      RunDetachedProgram(program.c_str(), argv.data(), folder, nullFd, report[1], maxFd);
    SendReport(report[1], child > 0 ? kReportPid : kReportFork, child > 0 ? child : errno);
    ::_exit(0);
  }
  const int forkError = errno;
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  CloseQuietly(report[1]);
  CloseQuietly(nullFd);
  if (between < 0) {
    CloseQuietly(report[0]);
    failure = {SpawnFailure::Stage::kProcess, forkError};
    return false;
  }
  int status = 0;
  while (::waitpid(between, &status, 0) < 0 && errno == EINTR) {
  }
  // Reports come until the program has started (its end of the pipe closes on exec) or
  // has given up.
  pid_t started = -1;
  DetachReport problem{0, 0};
  for (;;) {
    DetachReport message{};
    const ssize_t count = ::read(report[0], &message, sizeof message);
    if (count < 0 && errno == EINTR) continue;
    if (count != static_cast<ssize_t>(sizeof message)) break;
    if (message.kind == kReportPid)
      started = message.value;
    else
      problem = message;
  }
  CloseQuietly(report[0]);
  if (problem.kind != 0) {
    failure = {problem.kind == kReportFolder ? SpawnFailure::Stage::kFolder
                                             : SpawnFailure::Stage::kProcess,
               problem.value};
    return false;
  }
  if (started <= 0) {
    failure = {SpawnFailure::Stage::kProcess, ECHILD};
    return false;
  }
  if (pid != nullptr) *pid = started;
  return true;
}

ChildProcess::~ChildProcess() {
  if (Started() && OwnedByThisProcess() && !HasEnded()) (void)Terminate();
  CloseAll();
}

bool ChildProcess::OwnedByThisProcess() const {
  return mParent == ::getpid();
}

bool ChildProcess::Start(const SpawnRequest& request, SpawnFailure& failure) {
  failure = {};
  if (Started() || request.arguments.empty()) {
    failure = {SpawnFailure::Stage::kProcess, Started() ? EBUSY : EINVAL};
    return false;
  }
  int lowestFree = 3;
  for (const ExtraPipe& extra : request.extraPipes)
    lowestFree = std::max(lowestFree, extra.childFd + 1);

  const auto pipeFailure = [&] {
    failure = {SpawnFailure::Stage::kPipe, errno};
    CloseAll();
    return false;
  };
  int output[2] = {-1, -1};
  if (!MakePipe(output, lowestFree)) return pipeFailure();
  mOutputFd = output[0];
  std::vector<int> childEnds;
  const auto closeChildEnds = [&] {
    CloseQuietly(output[1]);
    for (int& fd : childEnds) CloseQuietly(fd);
  };
  for (const ExtraPipe& extra : request.extraPipes) {
    int ends[2] = {-1, -1};
    if (!MakePipe(ends, lowestFree)) {
      const int error = errno;
      closeChildEnds();
      errno = error;
      return pipeFailure();
    }
    mPipeFds.push_back(extra.childReads ? ends[1] : ends[0]);
    childEnds.push_back(extra.childReads ? ends[0] : ends[1]);
  }
  if (::fcntl(mOutputFd, F_SETFL, O_NONBLOCK) != 0) {
    const int error = errno;
    closeChildEnds();
    errno = error;
    return pipeFailure();
  }

  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.actions, output[1], 1);
  posix_spawn_file_actions_adddup2(&setup.actions, output[1], 2);
  for (int fd = 3; fd < lowestFree; ++fd) posix_spawn_file_actions_addclose(&setup.actions, fd);
  for (std::size_t i = 0; i < childEnds.size(); ++i)
    posix_spawn_file_actions_adddup2(&setup.actions, childEnds[i], request.extraPipes[i].childFd);
  posix_spawn_file_actions_addclosefrom_np(&setup.actions, lowestFree);
  if (!request.workingFolder.empty())
    posix_spawn_file_actions_addchdir_np(&setup.actions, request.workingFolder.c_str());

  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&setup.attributes, &signals);
  sigaddset(&signals, SIGPIPE);
  sigaddset(&signals, SIGINT);
  posix_spawnattr_setsigdefault(&setup.attributes, &signals);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv;
  argv.reserve(request.arguments.size() + 1);
  for (const std::string& argument : request.arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int spawnError =
      ::posix_spawnp(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
  closeChildEnds();
  if (spawnError != 0) {
    failure = {SpawnFailure::Stage::kProcess, spawnError};
    CloseAll();
    return false;
  }
  mPid = pid;
  mParent = ::getpid();
  mEnded = false;
  mStatus = 0;
  return true;
}

OutputState ChildProcess::PeekOutput() {
  if (mOutputFd < 0) return OutputState::kClosed;
  pollfd entry{mOutputFd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&entry, 1, 0);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return OutputState::kFailed;
  if (ready == 0) return OutputState::kEmpty;
  if ((entry.revents & POLLIN) != 0) return OutputState::kData;
  if ((entry.revents & POLLHUP) != 0) return OutputState::kClosed;
  errno = EIO;
  return OutputState::kFailed;
}

long ChildProcess::ReadOutput(char* buffer, std::size_t size) {
  if (mOutputFd < 0) return 0;
  for (;;) {
    const ssize_t count = ::read(mOutputFd, buffer, size);
    if (count >= 0) return static_cast<long>(count);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return -1;
  }
}

bool ChildProcess::WaitForOutput(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    const OutputState state = PeekOutput();
    if (state == OutputState::kData) return true;
    if (state == OutputState::kClosed || state == OutputState::kFailed) {
      // Nothing more can come: only the child's end is worth waiting for.
      if (HasEnded()) return false;
      SleepMs(std::min<int>(kEndPollStepMs, static_cast<int>(left)));
      continue;
    }
    pollfd entry{mOutputFd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(left));
    if (ready > 0 && (entry.revents & POLLIN) != 0) return true;
  }
}

int ChildProcess::PipeFd(std::size_t index) const {
  return index < mPipeFds.size() ? mPipeFds[index] : -1;
}

bool ChildProcess::WriteAll(std::size_t index, const void* data, std::size_t size) {
  const int fd = PipeFd(index);
  if (fd < 0) {
    errno = EBADF;
    return false;
  }
  // A write to a child that has gone must fail, not end this program with SIGPIPE.
  sigset_t pipeSignal;
  sigset_t previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  const auto* bytes = static_cast<const char*>(data);
  bool ok = true;
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  if (!ok && errno == EPIPE) {
    const int error = errno;
    const timespec noWait{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &noWait) == SIGPIPE) {
    }
    errno = error;
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return ok;
}

void ChildProcess::ClosePipe(std::size_t index) {
  if (index < mPipeFds.size()) CloseQuietly(mPipeFds[index]);
}

bool ChildProcess::HasEnded() {
  if (!Started() || mEnded) return true;
  int status = 0;
  pid_t reaped;
  do {
    reaped = ::waitpid(mPid, &status, WNOHANG);
  } while (reaped < 0 && errno == EINTR);
  if (reaped == 0) return false;
  // ECHILD: someone else reaped it; it has ended all the same.
  mEnded = true;
  mStatus = reaped == mPid ? status : 0;
  return true;
}

bool ChildProcess::Interrupt() {
  if (!Started() || HasEnded()) return true;
  return ::kill(-mPid, SIGINT) == 0 || ::kill(mPid, SIGINT) == 0;
}

bool ChildProcess::Terminate() {
  if (!Started() || HasEnded()) return true;
  if (::kill(-mPid, SIGKILL) != 0 && ::kill(mPid, SIGKILL) != 0) return false;
  int status = 0;
  pid_t reaped;
  do {
    reaped = ::waitpid(mPid, &status, 0);
  } while (reaped < 0 && errno == EINTR);
  mEnded = true;
  mStatus = reaped == mPid ? status : 0;
  return true;
}

bool ChildProcess::WaitForEnd(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!HasEnded()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    SleepMs(kEndPollStepMs);
  }
  return true;
}

bool ChildProcess::CloseOutput() {
  if (mOutputFd < 0) return true;
  const int fd = mOutputFd;
  mOutputFd = -1;
  return ::close(fd) == 0;
}

void ChildProcess::CloseAll() {
  CloseQuietly(mOutputFd);
  for (int& fd : mPipeFds) CloseQuietly(fd);
  mPipeFds.clear();
}

}  // namespace platform

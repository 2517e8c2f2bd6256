// Child processes: a program started from an argument vector (no shell in between), its
// standard output and standard error in one pipe the parent reads without blocking, and
// optional extra pipes for a child that talks in binary. The child runs in a process
// group of its own, so ending it also ends what it started.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line into words: blanks (spaces and tabs) separate words, and double
// quotes group blanks into a word (the quotes themselves are dropped, "" gives an empty
// word). There is no escape character.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// A pipe beside standard output: the child finds it open as childFd (3 and up).
struct ExtraPipe {
  int childFd = 3;
  bool childReads = false;  // the parent writes, the child reads; else the other way round
};

struct SpawnRequest {
  // The program first; a name without '/' is looked up on PATH.
  std::vector<std::string> arguments;
  // Empty: the parent's current folder.
  std::string workingFolder;
  std::vector<ExtraPipe> extraPipes;
};

// Where a start failed, with the system's error number.
struct SpawnFailure {
  // kFolder: the working folder could not be entered (detached starts).
  enum class Stage { kNone, kPipe, kProcess, kFolder };
  Stage stage = Stage::kNone;
  int error = 0;
};

// What a look at the output pipe found.
enum class OutputState { kData, kEmpty, kClosed, kFailed };

// Starts a program that lives on its own: it runs in a session apart from ours, with standard
// input, output and error on /dev/null, in request.workingFolder, and is neither waited
// for nor ended by this process (a short-lived go-between is started and reaped, so the
// program's parent becomes the system's reaper). Extra pipes are refused. False with the
// failure filled in when the program or its working folder cannot be reached; pid, when
// given, receives the program's process number.
[[nodiscard]] bool StartDetached(const SpawnRequest& request, SpawnFailure& failure,
                                 pid_t* pid = nullptr);

class ChildProcess {
 public:
  ChildProcess() = default;
  // A child still running is ended; it is always waited for, so none is left behind.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the child with standard input from /dev/null. False with the failure filled in
  // when a pipe or the process cannot be made (a missing program is a kProcess failure).
  [[nodiscard]] bool Start(const SpawnRequest& request, SpawnFailure& failure);

  bool Started() const { return mPid > 0; }
  pid_t Pid() const { return mPid; }
  // False in a process forked from the one that started the child (a death test, say):
  // there the child is not ours to signal, wait for or tell to quit.
  bool OwnedByThisProcess() const;

  // The parent's end of the output pipe (non-blocking); -1 once closed.
  int OutputFd() const { return mOutputFd; }
  // Whether output waits in the pipe, without reading it.
  OutputState PeekOutput();
  // Reads what output there is, up to size bytes, without blocking: the count read, 0
  // when nothing waits or the pipe is closed, -1 on failure (errno set).
  long ReadOutput(char* buffer, std::size_t size);
  // Waits up to timeoutMs for output (or the end of all writers); true when some came.
  bool WaitForOutput(int timeoutMs);

  // The parent's end of an extra pipe, by its index in the request; -1 when closed.
  int PipeFd(std::size_t index) const;
  // Writes all bytes to an extra pipe the child reads; false when the child is gone.
  [[nodiscard]] bool WriteAll(std::size_t index, const void* data, std::size_t size);
  // Closes the parent's end of an extra pipe (a reading child then sees its end).
  void ClosePipe(std::size_t index);

  // Whether the child has ended (it is then reaped; ExitStatus tells how).
  bool HasEnded();
  // The status waitpid gave once the child ended.
  int ExitStatus() const { return mStatus; }
  // Ends the child and everything in its process group at once, and reaps it; false
  // with errno set when the signal cannot be sent.
  [[nodiscard]] bool Terminate();
  // Sends SIGINT to the child and everything in its process group, as Ctrl+C at a terminal
  // would; false with errno set when the signal cannot be sent (a child that has ended
  // counts as sent).
  [[nodiscard]] bool Interrupt();
  // Waits up to timeoutMs for the child to end by itself; true when it did.
  bool WaitForEnd(int timeoutMs);

  // Closes the output pipe; false with errno set when the close fails.
  [[nodiscard]] bool CloseOutput();

 private:
  void CloseAll();

  pid_t mPid = -1;
  pid_t mParent = -1;
  bool mEnded = false;
  int mStatus = 0;
  int mOutputFd = -1;
  std::vector<int> mPipeFds;
};

}  // namespace platform

// Running a database tool the way the installer does: one line in the batch file
// "Lib_script.bat" of the current folder, run hidden while the host's window messages are
// handled, so the host's windows stay painted. A request to quit taken from the host's
// queue during the wait does not abandon the tool: the wait goes on until the tool has
// ended, and the request is then handed back to the host.
#pragma once

#include <string>

namespace quellbrook {

inline constexpr const char* kBatchFileName = "Lib_script.bat";
// How long one wait on the tool lasts before the host's messages are handled again.
inline constexpr int kToolWaitSliceMs = 3000;
// A batch file larger than this is not run.
inline constexpr std::size_t kMaxBatchFileBytes = 64 * 1024;

// The host's message queue as the wait sees it.
class ToolWaitPump {
 public:
  virtual ~ToolWaitPump() = default;
  // Handles every message waiting for the host's thread; true when a request to quit was
  // among them.
  virtual bool PumpWaiting() = 0;
  // Hands back a request to quit taken during a wait, once the tool has ended.
  virtual void RepostQuit() = 0;
};

// The pump the waits use; null restores the default, which finds no messages.
void SetToolWaitPump(ToolWaitPump* pump);
ToolWaitPump& CurrentToolWaitPump();

// Runs the lines of a batch file one after another, each as a child process without a
// shell, its output appended to (or replacing) the file its redirection names. 0 when the
// batch file can't be read or a request to quit came during the wait (no line is started
// after it), else 1; what the tools did is not looked at. A line that can't be read or
// whose program or output file can't be had is skipped, as the command interpreter would.
int RunHiddenAndWait(const std::string& batchFile);

// Writes the command line into a fresh batch file, runs it and deletes it: 1, or 0 when
// the batch file can't be written, with the system's error number in errno.
int RunCommandBatch(const std::string& commandLine);

}  // namespace quellbrook

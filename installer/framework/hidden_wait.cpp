#include "installer/framework/hidden_wait.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string_view>

#include "installer/framework/batch_line.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/process.hpp"

namespace quellbrook {

namespace {

class NoMessages final : public ToolWaitPump {
 public:
  bool PumpWaiting() override { return false; }
  void RepostQuit() override {}
};

NoMessages gNoMessages;
ToolWaitPump* gPump = &gNoMessages;

// The file the tool's output goes to, open for the whole run of the tool.
class OutputFile {
 public:
  ~OutputFile() {
    if (mFd >= 0) ::close(mFd);
  }
  [[nodiscard]] bool Open(const BatchCommand& command) {
    if (command.outputFile.empty()) return true;
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (command.appendOutput ? O_APPEND : O_TRUNC);
    mFd = ::open(ToolPath(command.outputFile).c_str(), flags, 0644);
    return mFd >= 0;
  }
  void Write(const char* data, std::size_t size) {
    while (mFd >= 0 && size > 0) {
      const ssize_t written = ::write(mFd, data, size);
      if (written < 0) {
        if (errno == EINTR) continue;
        return;
      }
      data += written;
      size -= static_cast<std::size_t>(written);
    }
  }

 private:
  int mFd = -1;
};

void DrainOutput(platform::ChildProcess& child, OutputFile& output) {
  char buffer[8192];
  for (;;) {
    const long count = child.ReadOutput(buffer, sizeof buffer);
    if (count <= 0) return;
    output.Write(buffer, static_cast<std::size_t>(count));
  }
}

// Waits up to one slice for the tool to end, keeping its output; true once it has ended.
bool WaitOneSlice(platform::ChildProcess& child, OutputFile& output) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kToolWaitSliceMs);
  for (;;) {
    DrainOutput(child, output);
    if (child.HasEnded()) {
      DrainOutput(child, output);
      return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    // A helper of the tool may hold the pipe after the tool ended: look again soon.
    child.WaitForOutput(static_cast<int>(std::min<long long>(left, 100)));
  }
}

// Runs one line to its end; true when a request to quit came while it ran.
bool RunLine(const BatchCommand& command, ToolWaitPump& pump) {
  BatchCommand resolved = command;
  resolved.arguments[0] = ResolveToolProgram(command.arguments[0]);
  if (resolved.arguments[0].empty()) return false;
  OutputFile output;
  if (!output.Open(command)) return false;
  platform::ChildProcess child;
  platform::SpawnRequest request;
  request.arguments = resolved.arguments;
  platform::SpawnFailure failure;
  if (!child.Start(request, failure)) return false;
  bool quit = false;
  for (;;) {
    if (pump.PumpWaiting()) quit = true;
    if (WaitOneSlice(child, output)) break;
  }
  return quit;
}

}  // namespace

void SetToolWaitPump(ToolWaitPump* pump) {
  gPump = pump != nullptr ? pump : &gNoMessages;
}

ToolWaitPump& CurrentToolWaitPump() {
  return *gPump;
}

int RunHiddenAndWait(const std::string& batchFile) {
  const std::optional<platform::ByteBuffer> bytes =
      platform::ReadWholeFile(batchFile, kMaxBatchFileBytes);
  if (!bytes) return 0;
  std::string_view rest(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  ToolWaitPump& pump = CurrentToolWaitPump();
  bool quit = false;
  while (!rest.empty() && !quit) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::optional<BatchCommand> command = ParseBatchLine(line);
    if (command) quit = RunLine(*command, pump);
  }
  if (!quit) return 1;
  pump.RepostQuit();
  return 0;
}

int RunCommandBatch(const std::string& commandLine) {
  std::remove(kBatchFileName);
  const std::string text = commandLine + "\n";
  int error = 0;
  const bool written = platform::WriteWholeFile(
      kBatchFileName, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, &error);
  if (written) (void)RunHiddenAndWait(kBatchFileName);
  std::remove(kBatchFileName);
  // The removal of a file that was never made must not take the write's reason.
  if (!written) errno = error;
  return written ? 1 : 0;
}

}  // namespace quellbrook

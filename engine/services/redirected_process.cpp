// The console program runner: peek, read, show; when the pipe is empty, look whether the
// child has ended, pump, honour a cancel, then wait for output at most one poll interval.
// The peek comes before the end test, so output still in the pipe when the child ends is
// shown before the run stops.
#include "engine/services/redirected_process.hpp"
#include "platform/system_error.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "engine/services/job_progress.hpp"
#include "engine/services/output_window.hpp"
#include "platform/process.hpp"
#include "platform/text_bytes.hpp"

CRedirectedProcess::CRedirectedProcess(std::string_view commandLine, OutputWindow& output,
                                       std::string_view workingDir, const std::string& copyFile)
    : mOutput(output), mCommandLine(commandLine), mWorkingDir(workingDir) {
  if (copyFile.empty()) return;
  mCopying = mCopy.Open(copyFile);
  if (!mCopying) mCopyError = mCopy.Error();
}

CRedirectedProcess::CRedirectedProcess(std::vector<std::string> arguments, OutputWindow& output,
                                       std::string_view workingDir, const std::string& copyFile)
    : CRedirectedProcess(std::string_view(), output, workingDir, copyFile) {
  mArguments = std::move(arguments);
}

CRedirectedProcess::~CRedirectedProcess() = default;

void CRedirectedProcess::FinishCopy() {
  if (!mCopying) return;
  mCopying = false;
  if (!mCopy.Commit()) mCopyError = mCopy.Error();
}

void CRedirectedProcess::Run() {
  platform::SpawnRequest request;
  request.arguments = mArguments.empty() ? platform::SplitCommandLine(mCommandLine) : mArguments;
  request.workingFolder = mWorkingDir;
  platform::ChildProcess child;
  platform::SpawnFailure failure;
  if (request.arguments.empty()) {
    ReportError("Error creating process", ENOENT);
    FinishCopy();
    mOutput.EndOutput();
    return;
  }
  if (!child.Start(request, failure)) {
    ReportError(failure.stage == platform::SpawnFailure::Stage::kPipe ? "Error creating pipe"
                                                                      : "Error creating process",
                failure.error);
    FinishCopy();
    mOutput.EndOutput();
    return;
  }

  char buffer[kRedirectReadBytes + 1];
  for (;;) {
    const platform::OutputState state = child.PeekOutput();
    if (state == platform::OutputState::kFailed) {
      ReportError("PeekNamedPipe fialed", errno);
      break;
    }
    if (state == platform::OutputState::kData) {
      const long count = child.ReadOutput(buffer, kRedirectReadBytes);
      if (count < 0) {
        ReportError("ReadFile fialed", errno);
        break;
      }
      buffer[count] = '\0';
      std::replace(buffer, buffer + count, '\b', ' ');
      // The text ends at its first NUL, like any C string shown in a window.
      std::string_view text(buffer);
      const std::size_t pause = text.find(kPausePrompt);
      if (pause != std::string_view::npos) text = text.substr(0, pause);
      if (!text.empty()) AppendOutput(text);
      PumpPending();
      continue;
    }
    // Output written just before the end may arrive between the peek and the end test.
    if (child.HasEnded() && child.PeekOutput() != platform::OutputState::kData) break;
    PumpPending();
    if (mCancelled != 0) {
      if (child.Terminate())
        AppendOutput(kCancelledText);
      else
        ReportError("Error terminating process.", errno);
      break;
    }
    child.WaitForOutput(mPollMs);
  }
  // A child left running after a failed read could fill its pipe and hang for ever.
  if (!child.HasEnded() && !child.Terminate()) ReportError("Error closing process handle.", errno);
  if (!child.CloseOutput()) ReportError("Error closing pipe read handle.", errno);
  FinishCopy();
  mOutput.EndOutput();
}

void CRedirectedProcess::ReportError(std::string_view what, int error) {
  std::string text(what);
  text += "\r\n";
  text += platform::SystemErrorText(error);
  text += "\r\n";
  AppendOutput(text);
}

void CRedirectedProcess::AppendOutput(std::string_view text) {
  mOutput.AppendOutput(text);
  if (mCopying && !mCopy.Write(platform::TextBytes(text))) {
    mCopying = false;
    mCopyError = mCopy.Error();
  }
}

void CRedirectedProcess::PumpPending() {
  Progress().Pump();
}

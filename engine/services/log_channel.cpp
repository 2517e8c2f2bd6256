// The analysis log channel with its default standard-error sink.
#include "engine/services/log_channel.hpp"

#include <cstdarg>
#include <cstdio>
#include <utility>

#include "engine/services/installed_service.hpp"

int LogEnabled = 1;
std::uint8_t AnalysisRunning = 0;

namespace {

// Until the shell has a log pane, lines go to standard error; error lines are marked
// so they stand out without colour.
class StandardErrorSink final : public LogSink {
 public:
  void AddText(std::string_view text, bool replaceLastLine, COLORREF colour) override {
    const char* mark = colour == kLogRed ? "!! " : "";
    std::fprintf(stderr, "%s%.*s\n", mark, static_cast<int>(text.size()), text.data());
  }
};

StandardErrorSink gStandardErrorSink;
constinit InstalledService<LogSink> gSink{gStandardErrorSink};
std::function<void()> gPumpHook;

}  // namespace

void LogMessage(std::string_view text, int replaceLastLine, COLORREF colour) {
  if (LogEnabled == 0) return;
  gSink.Get().AddText(text, replaceLastLine != 0, colour);
  PumpMessages();
}

void LogSink::AppendOutput(std::string_view text) {
  for (;;) {
    const std::size_t lineBreak = text.find('\n');
    if (lineBreak == std::string_view::npos) break;
    mOpenOutputLine.append(text.substr(0, lineBreak));
    if (!mOpenOutputLine.empty() && mOpenOutputLine.back() == '\r') mOpenOutputLine.pop_back();
    AddText(mOpenOutputLine, false, kLogBlack);
    mOpenOutputLine.clear();
    text.remove_prefix(lineBreak + 1);
  }
  mOpenOutputLine.append(text);
}

void LogSink::EndOutput() {
  if (mOpenOutputLine.empty()) return;
  AddText(mOpenOutputLine, false, kLogBlack);
  mOpenOutputLine.clear();
}

void AppendLogOutput(std::string_view text) {
  gSink.Get().AppendOutput(text);
}

void EndLogOutput() {
  gSink.Get().EndOutput();
}

void PumpMessages() {
  if (gPumpHook) gPumpHook();
}

std::string MessageBuffer(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<std::size_t>(length));
    std::vsnprintf(text.data(), text.size() + 1, format, args);
  }
  va_end(args);
  return text;
}

LogSink* SetLogSink(LogSink* sink) {
  return gSink.Install(sink);
}

std::function<void()> SetPumpHook(std::function<void()> hook) {
  return std::exchange(gPumpHook, std::move(hook));
}

std::string ElapsedTimeText(std::int64_t startSeconds, std::int64_t endSeconds) {
  const std::int64_t total = endSeconds - startSeconds + 1;
  return MessageBuffer("%d minutes %d seconds", static_cast<int>(total / 60),
                       static_cast<int>(total % 60));
}

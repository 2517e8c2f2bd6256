// The one reporting channel of the analysis program: coloured lines appended to the
// analysis log, progress counters that overwrite their line, and the message pump that
// keeps the single user-interface thread alive during long computations.
//
// The engine knows no window. The shell installs a LogSink that writes into its log pane
// and a pump hook that handles pending window events; until then lines go to standard
// error and pumping does nothing. Tests install their own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/base/colour.hpp"

class LogSink {
 public:
  virtual ~LogSink() = default;
  // Appends text and a line break in the colour, or, with replaceLastLine, overwrites
  // the last written line (a progress counter counting up in place).
  virtual void AddText(std::string_view text, bool replaceLastLine, COLORREF colour) = 0;
  // Appends an outside program's output as it arrives, adding no line break of its own.
  // The default writes each finished line ("\n" or "\r\n") with AddText in black and
  // holds an unfinished one until its line break comes or EndOutput is called.
  virtual void AppendOutput(std::string_view text);
  // The program's output is complete: a held unfinished line is written as it is.
  virtual void EndOutput();

 private:
  std::string mOpenOutputLine;
};

// 1 at start; while 0, LogMessage does nothing at all.
extern int LogEnabled;
// Set while an analysis runs; Escape and Stop Analysis clear it, engines poll it.
extern std::uint8_t AnalysisRunning;

// Writes one line to the log (unless LogEnabled is 0), then pumps one message.
void LogMessage(std::string_view text, int replaceLastLine = 0, COLORREF colour = kLogBlack);

// An outside program's output into the log, as it comes (no LogEnabled test: the output
// goes to the log pane itself), and the end of that output.
void AppendLogOutput(std::string_view text);
void EndLogOutput();

// Handles pending window events without waiting (through the installed hook).
void PumpMessages();

// Formats a message like sprintf, into a string of any length.
std::string MessageBuffer(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The sink lines go to; nullptr restores the standard-error sink. Returns the previous one.
LogSink* SetLogSink(LogSink* sink);
// The hook PumpMessages runs; an empty function makes pumping do nothing. Returns the
// previous hook.
std::function<void()> SetPumpHook(std::function<void()> hook);

// "%d minutes %d seconds" of the span from start to end, both ends counted
// (end - start + 1 seconds), as the "Finished in %s}" lines show it.
std::string ElapsedTimeText(std::int64_t startSeconds, std::int64_t endSeconds);

// The line every stopped engine writes.
inline constexpr const char* kUserStopMessage = "  User stop command issued";

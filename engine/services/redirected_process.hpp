// Runs one console program as a child process and shows its standard output and standard
// error, as they come, at the end of an output window, optionally copying the same text
// into a file. The calling thread stays inside Run until the child ends, pumping window
// events at least every poll interval, so the interface stays alive (and may Cancel).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_replacement.hpp"

class OutputWindow;

// What the child's output is cut at: the pause prompt of a batch file, which waits for a
// key no one can press.
inline constexpr std::string_view kPausePrompt = "Press any key to continue . . .";
inline constexpr const char* kCancelledText =
    "\r\nCancelled.\r\n\r\nProcess terminated successfully.\r\n";
// At most this many bytes of output are taken per read.
inline constexpr std::size_t kRedirectReadBytes = 8191;
inline constexpr int kRedirectPollMs = 100;

class CRedirectedProcess {
 public:
  // The command line is split into words by blanks, double quotes grouping (see
  // platform::SplitCommandLine); the first word names the program, looked up on PATH
  // when it holds no '/'. An empty workingDir keeps the current folder. The copy file
  // takes the place of the old one when the run ends, written whole; a copy that cannot
  // be written is told by CopyError, and the output still goes to the window.
  CRedirectedProcess(std::string_view commandLine, OutputWindow& output,
                     std::string_view workingDir, const std::string& copyFile);
  // The program and its arguments as they are, with nothing split or unquoted.
  CRedirectedProcess(std::vector<std::string> arguments, OutputWindow& output,
                     std::string_view workingDir, const std::string& copyFile);
  virtual ~CRedirectedProcess();
  CRedirectedProcess(const CRedirectedProcess&) = delete;
  CRedirectedProcess& operator=(const CRedirectedProcess&) = delete;

  // Runs the child to its end. Every outcome, errors included, goes to the window.
  virtual void Run();
  // The child is ended at the next idle poll of Run.
  virtual void Cancel() { mCancelled = 1; }
  // The system's error number of a copy that could not be written whole; 0 when it was
  // (or none was asked for).
  int CopyError() const { return mCopyError; }

 private:
  // what, a line break, and the system's text for error.
  void ReportError(std::string_view what, int error);
  void AppendOutput(std::string_view text);
  void PumpPending();

  // Puts the copy in place, or keeps why it cannot be.
  void FinishCopy();

  bool mCopying = false;
  int mCopyError = 0;
  platform::FileReplacement mCopy;
  int mCancelled = 0;
  int mPollMs = kRedirectPollMs;
  OutputWindow& mOutput;
  std::string mCommandLine;
  std::vector<std::string> mArguments;  // used as given when not empty
  std::string mWorkingDir;
};

// The R statistics system as a child process kept for the whole run: R started once from
// PATH ("R --vanilla --quiet --no-echo") on a small start-up script that serves requests
// over two extra pipes. Statements go as text; numbers go both ways as little-endian
// doubles, never as printed text. Each request reports success or R's own error text.
// R's printed output (its standard output and error) goes to an output sink as it
// arrives. In R, windows() opens a graphics device drawing into an image file in a
// scratch folder of this server; pictures of what a device shows so far can be taken at
// any time, as a window on the screen would show it. A statement that runs long can be
// interrupted as Ctrl+C would at R's console: R stays, with its workspace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ChildProcess;

// The R program looked up on PATH.
inline constexpr const char* kRProgram = "R";
// Longest wait for R to come up and answer its first request.
inline constexpr int kRStartTimeoutMs = 60000;
// Longest wait for R to quit on its own when the server stops, before it is killed.
inline constexpr int kRQuitTimeoutMs = 5000;
// The text of every request once R has ended.
inline constexpr const char* kRHasEndedError = "R has ended; start it again";
// The failure of statements that were interrupted.
inline constexpr const char* kRInterruptedError = "Interrupted by the user";
// A request made while another waits for its answer (from an event handled during the
// wait) is refused with this text.
inline constexpr const char* kRBusyError = "R is busy with another statement";
// How often a wait for R's answer runs the wait hook, and how often an interrupt the hook
// keeps asking for is sent again.
inline constexpr int kRWaitHookMs = 50;
inline constexpr int kRInterruptRepeatMs = 500;

// A picture of what one device opened by windows() shows: the windows() call's number
// (from 1, never reused in a run) and a PNG file that is the taker's to read and remove.
struct RPicture {
  std::int32_t window = 0;
  std::string file;
};

class RServer {
 public:
  using OutputSink = std::function<void(std::string_view)>;
  // Run every kRWaitHookMs while a request waits for R's answer; true asks R to interrupt
  // what it runs.
  using WaitHook = std::function<bool()>;

  RServer();
  // Stops R when it runs.
  ~RServer();
  RServer(const RServer&) = delete;
  RServer& operator=(const RServer&) = delete;

  // Where R's printed output goes; without a sink it is dropped.
  void SetOutputSink(OutputSink sink) { mSink = std::move(sink); }
  // An empty hook waits without calling anything.
  void SetWaitHook(WaitHook hook) { mWaitHook = std::move(hook); }

  // Starts R and waits until it serves requests. False with the reason in error when R
  // cannot be started (not on PATH, or it ended before it answered).
  [[nodiscard]] bool Start(std::string& error);
  // Whether a request waits for its answer (the wait hook runs inside it).
  bool Busy() const { return mBusy; }
  // Whether R was started and has not been seen to end.
  bool Running() const { return mChild != nullptr; }
  // Ends R: it quits without saving (killed if it does not); its scratch folder goes.
  void Stop();

  // Evaluates R statements in R's global workspace for their effect. Interrupted, they
  // fail with kRInterruptedError and leave what they did so far.
  [[nodiscard]] bool Execute(std::string_view statements, std::string& error);
  // Interrupts the statements R evaluates now (and what they started, such as programs
  // run by system()); only while a request waits (the wait hook asks for it), never
  // between requests.
  void Interrupt();
  // Assigns a rows x cols numeric matrix, given row by row, to name.
  [[nodiscard]] bool Assign(std::string_view name, int rows, int cols,
                            std::span<const double> rowMajor, std::string& error);
  // Reads the leading rows x cols block of R's numeric value name (a plain vector counts
  // as one column), row by row; asking for more rows or columns than it has fails.
  [[nodiscard]] bool Fetch(std::string_view name, int rows, int cols, std::vector<double>& rowMajor,
                           std::string& error);
  // Closes the devices windows() opened and gives their image files, oldest first; each
  // file is given once.
  [[nodiscard]] bool TakeImages(std::vector<std::string>& files, std::string& error);

  // A picture of each open device of windows() whose drawing changed since its last
  // picture (nothing for a device that has drawn nothing yet), oldest device first.
  [[nodiscard]] bool TakePictures(std::vector<RPicture>& pictures, std::string& error);

  // The folder the image files are written to (empty while R does not run).
  const std::string& ScratchFolder() const { return mScratch; }

 private:
  bool Send(const std::vector<std::uint8_t>& request, std::string& error);
  bool Receive(void* data, std::size_t size, std::string& error);
  bool ReceiveStatus(std::string& error);
  bool ReceiveText(std::string& text, std::string& error);
  // An int32 from 0 to most; anything else stops R as a confused child, with impossible
  // as the error.
  bool ReceiveCount(std::int32_t& count, std::int32_t most, const char* impossible,
                    std::string& error);
  void DrainOutput();
  // R has gone: what it printed last is kept in the error.
  bool Ended(std::string& error);
  void RemoveScratch();

  // Marks the span of one request, refusing a second one inside it.
  class RequestSpan;

  std::unique_ptr<ChildProcess> mChild;
  OutputSink mSink;
  WaitHook mWaitHook;
  bool mBusy = false;
  std::string mScratch;
  std::string mRecentOutput;
};

}  // namespace platform

// Where the array routines report: to the log, the progress line, the message pump and
// the stop flag on the calling thread; on a worker thread that handles one array of a
// group job, into a list of lines that the calling thread writes out afterwards, in the
// order one thread would have written them. A worker never pumps and never reads the
// stop flag; the calling thread asks between arrays.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/base/colour.hpp"

struct KeptMessage {
  std::string text;
  bool progress = false;  // a progress line, shown through the job's progress
  int replaceLastLine = 0;
  COLORREF colour = kLogBlack;
};

// While it lives, the array routines on this thread keep their lines in `lines`.
class KeepArrayMessages {
 public:
  explicit KeepArrayMessages(std::vector<KeptMessage>& lines);
  ~KeepArrayMessages();
  KeepArrayMessages(const KeepArrayMessages&) = delete;
  KeepArrayMessages& operator=(const KeepArrayMessages&) = delete;

 private:
  std::vector<KeptMessage>* mPrevious;
};

void ArrayMessage(std::string_view text, int replaceLastLine = 0, COLORREF colour = kLogBlack);
void ArrayProgress(std::string_view line);  // the job's progress line
void ArrayProgressPump();                   // the job's pump
void ArrayPumpMessages();                   // the plain message pump
// The job's stop check, which writes the stop line; never true on a worker.
bool ArrayStopped();
// Whether this thread handles one array for the calling thread: it then reads the array's
// pieces itself, as the group's arrays keep the other worker threads busy.
bool ArrayOnWorker();
// A cell grid reader's steps after a row: the pump, every 20th row shown in the log
// (replacing the last line), and false after a user stop.
bool ArrayRowDone(int row);

// Writes kept lines on the calling thread as they would have been written there.
void WriteKeptMessages(const std::vector<KeptMessage>& lines);

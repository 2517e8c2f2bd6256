// The array routines' reports, written at once or kept for the calling thread.
#include "engine/array/array_messages.hpp"

#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/row_progress.hpp"

namespace {

thread_local std::vector<KeptMessage>* tKept = nullptr;

}  // namespace

KeepArrayMessages::KeepArrayMessages(std::vector<KeptMessage>& lines) : mPrevious(tKept) {
  tKept = &lines;
}

KeepArrayMessages::~KeepArrayMessages() {
  tKept = mPrevious;
}

void ArrayMessage(std::string_view text, int replaceLastLine, COLORREF colour) {
  if (tKept == nullptr) {
    LogMessage(text, replaceLastLine, colour);
    return;
  }
  tKept->push_back({std::string(text), false, replaceLastLine, colour});
}

void ArrayProgress(std::string_view line) {
  if (tKept == nullptr) {
    Progress().ShowProgress(line);
    return;
  }
  tKept->push_back({std::string(line), true, 1, kLogBlack});
}

void ArrayProgressPump() {
  if (tKept == nullptr) Progress().Pump();
}

void ArrayPumpMessages() {
  if (tKept == nullptr) PumpMessages();
}

bool ArrayStopped() {
  return tKept == nullptr && Progress().Stopped();
}

bool ArrayOnWorker() {
  return tKept != nullptr;
}

bool ArrayRowDone(int row) {
  ArrayProgressPump();
  if (row > 0 && row % kProgressEveryRows == 0) ArrayProgress(MessageBuffer("      Row %d", row));
  return !ArrayStopped();
}

void WriteKeptMessages(const std::vector<KeptMessage>& lines) {
  for (const KeptMessage& line : lines) {
    if (line.progress)
      Progress().ShowProgress(line.text);
    else
      LogMessage(line.text, line.replaceLastLine, line.colour);
  }
}

// Replacing a file whole, with a failure said in the log: the system's reason added to the
// caller's message, in red (the writing side of OpenLinesOrLog); and the text that goes
// into the file being written.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/file_replacement.hpp"

// Starts the replacement of path, lets write fill it and puts it in place. When the file
// cannot be started, write returns false or the file cannot be put in place, logs
// failedMessage in red with the system's reason at its end and returns false; path is then
// left as it was. write may log lines of its own (they come after a failure to start).
[[nodiscard]] bool ReplaceFileOrLog(const std::string& path, std::string_view failedMessage,
                                    const std::function<bool(platform::FileReplacement&)>& write);

// The same for a file whose whole text is at hand.
[[nodiscard]] bool ReplaceFileTextOrLog(const std::string& path, std::string_view failedMessage,
                                        std::string_view text);

// Logs failedMessage in red with the system's reason for error at its end (the message
// alone when error is 0); false, for the caller to return.
bool LogWriteFailure(std::string_view failedMessage, int error);

// Appends text to the file being written; false when it cannot be written.
[[nodiscard]] bool WriteFileText(platform::FileReplacement& file, std::string_view text);

// Text for a file being replaced, gathered and written a piece of about a megabyte at a
// time, so that a long table is neither held whole nor written a line at a time.
class GatheredText {
 public:
  static constexpr std::size_t kPieceSize = std::size_t{1} << 20;

  explicit GatheredText(platform::FileReplacement& file) : mFile(file) {}
  GatheredText(const GatheredText&) = delete;
  GatheredText& operator=(const GatheredText&) = delete;

  // What is gathered and not yet written, to append to.
  std::string& Text() { return mText; }
  // Writes what is gathered once it fills a piece; false once any write failed.
  [[nodiscard]] bool WriteFull() { return mText.size() < kPieceSize ? mOk : WriteAll(); }
  // Writes all that is gathered; false once any write failed.
  [[nodiscard]] bool WriteAll();
  bool Ok() const { return mOk; }

 private:
  platform::FileReplacement& mFile;
  std::string mText;
  bool mOk = true;
};

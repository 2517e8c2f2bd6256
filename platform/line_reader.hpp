// Line-by-line reading of text files: LF and CRLF endings, a trailing CR cut,
// every line bounded, and a line that was cut told apart from a whole one.
// Every text reader of the project reads through this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/readable_file.hpp"
#include "platform/text_lines.hpp"

namespace platform {

class LineReader {
 public:
  static constexpr std::size_t kDefaultMaxLength = 1000;

  // Opens path for reading; false when it cannot be opened or is no regular file, with
  // OpenFailure() telling why (what was open before stays open).
  [[nodiscard]] bool Open(const std::string& path, std::size_t maxLength = kDefaultMaxLength);
  const ReadFailure& OpenFailure() const { return mOpenFailure; }
  // Reads from bytes in memory, which must outlive the reader.
  void OpenBuffer(std::string_view bytes, std::size_t maxLength = kDefaultMaxLength);
  void Close();
  bool IsOpen() const;

  // The next line into `line`, valid until the next call. A file whose last line has no
  // line ending still gives that line; an empty file gives kEnd at once.
  LineStatus Next(std::string_view& line);

  // Number of lines handed out so far (1 after the first line).
  std::int64_t LineNumber() const { return mLineNumber; }

  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

 private:
  bool Refill();

  ReadableFile mFile;
  ReadFailure mOpenFailure;
  std::vector<char> mBuffer;
  TextLines mMemoryLines;  // the lines of the input when reading from memory
  bool mFromMemory = false;
  const char* mBegin = nullptr;
  const char* mEnd = nullptr;
  std::string mCarry;  // a line that straddles two buffer fills
  std::size_t mMaxLength = kDefaultMaxLength;
  std::int64_t mLineNumber = 0;
  bool mEof = false;
  bool mError = false;
};

}  // namespace platform

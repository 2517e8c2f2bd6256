// Lines of a text held in memory, cut as LineReader cuts a file's: at LF, one trailing CR
// dropped, every line bounded (the rest of a longer line skipped, and the line told apart
// as cut), and a last line without its line end still given. The one home of this
// splitting for every reader that has its text in memory already.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace platform {

enum class LineStatus {
  kWhole,  // a complete line (without its line ending)
  kCut,    // the first maxLength characters of a longer line; the rest was skipped
  kEnd,    // no more lines
  kError,  // the file could not be read further (files only)
};

class TextLines {
 public:
  TextLines() = default;
  TextLines(std::string_view text, std::size_t maxLength)
      : mAt(text.data()), mEnd(text.data() + text.size()), mMaxLength(maxLength) {}

  // The next line into line, a view into the text: kWhole, kCut, or kEnd when no
  // characters are left.
  LineStatus Next(std::string_view& line) {
    if (mAt == mEnd) {
      line = {};
      return LineStatus::kEnd;
    }
    const auto left = static_cast<std::size_t>(mEnd - mAt);
    const char* newline = static_cast<const char*>(std::memchr(mAt, '\n', left));
    const char* stop = newline != nullptr ? newline : mEnd;
    line = std::string_view(mAt, static_cast<std::size_t>(stop - mAt));
    mAt = newline != nullptr ? newline + 1 : mEnd;
    ++mLineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() <= mMaxLength) return LineStatus::kWhole;
    line = line.substr(0, mMaxLength);
    return LineStatus::kCut;
  }

  // The text not yet handed out.
  std::string_view Rest() const { return {mAt, static_cast<std::size_t>(mEnd - mAt)}; }
  // Number of lines handed out so far (1 after the first line).
  std::int64_t LineNumber() const { return mLineNumber; }

 private:
  const char* mAt = nullptr;
  const char* mEnd = nullptr;
  std::size_t mMaxLength = 0;
  std::int64_t mLineNumber = 0;
};

}  // namespace platform

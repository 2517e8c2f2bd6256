// The lines of a file, or of bytes in memory, from any line start on, each with the byte
// offset it starts at: a long file is cut into stretches whose lines several threads read
// at once, each through a buffer of its own that is kept from one read to the next. Lines
// are cut as LineReader cuts them (platform::TextLines), so the stretches together give
// the very lines a reading from the start gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/chunk_reader.hpp"
#include "platform/text_lines.hpp"

namespace quellbrook {

class ByteSource {
 public:
  // False when the file cannot be opened.
  [[nodiscard]] bool OpenFile(const std::string& path);
  // Bytes that outlive the source.
  void OpenBytes(std::string_view bytes);

  // The number of bytes when known (a regular file, as it was when opened, or bytes in
  // memory): only then may stretches be read out of order and from several threads.
  std::optional<std::uint64_t> Size() const { return mSize; }
  // Up to count bytes from offset into out; fewer only at the end or when a read fails,
  // which sets failed. Without a known size the reads must follow on from each other.
  std::size_t Read(std::uint64_t offset, char* out, std::size_t count, bool& failed);

 private:
  platform::ChunkReader mFile;
  bool mFromFile = false;
  std::string_view mBytes;
  std::optional<std::uint64_t> mSize;
};

// Memory for reading lines, kept from one reading to the next.
struct LineBuffer {
  std::unique_ptr<char[]> data;
  std::size_t capacity = 0;
};

class SourceLines {
 public:
  // The lines from `offset` on, which must be where a line starts (or a byte from which
  // SkipPastLineEnd finds one), each of at most maxLength characters; the first read asks
  // for firstRead bytes.
  SourceLines(ByteSource& source, std::uint64_t offset, LineBuffer& buffer, std::size_t firstRead,
              std::size_t maxLength);

  // Moves past the first line end before offset `before`; false when there is none.
  bool SkipPastLineEnd(std::uint64_t before);
  // The next line, valid until the next call: kWhole, kCut (after which no more lines are
  // read) or kEnd (also when the source fails: a line the failure cut short is not given).
  platform::LineStatus Next(std::string_view& line);
  // Where the next line starts.
  std::uint64_t Offset() const { return mBase + mPos; }
  // Where a line that Next just gave starts.
  std::uint64_t OffsetOf(std::string_view line) const {
    return mBase + static_cast<std::uint64_t>(line.data() - mBuffer.data.get());
  }

 private:
  void Refill();
  // Hands the whole lines from mPos on to mLines.
  void TakeWholeLines();

  ByteSource& mSource;
  LineBuffer& mBuffer;
  std::uint64_t mBase;  // the offset of the buffer's first byte
  std::size_t mPos = 0;
  std::size_t mWhole = 0;  // the end of the last line end read
  std::size_t mEnd = 0;
  std::size_t mReadSize;
  std::size_t mMaxLength;
  bool mEnded = false;
  bool mFailed = false;
  platform::TextLines mLines;
};

}  // namespace quellbrook

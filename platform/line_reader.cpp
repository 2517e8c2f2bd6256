// Buffered line reading: lines are handed out as views into the read buffer, so reading
// a file of many short lines costs no allocation per line.
#include "platform/line_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace platform {
namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

// Gives memory-backed readers, whose lines come from their TextLines, a non-null
// position, so that IsOpen can tell them from a closed reader.
constexpr char kEmptyInput[1] = {};

std::string_view StripCarriageReturn(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

LineReader::~LineReader() {
  Close();
}

bool LineReader::Open(const std::string& path, std::size_t maxLength) {
  ReadableFile file;
  if (!file.Open(path)) {
    mOpenFailure = file.Failure();
    return false;
  }
  Close();
  mOpenFailure = {};
  mFile = std::move(file);
  mBuffer.resize(kChunkSize);
  mBegin = mBuffer.data();
  mEnd = mBuffer.data();
  mMaxLength = maxLength;
  return true;
}

void LineReader::OpenBuffer(std::string_view bytes, std::size_t maxLength) {
  Close();
  mMemoryLines = TextLines(bytes, maxLength);
  mFromMemory = true;
  mBegin = kEmptyInput;
  mEnd = kEmptyInput;
  mMaxLength = maxLength;
}

void LineReader::Close() {
  mFile.Close();
  mMemoryLines = {};
  mFromMemory = false;
  mBegin = nullptr;
  mEnd = nullptr;
  mCarry.clear();
  mLineNumber = 0;
  mEof = false;
  mError = false;
}

bool LineReader::IsOpen() const {
  return mBegin != nullptr;
}

bool LineReader::Refill() {
  if (!mFile.IsOpen() || mEof || mError) return false;
  int error = 0;
  const std::size_t count = ReadFully(mFile.Descriptor(), mBuffer.data(), mBuffer.size(), error);
  mBegin = mBuffer.data();
  mEnd = mBuffer.data() + count;
  if (count > 0) return true;
  if (error != 0) {
    mError = true;
  } else {
    mEof = true;
  }
  return false;
}

LineStatus LineReader::Next(std::string_view& line) {
  line = {};
  if (mBegin == nullptr) return LineStatus::kEnd;
  if (mFromMemory) {
    const LineStatus status = mMemoryLines.Next(line);
    mLineNumber = mMemoryLines.LineNumber();
    return status;
  }
  if (mError) return LineStatus::kError;
  // Between calls the carry only ever holds the line handed out last, whose view
  // expires now.
  mCarry.clear();

  // A carried line only needs to be long enough to show it exceeds the limit, even
  // after a trailing CR is cut: two characters past it.
  const std::size_t carryLimit = mMaxLength > SIZE_MAX - 2 ? SIZE_MAX : mMaxLength + 2;
  bool lineEnded = false;
  for (;;) {
    const auto available = static_cast<std::size_t>(mEnd - mBegin);
    const char* newline = static_cast<const char*>(std::memchr(mBegin, '\n', available));
    const char* stop = newline != nullptr ? newline : mEnd;
    if (newline != nullptr && mCarry.empty()) {
      // The common case: the whole line lies in the buffer.
      line = std::string_view(mBegin, static_cast<std::size_t>(newline - mBegin));
      mBegin = newline + 1;
      lineEnded = true;
      break;
    }
    if (mCarry.size() < carryLimit) {
      const auto piece = static_cast<std::size_t>(stop - mBegin);
      mCarry.append(mBegin, std::min(piece, carryLimit - mCarry.size()));
    }
    if (newline != nullptr) {
      mBegin = newline + 1;
      lineEnded = true;
      break;
    }
    mBegin = mEnd;
    if (!Refill()) break;
  }

  if (!lineEnded) {
    if (mError) {
      mCarry.clear();
      return LineStatus::kError;
    }
    if (mCarry.empty()) return LineStatus::kEnd;
  }
  if (!mCarry.empty()) line = mCarry;
  line = StripCarriageReturn(line);
  ++mLineNumber;
  if (line.size() <= mMaxLength) return LineStatus::kWhole;
  line = line.substr(0, mMaxLength);
  return LineStatus::kCut;
}

}  // namespace platform

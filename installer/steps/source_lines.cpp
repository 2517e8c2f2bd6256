#include "installer/steps/source_lines.hpp"

#include <algorithm>
#include <cstring>

namespace quellbrook {

namespace {

// A file that is not a regular one is read on in pieces of this size.
constexpr std::size_t kStreamPiece = 64 << 10;
// Reads after the first ask for at least this much.
constexpr std::size_t kLeastRead = 64 << 10;

}  // namespace

bool ByteSource::OpenFile(const std::string& path) {
  if (!mFile.Open(path)) return false;
  mFromFile = true;
  mSize = mFile.RegularFileSize();
  return mSize.has_value() || mFile.Allocate(kStreamPiece);
}

void ByteSource::OpenBytes(std::string_view bytes) {
  mBytes = bytes;
  mSize = bytes.size();
}

std::size_t ByteSource::Read(std::uint64_t offset, char* out, std::size_t count, bool& failed) {
  if (mSize) {
    if (offset >= *mSize) return 0;
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(count, *mSize - offset));
    if (!mFromFile) {
      std::memcpy(out, mBytes.data() + offset, wanted);
      return wanted;
    }
    const std::size_t got = mFile.ReadAt(offset, reinterpret_cast<std::uint8_t*>(out), wanted);
    if (got < wanted) failed = true;
    return got;
  }
  std::size_t moved = 0;
  while (moved < count) {
    if (!mFile.Fill(std::min(count - moved, mFile.Capacity())) && mFile.Available() == 0) {
      failed = mFile.Failed();
      break;
    }
    const std::size_t piece = std::min(mFile.Available(), count - moved);
    std::memcpy(out + moved, mFile.Data(), piece);
    mFile.Consume(piece);
    moved += piece;
  }
  return moved;
}

SourceLines::SourceLines(ByteSource& source, std::uint64_t offset, LineBuffer& buffer,
                         std::size_t firstRead, std::size_t maxLength)
    : mSource(source),
      mBuffer(buffer),
      mBase(offset),
      mReadSize(std::max<std::size_t>(firstRead, 1)),
      mMaxLength(maxLength) {}

void SourceLines::Refill() {
  // What is left is part of one line: it moves to the front.
  if (mPos > 0) {
    if (mEnd > mPos) std::memmove(mBuffer.data.get(), mBuffer.data.get() + mPos, mEnd - mPos);
    mBase += mPos;
    mEnd -= mPos;
    mPos = 0;
  }
  // A long line doubles the reading, so that it is moved only a few times.
  const std::size_t wanted = std::max(mReadSize, mEnd);
  if (mBuffer.capacity - mEnd < wanted) {
    const std::size_t capacity = mEnd + wanted;
    std::unique_ptr<char[]> data(new char[capacity]);
    if (mEnd > 0) std::memcpy(data.get(), mBuffer.data.get(), mEnd);
    mBuffer.data = std::move(data);
    mBuffer.capacity = capacity;
  }
  const std::size_t got = mSource.Read(mBase + mEnd, mBuffer.data.get() + mEnd, wanted, mFailed);
  mEnd += got;
  if (got < wanted) mEnded = true;
  mReadSize = std::max(mReadSize, kLeastRead);
  TakeWholeLines();
}

void SourceLines::TakeWholeLines() {
  const char* begin = mBuffer.data.get() + mPos;
  const void* last = mEnd > mPos ? memrchr(begin, '\n', mEnd - mPos) : nullptr;
  mWhole = last == nullptr
               ? mPos
               : static_cast<std::size_t>(static_cast<const char*>(last) - mBuffer.data.get()) + 1;
  mLines = platform::TextLines(std::string_view(begin, mWhole - mPos), mMaxLength);
}

bool SourceLines::SkipPastLineEnd(std::uint64_t before) {
  for (;;) {
    if (before <= mBase + mPos) return false;
    const auto stop = static_cast<std::size_t>(std::min<std::uint64_t>(mEnd, before - mBase));
    if (stop > mPos) {
      const void* newline = std::memchr(mBuffer.data.get() + mPos, '\n', stop - mPos);
      if (newline != nullptr) {
        mPos = static_cast<std::size_t>(static_cast<const char*>(newline) - mBuffer.data.get()) + 1;
        TakeWholeLines();
        return true;
      }
      mPos = stop;
    }
    if (mEnded) return false;
    Refill();
  }
}

platform::LineStatus SourceLines::Next(std::string_view& line) {
  const auto rest = [this] { return std::string_view(mBuffer.data.get() + mPos, mEnd - mPos); };
  for (;;) {
    if (mPos < mWhole) {
      const platform::LineStatus status = mLines.Next(line);
      mPos = static_cast<std::size_t>(mLines.Rest().data() - mBuffer.data.get());
      return status;
    }
    if (mEnded) {
      line = {};
      if (mPos == mEnd || mFailed) return platform::LineStatus::kEnd;
      // The last line, without its line end.
      platform::TextLines last(rest(), mMaxLength);
      mPos = mWhole = mEnd;
      return last.Next(line);
    }
    if (mEnd - mPos >= mMaxLength + 2) {
      // So many characters with no line end: longer than allowed, with or without a CR.
      platform::TextLines cut(rest().substr(0, mMaxLength + 2), mMaxLength);
      const platform::LineStatus status = cut.Next(line);
      mWhole = mPos;
      mEnded = true;
      mFailed = true;
      return status;
    }
    Refill();
  }
}

}  // namespace quellbrook

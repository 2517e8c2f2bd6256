#include "platform/chunk_reader.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace platform {

ChunkReader::~ChunkReader() = default;

bool ChunkReader::Open(const std::string& path) {
  if (mFile.IsOpen() || !mFile.Open(path)) return false;
  mRegularSize = mFile.Size();
  return true;
}

bool ChunkReader::Allocate(std::size_t capacity) {
  if (!mFile.IsOpen() || mBuffer || capacity == 0) return false;
  mBuffer.reset(new (std::nothrow) std::uint8_t[capacity]);
  if (!mBuffer) return false;
  mCapacity = capacity;
  return true;
}

bool ChunkReader::Fill(std::size_t count) {
  if (Available() >= count) return true;
  if (!mBuffer || count > mCapacity) return false;
  // What is left moves to the front; callers consume whole pieces, so it is short.
  if (mBegin > 0) {
    std::memmove(mBuffer.get(), mBuffer.get() + mBegin, Available());
    mEnd -= mBegin;
    mBegin = 0;
  }
  while (mEnd < count && !mEnded && !mFailed) {
    const ssize_t got = ::read(mFile.Descriptor(), mBuffer.get() + mEnd, count - mEnd);
    if (got > 0) {
      mEnd += static_cast<std::size_t>(got);
    } else if (got == 0) {
      mEnded = true;
    } else if (errno != EINTR) {
      mFailed = true;
    }
  }
  return Available() >= count;
}

std::size_t ChunkReader::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
  std::size_t moved = 0;
  while (moved < count && mFile.IsOpen()) {
    const ssize_t got =
        ::pread(mFile.Descriptor(), out + moved, count - moved, static_cast<off_t>(offset + moved));
    if (got > 0) {
      moved += static_cast<std::size_t>(got);
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  return moved;
}

}  // namespace platform

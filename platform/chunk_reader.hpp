// Reading a file a piece at a time into one buffer that stays in use, so that a reader
// decodes each piece while it is still in the cache instead of first copying the whole
// file into fresh memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/readable_file.hpp"

namespace platform {

class ChunkReader {
 public:
  ChunkReader() = default;
  ~ChunkReader();
  ChunkReader(const ChunkReader&) = delete;
  ChunkReader& operator=(const ChunkReader&) = delete;

  // Opens path; false when it cannot be opened or is no regular file, with OpenFailure()
  // telling why.
  [[nodiscard]] bool Open(const std::string& path);
  const ReadFailure& OpenFailure() const { return mFile.Failure(); }
  // The size of the open file, as it was when opened; none before.
  std::optional<std::uint64_t> RegularFileSize() const { return mRegularSize; }
  // Gives the reader its buffer of `capacity` bytes (at least 1), before anything is
  // read; false when it cannot be had. The buffer is not cleared, as only bytes that
  // were read are handed out.
  [[nodiscard]] bool Allocate(std::size_t capacity);
  std::size_t Capacity() const { return mCapacity; }

  // The bytes read and not yet consumed, Available() of them.
  const std::uint8_t* Data() const { return mBuffer.get() + mBegin; }
  std::size_t Available() const { return mEnd - mBegin; }
  // Reads until at least `count` bytes are available, and no more than that; false when
  // the file ends or fails first (what was read stays available) or count exceeds the
  // capacity.
  bool Fill(std::size_t count);
  // Drops the first count bytes (at most Available()).
  void Consume(std::size_t count) { mBegin += count < Available() ? count : Available(); }
  // A read failed (rather than the file ending).
  bool Failed() const { return mFailed; }

  // Reads up to `count` bytes from `offset` of the file into `out`, apart from the buffer
  // and without moving on; safe to call from several threads at once. The number read,
  // fewer only at the end of the file or on an error.
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;

 private:
  ReadableFile mFile;
  std::unique_ptr<std::uint8_t[]> mBuffer;
  std::size_t mCapacity = 0;
  std::size_t mBegin = 0;
  std::size_t mEnd = 0;
  std::optional<std::uint64_t> mRegularSize;
  bool mEnded = false;
  bool mFailed = false;
};

}  // namespace platform

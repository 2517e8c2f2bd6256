// A regular file cut into pieces of whole lines that any thread reads on its own, each
// into a buffer its caller reuses, so that a long text file is scanned side by side
// without first being copied whole into fresh memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/chunk_reader.hpp"

namespace platform {

class LinePieces {
 public:
  // The first `size` bytes of file, in stretches of pieceBytes (at least 1). A piece holds
  // the lines that start in its stretch. Lines are read as far as a TextLines bounded to
  // maxLength needs them, so a line much longer than that may end a piece early.
  LinePieces(const ChunkReader& file, std::uint64_t size, std::size_t pieceBytes,
             std::size_t maxLength);

  std::size_t Count() const { return mCount; }

  // Reads piece `number` into buffer (grown as needed, meant to be reused) and returns the
  // text of its lines, a view into buffer: platform::TextLines bounded to maxLength cuts it
  // into the very lines a LineReader gives for that stretch of the file. nullopt when the
  // file ends before `size` or cannot be read. Safe to call from several threads at once.
  std::optional<std::string_view> Read(std::size_t number, std::vector<char>& buffer) const;

 private:
  const ChunkReader& mFile;
  std::uint64_t mSize;
  std::size_t mPieceBytes;
  std::size_t mSlack;  // bytes read past a stretch for the end of its last line
  std::size_t mCount;
};

}  // namespace platform

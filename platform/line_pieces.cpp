// Cutting a file into pieces of whole lines without reading it whole: each piece reads its
// stretch and a little more, and takes the lines that start in the stretch.
#include "platform/line_pieces.hpp"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {

LinePieces::LinePieces(const ChunkReader& file, std::uint64_t size, std::size_t pieceBytes,
                       std::size_t maxLength)
    : mFile(file),
      mSize(size),
      mPieceBytes(std::max<std::size_t>(pieceBytes, 1)),
      // A last line with no line end among this many bytes past the stretch is longer
      // than maxLength + 1 there and in the file alike, so TextLines keeps the same
      // maxLength characters of it.
      mSlack(maxLength + 2),
      mCount(static_cast<std::size_t>((size + mPieceBytes - 1) / mPieceBytes)) {}

std::optional<std::string_view> LinePieces::Read(std::size_t number,
                                                 std::vector<char>& buffer) const {
  if (number >= mCount) return std::string_view();
  const std::uint64_t begin = static_cast<std::uint64_t>(number) * mPieceBytes;
  const std::uint64_t end = std::min<std::uint64_t>(begin + mPieceBytes, mSize);
  // The byte before the stretch tells whether a line starts at its first byte.
  const std::uint64_t from = begin == 0 ? 0 : begin - 1;
  const std::uint64_t windowEnd = std::min<std::uint64_t>(end + mSlack, mSize);
  const auto length = static_cast<std::size_t>(windowEnd - from);
  try {
    if (buffer.size() < length) buffer.resize(length);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  if (mFile.ReadAt(from, reinterpret_cast<std::uint8_t*>(buffer.data()), length) != length)
    return std::nullopt;

  const char* const window = buffer.data();
  const std::size_t stretchEnd = static_cast<std::size_t>(end - from);
  std::size_t start = 0;
  if (begin != 0) {
    // The first line of the piece follows the first line end from the byte before on.
    const void* newline = std::memchr(window, '\n', stretchEnd);
    if (newline == nullptr) return std::string_view();
    start = static_cast<std::size_t>(static_cast<const char*>(newline) - window) + 1;
    if (start >= stretchEnd) return std::string_view();
  }
  // The last line is the one holding the stretch's last byte; it ends at the first line
  // end from there on, or with the window.
  const std::size_t last = stretchEnd - 1;
  const void* newline = std::memchr(window + last, '\n', length - last);
  const std::size_t stop =
      newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - window) + 1
                         : length;
  return std::string_view(window + start, stop - start);
}

}  // namespace platform

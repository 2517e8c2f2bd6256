// Bounded little-endian reading of binary files: every read past the end of the
// data fails (and stays failed) instead of yielding garbage.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_buffer.hpp"
#include "platform/readable_file.hpp"

namespace platform {

// The whole content of a regular file, read once; empty optional when it cannot be opened
// or read, is no regular file, or is larger than maxBytes (EFBIG), with failure (when
// given) telling why.
std::optional<ByteBuffer> ReadWholeFile(const std::string& path,
                                        std::uint64_t maxBytes = UINT64_MAX,
                                        ReadFailure* failure = nullptr);

// Decoding of fixed-width little-endian values from raw bytes; inline, since the cell
// file and chip readers decode millions of values with them.
inline std::uint16_t LoadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadU64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(LoadU32(p)) |
         (static_cast<std::uint64_t>(LoadU32(p + 4)) << 32);
}
inline float LoadF32(const std::uint8_t* p) {
  return std::bit_cast<float>(LoadU32(p));
}
inline double LoadF64(const std::uint8_t* p) {
  return std::bit_cast<double>(LoadU64(p));
}

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : mData(data) {}

  // Each read returns false when fewer bytes are left than it needs; the reader is then
  // failed, and every later read fails too.
  [[nodiscard]] bool ReadInt8(std::int8_t& value);
  [[nodiscard]] bool ReadUInt8(std::uint8_t& value);
  [[nodiscard]] bool ReadInt16(std::int16_t& value);
  [[nodiscard]] bool ReadUInt16(std::uint16_t& value);
  [[nodiscard]] bool ReadInt32(std::int32_t& value);
  [[nodiscard]] bool ReadUInt32(std::uint32_t& value);
  [[nodiscard]] bool ReadFloat(float& value);
  [[nodiscard]] bool ReadDouble(double& value);
  [[nodiscard]] bool ReadBytes(std::size_t count, std::span<std::uint8_t> out);
  // An int32 length, then that many 8-bit characters. A negative length, a length above
  // maxLength or one longer than the bytes left fails.
  [[nodiscard]] bool ReadCountedString(std::string& value, std::size_t maxLength = 1 << 20);
  // The next line that is not empty (up to '\n', one trailing '\r' cut); an empty text at
  // the end of the data. Lines are bounded by maxLength; longer ones are cut there.
  [[nodiscard]] bool ReadNonEmptyLine(std::string& value, std::size_t maxLength = 1 << 16);
  [[nodiscard]] bool Skip(std::size_t count);
  [[nodiscard]] bool Seek(std::size_t position);

  std::size_t Position() const { return mPosition; }
  std::size_t Remaining() const { return mFailed ? 0 : mData.size() - mPosition; }
  std::size_t Size() const { return mData.size(); }
  bool Failed() const { return mFailed; }
  // Raw view of the bytes not yet read.
  std::span<const std::uint8_t> Rest() const { return mData.subspan(mPosition); }

 private:
  bool Take(std::size_t count, const std::uint8_t*& where);
  // Takes count bytes and sets value to decode of them; false when they are not there.
  template <typename T, typename Decode>
  bool TakeDecoded(std::size_t count, T& value, Decode decode);

  std::span<const std::uint8_t> mData;
  std::size_t mPosition = 0;
  bool mFailed = false;
};

}  // namespace platform

// Bounded little-endian reading: sizes taken from a file are never trusted, and a
// reader that ran out of data stays failed so that a caller may check once at the end.
#include "platform/byte_reader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/text_lines.hpp"

namespace platform {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

std::optional<ByteBuffer> ReadWholeFile(const std::string& path, std::uint64_t maxBytes,
                                        ReadFailure* failure) {
  const auto fail = [&](ReadFailure why) -> std::optional<ByteBuffer> {
    if (failure != nullptr) *failure = why;
    return std::nullopt;
  };
  ReadableFile file;
  if (!file.Open(path)) return fail(file.Failure());
  if (file.Size() > maxBytes) return fail(ReadFailure::FromError(EFBIG));

  ByteBuffer bytes;
  // Read in one go, asking for one byte more than the file's size so that a file that
  // grew meanwhile is noticed; read on to the end rather than trusting the size (the
  // system's own files say 0 or a page).
  for (std::uint64_t chunk = file.Size() + 1;; chunk = kReadChunk) {
    const std::size_t oldSize = bytes.size();
    const std::uint64_t room = maxBytes - oldSize;
    // One byte past the limit is asked for, to tell a file of exactly maxBytes from a
    // longer one.
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(chunk, room == UINT64_MAX ? room : room + 1));
    bytes.resize(oldSize + want);
    int error = 0;
    const std::size_t got = ReadFully(file.Descriptor(), bytes.data() + oldSize, want, error);
    bytes.resize(oldSize + got);
    if (error != 0) return fail(ReadFailure::FromError(error));
    if (bytes.size() > maxBytes) return fail(ReadFailure::FromError(EFBIG));
    if (got < want) break;
  }
  if (failure != nullptr) *failure = {};
  return bytes;
}

bool ByteReader::Take(std::size_t count, const std::uint8_t*& where) {
  if (mFailed || count > mData.size() - mPosition) {
    mFailed = true;
    return false;
  }
  where = mData.data() + mPosition;
  mPosition += count;
  return true;
}

template <typename T, typename Decode>
bool ByteReader::TakeDecoded(std::size_t count, T& value, Decode decode) {
  const std::uint8_t* p = nullptr;
  if (!Take(count, p)) return false;
  value = decode(p);
  return true;
}

bool ByteReader::ReadInt8(std::int8_t& value) {
  return TakeDecoded(1, value,
                     [](const std::uint8_t* p) { return static_cast<std::int8_t>(p[0]); });
}

bool ByteReader::ReadUInt8(std::uint8_t& value) {
  return TakeDecoded(1, value, [](const std::uint8_t* p) { return p[0]; });
}

bool ByteReader::ReadInt16(std::int16_t& value) {
  return TakeDecoded(2, value,
                     [](const std::uint8_t* p) { return static_cast<std::int16_t>(LoadU16(p)); });
}

bool ByteReader::ReadUInt16(std::uint16_t& value) {
  return TakeDecoded(2, value, [](const std::uint8_t* p) { return LoadU16(p); });
}

bool ByteReader::ReadInt32(std::int32_t& value) {
  return TakeDecoded(4, value,
                     [](const std::uint8_t* p) { return static_cast<std::int32_t>(LoadU32(p)); });
}

bool ByteReader::ReadUInt32(std::uint32_t& value) {
  return TakeDecoded(4, value, [](const std::uint8_t* p) { return LoadU32(p); });
}

bool ByteReader::ReadFloat(float& value) {
  return TakeDecoded(4, value, [](const std::uint8_t* p) { return LoadF32(p); });
}

bool ByteReader::ReadDouble(double& value) {
  return TakeDecoded(8, value, [](const std::uint8_t* p) { return LoadF64(p); });
}

bool ByteReader::ReadBytes(std::size_t count, std::span<std::uint8_t> out) {
  const std::uint8_t* p = nullptr;
  if (count > out.size()) {
    mFailed = true;
    return false;
  }
  if (!Take(count, p)) return false;
  if (count > 0) std::memcpy(out.data(), p, count);
  return true;
}

bool ByteReader::ReadCountedString(std::string& value, std::size_t maxLength) {
  std::int32_t length = 0;
  if (!ReadInt32(length)) return false;
  const std::uint8_t* p = nullptr;
  if (length < 0 || static_cast<std::size_t>(length) > maxLength) {
    mFailed = true;
    return false;
  }
  if (!Take(static_cast<std::size_t>(length), p)) return false;
  value.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
  return true;
}

bool ByteReader::ReadNonEmptyLine(std::string& value, std::size_t maxLength) {
  value.clear();
  if (mFailed) return false;
  const std::span<const std::uint8_t> rest = Rest();
  TextLines lines({reinterpret_cast<const char*>(rest.data()), rest.size()}, maxLength);
  std::string_view line;
  // Empty lines are passed over; at the end of the data the line stays empty.
  while (lines.Next(line) != LineStatus::kEnd) {
    if (!line.empty()) break;
  }
  value.assign(line);
  mPosition = mData.size() - lines.Rest().size();
  return true;
}

bool ByteReader::Skip(std::size_t count) {
  const std::uint8_t* p = nullptr;
  return Take(count, p);
}

bool ByteReader::Seek(std::size_t position) {
  if (mFailed || position > mData.size()) {
    mFailed = true;
    return false;
  }
  mPosition = position;
  return true;
}

}  // namespace platform

// Little-endian writing of binary files, field by field, into memory first so that a
// file is written whole or not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_replacement.hpp"

namespace platform {

class ByteWriter {
 public:
  void WriteInt8(std::int8_t value);
  void WriteUInt8(std::uint8_t value);
  void WriteInt16(std::int16_t value);
  void WriteUInt16(std::uint16_t value);
  void WriteInt32(std::int32_t value);
  void WriteUInt32(std::uint32_t value);
  void WriteFloat(float value);
  void WriteDouble(double value);
  void WriteBytes(std::span<const std::uint8_t> bytes);
  void WriteText(std::string_view text);  // the characters only, no length
  // An int32 length, then the characters.
  void WriteCountedString(std::string_view text);
  void WriteZeros(std::size_t count);
  // Room for this many bytes in all, so that a writer that knows its file's size does
  // not copy what it wrote each time the memory grows.
  void Reserve(std::size_t bytes) { mBytes.reserve(bytes); }

  const std::vector<std::uint8_t>& Bytes() const { return mBytes; }
  std::size_t Size() const { return mBytes.size(); }
  void Clear() { mBytes.clear(); }

  // Writes the bytes to path (replacing it); false when the file cannot be written, with
  // the system's error number in *error when error is given.
  [[nodiscard]] bool SaveTo(const std::string& path, int* error = nullptr) const;

 private:
  std::vector<std::uint8_t> mBytes;
};

// Writes bytes to path, replacing it through a FileReplacement; false when it cannot be
// written completely, with the system's error number in errno and in *error when error is
// given.
[[nodiscard]] bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                  int* error = nullptr);

// The same with the file's bytes given as pieces one after another, each written as it
// lies, so that large blocks (an array's planes) are not first copied into one buffer.
[[nodiscard]] bool WriteWholeFileInPieces(const std::string& path,
                                          std::span<const std::span<const std::uint8_t>> pieces,
                                          int* error = nullptr);

// Bytes that take the place of as many bytes of a file, from offset on.
struct FilePiece {
  std::uint64_t offset = 0;
  std::span<const std::uint8_t> bytes;
};
// Overwrites pieces of an existing regular file in place, leaving the rest of it as it was,
// for a file of which only a small part changes. Nothing is written, and false given, when
// the file cannot be opened for writing or a piece would reach past its end; false also when
// a write fails part way or, when durable, the pieces cannot be flushed to the disk, which
// they then are before it returns, so that a caller's next write never reaches the disk
// before them. The system's error number goes to *error when error is given.
[[nodiscard]] bool OverwritePieces(const std::string& path, std::span<const FilePiece> pieces,
                                   int* error = nullptr,
                                   Durability durability = Durability::kDurable);

}  // namespace platform

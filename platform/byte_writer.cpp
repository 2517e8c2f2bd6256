// Little-endian field writing and whole-file replacement through a temporary file, so a
// reader never sees a file that was only partly written.
#include "platform/byte_writer.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <limits>

#include "platform/path.hpp"

namespace platform {
namespace {

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A name beside the target that no other writer, in this process or another, picks.
std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = ParentFolder(path);
  const std::string name =
      "." + FileName(path) + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  // A path with its only separator at the front keeps the file in the root folder.
  if (folder.empty() && !path.empty() && (path[0] == '/' || path[0] == '\\')) return "/" + name;
  return JoinPath(folder, name);
}

bool WriteAll(int descriptor, std::span<const std::uint8_t> bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = write(descriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace

void ByteWriter::WriteInt8(std::int8_t value) {
  mBytes.push_back(static_cast<std::uint8_t>(value));
}

void ByteWriter::WriteUInt8(std::uint8_t value) {
  mBytes.push_back(value);
}

void ByteWriter::WriteInt16(std::int16_t value) {
  AppendLittleEndian(mBytes, static_cast<std::uint16_t>(value), 2);
}

void ByteWriter::WriteUInt16(std::uint16_t value) {
  AppendLittleEndian(mBytes, value, 2);
}

void ByteWriter::WriteInt32(std::int32_t value) {
  AppendLittleEndian(mBytes, static_cast<std::uint32_t>(value), 4);
}

void ByteWriter::WriteUInt32(std::uint32_t value) {
  AppendLittleEndian(mBytes, value, 4);
}

void ByteWriter::WriteFloat(float value) {
  AppendLittleEndian(mBytes, std::bit_cast<std::uint32_t>(value), 4);
}

void ByteWriter::WriteDouble(double value) {
  AppendLittleEndian(mBytes, std::bit_cast<std::uint64_t>(value), 8);
}

void ByteWriter::WriteBytes(std::span<const std::uint8_t> bytes) {
  mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
}

void ByteWriter::WriteZeros(std::size_t count) {
  mBytes.resize(mBytes.size() + count, 0);
}

void ByteWriter::WriteText(std::string_view text) {
  mBytes.insert(mBytes.end(), text.begin(), text.end());
}

void ByteWriter::WriteCountedString(std::string_view text) {
  assert(text.size() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) &&
         "counted string longer than its int32 length can say");
  WriteInt32(static_cast<std::int32_t>(text.size()));
  WriteText(text);
}

bool ByteWriter::SaveTo(const std::string& path) const {
  return WriteWholeFile(path, mBytes);
}

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (path.empty()) return false;
  std::string temporary;
  int descriptor = -1;
  // O_EXCL: a stale file of the same name is never written through, whatever it is.
  for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
    temporary = TemporaryName(path);
    descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0 && errno != EEXIST) return false;
  }
  if (descriptor < 0) return false;

  // A replaced file keeps its permissions, as it would had it been rewritten in place.
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    (void)fchmod(descriptor, existing.st_mode & 07777);
  }

  const bool written = WriteAll(descriptor, bytes);
  const bool closed = close(descriptor) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace platform

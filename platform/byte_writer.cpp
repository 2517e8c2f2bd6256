// Little-endian field writing and whole-file replacement through a temporary file, so a
// reader never sees a file that was only partly written.
#include "platform/byte_writer.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cassert>
#include <cerrno>
#include <limits>

#include "platform/file_replacement.hpp"
#include "platform/write_fault.hpp"

namespace platform {
namespace {

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
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

bool ByteWriter::SaveTo(const std::string& path, int* error) const {
  return WriteWholeFile(path, mBytes, error);
}

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes, int* error) {
  const std::span<const std::uint8_t> whole[] = {bytes};
  return WriteWholeFileInPieces(path, whole, error);
}

bool WriteWholeFileInPieces(const std::string& path,
                            std::span<const std::span<const std::uint8_t>> pieces, int* error) {
  FileReplacement file;
  bool written = file.Open(path);
  for (const std::span<const std::uint8_t> piece : pieces) written = written && file.Write(piece);
  written = written && file.Commit();
  if (error != nullptr) *error = file.Error();
  // Also in errno, for callers that report it from there.
  if (!written && file.Error() != 0) errno = file.Error();
  return written;
}

bool OverwritePieces(const std::string& path, std::span<const FilePiece> pieces, int* error,
                     Durability durability) {
  int failure = InjectedWriteFault(WriteStep::kOpen, path);
  if (failure == 0) failure = InjectedWriteFault(WriteStep::kWrite, path);
  const int descriptor = failure != 0 ? -1 : ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0 && failure == 0) failure = errno;
  struct stat info {};
  bool fits = descriptor >= 0 && ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
  if (descriptor >= 0 && !fits) failure = EINVAL;
  const auto size = static_cast<std::uint64_t>(fits ? info.st_size : 0);
  for (const FilePiece& piece : pieces)
    fits = fits && piece.offset <= size && piece.bytes.size() <= size - piece.offset;
  if (failure == 0 && !fits) failure = EINVAL;
  for (const FilePiece& piece : pieces) {
    std::size_t done = 0;
    while (failure == 0 && done < piece.bytes.size()) {
      const ssize_t count =
          ::pwrite(descriptor, piece.bytes.data() + done, piece.bytes.size() - done,
                   static_cast<off_t>(piece.offset + done));
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) failure = count < 0 ? errno : ENOSPC;
      if (count > 0) done += static_cast<std::size_t>(count);
    }
  }
  // On the disk before the caller's next step: an in-place writer orders its steps so that
  // a cut at any point leaves a file its reader takes, which holds only if each step's
  // bytes are there before the next is written. The size never changes, so the data alone
  // is flushed. A last step that nothing follows may go without.
  if (durability == Durability::kDurable) {
    if (failure == 0) failure = InjectedWriteFault(WriteStep::kSync, path);
    if (failure == 0 && ::fdatasync(descriptor) != 0) failure = errno;
  }
  if (descriptor >= 0 && ::close(descriptor) != 0 && failure == 0) failure = errno;
  if (error != nullptr) *error = failure;
  return failure == 0;
}

}  // namespace platform

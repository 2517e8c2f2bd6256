// Sniffing a file's form from its first bytes.
#include "engine/base/file_kind.hpp"

#include <algorithm>

#include "platform/byte_reader.hpp"
#include "platform/readable_file.hpp"
#include "platform/text_lines.hpp"

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::size_t count,
                                                       platform::ReadFailure* failure) {
  platform::ReadableFile file;
  if (!file.Open(path)) {
    if (failure != nullptr) *failure = file.Failure();
    return std::nullopt;
  }
  // The buffer grows with what the file gives, so that a large count costs nothing for a
  // small file; the size is only a first guess (the system's own files say 0).
  constexpr std::uint64_t kFirstPiece = 64 * 1024;
  std::vector<std::uint8_t> bytes;
  std::size_t filled = 0;
  auto room = static_cast<std::size_t>(
      std::min<std::uint64_t>(count, std::max(file.Size() + 1, kFirstPiece)));
  for (;;) {
    bytes.resize(room);
    int error = 0;
    filled += platform::ReadFully(file.Descriptor(), bytes.data() + filled, room - filled, error);
    if (error != 0) {
      if (failure != nullptr) *failure = platform::ReadFailure::FromError(error);
      return std::nullopt;
    }
    if (filled < room || room == count) break;
    room = room > count / 2 ? count : room * 2;
  }
  bytes.resize(filled);
  return bytes;
}

bool StartsWithMagic(std::span<const std::uint8_t> bytes, std::int32_t magic) {
  return bytes.size() >= 4 && static_cast<std::int32_t>(platform::LoadU32(bytes.data())) == magic;
}

bool FileStartsWithMagic(const std::string& path, std::int32_t magic) {
  const auto bytes = ReadFileStart(path, 4);
  return bytes && StartsWithMagic(*bytes, magic);
}

std::string_view FirstTextLine(std::span<const std::uint8_t> bytes, std::size_t maxLength) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  text = text.substr(0, text.find('\0'));
  std::string_view line;
  platform::TextLines(text, maxLength).Next(line);
  return line;
}

FileForm SniffFileForm(const std::string& path, std::int32_t binaryMagic, std::string_view textMark,
                       std::size_t maxLineLength) {
  // A line cut at the bound still shows its carriage return and line feed to the reader
  // that cuts it, so two bytes more are read.
  const auto bytes = ReadFileStart(path, maxLineLength + 2);
  if (!bytes) return FileForm::kUnopened;
  if (StartsWithMagic(*bytes, binaryMagic)) return FileForm::kBinary;
  return FirstTextLine(*bytes, maxLineLength).find(textMark) != std::string_view::npos
             ? FileForm::kText
             : FileForm::kOther;
}

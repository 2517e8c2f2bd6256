// Sniffing a file's form from its first bytes.
#include "engine/base/file_kind.hpp"

#include <cstdio>
#include <memory>

#include "platform/byte_reader.hpp"
#include "platform/text_lines.hpp"

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::size_t count) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes(count);
  bytes.resize(std::fread(bytes.data(), 1, count, file.get()));
  // A folder opens, but reading it fails.
  if (std::ferror(file.get()) != 0) return std::nullopt;
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

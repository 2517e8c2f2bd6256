// Telling the forms of a file apart from its first bytes, for every reader that accepts
// more than one form: a binary form by the int32 magic number it opens with, a text form
// by what its first line holds. The magic is tried first, and the first line ends at the
// first NUL byte as well as at the first line feed, since the header of a binary file is
// no line of text, whatever letters its bytes happen to spell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/readable_file.hpp"

// Up to count bytes from the start of the file (fewer when it is shorter); empty
// optional when it cannot be opened or read or is no regular file, with failure (when
// given) telling why.
std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::size_t count,
                                                       platform::ReadFailure* failure = nullptr);

// The bytes open with the little-endian int32 magic.
bool StartsWithMagic(std::span<const std::uint8_t> bytes, std::int32_t magic);

// The file opens with the little-endian int32 magic; false when it cannot be read.
bool FileStartsWithMagic(const std::string& path, std::int32_t magic);

// The first line of the bytes as a line reader bounded to maxLength takes it: up to the
// first line feed, a trailing carriage return dropped, at most maxLength characters; and
// no further than the first NUL byte.
std::string_view FirstTextLine(std::span<const std::uint8_t> bytes, std::size_t maxLength);

enum class FileForm {
  kUnopened,  // the file cannot be opened or read
  kBinary,    // it opens with the binary magic
  kText,      // its first line holds the text mark
  kOther,
};

// The form of the file at path, from its first maxLineLength + 2 bytes.
FileForm SniffFileForm(const std::string& path, std::int32_t binaryMagic, std::string_view textMark,
                       std::size_t maxLineLength);

// INI files read and written as the Windows profile functions treat them: sections and
// keys found without regard to ASCII case and surrounding blanks, the first section and
// key of a name winning, a value trimmed and stripped of one pair of enclosing quotes,
// the caller's default for a missing file, section or key, LF or CRLF line ends. Every
// path call opens, reads and closes the file; ProfileText reads a text held in memory
// through the same parser. A write changes the one line it concerns and keeps every other
// byte, replacing the file whole once the new bytes are complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/readable_file.hpp"

namespace platform {

// A larger file is taken for missing (read) or refused (write).
inline constexpr std::uint64_t kMaxProfileFileBytes = std::uint64_t{16} << 20;

struct ProfileLine;
struct ProfileIndex;

// An INI text parsed once, read as the path functions below read a file: those read and
// parse the file into one of these on every call. A reader that looks up many keys of one
// file reads it into one once, and a fuzz entry hands it the bytes. Sections and keys are
// indexed by name, so a lookup costs the same in a file of ten entries or of a hundred
// thousand.
class ProfileText {
 public:
  // No text: every section and key is missing.
  ProfileText();
  explicit ProfileText(std::string_view text);
  // The file's text; none when the file is missing, can't be read, is no regular file or
  // is larger than kMaxProfileFileBytes, with failure (when given) telling why.
  static ProfileText Read(const std::string& path, ReadFailure* failure = nullptr);
  ProfileText(ProfileText&&) noexcept;
  ProfileText& operator=(ProfileText&&) noexcept;
  ~ProfileText();

  // As the path functions of the same names below.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  std::string String(std::string_view section, std::string_view key, std::string_view defaultValue,
                     std::size_t bufferSize = 0) const;
  int Int(std::string_view section, std::string_view key, int defaultValue) const;
  int Count(std::string_view section, std::string_view key, int defaultValue) const;
  std::vector<std::string> Keys(std::string_view section) const;
  std::vector<std::string> Sections() const;
  bool HasSection(std::string_view section) const;

 private:
  // Apart from the object, so that the lines' views into it survive a move.
  std::unique_ptr<std::string> mText;
  std::vector<ProfileLine> mLines;
  std::unique_ptr<ProfileIndex> mIndex;
};

// The key's value; nothing when the file, the section or the key is missing. A line of
// the section without '=' is a key whose value is empty.
std::optional<std::string> ProfileValue(const std::string& path, std::string_view section,
                                        std::string_view key);

// The value or, when missing, the default; cut to bufferSize - 1 characters when
// bufferSize is not 0, as a caller's buffer of that size would hold it.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize = 0);

// The value's leading decimal number (an optional sign, then digits); 0 when it has none
// or is negative; the default when the key is missing.
int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int defaultValue);
// A count of entries the file lists for itself: the number as ReadProfileInt reads it,
// held to the file's size in bytes, since each entry needs a line of its own and a count
// beyond that would only read missing keys; the default when the key is missing.
int ReadProfileCount(const std::string& path, std::string_view section, std::string_view key,
                     int defaultValue);

// The key names of the first section of that name in file order, each once (first
// spelling), comment lines (';') left out; empty when the file or section is missing.
std::vector<std::string> ProfileKeys(const std::string& path, std::string_view section);
// Every section name in file order, each once.
std::vector<std::string> ProfileSections(const std::string& path);
bool ProfileSectionExists(const std::string& path, std::string_view section);

// Sets the key's value: the text after the key's '=' is replaced; a missing key is added
// as "key=value" below the section's last entry; a missing section is added at the end
// with its key; a missing file is made. A value of nothing removes the key's line. Line
// ends follow the file's own (CRLF when its first line ends so). False when the file
// can't be read or written (the system's error number then in errno), or a name is empty or
// holds a line break or (a key) '='.
[[nodiscard]] bool WriteProfileString(const std::string& path, std::string_view section,
                                      std::string_view key, std::optional<std::string_view> value);

// Fuzz entry: the bytes read as an INI text, every section's keys and values looked up;
// the number of values found.
std::size_t FuzzReadProfile(const std::uint8_t* data, std::size_t size);

}  // namespace platform

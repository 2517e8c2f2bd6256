// Reading one registry value the way the installer reads them all: the key opened for
// reading, the value taken into a 260-byte buffer as 8-bit text. The registry is the
// platform's text store, read afresh on every call, so nothing is cached between calls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quellbrook {

// Every value is read into a buffer this size, its terminator included.
inline constexpr std::size_t kRegistryValueBufferSize = 260;
inline constexpr std::size_t kMaxRegistryValueLength = kRegistryValueBufferSize - 1;

// The root every reader of the installer uses.
inline constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";

enum class RegistryRead {
  kRead,        // the value's text is in out
  kNoKey,       // the key does not exist: out keeps what it held
  kUnreadable,  // the key exists, the value is missing or longer than the buffer
};

// Reads the value (nullptr or "" names the key's default value) of root\subKey. A text
// value gives its text up to its first NUL; a number value gives its four little-endian
// bytes up to the first NUL, as a byte buffer would hold them. On kUnreadable out is
// emptied and is not to be used.
RegistryRead ReadRegistryText(std::string_view root, std::string_view subKey, const char* valueName,
                              std::string& out);

// True when the value was read; see ReadRegistryText for what out holds otherwise.
bool ReadRegistryValue(std::string_view root, std::string_view subKey, const char* valueName,
                       std::string& out);

// True when root\subKey can be opened.
bool RegistryKeyExists(std::string_view root, std::string_view subKey);

}  // namespace quellbrook

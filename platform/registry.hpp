// The stand-in for the Windows registry: keys below root keys, each holding named values
// that are texts (REG_SZ) or 32-bit numbers (REG_DWORD), kept in one text file whose path
// comes from the environment. A change re-reads the file under a lock and replaces it
// whole (written beside it, then renamed over it), so a reader never meets half a file.
// Key and value names compare without regard to ASCII case, as Windows compares them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr const char* kHkeyClassesRoot = "HKEY_CLASSES_ROOT";
inline constexpr const char* kHkeyCurrentUser = "HKEY_CURRENT_USER";
inline constexpr const char* kHkeyLocalMachine = "HKEY_LOCAL_MACHINE";
inline constexpr const char* kHkeyUsers = "HKEY_USERS";

// The limits Windows sets on names; longer names are refused.
inline constexpr std::size_t kMaxRegistryKeyNameLength = 255;
inline constexpr std::size_t kMaxRegistryValueNameLength = 16383;
// Bounds of a read: a longer line, or text past this many bytes, counts as damage.
inline constexpr std::size_t kMaxRegistryLineLength = std::size_t{1} << 20;
inline constexpr std::size_t kMaxRegistryFileBytes = std::size_t{64} << 20;

// The environment variable that names the registry file.
inline constexpr const char* kRegistryPathVariable = "ZELKO_REGISTRY";
// $ZELKO_REGISTRY when set and not empty, else ".zelko/registry" in the user's home
// folder ($HOME, or the current folder without one).
std::string RegistryFilePath();

enum class RegistryType { kString, kNumber };  // REG_SZ, REG_DWORD

struct RegistryValue {
  RegistryType type = RegistryType::kString;
  std::string text;          // a kString value's text
  std::uint32_t number = 0;  // a kNumber value's number
  bool operator==(const RegistryValue&) const = default;
};

// The keys and values of a registry in memory. A key is named by its root key (one of the
// four above) and the path of sub-keys below it, separated by '\\' (empty parts are
// skipped; an empty path names the root key itself). A key name is 1 to 255 characters
// without control characters or '\\'. The value name "" is the key's default value.
class RegistryStore {
 public:
  std::optional<RegistryValue> Value(std::string_view root, std::string_view subKey,
                                     std::string_view name) const;
  // The value only when it has that type.
  std::optional<std::string> String(std::string_view root, std::string_view subKey,
                                    std::string_view name) const;
  std::optional<std::uint32_t> Number(std::string_view root, std::string_view subKey,
                                      std::string_view name) const;
  bool KeyExists(std::string_view root, std::string_view subKey) const;
  // The keys directly below, and the key's value names, in the order they were made.
  std::vector<std::string> SubKeyNames(std::string_view root, std::string_view subKey) const;
  std::vector<std::string> ValueNames(std::string_view root, std::string_view subKey) const;

  // Creating and setting bring the key and every key above it into being. False, with
  // nothing changed, for a root or name that is not valid.
  [[nodiscard]] bool CreateKey(std::string_view root, std::string_view subKey);
  [[nodiscard]] bool SetValue(std::string_view root, std::string_view subKey, std::string_view name,
                              const RegistryValue& value);
  [[nodiscard]] bool SetString(std::string_view root, std::string_view subKey,
                               std::string_view name, std::string_view text);
  [[nodiscard]] bool SetNumber(std::string_view root, std::string_view subKey,
                               std::string_view name, std::uint32_t number);
  // False when there was no such value or key. Deleting a key takes its sub-keys with it;
  // a root key stays.
  bool DeleteValue(std::string_view root, std::string_view subKey, std::string_view name);
  bool DeleteKey(std::string_view root, std::string_view subKey);

  // The registry file's text.
  std::string ToText() const;

 private:
  friend struct RegistryParser;
  struct NamedValue {
    std::string name;
    RegistryValue value;
  };
  struct Key {
    std::string path;  // the root and sub-key names joined by '\\', as first written
    std::vector<NamedValue> values;
  };

  const Key* FindKey(std::string_view path) const;
  Key* FindKey(std::string_view path);
  // Adds the key and those above it; returns it.
  Key& MakeKey(const std::string& path);

  std::vector<Key> mKeys;
};

// The path of a key, root and sub-keys joined by '\\' with the root spelled as above;
// nothing when the root is unknown or a name is not valid.
std::optional<std::string> RegistryKeyPath(std::string_view root, std::string_view subKey);

struct RegistryReading {
  RegistryStore store;
  // The first damaged line (1 for the first line); 0 when the text is sound throughout.
  // The store holds what came before it.
  std::int64_t damagedLine = 0;
  std::string fault;  // what was wrong there
};

// Reads a registry text as far as it is sound.
RegistryReading ParseRegistry(std::string_view text);

// Reads the registry file. A missing file is an empty, sound registry; one that cannot be
// read is an empty registry damaged at line 1.
RegistryReading ReadRegistryFile(const std::string& path);

// Runs change on the file's registry while holding the file's lock, and when change
// returns true writes the result back: into a temporary file beside it, then renamed over
// it (the folder is made when missing). A damaged file is first kept as
// "<path>.damaged". False, with the reason in error (and the system's error number in
// errno), when the file cannot be written.
[[nodiscard]] bool UpdateRegistryFile(const std::string& path,
                                      const std::function<bool(RegistryStore&)>& change,
                                      std::string* error = nullptr);

}  // namespace platform

// The registry file: a signature line, then one "[root\key\...]" line per key followed by
// its values, one a line: "name"="text" or "name"=dword:0000002a, with @ for the default
// value's name. Texts and value names escape '\\', '"' and control characters.
#include "platform/registry.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/file_replacement.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"
#include "platform/readable_file.hpp"
#include "platform/system_error.hpp"
#include "platform/text_bytes.hpp"

namespace platform {
namespace {

constexpr std::string_view kSignature = "Zelko registry 1";
constexpr std::array<const char*, 4> kRoots = {kHkeyClassesRoot, kHkeyCurrentUser,
                                               kHkeyLocalMachine, kHkeyUsers};

bool IsControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

bool IsValidKeyName(std::string_view name) {
  if (name.empty() || name.size() > kMaxRegistryKeyNameLength) return false;
  for (const char c : name)
    if (c == '\\' || IsControl(static_cast<unsigned char>(c))) return false;
  return true;
}

const char* CanonicalRoot(std::string_view root) {
  for (const char* known : kRoots)
    if (EqualsNoCase(root, known)) return known;
  return nullptr;
}

// Joins the sub-key path's parts behind the root; nothing for an invalid name.
std::optional<std::string> JoinKeyPath(const char* root, std::string_view subKey) {
  std::string path = root;
  std::size_t start = 0;
  while (start <= subKey.size()) {
    const std::size_t end = std::min(subKey.find('\\', start), subKey.size());
    const std::string_view part = subKey.substr(start, end - start);
    if (!part.empty()) {
      if (!IsValidKeyName(part)) return std::nullopt;
      path += '\\';
      path += part;
    }
    start = end + 1;
  }
  return path;
}

bool IsDirectChild(std::string_view parent, std::string_view path) {
  return path.size() > parent.size() + 1 && EqualsNoCase(path.substr(0, parent.size()), parent) &&
         path[parent.size()] == '\\' &&
         path.find('\\', parent.size() + 1) == std::string_view::npos;
}

bool IsAtOrBelow(std::string_view key, std::string_view path) {
  if (EqualsNoCase(path, key)) return true;
  return path.size() > key.size() && path[key.size()] == '\\' &&
         EqualsNoCase(path.substr(0, key.size()), key);
}

void AppendQuoted(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (IsControl(byte)) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text at the front of line and takes it off; false when it is not one.
bool TakeQuoted(std::string_view& line, std::string& text) {
  if (line.empty() || line.front() != '"') return false;
  text.clear();
  std::size_t i = 1;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '"') {
      line.remove_prefix(i + 1);
      return true;
    }
    if (c != '\\') {
      text += c;
      ++i;
      continue;
    }
    if (i + 1 >= line.size()) return false;
    const char code = line[i + 1];
    i += 2;
    switch (code) {
      case '\\':
      case '"':
        text += code;
        break;
      case 'n':
        text += '\n';
        break;
      case 'r':
        text += '\r';
        break;
      case 't':
        text += '\t';
        break;
      case 'x': {
        if (i + 1 >= line.size()) return false;
        const int high = HexDigit(line[i]);
        const int low = HexDigit(line[i + 1]);
        if (high < 0 || low < 0) return false;
        text += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return false;  // no closing quote
}

std::optional<std::uint32_t> ParseDword(std::string_view digits) {
  if (digits.size() != 8) return std::nullopt;
  std::uint32_t number = 0;
  for (const char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    number = number * 16 + static_cast<std::uint32_t>(digit);
  }
  return number;
}

std::string ErrnoText(const std::string& what, const std::string& path) {
  return what + " '" + path + "': " + std::strerror(errno);
}

// Holds an exclusive lock on "<path>.lock" while alive.
class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    mDescriptor = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (mDescriptor < 0) return;
    while (::flock(mDescriptor, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      ::close(mDescriptor);
      mDescriptor = -1;
      return;
    }
  }
  ~FileLock() {
    if (mDescriptor >= 0) ::close(mDescriptor);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return mDescriptor >= 0; }

 private:
  int mDescriptor = -1;
};

// Writes text on the one road for a whole file: beside path first, flushed, renamed over
// it and its folder flushed, so that a power cut leaves the old registry or the new one.
bool ReplaceFile(const std::string& path, std::string_view text, std::string* error) {
  FileReplacement file;
  if (file.Open(path) && file.Write(TextBytes(text)) && file.Commit()) return true;
  if (error != nullptr) *error = WithSystemReason("cannot replace '" + path + "'", file.Error());
  errno = file.Error();
  return false;
}

}  // namespace

// Reads the file's lines into a store; a friend of RegistryStore so that values go to the
// key last named without looking it up again.
struct RegistryParser {
  static RegistryReading Parse(std::string_view text) {
    RegistryReading reading;
    LineReader lines;
    lines.OpenBuffer(text, kMaxRegistryLineLength);
    RegistryStore::Key* key = nullptr;
    auto damage = [&reading, &lines](std::string fault) {
      reading.damagedLine = lines.LineNumber();
      reading.fault = std::move(fault);
      return reading;
    };
    std::string_view line;
    for (;;) {
      const LineStatus status = lines.Next(line);
      if (status == LineStatus::kEnd) return reading;
      if (status != LineStatus::kWhole) return damage("line longer than the reader takes");
      if (lines.LineNumber() == 1) {
        if (line != kSignature) return damage("not a registry file");
        continue;
      }
      if (line.empty()) continue;
      if (line.front() == '[') {
        if (line.back() != ']') return damage("key line without its closing ']'");
        const std::string_view path = line.substr(1, line.size() - 2);
        const std::size_t rootEnd = std::min(path.find('\\'), path.size());
        const char* root = CanonicalRoot(path.substr(0, rootEnd));
        const std::optional<std::string> joined =
            root == nullptr ? std::nullopt
                            : JoinKeyPath(root, path.substr(std::min(rootEnd + 1, path.size())));
        if (!joined) return damage("key name not valid");
        key = &reading.store.MakeKey(*joined);
        continue;
      }
      if (key == nullptr) return damage("value before any key");
      std::string name;
      if (line.front() == '@') {
        line.remove_prefix(1);
      } else if (!TakeQuoted(line, name) || name.size() > kMaxRegistryValueNameLength) {
        return damage("value name not valid");
      }
      if (line.empty() || line.front() != '=') return damage("no '=' after the value name");
      line.remove_prefix(1);
      RegistryValue value;
      if (line.starts_with("dword:")) {
        const std::optional<std::uint32_t> number = ParseDword(line.substr(6));
        if (!number) return damage("dword value not 8 hexadecimal digits");
        value.type = RegistryType::kNumber;
        value.number = *number;
      } else if (!TakeQuoted(line, value.text) || !line.empty()) {
        return damage("text value not valid");
      }
      RegistryStore::NamedValue* existing = nullptr;
      for (auto& held : key->values)
        if (EqualsNoCase(held.name, name)) existing = &held;
      if (existing != nullptr) {
        existing->value = std::move(value);
      } else {
        key->values.push_back({std::move(name), std::move(value)});
      }
    }
  }
};

std::string RegistryFilePath() {
  const char* configured = std::getenv(kRegistryPathVariable);
  if (configured != nullptr && *configured != '\0') return configured;
  const char* home = std::getenv("HOME");
  return JoinPath(home != nullptr && *home != '\0' ? home : ".", ".zelko/registry");
}

std::optional<std::string> RegistryKeyPath(std::string_view root, std::string_view subKey) {
  const char* canonical = CanonicalRoot(root);
  if (canonical == nullptr) return std::nullopt;
  return JoinKeyPath(canonical, subKey);
}

const RegistryStore::Key* RegistryStore::FindKey(std::string_view path) const {
  for (const Key& key : mKeys)
    if (EqualsNoCase(key.path, path)) return &key;
  return nullptr;
}

RegistryStore::Key* RegistryStore::FindKey(std::string_view path) {
  return const_cast<Key*>(std::as_const(*this).FindKey(path));
}

RegistryStore::Key& RegistryStore::MakeKey(const std::string& path) {
  if (Key* key = FindKey(path)) return *key;
  const std::size_t parentEnd = path.rfind('\\');
  if (parentEnd != std::string::npos) MakeKey(path.substr(0, parentEnd));
  mKeys.push_back({path, {}});
  return mKeys.back();
}

std::optional<RegistryValue> RegistryStore::Value(std::string_view root, std::string_view subKey,
                                                  std::string_view name) const {
  const std::optional<std::string> path = RegistryKeyPath(root, subKey);
  const Key* key = path ? FindKey(*path) : nullptr;
  if (key == nullptr) return std::nullopt;
  for (const NamedValue& held : key->values)
    if (EqualsNoCase(held.name, name)) return held.value;
  return std::nullopt;
}

std::optional<std::string> RegistryStore::String(std::string_view root, std::string_view subKey,
                                                 std::string_view name) const {
  std::optional<RegistryValue> value = Value(root, subKey, name);
  if (!value || value->type != RegistryType::kString) return std::nullopt;
  return std::move(value->text);
}

std::optional<std::uint32_t> RegistryStore::Number(std::string_view root, std::string_view subKey,
                                                   std::string_view name) const {
  const std::optional<RegistryValue> value = Value(root, subKey, name);
  if (!value || value->type != RegistryType::kNumber) return std::nullopt;
  return value->number;
}

bool RegistryStore::KeyExists(std::string_view root, std::string_view subKey) const {
  const std::optional<std::string> path = RegistryKeyPath(root, subKey);
  return path && (FindKey(*path) != nullptr || subKey.find_first_not_of('\\') == std::string::npos);
}

std::vector<std::string> RegistryStore::SubKeyNames(std::string_view root,
                                                    std::string_view subKey) const {
  std::vector<std::string> names;
  const std::optional<std::string> path = RegistryKeyPath(root, subKey);
  if (!path) return names;
  for (const Key& key : mKeys)
    if (IsDirectChild(*path, key.path)) names.push_back(key.path.substr(path->size() + 1));
  return names;
}

std::vector<std::string> RegistryStore::ValueNames(std::string_view root,
                                                   std::string_view subKey) const {
  std::vector<std::string> names;
  const std::optional<std::string> path = RegistryKeyPath(root, subKey);
  const Key* key = path ? FindKey(*path) : nullptr;
  if (key == nullptr) return names;
  for (const NamedValue& held : key->values) names.push_back(held.name);
  return names;
}

bool RegistryStore::CreateKey(std::string_view root, std::string_view subKey) {
  const std::optional<std::string> path = RegistryKeyPath(root, subKey);
  if (!path) return false;
  MakeKey(*path);
  return true;
}

bool RegistryStore::SetValue(std::string_view root, std::string_view subKey, std::string_view name,
                             const RegistryValue& value) {
  const std::optional<std::string> path = RegistryKeyPath(root, subKey);
  if (!path || name.size() > kMaxRegistryValueNameLength) return false;
  Key& key = MakeKey(*path);
  for (NamedValue& held : key.values)
    if (EqualsNoCase(held.name, name)) {
      held.value = value;
      return true;
    }
  key.values.push_back({std::string(name), value});
  return true;
}

bool RegistryStore::SetString(std::string_view root, std::string_view subKey, std::string_view name,
                              std::string_view text) {
  return SetValue(root, subKey, name, {RegistryType::kString, std::string(text), 0});
}

bool RegistryStore::SetNumber(std::string_view root, std::string_view subKey, std::string_view name,
                              std::uint32_t number) {
  return SetValue(root, subKey, name, {RegistryType::kNumber, {}, number});
}

bool RegistryStore::DeleteValue(std::string_view root, std::string_view subKey,
                                std::string_view name) {
  const std::optional<std::string> path = RegistryKeyPath(root, subKey);
  Key* key = path ? FindKey(*path) : nullptr;
  if (key == nullptr) return false;
  return std::erase_if(key->values, [name](const NamedValue& held) {
           return EqualsNoCase(held.name, name);
         }) > 0;
}

bool RegistryStore::DeleteKey(std::string_view root, std::string_view subKey) {
  const std::optional<std::string> path = RegistryKeyPath(root, subKey);
  if (!path || path->find('\\') == std::string::npos) return false;
  return std::erase_if(mKeys, [&path](const Key& key) { return IsAtOrBelow(*path, key.path); }) > 0;
}

std::string RegistryStore::ToText() const {
  std::string text(kSignature);
  text += '\n';
  for (const Key& key : mKeys) {
    text += '[' + key.path + "]\n";
    for (const NamedValue& held : key.values) {
      if (held.name.empty()) {
        text += '@';
      } else {
        AppendQuoted(text, held.name);
      }
      text += '=';
      if (held.value.type == RegistryType::kNumber) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(held.value.number));
        text += "dword:";
        text += digits;
      } else {
        AppendQuoted(text, held.value.text);
      }
      text += '\n';
    }
  }
  return text;
}

RegistryReading ParseRegistry(std::string_view text) {
  return RegistryParser::Parse(text);
}

RegistryReading ReadRegistryFile(const std::string& path) {
  ReadableFile file;
  const auto unreadable = [](const ReadFailure& failure) {
    RegistryReading reading;
    reading.damagedLine = 1;
    reading.fault = WithReadFailure("cannot be read", failure);
    return reading;
  };
  if (!file.Open(path)) {
    // No file is an empty registry; anything else in its place is damage.
    if (file.Failure().Missing()) return {};
    return unreadable(file.Failure());
  }
  std::string text(
      static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kMaxRegistryFileBytes + 1)),
      '\0');
  int error = 0;
  text.resize(ReadFully(file.Descriptor(), text.data(), text.size(), error));
  if (error != 0) return unreadable(ReadFailure::FromError(error));
  if (text.size() <= kMaxRegistryFileBytes) return ParseRegistry(text);
  // Whatever lies past the bound is damage: read the whole lines before it.
  text.resize(text.rfind('\n', kMaxRegistryFileBytes - 1) + 1);
  RegistryReading reading = ParseRegistry(text);
  if (reading.damagedLine == 0) {
    reading.damagedLine = std::count(text.begin(), text.end(), '\n') + 1;
    reading.fault = "file longer than " + std::to_string(kMaxRegistryFileBytes) + " bytes";
  }
  return reading;
}

bool UpdateRegistryFile(const std::string& path, const std::function<bool(RegistryStore&)>& change,
                        std::string* error) {
  const std::string folder = ParentFolder(path);
  if (!folder.empty()) {
    std::error_code made;
    std::filesystem::create_directories(folder, made);
  }
  const FileLock lock(path);
  if (!lock.Held()) {
    if (error != nullptr) *error = ErrnoText("cannot lock", path + ".lock");
    return false;
  }
  RegistryReading reading = ReadRegistryFile(path);
  if (!change(reading.store)) return true;
  if (reading.damagedLine != 0) {
    // What could not be read would be lost with the rewrite; keep it for a person to look at.
    std::error_code copied;
    std::filesystem::copy_file(path, path + ".damaged",
                               std::filesystem::copy_options::overwrite_existing, copied);
  }
  return ReplaceFile(path, reading.store.ToText(), error);
}

}  // namespace platform

#include "installer/framework/registry_values.hpp"

#include <cstdint>

#include "platform/registry.hpp"

namespace quellbrook {
namespace {

// A byte buffer's view of a number value: its four bytes, low first, up to the first NUL.
std::string NumberBytes(std::uint32_t number) {
  std::string text;
  for (int shift = 0; shift < 32; shift += 8) {
    const char byte = static_cast<char>((number >> shift) & 0xFFu);
    if (byte == '\0') break;
    text += byte;
  }
  return text;
}

}  // namespace

RegistryRead ReadRegistryText(std::string_view root, std::string_view subKey, const char* valueName,
                              std::string& out) {
  const platform::RegistryReading reading =
      platform::ReadRegistryFile(platform::RegistryFilePath());
  if (!reading.store.KeyExists(root, subKey)) return RegistryRead::kNoKey;
  out.clear();
  const std::optional<platform::RegistryValue> value =
      reading.store.Value(root, subKey, valueName == nullptr ? "" : valueName);
  if (!value) return RegistryRead::kUnreadable;
  std::string text;
  if (value->type == platform::RegistryType::kNumber) {
    text = NumberBytes(value->number);
  } else {
    // The whole text and its terminator must fit the buffer, or the read fails.
    if (value->text.size() > kMaxRegistryValueLength) return RegistryRead::kUnreadable;
    text = value->text.substr(0, value->text.find('\0'));
  }
  out = std::move(text);
  return RegistryRead::kRead;
}

bool ReadRegistryValue(std::string_view root, std::string_view subKey, const char* valueName,
                       std::string& out) {
  return ReadRegistryText(root, subKey, valueName, out) == RegistryRead::kRead;
}

bool RegistryKeyExists(std::string_view root, std::string_view subKey) {
  return platform::ReadRegistryFile(platform::RegistryFilePath()).store.KeyExists(root, subKey);
}

}  // namespace quellbrook

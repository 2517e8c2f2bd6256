// An array type's "Registry.ini": the registry keys and values its software needs, in
// section [Keys].
#pragma once

#include <string>
#include <vector>

namespace libgen {

inline constexpr const char* kRegistryIniName = "Registry.ini";

// An empty text writes no key of that name.
struct RegistryEntrySpec {
  std::string root;
  std::string key;
  std::string name;
  std::string type;
  std::string value;
};

// Count (none when count is negative), then RootKeyN, KeyN, NameN, TypeN and ValueN of
// each entry from 1. CRLF lines.
std::string RegistryIniText(int count, const std::vector<RegistryEntrySpec>& entries);

}  // namespace libgen

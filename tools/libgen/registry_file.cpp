#include "tools/libgen/registry_file.hpp"

#include "tools/libgen/library_folder.hpp"

namespace libgen {

std::string RegistryIniText(int count, const std::vector<RegistryEntrySpec>& entries) {
  IniSection section{"Keys", {}};
  if (count >= 0) section.keys.emplace_back("Count", std::to_string(count));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    const RegistryEntrySpec& entry = entries[i];
    for (const auto& [key, value] : {std::pair{"RootKey", &entry.root},
                                     {"Key", &entry.key},
                                     {"Name", &entry.name},
                                     {"Type", &entry.type},
                                     {"Value", &entry.value}})
      if (!value->empty()) section.keys.emplace_back(key + n, *value);
  }
  return IniText({section});
}

}  // namespace libgen

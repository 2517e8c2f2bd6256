// Creates the registry keys and values that array types list in their "Registry.ini".
// No database work: only the progress window and log of the other steps.
#pragma once

#include <string>
#include <vector>

#include "installer/steps/install_step.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

inline constexpr const char* kRegistryIniName = "Registry.ini";
inline constexpr int kRegistryString = 1;  // REG_SZ
inline constexpr int kRegistryNumber = 4;  // REG_DWORD
// Each value of an entry is read into a buffer of this size.
inline constexpr std::size_t kRegistryEntryValueSize = 2048;

struct RegistryEntry {
  std::string root;  // one of the three root keys, upper case
  std::string keyPath;
  std::string valueName;  // empty: the key's default value
  int type = kRegistryString;
  std::string value;
};

class RegistryKeyStep : public InstallStep {
 public:
  // 0, or 1011 when any entry was refused or any key or value could not be written; the
  // other entries and types are still processed.
  int RunRegistryKeyStep();
  // Appends the file's valid entries; false when any was refused (each logged in red) or
  // the file could list more than kMaxIniEntries, which refuses it whole.
  bool ReadRegistryEntries(const std::string& iniPath, std::vector<RegistryEntry>& entries);
  // The same over the file's text already read; iniPath names it in the messages.
  bool ReadRegistryEntries(const platform::ProfileText& ini, const std::string& iniPath,
                           std::vector<RegistryEntry>& entries);
  // Writes the entries through the platform registry; false when any key or value could
  // not be written (each logged in red). A text value merges with a text already there.
  bool WriteRegistryEntries(const std::vector<RegistryEntry>& entries);

  std::string errorText;
  // Parallel: each type and its folder below the source folder.
  std::vector<std::string> types;
  std::vector<std::string> typeFolders;
};

// The existing comma-separated list, then each new piece it lacks (compared without
// regard to case), joined by ','.
std::string MergeRegistryList(const std::string& existing, const std::string& added);

}  // namespace quellbrook

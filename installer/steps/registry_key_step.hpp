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

// Trees a library may not write into: the array maker's products keep the installer's own
// configuration there (database login, tools folders, machine role), and the system's keep
// what the installer and the operating system trust (the SQL tools' path, services). File
// types under HKEY_CLASSES_ROOT stay the library's to register.
struct ProtectedRegistryTree {
  const char* root;
  const char* keyPath;
};
inline constexpr ProtectedRegistryTree kProtectedRegistryTrees[] = {
    {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Kandorvale"},
    {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft"},
    {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Policies"},
    {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Wow6432Node"},
    {"HKEY_LOCAL_MACHINE", "SYSTEM"},
    {"HKEY_LOCAL_MACHINE", "SECURITY"},
    {"HKEY_LOCAL_MACHINE", "SAM"},
    {"HKEY_LOCAL_MACHINE", "HARDWARE"},
    {"HKEY_CURRENT_USER", "Software\\Kandorvale"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft"},
    {"HKEY_CURRENT_USER", "Software\\Policies"},
    {"HKEY_CURRENT_USER", "Environment"},
};

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

// True when the key is one of the protected trees or lies below one, however its path is
// spelled (any case, doubled or outer '\\'). A path the registry would not take is not
// protected here; writing it fails on its own.
bool IsProtectedRegistryKey(const std::string& root, const std::string& keyPath);

// The existing comma-separated list, then each new piece it lacks (compared without
// regard to case), joined by ','.
std::string MergeRegistryList(const std::string& existing, const std::string& added);

}  // namespace quellbrook

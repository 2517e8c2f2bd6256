#include "installer/steps/registry_key_step.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/text_functions.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"
#include "platform/registry.hpp"
#include "platform/system_error.hpp"

namespace quellbrook {

namespace {

constexpr const char* kSection = "Keys";
constexpr const char* kRefused = "Cannot insert registry key. ";

std::string ReadEntry(const platform::ProfileText& ini, const std::string& key) {
  return TrimText(ini.String(kSection, key, "", kRegistryEntryValueSize));
}

bool KnownRoot(const std::string& root) {
  return root == platform::kHkeyLocalMachine || root == platform::kHkeyCurrentUser ||
         root == platform::kHkeyClassesRoot;
}

}  // namespace

bool IsProtectedRegistryKey(const std::string& root, const std::string& keyPath) {
  const std::optional<std::string> path = platform::RegistryKeyPath(root, keyPath);
  if (!path) return false;
  for (const ProtectedRegistryTree& tree : kProtectedRegistryTrees) {
    const std::optional<std::string> treePath = platform::RegistryKeyPath(tree.root, tree.keyPath);
    if (!treePath || path->size() < treePath->size()) continue;
    if (!platform::EqualsNoCase(std::string_view(*path).substr(0, treePath->size()), *treePath))
      continue;
    if (path->size() == treePath->size() || (*path)[treePath->size()] == '\\') return true;
  }
  return false;
}

std::string MergeRegistryList(const std::string& existing, const std::string& added) {
  std::vector<std::string> pieces;
  std::vector<std::string> newPieces;
  SplitList(existing, pieces, ',', 0);
  SplitList(added, newPieces, ',', 0);
  for (const std::string& piece : newPieces) {
    bool present = false;
    for (const std::string& old : pieces) present = present || platform::EqualsNoCase(old, piece);
    if (!present) pieces.push_back(piece);
  }
  std::string merged;
  for (const std::string& piece : pieces) merged += (merged.empty() ? "" : ",") + piece;
  while (!merged.empty() && merged.back() == ',') merged.pop_back();
  return merged;
}

bool RegistryKeyStep::ReadRegistryEntries(const std::string& iniPath,
                                          std::vector<RegistryEntry>& entries) {
  return ReadRegistryEntries(platform::ProfileText::Read(iniPath), iniPath, entries);
}

bool RegistryKeyStep::ReadRegistryEntries(const platform::ProfileText& ini,
                                          const std::string& iniPath,
                                          std::vector<RegistryEntry>& entries) {
  bool all = true;
  auto refuse = [&](const std::string& why) {
    WriteLogLine(logPath, kRefused + why, kLogError);
    all = false;
  };
  const int count = ini.Count(kSection, "Count", -1);
  if (count > kMaxIniEntries) {
    refuse(TooManyIniEntries("registry keys", iniPath));
    return all;
  }
  for (int i = 1; i <= count; ++i) {
    const std::string rootKey = FormatText("RootKey%d", i);
    RegistryEntry entry;
    entry.root = UpperText(ReadEntry(ini, rootKey));
    if (entry.root.empty()) break;
    if (!KnownRoot(entry.root)) {
      refuse(FormatText("Unknown root key %s for %s in %s.", entry.root.c_str(), rootKey.c_str(),
                        iniPath.c_str()));
      continue;
    }
    const std::string keyKey = FormatText("Key%d", i);
    entry.keyPath = ReadEntry(ini, keyKey);
    if (entry.keyPath.empty()) {
      refuse(FormatText("%s should not be empty in %s", keyKey.c_str(), iniPath.c_str()));
      continue;
    }
    if (IsProtectedRegistryKey(entry.root, entry.keyPath)) {
      refuse(FormatText("%s %s\\%s in %s is a key of the installer or the system.", keyKey.c_str(),
                        entry.root.c_str(), entry.keyPath.c_str(), iniPath.c_str()));
      continue;
    }
    entry.valueName = ReadEntry(ini, FormatText("Name%d", i));
    if (!entry.valueName.empty()) {
      const std::string typeKey = FormatText("Type%d", i);
      const std::string type = ReadEntry(ini, typeKey);
      // A named value without a type is refused rather than given another entry's type.
      if (type.empty()) {
        refuse(FormatText("%s should not be empty in %s", typeKey.c_str(), iniPath.c_str()));
        continue;
      }
      if (platform::EqualsNoCase(type, "REG_SZ")) {
        entry.type = kRegistryString;
      } else if (platform::EqualsNoCase(type, "REG_DWORD")) {
        entry.type = kRegistryNumber;
      } else {
        refuse(FormatText("Unknown data type %s for %s in %s", type.c_str(), typeKey.c_str(),
                          iniPath.c_str()));
        continue;
      }
    }
    entry.value = ReadEntry(ini, FormatText("Value%d", i));
    entries.push_back(std::move(entry));
  }
  return all;
}

bool RegistryKeyStep::WriteRegistryEntries(const std::vector<RegistryEntry>& entries) {
  bool all = true;
  const std::string file = platform::RegistryFilePath();
  for (const RegistryEntry& entry : entries) {
    bool created = false;
    bool set = false;
    const bool saved = platform::UpdateRegistryFile(file, [&](platform::RegistryStore& store) {
      created = store.CreateKey(entry.root, entry.keyPath);
      if (!created) return false;
      if (entry.type == kRegistryNumber) {
        set = store.SetNumber(entry.root, entry.keyPath, entry.valueName,
                              static_cast<std::uint32_t>(std::atoi(entry.value.c_str())));
      } else {
        std::string text = entry.value;
        if (!text.empty()) {
          std::string existing =
              store.String(entry.root, entry.keyPath, entry.valueName).value_or("");
          if (existing.size() >= kRegistryEntryValueSize)
            existing.resize(kRegistryEntryValueSize - 1);
          existing = TrimText(existing);
          if (!existing.empty()) text = MergeRegistryList(existing, text);
        }
        set = store.SetString(entry.root, entry.keyPath, entry.valueName, text);
      }
      return true;
    });
    const int reason = saved ? 0 : errno;
    if (!saved || !created) {
      // A registry file that could not be written is named, with the system's reason.
      WriteLogLine(
          logPath,
          kRefused +
              FormatText("Registry key %s cannot be created in %s.", entry.keyPath.c_str(),
                         entry.root.c_str()) +
              (saved ? "" : platform::WithSystemReason(" Writing " + file + " failed", reason)),
          kLogError);
      all = false;
    } else if (!set) {
      WriteLogLine(
          logPath,
          kRefused + FormatText("Registry key value %s cannot be set for %s in %s.",
                                entry.value.c_str(), entry.valueName.c_str(), entry.root.c_str()),
          kLogError);
      all = false;
    }
  }
  return all;
}

int RegistryKeyStep::RunRegistryKeyStep() {
  if (types.empty() || types.size() != typeFolders.size()) return kResultSuccess;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string path =
        platform::JoinPath(platform::JoinPath(sourceFolder, typeFolders[i]), kRegistryIniName);
    if (platform::FileExists(path)) files.push_back(path);
  }
  if (files.empty()) return kResultSuccess;
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  window.SetRange(0, 2 * static_cast<int>(files.size()) + 1, 1);
  window.SetStep(1);
  window.SetText("%s", "Install Registry Keys...");
  window.Show();
  WriteLogLine(logPath, "Start Installing Registry Keys...", kLogInfo);
  window.StepIt();
  int result = kResultSuccess;
  for (const std::string& file : files) {
    std::vector<RegistryEntry> entries;
    const bool read = ReadRegistryEntries(file, entries);
    window.StepIt();
    const bool written = WriteRegistryEntries(entries);
    window.StepIt();
    if (!read || !written) result = kRegistryKeyErrors;
  }
  return result;
}

}  // namespace quellbrook

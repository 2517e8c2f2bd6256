// Test support: what a folder holds, by name, so that a test sees what a write left
// beside its file.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace platform::testing {

// The names of the folder's entries, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform::testing

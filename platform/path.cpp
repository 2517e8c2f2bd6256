// Path handling that accepts both separators and folds ASCII case the way the program's
// file names were compared on its original system.
#include "platform/path.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t LastSeparator(std::string_view path) {
  return path.find_last_of("/\\");
}

// An empty folder means the current one, as it does for a bare file name.
fs::path FolderPath(std::string_view folder) {
  return folder.empty() ? fs::path(".") : fs::path(std::string(folder));
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string joined(folder);
  const bool folderEnds = IsSeparator(joined.back());
  const bool nameStarts = !name.empty() && IsSeparator(name.front());
  if (folderEnds && nameStarts) name.remove_prefix(1);
  if (!folderEnds && !nameStarts) joined += '/';
  joined += name;
  return joined;
}

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string FileName(std::string_view path) {
  const std::size_t separator = LastSeparator(path);
  if (separator == std::string_view::npos) return std::string(path);
  return std::string(path.substr(separator + 1));
}

std::string ParentFolder(std::string_view path) {
  const std::size_t separator = LastSeparator(path);
  if (separator == std::string_view::npos) return {};
  return std::string(path.substr(0, separator));
}

std::string Extension(std::string_view path) {
  const std::size_t separator = LastSeparator(path);
  const std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart) return {};
  return std::string(path.substr(dot));
}

std::string ReplaceExtension(std::string_view path, std::string_view newExtension) {
  const std::size_t extensionLength = Extension(path).size();
  std::string replaced(path.substr(0, path.size() - extensionLength));
  replaced += newExtension;
  return replaced;
}

bool IsAbsolutePath(std::string_view path) {
  if (path.empty()) return false;
  if (IsSeparator(path[0])) return true;
  const char first = FoldAscii(path[0]);
  return path.size() >= 2 && first >= 'a' && first <= 'z' && path[1] == ':';
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto ca = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto cb = static_cast<unsigned char>(FoldAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::optional<std::string> FindFileNoCase(std::string_view folder, std::string_view name) {
  if (name.empty()) return std::nullopt;
  std::error_code error;
  const std::string exact = JoinPath(folder, name);
  if (fs::exists(fs::symlink_status(exact, error))) return exact;

  std::optional<std::string> found;
  fs::directory_iterator it(FolderPath(folder), error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string entryName = it->path().filename().string();
    if (!EqualsNoCase(entryName, name)) continue;
    // Several entries may differ only in case; take the first by byte order so the
    // answer does not depend on the order the folder lists them in.
    if (!found || entryName < *found) found = entryName;
  }
  if (!found) return std::nullopt;
  return JoinPath(folder, *found);
}

std::vector<std::string> ListFolderSorted(std::string_view folder) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(FolderPath(folder), error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    names.push_back(it->path().filename().string());
  }
  if (error) return {};
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int order = CompareNoCase(a, b);
    return order != 0 ? order < 0 : a < b;
  });
  return names;
}

bool FileExists(std::string_view path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::is_regular_file(fs::path(std::string(path)), error);
}

bool FolderExists(std::string_view path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::is_directory(fs::path(std::string(path)), error);
}

}  // namespace platform

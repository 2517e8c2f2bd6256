#include "platform/replacement_names.hpp"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <fstream>

#include "platform/path.hpp"

namespace platform {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A process's command name; empty when it cannot be read.
std::string CommandName(const std::string& pid) {
  std::ifstream file("/proc/" + pid + "/comm");
  std::string name;
  std::getline(file, name);
  return name;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::string folder = ParentFolder(path);
  if (!folder.empty()) return folder;
  return !path.empty() && (path[0] == '/' || path[0] == '\\') ? "/" : ".";
}

std::string ReplacementName(const std::string& path, std::string_view kind) {
  static std::atomic<unsigned> counter{0};
  const std::string name = "." + FileName(path) + "." + std::string(kind) +
                           std::to_string(getpid()) + "-" + std::to_string(counter++);
  const std::string folder = ParentFolder(path);
  // A path with its only separator at the front keeps the file in the root folder.
  if (folder.empty() && !path.empty() && (path[0] == '/' || path[0] == '\\')) return "/" + name;
  return JoinPath(folder, name);
}

std::optional<ReplacementEntry> ParseReplacementName(std::string_view entry) {
  // The kind and numbers hold no dot, so the last dot starts them.
  const std::size_t dot = entry.rfind('.');
  if (entry.size() < 2 || entry[0] != '.' || dot == std::string_view::npos || dot < 2)
    return std::nullopt;
  std::string_view suffix = entry.substr(dot + 1);
  static constexpr std::array kKinds = {kNewFileKind, kOldFileKind, kGroupListKind};
  const auto kind = std::find_if(kKinds.begin(), kKinds.end(),
                                 [&](std::string_view k) { return suffix.starts_with(k); });
  if (kind == kKinds.end()) return std::nullopt;
  suffix.remove_prefix(kind->size());
  const std::size_t dash = suffix.find('-');
  if (dash == std::string_view::npos || !AllDigits(suffix.substr(0, dash)) ||
      !AllDigits(suffix.substr(dash + 1)))
    return std::nullopt;
  long long pid = 0;
  const auto [end, error] = std::from_chars(suffix.data(), suffix.data() + dash, pid);
  if (error != std::errc() || pid <= 0 || pid > INT_MAX) return std::nullopt;
  return ReplacementEntry{std::string(entry.substr(1, dot - 1)), *kind, static_cast<pid_t>(pid)};
}

bool WriterGone(pid_t pid) {
  if (pid == getpid()) return false;
  if (kill(pid, 0) != 0 && errno == ESRCH) return true;
  const std::string other = CommandName(std::to_string(pid));
  const std::string self = CommandName("self");
  return !other.empty() && !self.empty() && other != self;
}

}  // namespace platform

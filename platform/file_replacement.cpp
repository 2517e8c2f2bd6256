// The file beside the target gets a name no other writer picks, is made exclusively and is
// renamed over the target at the end. Files of that naming that killed writers left are
// removed when the next replacement of the same target starts.
#include "platform/file_replacement.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <fstream>
#include <string_view>

#include "platform/path.hpp"

namespace platform {
namespace {

// A name beside the target that no other writer, in this process or another, picks.
std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = ParentFolder(path);
  const std::string name =
      "." + FileName(path) + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  // A path with its only separator at the front keeps the file in the root folder.
  if (folder.empty() && !path.empty() && (path[0] == '/' || path[0] == '\\')) return "/" + name;
  return JoinPath(folder, name);
}

// The process number in the name of one of our temporary files for the file named
// `name`, ".<name>.tmp<pid>-<n>"; 0 for any other name.
pid_t TemporaryOwner(std::string_view entry, std::string_view name) {
  const std::string prefix = "." + std::string(name) + ".tmp";
  if (!entry.starts_with(prefix)) return 0;
  entry.remove_prefix(prefix.size());
  const std::size_t dash = entry.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash + 1 == entry.size()) return 0;
  const auto digits = [](std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(entry.substr(0, dash)) || !digits(entry.substr(dash + 1))) return 0;
  long long pid = 0;
  const auto [end, error] = std::from_chars(entry.data(), entry.data() + dash, pid);
  if (error != std::errc() || pid <= 0 || pid > INT_MAX) return 0;
  return static_cast<pid_t>(pid);
}

// A process's command name; empty when it cannot be read.
std::string CommandName(const std::string& pid) {
  std::ifstream file("/proc/" + pid + "/comm");
  std::string name;
  std::getline(file, name);
  return name;
}

// Whether a temporary file made by process `pid` can no longer be in use: that process has
// ended, or its number now belongs to another program. The files of this process, and of
// any live process that runs our program or cannot be told, are kept.
bool WriterGone(pid_t pid) {
  if (pid == getpid()) return false;
  if (kill(pid, 0) != 0 && errno == ESRCH) return true;
  const std::string other = CommandName(std::to_string(pid));
  const std::string self = CommandName("self");
  return !other.empty() && !self.empty() && other != self;
}

// Temporary files for path left by writers that were killed: nothing else removes them.
void RemoveStaleTemporaries(const std::string& path) {
  const std::string name = FileName(path);
  std::string folder = ParentFolder(path);
  if (folder.empty()) folder = !path.empty() && (path[0] == '/' || path[0] == '\\') ? "/" : ".";
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    const pid_t owner = TemporaryOwner(entry->d_name, name);
    if (owner != 0 && WriterGone(owner)) unlink(JoinPath(folder, entry->d_name).c_str());
  }
  closedir(listing);
}

}  // namespace

FileReplacement::~FileReplacement() {
  Drop();
}

bool FileReplacement::Open(const std::string& path) {
  if (path.empty() || mDescriptor >= 0) return false;
  // A folder in the file's place can never be replaced by it: say so now rather than
  // after the whole file has been written.
  if (struct stat target{}; stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
    return Fail(EISDIR);
  RemoveStaleTemporaries(path);
  // O_EXCL: a stale file of the same name is never written through, whatever it is.
  for (int attempt = 0; attempt < 100 && mDescriptor < 0; ++attempt) {
    mTemporary = TemporaryName(path);
    mDescriptor = open(mTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mDescriptor < 0 && errno != EEXIST) return Fail(errno);
  }
  if (mDescriptor < 0) return Fail(EEXIST);
  mPath = path;
  // A replaced file keeps its permissions, as it would had it been rewritten in place.
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    (void)fchmod(mDescriptor, existing.st_mode & 07777);
  return true;
}

bool FileReplacement::Write(std::span<const std::uint8_t> bytes) {
  std::size_t written = 0;
  while (written < bytes.size() && mDescriptor >= 0) {
    const ssize_t count = write(mDescriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0)
      return Fail(count < 0 ? errno : ENOSPC);
    else
      written += static_cast<std::size_t>(count);
  }
  return mDescriptor >= 0;
}

bool FileReplacement::Commit() {
  if (mDescriptor < 0) return false;
  const bool closed = close(mDescriptor) == 0;
  const int closeError = errno;
  mDescriptor = -1;
  if (!closed || std::rename(mTemporary.c_str(), mPath.c_str()) != 0) {
    const int error = closed ? errno : closeError;
    unlink(mTemporary.c_str());
    if (mError == 0) mError = error;
    return false;
  }
  mTemporary.clear();
  return true;
}

bool FileReplacement::Fail(int error) {
  if (mError == 0) mError = error;
  Drop();
  return false;
}

void FileReplacement::Drop() {
  if (mDescriptor < 0) return;
  close(mDescriptor);
  mDescriptor = -1;
  unlink(mTemporary.c_str());
  mTemporary.clear();
}

}  // namespace platform

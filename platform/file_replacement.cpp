// The file beside the target gets a name no other writer picks, is made exclusively and is
// renamed over the target at the end.
#include "platform/file_replacement.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

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

}  // namespace

FileReplacement::~FileReplacement() {
  Drop();
}

bool FileReplacement::Open(const std::string& path) {
  if (path.empty() || mDescriptor >= 0) return false;
  // O_EXCL: a stale file of the same name is never written through, whatever it is.
  for (int attempt = 0; attempt < 100 && mDescriptor < 0; ++attempt) {
    mTemporary = TemporaryName(path);
    mDescriptor = open(mTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mDescriptor < 0 && errno != EEXIST) return false;
  }
  if (mDescriptor < 0) return false;
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
      Drop();
    else
      written += static_cast<std::size_t>(count);
  }
  return mDescriptor >= 0;
}

bool FileReplacement::Commit() {
  if (mDescriptor < 0) return false;
  const bool closed = close(mDescriptor) == 0;
  mDescriptor = -1;
  if (!closed || std::rename(mTemporary.c_str(), mPath.c_str()) != 0) {
    unlink(mTemporary.c_str());
    return false;
  }
  mTemporary.clear();
  return true;
}

void FileReplacement::Drop() {
  if (mDescriptor < 0) return;
  close(mDescriptor);
  mDescriptor = -1;
  unlink(mTemporary.c_str());
  mTemporary.clear();
}

}  // namespace platform

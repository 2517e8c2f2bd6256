// Opening without blocking, then checking the descriptor rather than the path, so that
// what is checked is what is read.
#include "platform/readable_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/commit_behind.hpp"
#include "platform/system_error.hpp"

namespace platform {
namespace {

const char* KindOf(unsigned mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "something else";
}

void CloseDescriptor(int descriptor) {
  if (descriptor >= 0) ::close(descriptor);
}

}  // namespace

ReadFailure ReadFailure::FromError(int error) {
  ReadFailure failure;
  failure.mError = error;
  return failure;
}

ReadFailure ReadFailure::NotRegular(unsigned mode) {
  ReadFailure failure;
  failure.mKind = KindOf(mode);
  return failure;
}

bool ReadFailure::Missing() const {
  return mError == ENOENT || mError == ENOTDIR;
}

std::string ReadFailure::Reason() const {
  if (mKind != nullptr) return std::string(mKind) + ", not a regular file";
  if (mError != 0) return SystemErrorText(mError);
  return {};
}

std::string WithReadFailure(std::string_view message, const ReadFailure& failure) {
  std::string text(message);
  if (!failure.Failed()) return text;
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == '\n') --end;
  text.insert(end, " (" + failure.Reason() + ")");
  return text;
}

ReadableFile::~ReadableFile() {
  Close();
}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept
    : mDescriptor(std::exchange(other.mDescriptor, -1)),
      mSize(other.mSize),
      mFailure(other.mFailure) {}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept {
  if (this != &other) {
    Close();
    mDescriptor = std::exchange(other.mDescriptor, -1);
    mSize = other.mSize;
    mFailure = other.mFailure;
  }
  return *this;
}

bool ReadableFile::Open(const std::string& path) {
  Close();
  mFailure = {};
  // A file still on its way to its place (platform/commit_behind.hpp) is read once there.
  WaitForPendingCommit(path);
  // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come.
  int descriptor = -1;
  do {
    descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) {
    const int error = errno;
    // A socket cannot be opened at all; say what it is rather than the system's
    // "No such device or address".
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      mFailure = ReadFailure::NotRegular(info.st_mode);
    } else {
      mFailure = ReadFailure::FromError(error);
    }
    return false;
  }
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) {
    mFailure = ReadFailure::FromError(errno);
    CloseDescriptor(descriptor);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    mFailure = ReadFailure::NotRegular(info.st_mode);
    CloseDescriptor(descriptor);
    return false;
  }
  // A regular file is read in blocking mode, as any other read.
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    mFailure = ReadFailure::FromError(errno);
    CloseDescriptor(descriptor);
    return false;
  }
  mDescriptor = descriptor;
  mSize = static_cast<std::uint64_t>(info.st_size);
  return true;
}

void ReadableFile::Close() {
  CloseDescriptor(std::exchange(mDescriptor, -1));
  mSize = 0;
}

int ReadableFile::Release() {
  mSize = 0;
  return std::exchange(mDescriptor, -1);
}

bool CanReadFile(const std::string& path) {
  ReadableFile file;
  return file.Open(path);
}

std::size_t ReadFully(int descriptor, void* out, std::size_t count, int& error) {
  auto* bytes = static_cast<unsigned char*>(out);
  std::size_t moved = 0;
  while (moved < count) {
    const ssize_t got = ::read(descriptor, bytes + moved, count - moved);
    if (got > 0) {
      moved += static_cast<std::size_t>(got);
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
      break;
    }
  }
  return moved;
}

}  // namespace platform

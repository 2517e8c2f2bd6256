// The file beside the target gets a name no other writer picks, is made exclusively, is
// flushed to the disk and renamed over the target at the end, and the folder is flushed
// after the rename, as databases do: a power cut at any point leaves the old file or the
// new one, never an empty one. What killed writers left is removed when the next
// replacement in the same folder starts.
#include "platform/file_replacement.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/commit_behind.hpp"
#include "platform/folder_sync_batch.hpp"
#include "platform/replacement_names.hpp"
#include "platform/system_error.hpp"
#include "platform/write_fault.hpp"

namespace platform {

int SyncFolder(const std::string& folder) {
  if (const int injected = InjectedWriteFault(WriteStep::kFolderSync, folder)) return injected;
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return errno;
  int error = fsync(descriptor) == 0 ? 0 : errno;
  // A file system that cannot flush a folder has nothing to flush for it.
  if (error == EINVAL) error = 0;
  close(descriptor);
  return error;
}

FileReplacement::~FileReplacement() {
  Drop();
}

bool FileReplacement::Open(const std::string& path, Durability durability) {
  if (path.empty() || mDescriptor >= 0 || !mTemporary.empty()) return false;
  mDurable = durability == Durability::kDurable;
  // A commit of the same file still on its way to its place goes first.
  WaitForPendingCommit(path);
  // A folder in the file's place can never be replaced by it, and a pipe, a socket or a
  // device must not be (the rename would take it away from whoever uses it): say so now
  // rather than after the whole file has been written.
  if (struct stat target{}; stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode))
    return Fail(S_ISDIR(target.st_mode) ? EISDIR : kNotRegularFileError);
  RemoveStaleReplacementsForThread(FolderOf(path));
  if (const int injected = InjectedWriteFault(WriteStep::kOpen, path)) return Fail(injected);
  // O_EXCL: a stale file of the same name is never written through, whatever it is.
  for (int attempt = 0; attempt < 100 && mDescriptor < 0; ++attempt) {
    mTemporary = ReplacementName(path, kNewFileKind);
    mDescriptor = open(mTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mDescriptor < 0 && errno != EEXIST) {
      mTemporary.clear();
      return Fail(errno);
    }
  }
  if (mDescriptor < 0) {
    mTemporary.clear();
    return Fail(EEXIST);
  }
  mPath = path;
  // A replaced file keeps its permissions, as it would had it been rewritten in place.
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    (void)fchmod(mDescriptor, existing.st_mode & 07777);
  return true;
}

bool FileReplacement::Write(std::span<const std::uint8_t> bytes) {
  if (mDescriptor >= 0 && !bytes.empty())
    if (const int injected = InjectedWriteFault(WriteStep::kWrite, mPath)) return Fail(injected);
  std::size_t written = 0;
  while (written < bytes.size() && mDescriptor >= 0) {
    const ssize_t count = write(mDescriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return Fail(count < 0 ? errno : ENOSPC);
    written += static_cast<std::size_t>(count);
  }
  return mDescriptor >= 0;
}

namespace {

// Flushes (when durable) and closes a new file; the system's error number, or 0.
int FlushAndClose(int descriptor, const std::string& path, bool durable) {
  int error = durable ? InjectedWriteFault(WriteStep::kSync, path) : 0;
  if (error == 0 && durable && fsync(descriptor) != 0) error = errno;
  const bool closed = close(descriptor) == 0;
  if (error == 0 && !closed) error = errno;
  return error;
}

// The file a rename replaces, held from before the rename to after it. Its blocks are then
// freed as it is let go, not inside the rename: the system frees a replaced file's blocks
// before the rename lets go of the folder, and on a file system that discards what it frees
// that waits on the disk, while every create, listing and rename in the folder waits for it.
class ReplacedFile {
 public:
  explicit ReplacedFile(const std::string& path)
      : mDescriptor(open(path.c_str(), O_PATH | O_CLOEXEC)) {}
  ~ReplacedFile() {
    if (mDescriptor >= 0) close(mDescriptor);
  }
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

 private:
  int mDescriptor;
};

}  // namespace

int CompleteCommit(HandedCommit& commit) {
  int error = FlushAndClose(std::exchange(commit.descriptor, -1), commit.path, commit.durable);
  if (error == 0) error = InjectedWriteFault(WriteStep::kRename, commit.path);
  if (error == 0) {
    const ReplacedFile replaced(commit.path);
    if (std::rename(commit.temporary.c_str(), commit.path.c_str()) != 0) error = errno;
  }
  if (error != 0) {
    unlink(commit.temporary.c_str());
    return error;
  }
  // The file is in place; a folder that cannot be flushed still fails the commit, as the
  // new entry may not outlive a power cut. A thread's batch flushes it for a whole job.
  if (!commit.durable) return 0;
  if (commit.folderSyncs != nullptr) {
    commit.folderSyncs->Add(FolderOf(commit.path));
    return 0;
  }
  return SyncFolder(FolderOf(commit.path));
}

bool FileReplacement::Finish() {
  if (mDescriptor < 0) return false;
  const int error = FlushAndClose(std::exchange(mDescriptor, -1), mPath, mDurable);
  if (error != 0) return Fail(error);
  return true;
}

bool FileReplacement::Commit() {
  if (mDescriptor < 0) return false;
  HandedCommit commit{std::exchange(mDescriptor, -1), std::exchange(mTemporary, {}), mPath,
                      mDurable, ThreadFolderSyncBatch()};
  // A durable file's flush and rename may finish behind the thread that wrote it.
  if (CommitBehind* behind = ThreadCommitBehind(); mDurable && behind != nullptr) {
    behind->Hand(std::move(commit));
    return true;
  }
  if (const int error = CompleteCommit(commit)) return Fail(error);
  return true;
}

bool FileReplacement::Fail(int error) {
  if (mError == 0) mError = error;
  Drop();
  return false;
}

void FileReplacement::Drop() {
  if (mDescriptor >= 0) close(mDescriptor);
  mDescriptor = -1;
  if (!mTemporary.empty()) unlink(mTemporary.c_str());
  mTemporary.clear();
}

}  // namespace platform

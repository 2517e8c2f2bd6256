// Replacing a file whole: its new bytes are written, a piece at a time, into a file beside
// it that takes its place only once complete and on the disk, so that a reader never sees a
// file that was only partly written, a power cut leaves the old file or the new one, and a
// writer need not hold all of it in memory at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

// Whether a replacement waits for the disk: every file of the program does; files that a
// power cut may take back (generated test data, scratch copies) need not.
enum class Durability { kDurable, kScratch };

class FileReplacement {
 public:
  FileReplacement() = default;
  // Removes the file being written unless it was committed.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts the new file beside path, with the permissions of the file it replaces; false
  // when it cannot be made, or when path names a folder (which no file can replace, EISDIR)
  // or a pipe, socket or device (kNotRegularFileError). What writers
  // that have ended (or whose process number another program now has) left in the folder is
  // cleared first (RemoveStaleReplacements; on a thread that holds a FolderSyncBatch, only
  // by the batch's first replacement in the folder).
  [[nodiscard]] bool Open(const std::string& path, Durability durability = Durability::kDurable);
  // Appends bytes; false when they cannot be written (the replacement is then dropped).
  [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes);
  // Flushes the new file to the disk and puts it in the place of path, then flushes the
  // folder (or, on a thread that holds a FolderSyncBatch, leaves the folder to it); false
  // when any write failed or it cannot be put there (path is then left as it was). On a
  // thread that holds a CommitBehind, a durable file is handed to it instead and true
  // returned; its flush and rename then fail at CommitBehind::Wait.
  [[nodiscard]] bool Commit();
  // The system's error number of the first failure, for the message that reports it; 0
  // while nothing has failed.
  int Error() const { return mError; }
  const std::string& Path() const { return mPath; }

 private:
  friend bool CommitTogether(std::span<FileReplacement* const> files);
  // The new file complete and on the disk, beside its target; false (and dropped) when it
  // cannot be flushed or closed.
  bool Finish();
  // Keeps the first failure's error number and drops the replacement; always false.
  bool Fail(int error);
  void Drop();

  std::string mPath;
  std::string mTemporary;
  int mDescriptor = -1;
  int mError = 0;
  bool mDurable = true;
};

// Flushes a folder's entries to the disk, so that a file renamed into it stays there after a
// power cut; the system's error number, or 0.
int SyncFolder(const std::string& folder);

}  // namespace platform

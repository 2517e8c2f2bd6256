// Folders flushed once for a whole job: replacements committed on a thread that holds a
// batch are flushed to the disk and renamed as ever, but their folder's entry is flushed
// when the batch is, not after each file. A job that replaces many files in one folder
// (the arrays' QVF files) then waits for one flush of the folder instead of one per file;
// a power cut before it may leave any of those files as it was before the job, the old
// file or the new one, never an empty one. Likewise a folder is cleared of what ended
// writers left once for the job, by its first replacement, not listed again by each.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace platform {

class FolderSyncBatch {
 public:
  FolderSyncBatch() = default;
  FolderSyncBatch(const FolderSyncBatch&) = delete;
  FolderSyncBatch& operator=(const FolderSyncBatch&) = delete;
  // Flushes what is left, for a job that ends without asking.
  ~FolderSyncBatch();

  // Notes a folder whose entries changed; from any thread.
  void Add(const std::string& folder);
  // Flushes every folder noted since the last flush; the system's error number of the first
  // that fails, or 0. folder receives that folder's name.
  [[nodiscard]] int Flush(std::string* folder = nullptr);
  // Clears folder as RemoveStaleReplacements does, unless this batch has cleared it
  // already; from any thread.
  void RemoveStaleReplacementsOnce(const std::string& folder);

 private:
  std::mutex mMutex;
  std::vector<std::string> mFolders;
  std::mutex mClearedMutex;
  std::vector<std::string> mCleared;
};

// While it lives, replacements committed on this thread leave their folder to batch
// (nullptr: flushed after each file again).
class DeferFolderSyncs {
 public:
  explicit DeferFolderSyncs(FolderSyncBatch* batch);
  ~DeferFolderSyncs();
  DeferFolderSyncs(const DeferFolderSyncs&) = delete;
  DeferFolderSyncs& operator=(const DeferFolderSyncs&) = delete;

 private:
  FolderSyncBatch* mPrevious;
};

// The batch of the calling thread, or nullptr.
FolderSyncBatch* ThreadFolderSyncBatch();

// Clears folder of what ended writers left: once for the job on a thread that holds a
// batch, every time elsewhere.
void RemoveStaleReplacementsForThread(const std::string& folder);

}  // namespace platform

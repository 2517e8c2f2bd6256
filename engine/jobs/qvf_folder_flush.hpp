// The group jobs that write every array's QVF file flush the files' folders once at their
// end, not after each file (platform/folder_sync_batch.hpp); on one thread each file's
// flush and rename also finish behind the next array's work (platform/commit_behind.hpp).
#pragma once

#include <optional>

#include "platform/commit_behind.hpp"
#include "platform/folder_sync_batch.hpp"

// Our own: printf form with the folder's name, then the system's reason.
inline constexpr const char* kQvfFolderFlushFailedMessage =
    "  Flushing folder '%s' to the disk failed";

// Flushes the folders of the QVF files written under batch; false with a red line naming
// the folder and the system's reason when one cannot be flushed.
[[nodiscard]] bool FlushQvfFolders(platform::FolderSyncBatch& batch);

// The QVF writes of one job on the calling thread, from its start to Finish. When it ends
// without Finish (a job that stopped part way) the pending files are still waited for and
// their folders flushed.
class QvfWrites {
 public:
  // commitBehind: the job writes its files on this thread alone, whose flushes and
  // renames may then run behind it.
  explicit QvfWrites(bool commitBehind);
  QvfWrites(const QvfWrites&) = delete;
  QvfWrites& operator=(const QvfWrites&) = delete;

  // Waits for every file still on its way, then flushes their folders; false with the red
  // line of the first file that could not be flushed or put in place ("Writing file ...
  // failed" with the system's reason), or of a folder.
  [[nodiscard]] bool Finish();

 private:
  platform::FolderSyncBatch mFolderSyncs;
  platform::DeferFolderSyncs mDefer{&mFolderSyncs};
  std::optional<platform::CommitBehind> mBehind;
};

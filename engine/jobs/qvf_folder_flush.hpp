// The group jobs that write every array's QVF file flush the files' folders once at their
// end, not after each file (platform/folder_sync_batch.hpp); each file's flush and rename
// finish behind the next arrays' work (platform/commit_behind.hpp), on as many threads as
// the job computes on.
#pragma once

#include "platform/commit_behind.hpp"
#include "platform/folder_sync_batch.hpp"

// Our own: printf form with the folder's name, then the system's reason.
inline constexpr const char* kQvfFolderFlushFailedMessage =
    "  Flushing folder '%s' to the disk failed";

// Flushes the folders of the QVF files written under batch; false with a red line naming
// the folder and the system's reason when one cannot be flushed.
[[nodiscard]] bool FlushQvfFolders(platform::FolderSyncBatch& batch);

// The QVF writes of one job on the calling thread, from its start to Finish, and on the
// helper threads that share its CommitBehind (platform::ShareCommitBehind with the calling
// thread's platform::ThreadCommitBehind()). When it ends without Finish (a job that
// stopped part way) the pending files are still waited for and their folders flushed.
class QvfWrites {
 public:
  // One flusher per thread the job may compute on: their flushes mostly wait on the disk.
  QvfWrites();
  QvfWrites(const QvfWrites&) = delete;
  QvfWrites& operator=(const QvfWrites&) = delete;

  // Waits for every file still on its way, then flushes their folders; false with the red
  // line of the first file that could not be flushed or put in place ("Writing file ...
  // failed" with the system's reason), or of a folder.
  [[nodiscard]] bool Finish();

 private:
  platform::FolderSyncBatch mFolderSyncs;
  platform::DeferFolderSyncs mDefer{&mFolderSyncs};
  platform::CommitBehind mBehind;
};

// The batch keeps each folder once, in the order first noted, so that a group of a
// thousand arrays costs one flush per folder however many threads wrote into it, and one
// listing of it for what ended writers left.
#include "platform/folder_sync_batch.hpp"

#include <algorithm>

#include "platform/file_replacement.hpp"
#include "platform/replacement_group.hpp"

namespace platform {
namespace {

thread_local FolderSyncBatch* tBatch = nullptr;

}  // namespace

FolderSyncBatch::~FolderSyncBatch() {
  // A folder that cannot be flushed here has no one left to tell.
  static_cast<void>(Flush());
}

void FolderSyncBatch::Add(const std::string& folder) {
  const std::lock_guard lock(mMutex);
  if (std::find(mFolders.begin(), mFolders.end(), folder) == mFolders.end())
    mFolders.push_back(folder);
}

int FolderSyncBatch::Flush(std::string* folder) {
  std::vector<std::string> folders;
  {
    const std::lock_guard lock(mMutex);
    folders.swap(mFolders);
  }
  int first = 0;
  for (const std::string& noted : folders) {
    const int error = SyncFolder(noted);
    if (error == 0 || first != 0) continue;
    first = error;
    if (folder != nullptr) *folder = noted;
  }
  return first;
}

void FolderSyncBatch::RemoveStaleReplacementsOnce(const std::string& folder) {
  // Held while the folder is listed, so that no thread of the job starts a file in it
  // before what ended writers left there is gone.
  const std::lock_guard lock(mClearedMutex);
  if (std::find(mCleared.begin(), mCleared.end(), folder) != mCleared.end()) return;
  RemoveStaleReplacements(folder);
  mCleared.push_back(folder);
}

DeferFolderSyncs::DeferFolderSyncs(FolderSyncBatch* batch) : mPrevious(tBatch) {
  tBatch = batch;
}

DeferFolderSyncs::~DeferFolderSyncs() {
  tBatch = mPrevious;
}

FolderSyncBatch* ThreadFolderSyncBatch() {
  return tBatch;
}

void RemoveStaleReplacementsForThread(const std::string& folder) {
  if (tBatch != nullptr)
    tBatch->RemoveStaleReplacementsOnce(folder);
  else
    RemoveStaleReplacements(folder);
}

}  // namespace platform

// The flush that ends a job's QVF writes, and its red lines.
#include "engine/jobs/qvf_folder_flush.hpp"

#include <string>

#include "engine/array/chip_data.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/system_error.hpp"

bool FlushQvfFolders(platform::FolderSyncBatch& batch) {
  std::string folder;
  const int error = batch.Flush(&folder);
  if (error == 0) return true;
  LogMessage(platform::WithSystemReason(MessageBuffer(kQvfFolderFlushFailedMessage, folder.c_str()),
                                        error),
             0, kLogRed);
  return false;
}

QvfWrites::QvfWrites() : mBehind(platform::WorkerThreadCount()) {}

bool QvfWrites::Finish() {
  bool written = true;
  std::string path;
  if (const int error = mBehind.Wait(&path)) {
    LogMessage(
        platform::WithSystemReason(MessageBuffer(kQvfWriteFailedMessage, path.c_str()), error), 0,
        kLogRed);
    written = false;
  }
  return FlushQvfFolders(mFolderSyncs) && written;
}

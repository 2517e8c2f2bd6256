// The flush that ends a job's QVF writes, and its red line.
#include "engine/jobs/qvf_folder_flush.hpp"

#include <string>

#include "engine/services/log_channel.hpp"
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

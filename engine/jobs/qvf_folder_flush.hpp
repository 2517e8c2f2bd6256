// The group jobs that write every array's QVF file flush the files' folders once at their
// end, not after each file (platform/folder_sync_batch.hpp).
#pragma once

#include "platform/folder_sync_batch.hpp"

// Our own: printf form with the folder's name, then the system's reason.
inline constexpr const char* kQvfFolderFlushFailedMessage =
    "  Flushing folder '%s' to the disk failed";

// Flushes the folders of the QVF files written under batch; false with a red line naming
// the folder and the system's reason when one cannot be flushed.
[[nodiscard]] bool FlushQvfFolders(platform::FolderSyncBatch& batch);

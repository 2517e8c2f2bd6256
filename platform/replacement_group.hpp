// Files that belong together replaced as one: each is written whole beside its target
// first, and only when all are complete do they take their places. A list of what the
// group changes is kept beside the first file until the last is in place, and the old
// files beside their new ones, so that a failed rename puts back those already placed and
// a writer killed part way leaves what the next writer in the folder puts back.
#pragma once

#include <span>
#include <string>

#include "platform/file_replacement.hpp"

namespace platform {

// Puts every file, each opened and written, in the place of its target; false when any
// cannot be flushed or put there, and then every target is as it was before. The files'
// Error() tells the first failure. The files sit in one folder, where the group's list is.
[[nodiscard]] bool CommitTogether(std::span<FileReplacement* const> files);

// Clears from folder what writers that have ended left: the new files they did not put in
// place, the old files of groups that were put in place whole, and, where a group stopped
// part way, its old files put back. Files of live writers are kept.
void RemoveStaleReplacements(const std::string& folder);

}  // namespace platform

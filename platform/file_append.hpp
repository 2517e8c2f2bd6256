// Adding to the end of a file that grows by pieces over a run (an installation's log and
// its reports): each piece goes on in one write, checked, and the file is made when it
// does not exist yet.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace platform {

// Appends text to path; false when the file cannot be opened or the text not written
// whole, with the system's error number in errno and in *error when error is given.
[[nodiscard]] bool AppendToFile(const std::string& path, std::string_view text,
                                int* error = nullptr);

}  // namespace platform

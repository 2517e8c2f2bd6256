// A library file's modification time as the step reports show it.
#pragma once

#include <string>

namespace quellbrook {

// The local modification time as "%b %d %Y %I:%M%p" (such as "Mar 04 2026 02:15PM");
// empty when the file's status can't be read.
std::string FileDateText(const std::string& path);

}  // namespace quellbrook

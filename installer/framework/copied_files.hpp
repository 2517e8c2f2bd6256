// The files an install copied out of the library folder. The library is not trusted, so
// none of them is ever run as one of our scripts, whatever its name and wherever it landed.
// The record lasts as long as the process: a host that installs twice refuses the copies of
// both runs.
#pragma once

#include <string>

namespace quellbrook {

void NoteCopiedFile(const std::string& path);
// True when the path names a file noted above, by any spelling or link of it.
bool IsCopiedFile(const std::string& path);

}  // namespace quellbrook

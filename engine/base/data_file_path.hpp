// Where a chip description or a cell file lies, as its reader keeps it: the folder, the
// file name, and the two joined again.
#pragma once

#include <string>
#include <string_view>

// Splits path at its last separator ('/' or '\\') into directory and fileName; fullPath
// joins them again with '/', and a file of the root folder keeps its leading '/'.
void SplitDataFilePath(std::string_view path, std::string& directory, std::string& fileName,
                       std::string& fullPath);

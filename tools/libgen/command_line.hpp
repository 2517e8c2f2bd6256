// The zelko-libgen command line:
//
//   zelko-libgen skeleton|library FOLDER [--types NAME[=FOLDER],...] [--no-devices]
//                [--no-algorithms]
//
// writes a library source folder's skeleton into FOLDER: the standard library, or the
// types given (each in the folder named after '=', else one of its own name). "library"
// also writes every content file the installation steps read, with known contents.
#pragma once

#include <string>
#include <vector>

namespace libgen {

// 0 when the files were written; 2 for a bad command line and 1 for a write that failed,
// with the reason in error.
int RunCommandLine(const std::vector<std::string>& arguments, std::string& error);

}  // namespace libgen

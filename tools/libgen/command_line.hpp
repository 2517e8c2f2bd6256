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

// 0 when the files were written, or when the usage was asked for (--help or -h anywhere:
// the usage is then in message and nothing is written); 2 for a bad command line, with
// the reason and the usage in message; 1 for a write that failed, with the reason.
int RunCommandLine(const std::vector<std::string>& arguments, std::string& message);

}  // namespace libgen

// Runs an outside console program with its output going into the analysis log.
#pragma once

#include <string>
#include <vector>

// Logs "    Program file '<program>' not found" in red and returns false when program
// is not a readable file. Otherwise logs the command line (program, a blank, arguments)
// in green, runs it with its output in the log (and copied into copyFile unless that is
// empty) and returns true, whatever the program's own outcome; false with a red line
// naming the copy and the system's reason when the copy cannot be written whole.
bool RunExternalProgram(const std::string& program, const std::string& arguments,
                        const std::string& copyFile);

// The same from an argument vector (the program first), run in workingFolder (empty: the
// current folder); the log shows the words joined by blanks.
bool RunExternalProgram(const std::vector<std::string>& arguments, const std::string& workingFolder,
                        const std::string& copyFile);

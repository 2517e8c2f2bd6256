// Test support: files of the replacements' naming left by a writer that has ended, as a
// killed writer leaves them.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace platform::testing {

// A process that has ended: its number is free until the system hands it out again.
inline pid_t EndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}

// The name of a new file that writer left unfinished beside target (a file name).
inline std::string LeftNewFileName(const std::string& target, pid_t writer, int number = 0) {
  return "." + target + ".tmp" + std::to_string(writer) + "-" + std::to_string(number);
}

}  // namespace platform::testing

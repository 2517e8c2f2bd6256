// Test support: a point at which a test makes the writing of files fail, as a full disk, a
// read-only folder or a killed process would, at the exact step it names. The program never
// installs one; every step of FileReplacement and OverwritePieces asks it first.
#pragma once

#include <string>

namespace platform {

enum class WriteStep {
  kOpen,        // the new file is made beside its target (in place: the file is opened)
  kWrite,       // bytes go to the new file (or, in place, to the file itself)
  kSync,        // the new file (or, in place, the file's new bytes) is flushed to the disk
  kRename,      // the new file takes its target's place
  kFolderSync,  // the folder's new entry is flushed to the disk
};

// The system's error number that the step fails with instead of running; 0 lets it run. A
// test that wants a kill at a step ends the process from here.
using WriteFault = int (*)(WriteStep step, const std::string& path);

// Installs fault for every thread (nullptr removes it).
void SetWriteFault(WriteFault fault);
// What the installed fault says of this step; 0 when none is installed.
int InjectedWriteFault(WriteStep step, const std::string& path);

}  // namespace platform

// Source files that are already in load-file form (assay protocols, templates): their
// data lines copied into the step's load file in the current folder and counted.
#pragma once

#include <cstddef>
#include <string>

namespace quellbrook {

// A data line longer than this is refused rather than cut into false records.
inline constexpr std::size_t kMaxDataLineBytes = 1 << 20;

// Writes loadFile from the data lines of sourcePath, each ended by "\n"; lines holding
// nothing are left out and not counted, so every line counted is a record the loader
// sees. A line whose field count is not fields (a value holding the separator) or that is
// too long refuses the whole file, with the reason in refusal; a file that can't be read
// or written gives false with refusal empty and the system's reason in errno. count: lines
// written.
bool CopyDataLines(const std::string& sourcePath, const char* loadFile, int fields, int& count,
                   std::string& refusal);

// Deletes a load file, a read-only one left by an earlier run included.
void RemoveLoadFile(const char* loadFile);

}  // namespace quellbrook

// The content files of a written library: a GIN file per type, a SIF file per type with
// sequences, each fluidics station's protocols for the types it serves and "Controls.INI".
#pragma once

#include <string>

#include "tools/libgen/library_folder.hpp"

namespace libgen {

// Rows of each type's GIN file and probe sets of each SIF file.
inline constexpr int kStandardGinRows = 6;
inline constexpr int kStandardSifProbeSets = 5;

// Writes the files for the library's spec. False with a reason when one can't be written.
[[nodiscard]] bool WriteStandardContents(const LibraryFolder& library, std::string& error);

// A whole library every step installs from: the skeleton, the contents above, the
// analysis and scan parameter files, the assay protocols, the template, and the scan
// update's map files (HPMap.INI and a standard map for each scanner).
[[nodiscard]] bool WriteStandardLibrary(const LibraryFolder& library, std::string& error);

}  // namespace libgen

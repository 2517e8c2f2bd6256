// The drivers' CIF check before anything of the types is installed: each type's CIF is
// converted, without writing, for every scanner that serves the type and then for its
// analysis definition. A type that fails is dropped from every later step.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "installer/steps/install_step.hpp"

namespace quellbrook {

// The import leaves each type's window up this long after its last line.
inline constexpr std::chrono::milliseconds kImportCheckLinger{500};

// Checks the types (their folders parallel) with the step's folders, log and report; the
// types that pass, with their folders, replace the lists. True when every type passed.
bool ValidateTypeCifs(const InstallStep& folders, const std::vector<std::string>& scanners,
                      std::vector<std::string>& types, std::vector<std::string>& typeFolders);

// The import's check of a client's library folder: "<type>.CIF" of cifFolder against
// "<scanner>.INI" of the source folder for every scanner, then its tile type must be one an
// import can update, and the CIF is checked against "<tile type>.INI" of the source folder
// with every leniency on. The types that pass replace the list; true when every type passed.
bool ValidateImportCifs(const InstallStep& folders, const std::string& cifFolder,
                        const std::vector<std::string>& scanners, std::vector<std::string>& types);

}  // namespace quellbrook

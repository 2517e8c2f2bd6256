// The drivers' CIF check before anything of the types is installed: each type's CIF is
// converted, without writing, for every scanner that serves the type and then for its
// analysis definition. A type that fails is dropped from every later step.
#pragma once

#include <string>
#include <vector>

#include "installer/steps/install_step.hpp"

namespace quellbrook {

// Checks the types (their folders parallel) with the step's folders, log and report; the
// types that pass, with their folders, replace the lists. True when every type passed.
bool ValidateTypeCifs(const InstallStep& folders, const std::vector<std::string>& scanners,
                      std::vector<std::string>& types, std::vector<std::string>& typeFolders);

}  // namespace quellbrook

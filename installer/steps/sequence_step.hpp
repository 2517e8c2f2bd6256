// Installs the probe sequences of the array types whose library entry says they have
// them: each type's SIF file, turned into a load file by the SIF reader.
#pragma once

#include <string>
#include <vector>

#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kSequenceLoadFile = "sif.txt";

class SequenceStep : public InstallStep {
 public:
  // 0, 4001 when a sequence was passed over with a warning, or the first type's error
  // (3004, the reader's 2005, 3003 or 3020, 3008). An error outranks a warning.
  int RunSequenceStep();

  // Parallel: each type and its folder below the source folder.
  std::vector<std::string> arrayTypes;
  std::vector<std::string> typeFolders;
  // Set once the reader passed over a sequence with a warning.
  int warningsSeen = 0;
};

}  // namespace quellbrook

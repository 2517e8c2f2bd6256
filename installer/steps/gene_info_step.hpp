// Installs each array type's gene information (its GIN file, split by the GIN reader into
// URL, header and description load files) into the gene-information database.
#pragma once

#include <string>
#include <vector>

#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kGinDescriptionLoadFile = "gin.des";
inline constexpr const char* kGinHeaderLoadFile = "gin.hdr";
inline constexpr const char* kGinUrlLoadFile = "gin.krx";

class GeneInfoStep : public InstallStep {
 public:
  // 0 or the first type's error: 3004, 2001 (a load file the disk would not take), 2004 (a
  // GIN file that can't be read or is refused), 3018 or 3021 (rows lost on the way), 3006
  // (the procedure failed).
  int RunGeneInfoStep();

  // Parallel: each type and its folder below the source folder.
  std::vector<std::string> arrayTypes;
  std::vector<std::string> typeFolders;
};

}  // namespace quellbrook

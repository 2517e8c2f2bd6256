// Installs the assays and assay protocols of "Assay_protocol.txt", a file already in the
// load file's layout, into the laboratory database.
#pragma once

#include <string>

#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kAssaySourceFile = "Assay_protocol.txt";
inline constexpr const char* kAssayLoadFile = "assay.txt";
// assay name; protocol name; step number; step text.
inline constexpr int kAssayFields = 4;

class AssayStep : public InstallStep {
 public:
  // 0, or 1001, 2001, 3003, 3004, 3010 or 3020.
  int RunAssayStep();
  // Copies the source's data lines into "assay.txt" in the current folder: false when it
  // can't, or for a line of the wrong field count (refusal then says which). count: lines.
  bool CopyAssayFile(const std::string& sourcePath, int& count, std::string* refusal = nullptr);

  std::string sourceFileName;
};

}  // namespace quellbrook

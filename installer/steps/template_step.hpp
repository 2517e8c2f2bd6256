// Installs the sample templates of "Template.txt", one template attribute a line and
// already in the load file's layout, into the laboratory database.
#pragma once

#include <string>

#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kTemplateSourceFile = "Template.txt";
inline constexpr const char* kTemplateLoadFile = "template.txt";
// template name; attribute name; attribute type; default value.
inline constexpr int kTemplateFields = 4;

class TemplateStep : public InstallStep {
 public:
  // 0, or 1001, 2001, 3003, 3004, 3020 or 3023; never a warning.
  int RunTemplateStep();
  // Copies the source's data lines into "template.txt" in the current folder: false when
  // it can't, or for a line of the wrong field count (refusal then says which).
  bool CopyTemplateFile(const std::string& sourcePath, int& count, std::string* refusal = nullptr);

  std::string sourceFileName;
};

}  // namespace quellbrook

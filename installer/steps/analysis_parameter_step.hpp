// Installs each array type's analysis parameters: its analysis library files are copied,
// and the CIF parameter converter turns the type's CIF, as its analysis definition INI
// declares it, into "cif.txt", which is loaded type by type. The same conversion in
// checking mode is the drivers' CIF check; the import road does the same for a client's
// own library folder.
#pragma once

#include <string>
#include <vector>

#include "installer/framework/progress_window.hpp"
#include "installer/steps/library_copier.hpp"

namespace quellbrook {

inline constexpr const char* kAnalysisDefinitionName = "Analysis.ini";
inline constexpr const char* kAnalysisLoadFile = "cif.txt";

class AnalysisParamStep : public LibFileCopier {
 public:
  // Copies the files each type's analysis definition lists: 0; 1001 when a definition is
  // missing (logged, the other types still copied); 3027 when a listed file failed.
  int CopyAnalysisLibraryFiles();
  // 0, 4001 when a conversion warned, or the first error of a type; 3004 without a
  // connected session. The other types are installed after a failing one.
  int InstallAnalysisParams();
  // Converts in checking mode with the converter's grid-leniency, chip-leniency,
  // minimum-for-default and process-missing-chip-section flags: 0, or its error.
  int ValidateAnalysisCif(const std::string& cifPath, const std::string& definitionPath,
                          const std::string& arrayType, int gridLenient, int chipLenient,
                          int minForDefault, int processMissingChipSection);
  // Copies each type's own files from copySourceFolder into destFolder: 0, or 3027 when a
  // copy failed.
  int CopyLibraryFilesForTypes();
  // As the install, from the client's library folder: each type's CIF there, its tile
  // type as assay type and "<tile type>.INI" of the source folder as definition, all
  // leniency flags on.
  int ImportAnalysisParams();

  std::string copySourceFolder;
  std::vector<std::string> arrayTypes;
  std::vector<std::string> typeFolders;  // parallel to arrayTypes
  int warningsSeen = 0;                  // once set, stays set

 private:
  // The install, or with import the import, of every type.
  int RunTypes(bool import);
  int RunType(bool import, std::size_t index, ProgressWindow& window);
};

}  // namespace quellbrook

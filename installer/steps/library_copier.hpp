// Copies library files out of the shipped source tree into the folders where the array
// maker's software reads them: the files an INI file lists, or every file of one array
// type. The base of the steps that install such files.
#pragma once

#include <string>
#include <vector>

#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kLibFilesFolder = "LibFiles";
inline constexpr const char* kProtocolsSection = "Protocols";
inline constexpr const char* kMaskPattern = ".MSK";
// A listed file name is read into a buffer of this size.
inline constexpr std::size_t kListedFileNameSize = 260;
// Only a mask file's first line is compared with a type name; longer lines never match.
inline constexpr std::size_t kMaskLineLength = 1024;
// What the copy operations give back when every file was copied.
inline constexpr int kCopyDone = 1;

class LibFileCopier : public InstallStep {
 public:
  // Copies every file that the INI's [Protocols] section lists from
  // <sourceFolder>/<subFolder>/LibFiles into destFolder, each made read-only or writable as
  // listed. 1 when all were copied; 3027 when any listed file could not be copied or its
  // name, the sub folder or the INI name would leave its folder (each logged in red).
  int CopyListedFiles(std::string subFolder, std::string iniPath, std::string progressText);

  // Copies the files named <arrayType>.* and the mask files (*.MSK) whose first line names
  // the type from one folder into another, each keeping its source's permissions. 1 when
  // all were copied or the folders are the same; 3027 as above.
  int CopyTypeFiles(std::string fromFolder, std::string toFolder, std::string arrayType,
                    std::string progressText);

  // What the last call's progress window was told (ProgressWindow::Events).
  const std::vector<std::string>& ProgressEvents() const { return mProgressEvents; }

 private:
  std::vector<std::string> mProgressEvents;
};

}  // namespace quellbrook

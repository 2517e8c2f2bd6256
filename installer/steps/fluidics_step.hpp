// Installs the fluidics protocols of each array type's fluidics stations: their files
// copied into the fluidics protocol folder, then each protocol's MAC file turned into a
// load file and loaded. A library import does the same for protocols chosen by name, from
// one folder of protocol files.
#pragma once

#include <string>
#include <vector>

#include "installer/framework/progress_window.hpp"
#include "installer/steps/library_copier.hpp"

namespace quellbrook {

inline constexpr const char* kFluidicsLoadFile = "mac.txt";

class FluidicsStep : public LibFileCopier {
 public:
  // Copies the files each serving station's protocol INI lists: 0, 1001 when an INI is
  // missing (the other stations are still copied) or 3027 when a listed file could not
  // be copied. Each failure is logged in red.
  int CopyFluidicsFiles();
  // 0 or the first protocol's error: 3004, 2003 (a MAC file that can't be read or is
  // refused), 3003 or 3020 (rows lost on the way), 3007 (the procedure failed).
  int RunFluidicsStep();

  // Copies each selected protocol's files from the source folder into destFolder: 0, or
  // 3027 when a file could not be copied or a protocol's name would leave its folder (each
  // logged in red; the other protocols are still copied).
  int CopyProtocolFiles();
  // Loads each selected protocol's MAC file of the source folder; a protocol without one is
  // skipped with a warning. 0 or the first protocol's error, as RunFluidicsStep.
  int ImportFluidicsProtocols();

  std::string errorText;  // message 3004 is added here when there is no session
  // Parallel: each type and its folder below the source folder.
  std::vector<std::string> types;
  std::vector<std::string> typeFolders;
  std::vector<std::string> stations;
  std::vector<std::string> protocols;  // selected by name, for the import

 private:
  // Converts one protocol's MAC file and loads it: 0 or the protocol's error. The report
  // names the station when there is one (an import has none).
  int LoadProtocol(ProgressWindow& window, const std::string& protocol, const std::string& macPath,
                   const std::string& station);
};

}  // namespace quellbrook

// The texts of one installation or update call, copied from the export's arguments and
// handed to its driver. Every slot starts empty.
#pragma once

#include <string>

namespace quellbrook {

class InstallParameters {
 public:
  InstallParameters() = default;
  virtual ~InstallParameters() = default;
  InstallParameters(const InstallParameters&) = delete;
  InstallParameters& operator=(const InstallParameters&) = delete;

  // Drivers add the texts of some failures here; nothing hands it back to the host.
  std::string errorText;
  // Destination of the copied library files and home of the tools' "sql.log".
  std::string libraryFolder;
  std::string protocolFolder;
  // Where TWLib.ini, Devices.ini and the per-type folders are read from.
  std::string sourceFolder;
  // Taken from the host and kept, but nothing reads it.
  std::string storedText;
  std::string arrayTypes;  // comma-separated
  std::string protocols;   // comma-separated; updates only
  std::string unusedSlot;
  std::string installLog;
  std::string reportFile;
};

}  // namespace quellbrook

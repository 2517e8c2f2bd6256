// Installs the scanners and fluidics stations that the driver read from the devices file
// into the laboratory database.
#pragma once

#include <string>
#include <vector>

#include "installer/steps/device_record.hpp"
#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kDeviceLoadFile = "Dev.txt";

class DeviceStep : public InstallStep {
 public:
  // 0, or 2001, 3003, 3004, 3013 or 3020.
  int RunDeviceStep();
  // Writes "Dev.txt" in the current folder, one line a device: false when it can't be
  // opened, or when a value holds the separator or a line break (refusal then says which).
  bool WriteDeviceFile(int& count, std::string* refusal = nullptr);

  std::string deviceFile;                              // shown in the report
  const std::vector<DeviceRecord>* devices = nullptr;  // not owned
};

}  // namespace quellbrook

// The installation and update drivers behind the InstallLib and UpdateLib exports: they
// check the call's texts, work out the machine's role, open the database sessions and run
// the install steps in their fixed order.
#pragma once

#include <string>
#include <vector>

#include "installer/framework/install_parameters.hpp"
#include "installer/steps/device_record.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

inline constexpr const char* kToolLogFileName = "sql.log";
inline constexpr const char* kDevicesFailurePrefix = "Failed to install devices. ";
inline constexpr const char* kDeviceTable = "KORX_DEVICE";
// A DeviceN value is read into a buffer of this size.
inline constexpr std::size_t kDeviceValueSize = 260;

// What the steps of a run left for its result.
struct RunFlags {
  int running = 0;  // the last step's result that did not end the run
  bool warnings = false;
  bool errors = false;
  bool allValid = true;
};

// The run's result from its flags: a failed validation, then errors, then the running
// result when it is an error, then warnings.
int FoldInstallResult(const RunFlags& flags);

// A copy's result becomes the running result; a failed copy (3027) also stays an error of
// the run, so no later step's success can hide it.
void NoteCopyResult(RunFlags& flags, int result);

// The devices of the file's [Devices] list, Device1 on until the first missing one: 0, or
// 3014 / 3015 (logged) for a blank type or an empty annotation id.
int ReadDeviceRecords(const std::string& devicesFile, const std::string& log,
                      std::vector<DeviceRecord>& out);
// The same over the file's text already read; devicesFile names it in the messages.
int ReadDeviceRecords(const platform::ProfileText& devices, const std::string& devicesFile,
                      const std::string& log, std::vector<DeviceRecord>& out);

// 0, 4001 or the number of the message that ended the run.
int RunInstall(InstallParameters& parameters);
int RunUpdate(InstallParameters& parameters);

}  // namespace quellbrook

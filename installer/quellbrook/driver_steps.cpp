#include "installer/quellbrook/driver_steps.hpp"

#include <dlfcn.h>

#include "installer/framework/environment.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/algorithm_step.hpp"
#include "installer/steps/assay_step.hpp"
#include "installer/steps/control_step.hpp"
#include "installer/steps/device_step.hpp"
#include "installer/steps/template_step.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

// The folder of the library this driver runs in: the build puts the step scripts there.
std::string OwnLibraryFolder() {
  static const char anchor = 0;
  Dl_info info{};
  if (dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr) return {};
  return platform::ParentFolder(info.dli_fname);
}

}  // namespace

std::string TrimFolderText(const std::string& folder) {
  std::string trimmed = TrimRight(folder);
  while (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
  return trimmed;
}

bool IsSafeTypeName(const std::string& type, const std::string& log) {
  if (IsPlainLibraryName(type)) return true;
  WriteLogLine(log,
               FormatText("The array type name '%s' would leave the library folder.", type.c_str()),
               kLogError);
  return false;
}

void PrepareSession(LibDbSession& session, const InstallParameters& parameters,
                    const std::string& libraryFolder) {
  session.scriptFolder = OwnLibraryFolder();
  session.scriptOutputFile = platform::JoinPath(libraryFolder, kToolLogFileName);
  session.installLog = parameters.installLog;
  session.reportFile = parameters.reportFile;
  session.libraryFolder = libraryFolder;
}

int ReportDriverError(InstallParameters& parameters, int number) {
  const std::string text(MessageText(number));
  parameters.errorText += text;
  WriteLogLine(parameters.installLog, text, kLogError);
  return number;
}

int RefuseRun(InstallParameters& parameters, int number) {
  parameters.errorText = std::string(MessageText(number));
  WriteLogLine(parameters.installLog, parameters.errorText, kLogError);
  return number;
}

int SetProcessDatabase(LibDbSession& session, InstallParameters& parameters) {
  std::string name;
  if (GetDatabaseName(session.dbmsType, name) == 0)
    return ReportDriverError(parameters, kProcessDatabaseNameMissing);
  session.processDatabase = name;
  return kResultSuccess;
}

int SetSqlToolsFolder(LibDbSession& session, const std::string& log) {
  std::string folder, message;
  const int found = FindSqlToolsFolder(folder, message);
  if (found != 0) {
    WriteLogLine(log, message, kLogInfo);
    return found;
  }
  session.sqlToolsFolder = folder;
  return kResultSuccess;
}

int CheckConnected(const LibDbSession& session, InstallParameters& parameters) {
  return session.connected == 0 ? ReportDriverError(parameters, kConnectFailed) : kResultSuccess;
}

void NoteCopyResult(RunFlags& flags, int result) {
  flags.running = result;
  if (result == kThereAreErrors) flags.errors = true;
}

bool EndsRun(RunFlags& flags, int result) {
  if (result != kThereAreWarnings) return result != kResultSuccess;
  flags.warnings = true;
  return false;
}

int ReadDeviceRecords(const std::string& devicesFile, const std::string& log,
                      std::vector<DeviceRecord>& out) {
  return ReadDeviceRecords(platform::ProfileText::Read(devicesFile), devicesFile, log, out);
}

int ReadDeviceRecords(const platform::ProfileText& devices, const std::string& devicesFile,
                      const std::string& log, std::vector<DeviceRecord>& out) {
  for (int n = 1;; ++n) {
    const std::string name =
        devices.String("Devices", FormatText("Device%d", n), "", kDeviceValueSize);
    if (name.empty()) break;
    DeviceRecord device;
    device.name = TrimText(name);
    if (device.name.empty()) continue;
    const std::string type = devices.String(device.name, "DeviceType", "");
    if (type.empty()) {
      out.push_back(device);
      continue;
    }
    device.type = TrimText(type);
    if (device.type.empty()) {
      WriteLogLine(log,
                   FormatMessageText(kUnknownDeviceType, device.type.c_str(), devicesFile.c_str()),
                   kLogError);
      return kUnknownDeviceType;
    }
    device.annotationId = TrimText(devices.String(device.name, "DeviceAnnoID", ""));
    if (device.annotationId.empty()) {
      WriteLogLine(log, FormatMessageText(kEmptyDeviceAnnotation, devicesFile.c_str()), kLogError);
      return kEmptyDeviceAnnotation;
    }
    device.prefix = TrimText(devices.String(device.name, "DevicePrefix", ""));
    device.description = TrimText(devices.String(device.name, "DeviceDesc", ""));
    out.push_back(device);
  }
  return 0;
}

int ReadSourceDevices(const InstallParameters& parameters, SourceDevices& devices) {
  const std::string& log = parameters.installLog;
  devices.file = platform::JoinPath(parameters.sourceFolder, kDevicesIniName);
  if (!platform::FileExists(devices.file)) {
    WriteLogLine(log,
                 std::string(kDevicesFailurePrefix) +
                     FormatMessageText(kDevicesFileMissing, devices.file.c_str()),
                 kLogError);
    return kDevicesFileMissing;
  }
  return ReadDeviceRecords(devices.file, log, devices.records);
}

bool IsDeviceType(const DeviceRecord& device, const char* type) {
  return platform::EqualsNoCase(device.type, type);
}

int SortDevicesByType(const SourceDevices& devices, const std::string& log,
                      std::vector<std::string>& scanners, std::vector<std::string>& fluidics) {
  for (const DeviceRecord& device : devices.records) {
    if (IsDeviceType(device, kScannerDeviceType)) {
      scanners.push_back(device.name);
    } else if (IsDeviceType(device, kFluidicsDeviceType)) {
      fluidics.push_back(device.name);
    } else {
      WriteLogLine(log,
                   FormatMessageText(kUnknownDeviceType, device.type.c_str(), devices.file.c_str()),
                   kLogError);
      return kUnknownDeviceType;
    }
  }
  return kResultSuccess;
}

void StepSetup::operator()(InstallStep& step) const {
  step.destFolder = outputFolder;
  step.sourceFolder = parameters.sourceFolder;
  step.logPath = parameters.installLog;
  step.reportPath = parameters.reportFile;
  step.session = &session;
}

int RunCatalogueSteps(const StepSetup& configure, RunFlags& flags, bool templatesAndControls) {
  AssayStep assays;
  configure(assays);
  assays.sourceFileName = kAssaySourceFile;
  if (const int result = assays.RunAssayStep(); result != 0) return result;
  AlgorithmStep algorithms;
  configure(algorithms);
  if (const int result = algorithms.RunAlgorithmStep(); result != 0) return result;
  if (!templatesAndControls) return kResultSuccess;
  TemplateStep templates;
  configure(templates);
  templates.sourceFileName = kTemplateSourceFile;
  if (const int result = templates.RunTemplateStep(); result != 0) return result;
  ControlStep controls;
  configure(controls);
  if (controls.RunControlStep() != 0) flags.errors = true;
  return kResultSuccess;
}

int RunDeviceStep(const StepSetup& configure, const SourceDevices& devices) {
  LibDbSession& session = configure.session;
  if (devices.records.empty() || session.TablesExist({kDeviceTable}, session.processDatabase) != 1)
    return kResultSuccess;
  DeviceStep deviceStep;
  configure(deviceStep);
  deviceStep.deviceFile = devices.file;
  deviceStep.devices = &devices.records;
  return deviceStep.RunDeviceStep();
}

}  // namespace quellbrook

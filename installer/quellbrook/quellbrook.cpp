// The six exports: each copies its arguments into the framework's own types and calls it.
// No exception may reach the host, so each export ends in a catch that gives the result a
// failure of that export would give.
#include "installer/quellbrook/quellbrook.h"

#include <cstring>
#include <exception>
#include <string>

#include "installer/framework/install_log.hpp"
#include "installer/framework/install_parameters.hpp"
#include "installer/framework/installed_list.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/report_headers.hpp"
#include "installer/quellbrook/install_driver.hpp"
#include "installer/quellbrook/update_driver.hpp"

namespace {

std::string Text(const char* text) {
  return text == nullptr ? std::string() : std::string(text);
}

// A run that failed inside the library still leaves a red line where the host looks.
int ReportEscapedFailure(const std::string& log, const char* what) {
  try {
    quellbrook::WriteLogLine(log, std::string("Internal failure: ") + what, quellbrook::kLogError);
  } catch (...) {
  }
  return quellbrook::kThereAreErrors;
}

// Runs an install or update driver on the export's arguments; whatever escapes it is
// logged and failed.
int RunDriver(int (*driver)(quellbrook::InstallParameters&), const char* libraryFolder,
              const char* protocolFolder, const char* sourceFolder, const char* storedText,
              const char* arrayTypes, const char* protocols, const char* installLog,
              const char* reportPath) {
  const std::string log = Text(installLog);
  try {
    quellbrook::InstallParameters parameters;
    parameters.libraryFolder = Text(libraryFolder);
    parameters.protocolFolder = Text(protocolFolder);
    parameters.sourceFolder = Text(sourceFolder);
    parameters.storedText = Text(storedText);
    parameters.arrayTypes = Text(arrayTypes);
    parameters.protocols = Text(protocols);
    parameters.installLog = log;
    parameters.reportFile = Text(reportPath);
    return driver(parameters);
  } catch (const std::exception& failure) {
    return ReportEscapedFailure(log, failure.what());
  } catch (...) {
    return ReportEscapedFailure(log, "unknown exception");
  }
}

}  // namespace

int CreateAuditReport(const char* reportPath, const char* option, const char* selection,
                      const char* build) {
  try {
    return quellbrook::CreateAuditReport(Text(reportPath), Text(option), Text(selection),
                                         Text(build));
  } catch (...) {
    return 0;
  }
}

int InstallLib(const char* libraryFolder, const char* protocolFolder, const char* sourceFolder,
               const char* storedText, const char* arrayTypes, const char* installLog,
               const char* reportPath) {
  return RunDriver(quellbrook::RunInstall, libraryFolder, protocolFolder, sourceFolder, storedText,
                   arrayTypes, nullptr, installLog, reportPath);
}

int UpdateLib(const char* libraryFolder, const char* protocolFolder, const char* sourceFolder,
              const char* storedText, const char* arrayTypes, const char* protocols,
              const char* installLog, const char* reportPath) {
  return RunDriver(quellbrook::RunUpdate, libraryFolder, protocolFolder, sourceFolder, storedText,
                   arrayTypes, protocols, installLog, reportPath);
}

int CreateUpdateReport(const char* reportPath, const char* option, const char* arrayTypes,
                       const char* protocols, const char* build) {
  try {
    return quellbrook::CreateUpdateReport(Text(reportPath), Text(option), Text(arrayTypes),
                                          Text(protocols), Text(build));
  } catch (...) {
    return 0;
  }
}

int SetParentWindowName(const char* windowName) {
  try {
    quellbrook::SetParentWindowName(windowName);
  } catch (...) {
  }
  return 1;
}

int GetInstalledList(char* arrayTypes, char* protocols) {
  try {
    std::string types, hybridization;
    if (quellbrook::ReadInstalledLists(types, hybridization) == 0) return 0;
    // Both lists are already cut to leave room for their NUL in the host's buffers.
    if (arrayTypes != nullptr) std::memcpy(arrayTypes, types.c_str(), types.size() + 1);
    if (protocols != nullptr)
      std::memcpy(protocols, hybridization.c_str(), hybridization.size() + 1);
    return 1;
  } catch (...) {
    return 0;
  }
}

// What every install step holds: its folders, the log and report paths and the open
// database session it borrows from the driver.
#pragma once

#include <string>

#include "installer/framework/lib_db_session.hpp"

namespace quellbrook {

class InstallStep {
 public:
  InstallStep() = default;
  virtual ~InstallStep() = default;
  InstallStep(const InstallStep&) = delete;
  InstallStep& operator=(const InstallStep&) = delete;

  std::string destFolder;
  std::string sourceFolder;
  std::string auxFolder;  // no step reads it
  std::string logPath;
  std::string reportPath;
  LibDbSession* session = nullptr;  // not owned
};

}  // namespace quellbrook

// The installation and update drivers behind the InstallLib and UpdateLib exports: they
// check the call's texts, work out the machine's role, open the database sessions and run
// the install steps in their fixed order.
#pragma once

#include "installer/framework/install_parameters.hpp"

namespace quellbrook {

inline constexpr const char* kTypeIniFileName = "TWLib.ini";
inline constexpr const char* kToolLogFileName = "sql.log";

// 0, 4001 or the number of the message that ended the run.
int RunInstall(InstallParameters& parameters);
int RunUpdate(InstallParameters& parameters);

}  // namespace quellbrook

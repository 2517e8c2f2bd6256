// The installation driver behind the InstallLib export: it checks the call's texts, works
// out the machine's role, opens the database sessions and runs the install steps in their
// fixed order.
#pragma once

#include "installer/framework/install_parameters.hpp"
#include "installer/quellbrook/driver_steps.hpp"

namespace quellbrook {

// The run's result from its flags: a failed validation, then errors, then the running
// result when it is an error, then warnings.
int FoldInstallResult(const RunFlags& flags);

// 0, 4001 or the number of the message that ended the run.
int RunInstall(InstallParameters& parameters);

}  // namespace quellbrook

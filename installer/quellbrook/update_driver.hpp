// The update driver behind the UpdateLib export: it refuses old data objects and then, by
// the machine's role, updates a server's database content or imports the chosen array
// types and protocols into a client's own database.
#pragma once

#include "installer/framework/install_parameters.hpp"

namespace quellbrook {

// The data-object version must be above this for any update.
inline constexpr double kLastUnupdatableVersion = 3.0;

// 0, 4001 or the number of the message that ended the run: 1008 for an old data object,
// 1009 on a client without a database of its own, else the result of its road.
int RunUpdate(InstallParameters& parameters);
// The server road: the laboratory metadata, the catalogue steps and devices, further
// scanners' scan parameters derived from the database, the analysis parameters; 0 or 3027
// when a step that does not end the run failed.
int UpdateServerLibrary(InstallParameters& parameters);
// The client road: the types and protocols chosen from the library folder into the local
// database; 2010 when a scanner's map failed, 2011 when a type failed its check, then 3027
// and 4001 as the install folds them.
int ImportLibraryFiles(InstallParameters& parameters);

}  // namespace quellbrook

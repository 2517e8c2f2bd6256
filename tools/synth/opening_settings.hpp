// The settings a whole synthetic group is opened with: the group's settings file in the
// program's home folder, naming the group's chip description, data folder, sample
// information, array list and gene information, and the default group's file naming it
// as the last group, so the Open Group sheet offers it filled in.
#pragma once

#include <string>

#include "tools/synth/whole_group.hpp"

namespace synth {

// Writes "<home>/<name>.ini" for the group written into folder, and records the group
// in the default group's settings file there (created when missing). Uses the
// process's one group: call it only while no group is started. False, with the reason
// in error, when the folder cannot be named absolutely or a file cannot be written.
[[nodiscard]] bool WriteOpeningSettings(const WholeGroupTruth& truth, const std::string& folder,
                                        const std::string& home, std::string* error = nullptr);

}  // namespace synth

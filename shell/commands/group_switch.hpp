// What the Open Group and Get External Data commands share around their sheets: the old
// group closed under its own name, and the previous group's settings read back when the
// new group is not opened.
#pragma once

#include <string>

class ShellFrame;

// Closes the open group under previousName, then names the group name.
void CloseAndRename(ShellFrame& frame, const std::string& previousName, const std::string& name);
// Reads the previous group's settings back (not its data); the group the sheet ended on
// becomes LAST_GROUP_NAME.
void ReadPreviousSettings(const std::string& previousName);

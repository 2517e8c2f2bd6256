// What the group commands share: the old group closed under its own name, the previous
// group's settings read back when the new group is not opened, and the group's chip
// description loaded from its settings.
#pragma once

#include <string>

class ShellFrame;

// Closes the open group under previousName, then names the group name.
void CloseAndRename(ShellFrame& frame, const std::string& previousName, const std::string& name);
// Reads the previous group's settings back (not its data); the group the sheet ended on
// becomes LAST_GROUP_NAME.
void ReadPreviousSettings(const std::string& previousName);

// Loads the chip description of CDF_FILE under MASK_FILE (rebuild converts it even when
// its cache is usable); probeLevel loads the cell table also without LOAD_PROBE_DATA.
bool LoadGroupChip(bool rebuild, bool probeLevel);

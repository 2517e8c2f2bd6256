// What the group commands share: the old group closed under its own name, the previous
// group's settings read back when the new group is not opened, and the group's chip
// description loaded from its settings.
#pragma once

#include <string>

class ShellFrame;
struct OpenGroupState;

// Leaving the open group for the one a sheet names. Made before the sheet: it sets the
// sheet's open mode, notes the previous mode and group name, and saves the group's
// settings, so that Restore can bring them back when the sheet is cancelled or the new
// group is not read.
class GroupSwitch {
 public:
  explicit GroupSwitch(int mode);
  GroupSwitch(const GroupSwitch&) = delete;
  GroupSwitch& operator=(const GroupSwitch&) = delete;

  OpenGroupState& State() const { return mState; }
  // Closes the open group under its previous name, then names the group name.
  void CloseAndRename(ShellFrame& frame, const std::string& name) const;
  // The previous mode again, and the previous group's settings read back (not its data);
  // the group the sheet ended on becomes LAST_GROUP_NAME.
  void Restore() const;

 private:
  OpenGroupState& mState;
  int mPreviousMode;
  std::string mPreviousName;
};

// Loads the current group's chip description (LoadSettingsChip on its settings).
bool LoadGroupChip(bool rebuild, bool probeLevel);

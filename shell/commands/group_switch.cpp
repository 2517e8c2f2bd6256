// Leaving one group for another.
#include "shell/commands/group_switch.hpp"

#include "engine/group/group.hpp"
#include "shell/shell_frame.hpp"

void CloseAndRename(ShellFrame& frame, const std::string& previousName, const std::string& name) {
  Group& group = TheGroup();
  group.SetName(previousName);
  frame.CloseGroup();
  group.SetName(name);
}

void ReadPreviousSettings(const std::string& previousName) {
  Group& group = TheGroup();
  const std::string noted = group.Name();
  group.ReadGroupSettings(previousName);
  group.Settings().LAST_GROUP_NAME = noted;
}

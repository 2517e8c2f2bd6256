// Analysis/Pathway: a fresh pathway, or the one of the group's pathway file, shown in the
// pathway editor under the "Pathway" item; nothing of it goes through the log unless the
// file cannot be read.
#include <string>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "genes/pathway/pathway.hpp"
#include "platform/path.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

void ShowPathway(ShellFrame& frame) {
  frame.DeleteViewItem(VIEW_PATHWAY);
  ClearPathway();
  GroupSettings& settings = TheGroup().Settings();
  if (!IsUnsetPath(settings.PATHWAY_FILE))
    ReadPathwayFile(settings.PATHWAY_FILE);
  else
    settings.PATHWAY_FILE =
        platform::JoinPath(settings.WORKING_DIR, TheGroup().Name() + " pathway.txt");
  frame.InsertViewItem(VIEW_PATHWAY, "Pathway", tree_image::kPathway);
  frame.SelectViewItem(VIEW_PATHWAY);
}

}  // namespace

void RegisterPathwayCommands(CommandRegistry& registry) {
  registry.Add(ids::kPathway, ShowPathway);
}

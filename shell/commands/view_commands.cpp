// The View menu: Next View, Alternate Two Views, Export Image and the online database of the
// current probe set.
#include "shell/commands/view_commands.hpp"

#include "engine/group/group.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/dialogs/links/online_database_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/pane/export_image_command.hpp"

void GoToOnlineDatabase(ShellFrame& frame, bool withDialog) {
  OpenOnlineDatabase(frame.Window(), withDialog);
}

void RegisterViewCommands(CommandRegistry& registry) {
  registry.Add(ids::kNextView, [](ShellFrame& frame) { frame.NextView(); });
  registry.Add(ids::kAlternateTwoViews, [](ShellFrame&) {
    int& alternate = TheGroup().Settings().ALTERNATE_TWO_VIEW;
    alternate = alternate != 0 ? 0 : 1;
  });
  registry.Add(ids::kExportImage, ExportPaneViewImage);
  registry.Add(ids::kOnlineDatabase, [](ShellFrame& frame) { GoToOnlineDatabase(frame, true); });
  registry.Add(ids::kOnlineDatabaseDirect, [](ShellFrame& frame) {
    GoToOnlineDatabase(frame, TheGroup().Settings().DIRECT_GO_ONLINE_DATABASE == 0);
  });
}

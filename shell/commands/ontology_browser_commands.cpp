// Tools/Ontoroam: the outside gene-ontology browser's dialog, which starts the tool
// itself; nothing of it goes through the log.
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/dialogs/annotation/go_browser_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

void RegisterOntologyBrowserCommands(CommandRegistry& registry) {
  registry.Add(ids::kOntoroam, [](ShellFrame& frame) {
    GoBrowserDialog dialog(frame.Window());
    Prompts().RunDialog(dialog);
  });
}

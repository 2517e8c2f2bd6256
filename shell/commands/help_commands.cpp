// The Help menu: the program's pages on the web and the About box.
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/dialogs/help/about_dialog.hpp"
#include "shell/dialogs/links/open_link.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/web_addresses.hpp"
#include "shell/shell_frame.hpp"

void RegisterHelpCommands(CommandRegistry& registry) {
  registry.Add(ids::kHelpWebsite, [](ShellFrame&) { OpenLink(kHomePageAddress); });
  registry.Add(ids::kHelpManual, [](ShellFrame&) { OpenLink(kManualAddress); });
  registry.Add(ids::kHelpDiscussionGroup, [](ShellFrame&) { OpenLink(kDiscussionGroupAddress); });
  // Latest Version leads to the manual page, where the releases are listed.
  registry.Add(ids::kHelpLatestVersion, [](ShellFrame&) { OpenLink(kManualAddress); });
  registry.Add(ids::kAppAbout, [](ShellFrame& frame) {
    AboutDialog about(frame.Window());
    Prompts().RunDialog(about);
  });
}

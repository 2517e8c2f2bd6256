// The View menu: Next View, Alternate Two Views and the online database of the current
// probe set.
#include "shell/commands/view_commands.hpp"

#include <QDialog>

#include <string>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/dialogs/online_database_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/shell_frame.hpp"

namespace {

constexpr const char* kAnnotationPortalAddress = "https://annotation.example.org/probeset/";

}  // namespace

void GoToOnlineDatabase(ShellFrame& frame, bool withDialog) {
  GroupSettings& settings = TheGroup().Settings();
  const int unit = settings.CUR_UNIT;
  // CUR_UNIT comes from a settings file; one outside the chip description names nothing.
  if (unit < 0 || unit >= Layout.unitCount || static_cast<std::size_t>(unit) >= Layout.units.size())
    return;
  const std::string name(Layout.units[static_cast<std::size_t>(unit)].Name());
  if (withDialog) {
    OnlineDatabaseDialog dialog(settings.WHICH_ONLINE_DATABASE,
                                settings.DIRECT_GO_ONLINE_DATABASE != 0, frame.Window());
    dialog.SetGeneText(name + ": No gene info file used; can not go to LocusLink or GenBank");
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
    settings.WHICH_ONLINE_DATABASE = dialog.Choice();
    settings.DIRECT_GO_ONLINE_DATABASE = dialog.DirectGo() ? 1 : 0;
  }
  switch (settings.WHICH_ONLINE_DATABASE) {
    case 1:
      OpenLink(kAnnotationPortalAddress + name);
      break;
    case 3:
      // SNP identifiers come with the SNP information, which no group holds yet.
      AfxMessageBox("Not a SNP array or genome info file is not used");
      break;
    default:
      // LocusLink and GenBank need the gene information's identifiers.
      break;
  }
}

void RegisterViewCommands(CommandRegistry& registry) {
  registry.Add(ids::kNextView, [](ShellFrame& frame) { frame.NextView(); });
  registry.Add(ids::kAlternateTwoViews, [](ShellFrame&) {
    int& alternate = TheGroup().Settings().ALTERNATE_TWO_VIEW;
    alternate = alternate != 0 ? 0 : 1;
  });
  registry.Add(ids::kOnlineDatabase, [](ShellFrame& frame) { GoToOnlineDatabase(frame, true); });
  registry.Add(ids::kOnlineDatabaseDirect, [](ShellFrame& frame) {
    GoToOnlineDatabase(frame, TheGroup().Settings().DIRECT_GO_ONLINE_DATABASE == 0);
  });
}

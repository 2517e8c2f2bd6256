// Analysis/Get External Data: the sheet that names the group and the table of values
// made elsewhere, the old group closed under its own name, then the table read on the
// common road. A cancelled or failed read brings the previous group's settings back.
#include <QDialog>

#include <string>

#include "engine/group/group.hpp"
#include "engine/jobs/external_data.hpp"
#include "engine/services/log_channel.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/group_switch.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/group/extract_cdf_page.hpp"
#include "shell/dialogs/group/get_external_page.hpp"
#include "shell/dialogs/group/open_group_state.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

namespace {

void GetExternalData(ShellFrame& frame) {
  const GroupSwitch groupSwitch(kOpenGroupModeExternal);
  PropertySheet sheet(QStringLiteral("Get External Data"), frame.Window());
  auto* dataPage = new GetExternalDlg(&sheet);
  sheet.AddPage(dataPage, QStringLiteral("Data"));
  sheet.AddPage(new ExtractCdfDlg(groupSwitch.State(), &sheet),
                QStringLiteral("Other information"));
  if (Prompts().RunDialog(sheet) != QDialog::Accepted) {
    groupSwitch.Restore();
    return;
  }

  groupSwitch.CloseAndRename(frame, dataPage->GroupName());
  PumpMessages();
  AnalysisCommand command;
  command.title = "Get external data";
  command.failureLine = "Getting external data not completed}";
  // The reader logs its own closing line.
  command.jobClosesBlock = true;
  command.job = [&frame](AnalysisOutcome&) {
    Group& opened = TheGroup();
    opened.OpenedFromDataFiles = false;
    if (!ReadExternalData()) {
      opened.Modelled = false;
      return false;
    }
    frame.SetTitle(opened.Name());
    if (opened.Settings().SHOW_R_ICON != 0 && !frame.HasViewItem(VIEW_R))
      frame.InsertViewItem(VIEW_R, "R command", tree_image::kRCommand);
    return true;
  };
  if (!RunAnalysisCommand(frame, command)) groupSwitch.Restore();
}

}  // namespace

void RegisterExternalDataCommands(CommandRegistry& registry) {
  registry.Add(ids::kGetExternalData, GetExternalData);
}

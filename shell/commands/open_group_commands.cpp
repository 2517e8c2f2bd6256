// Analysis/Open Group: the sheet that names the group, its data files and its chip
// description, the old group closed under its own name, then the chip description loaded
// and every array read on the common road. A cancelled or failed open reads the previous
// group's settings back.
#include <QDialog>

#include <string>

#include "engine/group/group.hpp"
#include "engine/jobs/open_group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/running_scope.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/group_switch.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/group/extract_cdf_page.hpp"
#include "shell/dialogs/group/extract_data_page.hpp"
#include "shell/dialogs/group/open_group_state.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

namespace {

void CutTrailingBlanks(std::string& text) {
  const std::size_t end = text.find_last_not_of(" \t");
  text.erase(end == std::string::npos ? 0 : end + 1);
}

void OpenGroup(ShellFrame& frame) {
  const GroupSwitch groupSwitch(kOpenGroupModeArrays);
  OpenGroupState& state = groupSwitch.State();
  PropertySheet sheet(QStringLiteral("Working on a group of arrays"), frame.Window());
  auto* dataPage = new ExtractDataDlg(state, &sheet);
  sheet.AddPage(dataPage, QStringLiteral("Data files"));
  sheet.AddPage(new ExtractCdfDlg(state, &sheet), QStringLiteral("Other information"));
  int answer = QDialog::Rejected;
  {
    // The commands that start analyses stay disabled while the sheet is open.
    const RaisedAnalysisRunning running;
    answer = Prompts().RunDialog(sheet);
  }
  if (answer != QDialog::Accepted) {
    groupSwitch.Restore();
    return;
  }

  const std::string name = dataPage->GroupName();
  groupSwitch.CloseAndRename(frame, name);
  Group& group = TheGroup();
  CutTrailingBlanks(group.Settings().DATA_PATH);
  CutTrailingBlanks(group.Settings().WORKING_DIR);

  AnalysisCommand command;
  command.title = "Open group " + name;
  command.elapsed = ElapsedTime::kMinutes;
  command.failureLine = "Opening group not completed}";
  command.job = [&frame, &state](AnalysisOutcome&) {
    PumpMessages();
    Group& opened = TheGroup();
    opened.OpenedFromDataFiles = true;
    OpenGroupOptions options;
    options.ignoreExistingQvf = state.ignoreExistingQvf;
    if (!LoadGroupChip(state.rebuildLayoutCache, false) || !SearchDataFiles(options)) {
      opened.ClearGroup();
      return false;
    }
    frame.SetTitle(opened.Name());
    opened.HasProbeData = true;
    frame.AddGroupItems();
    return true;
  };
  if (!RunAnalysisCommand(frame, command)) groupSwitch.Restore();
}

}  // namespace

void RegisterOpenGroupCommands(CommandRegistry& registry) {
  registry.Add(ids::kOpenGroup, OpenGroup);
}

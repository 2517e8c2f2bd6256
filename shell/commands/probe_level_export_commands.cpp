// Image/Export CEL and Tools/Export Probe Set: the group's arrays written back as CEL
// files into the working folder, and the probe-level tables, on the common road. Both
// blocks open before their dialogs, so a cancelled export still shows its block.

#include <string>

#include "engine/group/group.hpp"
#include "engine/jobs/cel_export.hpp"
#include "engine/jobs/probe_export.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/array/export_cel_dialog.hpp"
#include "shell/dialogs/array/export_probe_dialog.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

constexpr const char* kNoCurrentArrayMessage = "  No current array selected";

// Writes the chosen arrays one after another; every outcome closes the block as finished.
bool SaveCelFiles(const ExportCelDialog& dialog) {
  Group& group = TheGroup();
  int first = 0;
  int last = group.NumArrays() - 1;
  if (!dialog.AllArrays()) {
    const int current = group.Settings().CUR_ARRAY;
    if (current < 0 || current >= group.NumArrays()) {
      LogMessage(kNoCurrentArrayMessage, 0, kLogRed);
      return true;
    }
    first = last = current;
  }
  const std::string kind = group.Normalized ? "Normalized" : "Unnormalized";
  for (int array = first; array <= last; ++array) {
    const std::string path = platform::JoinPath(
        group.Settings().WORKING_DIR, group.Array(array).name + dialog.NameInsert() + ".cel");
    const std::string line = "      " + kind + " cel file " + path;
    int error = 0;
    const bool written = WriteCelFile(array, path, &error);
    // A stop during the write ends the export as a stop, its file left as it was.
    if (written) {
      LogMessage(line + " saved");
      PumpMessages();
    }
    if (AnalysisRunning == 0) {
      LogMessage(kUserStopMessage, 0, kLogRed);
      return true;
    }
    if (!written) {
      LogMessage(platform::WithSystemReason(line + " saving failed", error), 0, kLogRed);
      return true;
    }
  }
  return true;
}

void ExportCel(ShellFrame& frame) {
  ExportCelDialog dialog(frame.Window());
  AnalysisCommand command;
  command.title = "Save CEL file";
  command.openBeforeDialog = true;
  command.cancelLine = "Finished}";
  command.dialog = DialogStep(dialog);
  command.job = [&dialog](AnalysisOutcome&) { return SaveCelFiles(dialog); };
  RunAnalysisCommand(frame, command);
}

void ExportProbeSet(ShellFrame& frame) {
  ExportProbeDialog dialog(OptionsOpener(frame, kModelOptionsPageIndex), frame.Window());
  AnalysisCommand command;
  command.title = "Export PM and MM probe values or PSI";
  command.openBeforeDialog = true;
  command.cancelLine = "Not completed}";
  command.failureLine = "Not completed}";
  command.dialog = DialogStep(dialog);
  // The writers register the files they wrote.
  command.job = [&dialog](AnalysisOutcome&) {
    return dialog.ExportPsi() ? ExportProbeModel(dialog.OutputFile(), dialog.CurrentOnly())
                              : ExportProbeValues(dialog.OutputFile(), dialog.CurrentOnly());
  };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterProbeLevelExportCommands(CommandRegistry& registry) {
  registry.Add(ids::kExportCel, ExportCel);
  registry.Add(ids::kExportProbeSet, ExportProbeSet);
}

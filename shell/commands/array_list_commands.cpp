// Tools/Array List File: the array list dialog, then the sample grouping rebuilt from the
// file it chose. The choice outlasts the next comparison result file read, which would
// otherwise bring back the list it was made with.

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/group/array_list_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

inline constexpr const char* kRedoWithNewListMessage =
    "  Redo 'Analysis/Clustering' or 'Analysis/Chromosome' if you changed the array list file";

void ArrayListFile(ShellFrame& frame) {
  ArrayListDialog dialog(TheGroup().Settings(), frame.Window());
  AnalysisCommand command;
  command.title = "Use array list file\n";
  command.openBeforeDialog = true;
  command.cancelLine = "Finished}";
  command.dialog = DialogStep(dialog);
  command.failureLine = "Finished}";
  command.job = [&frame](AnalysisOutcome&) {
    SampleGrouping.ReadArrayListFile(TheGroup().Settings().ARRAY_LIST_FILE);
    ArrayListFileChosen = true;
    // Their trees and tracks were made over the samples of the old list.
    if (frame.RightViews(VIEW_CLUSTER) != nullptr || frame.RightViews(VIEW_CHROMOSOME) != nullptr)
      LogMessage(kRedoWithNewListMessage, 0, kLogRed);
    return true;
  };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterArrayListCommands(CommandRegistry& registry) {
  registry.Add(ids::kArrayListFile, ArrayListFile);
}

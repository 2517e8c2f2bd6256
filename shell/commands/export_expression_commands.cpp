// Tools/Export Expression Value: the expression table (or the SNP calls) of the chosen
// samples written to the file named in the dialog, on the common road. The block opens
// before the dialog, so a cancelled export still shows it.

#include <utility>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/expression_data_file.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/expression/export_expression_dialog.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

void ExportExpression(ShellFrame& frame) {
  // Appending is chosen afresh for every export.
  TheGroup().RunOptions().appendExpressionExport = false;
  ExportExpressionDialog dialog(OptionsOpener(frame, kAnalysisOptionsPageIndex), frame.Window());
  AnalysisCommand command;
  command.title = ArrayType != 0 ? "Export Kandorvale SNP calls\n" : "Export expression values\n";
  command.openBeforeDialog = true;
  command.cancelLine = "Not completed}";
  command.dialog = DialogStep(dialog);
  command.failureLine = "Not completed}";
  // The writer registers the file it wrote.
  command.job = [&dialog](AnalysisOutcome&) {
    // The gene list is read by its second column for this export only.
    const bool secondColumnNames =
        std::exchange(GeneList.SecondColumnNames, dialog.ProbeSetNameColumn());
    const bool written = WriteExpressionData(dialog.OutputFile());
    GeneList.SecondColumnNames = secondColumnNames;
    return written;
  };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterExportExpressionCommands(CommandRegistry& registry) {
  registry.Add(ids::kExportExpression, ExportExpression);
}

// Analysis/LDA Classification: the classes chosen in the LDA dialog, then the samples
// placed on a plane by discriminant analysis in R (or their principal components) on the
// common road; the result is view 5 under "LDA Classification" or "PCA".
#include <QDialog>

#include "engine/group/group.hpp"
#include "genes/lda/lda_result.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/samples/lda_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

namespace {

void LdaClassification(ShellFrame& frame) {
  // The old result's item goes before its classes are reset, Cancel or not.
  frame.DeleteViewItem(VIEW_LDA);
  AnalysisCommand command;
  command.title = "Sample classification by Linear Discriminant Analysis";
  command.openBeforeDialog = true;
  command.cancelLine = "LDA not completed}";
  InitLdaResult();
  command.dialog = [&frame] {
    LdaDialog dialog(TheGroup().Settings(), frame.Window());
    return Prompts().RunDialog(dialog) == QDialog::Accepted;
  };
  command.failureLine = "LDA not completed}";
  command.failureInRed = true;
  // The run writes "LDA finished}" or "PCA finished}" itself.
  command.jobClosesBlock = true;
  // A fresh view lays out the new result.
  command.item = ResultItem{VIEW_LDA, "LDA Classification", tree_image::kLda, true};
  command.job = [](AnalysisOutcome& outcome) {
    if (!RunLda()) return false;
    if (TheLdaResult().pca) outcome.itemLabel = "PCA";
    return true;
  };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterLdaCommands(CommandRegistry& registry) {
  registry.Add(ids::kLdaClassification, LdaClassification);
}

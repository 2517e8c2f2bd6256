// Tools/Make Information File: the information file dialog on the
// annotation-import record, then the import on the common road. The CSV and
// ontology paths come from the group settings and go back there when the dialog
// is accepted.
#include <QDialog>

#include "engine/group/group.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/annotation/info_file_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

namespace {

void MakeInformationFileCommand(ShellFrame& frame) {
  AnalysisCommand command;
  command.title = "Make Zelko information file";
  command.dialog = [&frame] {
    GroupSettings& settings = TheGroup().Settings();
    AnnotImport.csvPath = settings.VOSK_ANNOT_FILE;
    // An empty setting is the record's "None".
    AnnotImport.ontologyPath =
        settings.GENE_ONTOLOGY_FILE.empty() ? std::string("None") : settings.GENE_ONTOLOGY_FILE;
    InfoFileDialog dialog(AnnotImport, frame.Window());
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return false;
    settings.VOSK_ANNOT_FILE = AnnotImport.csvPath;
    settings.GENE_ONTOLOGY_FILE = AnnotImport.ontologyPath;
    return true;
  };
  command.job = [](AnalysisOutcome& outcome) {
    if (!MakeInformationFile(AnnotImport)) return false;
    outcome.files.push_back({AnnotImport.outputPath, false});
    return true;
  };
  // The import has logged its failure in red; the block closes the same either
  // way.
  command.failureLine = "Finished}";
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterInformationFileCommands(CommandRegistry& registry) {
  registry.Add(ids::kMakeInformationFile, MakeInformationFileCommand);
}

// Tools/Gene List by Annotation, Gene List by Keywords, Classify Genes and More Gene
// Information: the commands over the loaded gene information. The term list and the
// classification write log blocks and take the common road (the term list's block is
// the engine's own, followed by the gene filter's when the user asked for it); the
// keyword list answers with message boxes only.
#include <QDialog>

#include <optional>
#include <string>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/annotation/annotation_gene_lists.hpp"
#include "genes/annotation/term_enrichment.hpp"
#include "genes/filter/filter_genes.hpp"
#include "genes/info/gene_info.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/annotation/classify_genes_dialog.hpp"
#include "shell/dialogs/annotation/keyword_gene_list_dialog.hpp"
#include "shell/dialogs/annotation/term_gene_list_dialog.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/shell_frame.hpp"

namespace {

// The file More Gene Information read last in this process; its next dialog starts there.
std::string gMoreGeneInfoFile;

void GeneListByAnnotationCommand(ShellFrame& frame) {
  std::string output;
  const auto choose = [&frame, &output] {
    TermGeneListDialog dialog(frame.Window());
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return false;
    output = dialog.OutputFile();
    return true;
  };
  const auto job = [&output] {
    const TermGeneListChoice& choice = RememberedTermGeneList();
    if (!OutputGeneListByTerms(output, choice.terms, choice.column, choice.intersection))
      return false;
    if (!choice.filterAfter) return true;
    // The genes just written are the ones the filter starts from.
    GroupSettings& settings = TheGroup().Settings();
    settings.FILTER_INPUT_LIST = output;
    settings.FILTER_INPUT_USE = 1;
    settings.FILTER_OUTPUT_LIST = ChangeExtension(output, " filtered.xls");
    TheGroup().WriteGroupSettings();
    return FilterGenes();
  };
  RunAnalysisCommand(frame, SelfLoggingCommand(choose, job));
}

void GeneListByKeywordsCommand(ShellFrame& frame) {
  KeywordGeneListDialog dialog(frame.Window());
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  if (dialog.Keywords().empty()) {
    AfxMessageBox(kNoKeywordMessage);
    return;
  }
  ExportGeneListByKeywords(dialog.OutputFile(), dialog.Keywords());
}

void ClassifyGenesCommand(ShellFrame& frame) {
  std::string output;
  AnalysisCommand command;
  command.title = "Classify genes using annotational terms ";
  command.dialog = [&frame, &output] {
    ClassifyGenesDialog dialog(TheGroup().Settings(),
                               OptionsOpener(frame, kClusteringOptionsPageIndex), frame.Window());
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return false;
    output = dialog.OutputFile();
    return true;
  };
  // The block closes the same way whether or not the table was written; the engine has
  // said why in red.
  command.failureLine = "Finished}";
  command.job = [&output](AnalysisOutcome& outcome) {
    if (!ClassifyGenesByTerms(TheGroup().Settings().GENE_LIST_FILE, output,
                              ClassifyGenesDialog::OnlySignificant()))
      return false;
    LogMessage("  " + output + " exported");
    outcome.files.push_back({output, true});
    return true;
  };
  RunAnalysisCommand(frame, command);
}

void MoreGeneInformationCommand(ShellFrame& frame) {
  AnalysisCommand command;
  command.title = "Reading additional gene information file ";
  command.dialog = [] {
    FileDialogRequest request;
    request.open = true;
    request.startFile = gMoreGeneInfoFile;
    request.defaultExtension = "xls";
    request.filter = kDataFileFilter;
    const std::optional<std::string> chosen = Prompts().FileName(request);
    if (!chosen || chosen->empty()) return false;
    gMoreGeneInfoFile = *chosen;
    return true;
  };
  // The reader has logged in red what went wrong; the block ends alike either way.
  command.failureLine = "Finished}";
  command.job = [](AnalysisOutcome&) { return ReadGeneInfoFile(gMoreGeneInfoFile, false); };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterAnnotationCommands(CommandRegistry& registry) {
  registry.Add(ids::kGeneListByAnnotation, GeneListByAnnotationCommand);
  registry.Add(ids::kGeneListByKeywords, GeneListByKeywordsCommand);
  registry.Add(ids::kClassifyGenes, ClassifyGenesCommand);
  registry.Add(ids::kMoreGeneInformation, MoreGeneInformationCommand);
}

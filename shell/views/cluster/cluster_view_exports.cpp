// The cluster view's table exports: the data of the selected branches, the samples'
// correlation matrix and the probe sets of the marked genes' genes.
#include <QDialog>

#include <cerrno>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/output_file_registry.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_exports.hpp"
#include "platform/system_error.hpp"
#include "shell/dialogs/cluster/export_branch_dialog.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/cluster/cluster_drawing.hpp"
#include "shell/views/cluster/cluster_view.hpp"

namespace {

// The exports pick leaves by their marks: set here as the unperturbed picture sets them,
// whether or not it was painted since the selection changed.
void MarkShownBranches(bool unperturbed) {
  if (!unperturbed) return;
  for (CLUSTER* tree : {GeneTree(), SampleTree()})
    if (tree != nullptr) MarkClusterBranches(*tree);
}

}  // namespace

void CClusterView::ExportBranchData() {
  std::string path;
  {
    ExportBranchDialog dialog(
        ChangeExtension(TheGroup().Settings().GENE_LIST_FILE, " cluster data.xls"),
        mFrame.Window());
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
    path = dialog.OutputFile();
  }
  MarkShownBranches(mShowUnperturbed);
  const GroupRunOptions& options = TheGroup().RunOptions();
  errno = 0;
  if (!::ExportBranchData(path, options.branchExportStandardized, options.branchExportCutTree,
                          options.branchExportColoredBranches)) {
    AfxMessageBox(platform::WithSystemReason(kBranchDataFailedMessage + path, errno) +
                  kBranchDataFailedAdvice);
    return;
  }
  RegisterOutputFile(path, true);
  AfxMessageBox(kBranchDataExportedMessage + path);
}

void CClusterView::SampleCorrelation() {
  LogMessage("{Ouput sample correlation matrix based on genes in clustering figure", 0, kLogBlue);
  MarkShownBranches(mShowUnperturbed);
  static_cast<void>(ExportCorrelationMatrix());
  LogMessage("Finished}\n", 0, kLogBlue);
}

void CClusterView::ExportSameGene() {
  MarkShownBranches(mShowUnperturbed);
  ExportSameGeneProbeSets();
}

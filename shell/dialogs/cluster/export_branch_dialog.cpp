// The branch export dialog.
#include "shell/dialogs/cluster/export_branch_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>
#include <utility>

#include "engine/group/group.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

ExportBranchDialog::ExportBranchDialog(std::string outputFile, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Export data for selected branch")),
      mOutputFile(std::move(outputFile)) {
  const GroupRunOptions& options = TheGroup().RunOptions();
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Output file:"), this), 0, 0);
  mOutput = OptionFileButton(kOutputFile, this);
  SetControlText(mOutput, ToQString(mOutputFile));
  grid->addWidget(mOutput, 0, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  mStandardized =
      OptionCheck("&Gene-wise standardized values (with average profile)", kStandardized, this);
  mCutTree = OptionCheck(
      "&Cut the gene tree at the height of current branch and export all branches", kCutTree, this);
  mColoredBranches = OptionCheck("&Ouput all colored gene branches", kColoredBranches, this);
  mStandardized->setChecked(options.branchExportStandardized);
  mCutTree->setChecked(options.branchExportCutTree);
  mColoredBranches->setChecked(options.branchExportColoredBranches);
  for (QCheckBox* box : {mStandardized, mCutTree, mColoredBranches}) layout->addWidget(box);
  AddOkCancelRow(*this, *layout);

  // Cutting the tree and the coloured branches are two ways of choosing the branches.
  connect(mCutTree, &QCheckBox::toggled, this, [this](bool on) {
    if (on) mColoredBranches->setChecked(false);
  });
  connect(mColoredBranches, &QCheckBox::toggled, this, [this](bool on) {
    if (on) mCutTree->setChecked(false);
  });
  connect(mOutput, &QPushButton::clicked, this, [this] {
    FileDialogRequest request;
    request.open = false;
    request.startFile = mOutputFile;
    request.defaultExtension = "xls";
    request.filter = kDataFileFilter;
    const std::optional<std::string> chosen = Prompts().FileName(request);
    if (!chosen) return;
    mOutputFile = *chosen;
    SetControlText(mOutput, ToQString(mOutputFile));
  });
}

void ExportBranchDialog::accept() {
  GroupRunOptions& options = TheGroup().RunOptions();
  options.branchExportStandardized = mStandardized->isChecked();
  options.branchExportCutTree = mCutTree->isChecked();
  options.branchExportColoredBranches = mColoredBranches->isChecked();
  QDialog::accept();
}

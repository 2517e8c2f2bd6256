// The dialog that classifies the genes of a gene list by their annotation terms.
#include "shell/dialogs/annotation/classify_genes_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

bool gOnlySignificant = false;

}  // namespace

bool ClassifyGenesDialog::OnlySignificant() {
  return gOnlySignificant;
}

ClassifyGenesDialog::ClassifyGenesDialog(GroupSettings& settings, std::function<void()> openOptions,
                                         QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Classify genes by annotation terms")),
      mSettings(settings) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  grid->addWidget(new QLabel(QStringLiteral("Gene list file"), this), 0, 0);
  mGeneList = OptionFileButton(kGeneListButton, this);
  grid->addWidget(mGeneList, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Output file"), this), 1, 0);
  mOutput = OptionFileButton(kOutputButton, this);
  grid->addWidget(mOutput, 1, 1);
  grid->setColumnStretch(1, 1);
  mOnlySignificant =
      OptionCheck("Only report significant results (the p-value is set in the options)",
                  kOnlySignificant, this);
  mOnlySignificant->setChecked(gOnlySignificant);
  layout->addWidget(mOnlySignificant);
  auto* help = ManualLink("classify-genes", this);
  layout->addWidget(help);
  AddOptionsButtonRow(*this, *layout, std::move(openOptions));

  ShowFileName(mGeneList, settings.GENE_LIST_FILE, "None");
  FollowGeneList();
  connect(mGeneList, &QPushButton::clicked, this, [this] {
    const std::string before = mSettings.GENE_LIST_FILE;
    BrowseFileName(mGeneList, mSettings.GENE_LIST_FILE, true, false, "None");
    if (mSettings.GENE_LIST_FILE != before) FollowGeneList();
  });
  BrowseOnClick(mOutput, mOutputFile, false, false, "None");
}

void ClassifyGenesDialog::FollowGeneList() {
  mOutputFile = IsNone(mSettings.GENE_LIST_FILE)
                    ? std::string()
                    : ChangeExtension(mSettings.GENE_LIST_FILE, " classified.xls");
  ShowFileName(mOutput, mOutputFile, "None");
}

void ClassifyGenesDialog::accept() {
  if (IsNone(mSettings.GENE_LIST_FILE)) {
    AfxMessageBox(kNoClassifyListMessage);
    return;
  }
  gOnlySignificant = mOnlySignificant->isChecked();
  QDialog::accept();
}

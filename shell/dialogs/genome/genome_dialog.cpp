// The genome dialog.
#include "shell/dialogs/genome/genome_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/group/group_settings.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

GenomeDialog::GenomeDialog(GroupSettings& settings, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Show genes in the genome")),
      mSettings(settings),
      mGenomeInfoFile(settings.GENOME_INFO_FILE),
      mGeneListFile(settings.GENE_LIST_FILE) {
  auto* layout = new QVBoxLayout(this);
  auto* files = new QGridLayout;
  files->addWidget(new QLabel(QStringLiteral("Genome information file:"), this), 0, 0);
  mGenomeInfo = OptionFileButton(kGenomeInfoButton, mGenomeInfoFile, true, false, "None", this);
  files->addWidget(mGenomeInfo, 0, 1);
  files->addWidget(new QLabel(QStringLiteral("Gene list:"), this), 1, 0);
  mGeneList = OptionFileButton(kGeneListButton, mGeneListFile, true, true, "None", this);
  mGeneList->setToolTip(QStringLiteral("Gene list file"));
  files->addWidget(mGeneList, 1, 1);
  files->addWidget(new QLabel(QStringLiteral("A gene list can be obtained by \"Analysis/Filter "
                                             "genes; Compare samples\""),
                              this),
                   2, 1);
  files->addWidget(new QLabel(QStringLiteral("(do not specify gene info file here)"), this), 3, 1);
  files->setColumnStretch(1, 1);
  layout->addLayout(files);

  auto* stretch = new QGroupBox(QStringLiteral("Significant gene stretch"), this);
  auto* stretchLayout = new QGridLayout(stretch);
  mOutline = OptionCheck("&Outline stretch", kOutlineStretch, stretch);
  mOutline->setChecked(settings.OUTLINE_GENE_STRETCH != 0);
  stretchLayout->addWidget(mOutline, 0, 0, 1, 2);
  stretchLayout->addWidget(new QLabel(QStringLiteral("P value threshold:"), stretch), 1, 0);
  mThreshold = OptionEdit(kPValueThreshold, stretch);
  ShowDouble(mThreshold, settings.CHRO_PVALUE);
  stretchLayout->addWidget(mThreshold, 1, 1);
  layout->addWidget(stretch);

  auto* help = ManualLink("genome", this, "Help and download genome info files");
  layout->addWidget(help);
  AddOkCancelRow(*this, *layout);

  mGeneList->setEnabled(GeneTree() == nullptr);
}

void GenomeDialog::accept() {
  double threshold = mSettings.CHRO_PVALUE;
  if (!ReadDoubleField(mThreshold, 0.0, 1.0, threshold)) return;
  mSettings.CHRO_PVALUE = threshold;
  mSettings.OUTLINE_GENE_STRETCH = mOutline->isChecked() ? 1 : 0;
  mSettings.GENOME_INFO_FILE = mGenomeInfoFile;
  mSettings.GENE_LIST_FILE = mGeneListFile;
  QDialog::accept();
}

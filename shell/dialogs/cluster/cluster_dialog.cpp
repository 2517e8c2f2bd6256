// The clustering dialog.
#include "shell/dialogs/cluster/cluster_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group_settings.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

ClusterDialog::ClusterDialog(GroupSettings& settings, std::function<void()> openOptions,
                             QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Hierarchical Clustering")),
      mSettings(settings) {
  auto* layout = new QVBoxLayout(this);

  mGenes = new QCheckBox(QStringLiteral("Cluster &genes"), this);
  mGenes->setObjectName(ControlName(kClusterGenes));
  mGenes->setChecked(settings.CLUSTER_GENE != 0);
  layout->addWidget(mGenes);
  mSamples = new QCheckBox(QStringLiteral("&Cluster samples"), this);
  mSamples->setObjectName(ControlName(kClusterSamples));
  mSamples->setChecked(settings.CLUSTER_SAMPLE != 0);
  layout->addWidget(mSamples);
  mStandardize = new QCheckBox(QStringLiteral("&Standardize columns for sample clustering"), this);
  mStandardize->setObjectName(ControlName(kStandardizeColumns));
  mStandardize->setChecked(settings.STANDARDIZE_COL != 0);
  mStandardize->setEnabled(mSamples->isChecked());
  layout->addWidget(mStandardize);
  // Columns are standardised only for the sample tree.
  connect(mSamples, &QCheckBox::toggled, mStandardize, &QCheckBox::setEnabled);

  auto* fileRow = new QGridLayout;
  auto* fileLabel = new QLabel(QStringLiteral("Gene &list or tree file:"), this);
  mGeneList = new QPushButton(this);
  mGeneList->setObjectName(ControlName(kGeneListButton));
  fileLabel->setBuddy(mGeneList);
  fileRow->addWidget(fileLabel, 0, 0);
  fileRow->addWidget(mGeneList, 0, 1);
  fileRow->setColumnStretch(1, 1);
  layout->addLayout(fileRow);
  ShowFileName(mGeneList, settings.GENE_LIST_FILE, "None");
  BrowseOnClick(mGeneList, mSettings.GENE_LIST_FILE, true, false, "None");

  auto* note = new QLabel(
      QStringLiteral("A gene list file comes from \"Analysis/Filter genes\", \"Analysis/Compare "
                     "samples\" or \"Tools/Gene list file\"; a tree file from \"Clustering/Save "
                     "tree\"."),
      this);
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* help = ManualLink("hierarchical-clustering", this);
  layout->addWidget(help);

  AddOptionsButtonRow(*this, *layout, std::move(openOptions));
}

void ClusterDialog::accept() {
  if (IsNone(mSettings.GENE_LIST_FILE)) {
    AfxMessageBox(kNoGeneListMessage);
    return;
  }
  mSettings.CLUSTER_GENE = mGenes->isChecked() ? 1 : 0;
  mSettings.CLUSTER_SAMPLE = mSamples->isChecked() ? 1 : 0;
  mSettings.STANDARDIZE_COL = mStandardize->isChecked() ? 1 : 0;
  QDialog::accept();
}

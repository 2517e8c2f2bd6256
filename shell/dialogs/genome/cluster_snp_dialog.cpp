// The cluster-SNP dialog.
#include "shell/dialogs/genome/cluster_snp_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/group/group.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

ClusterSnpDialog::ClusterSnpDialog(QWidget* parent, std::function<void()> openOptions)
    : NamedDialog(parent, kDialogId, QStringLiteral("Cluster SNP data")) {
  auto* layout = new QVBoxLayout(this);
  auto* display = new QGroupBox(QStringLiteral("Data display"), this);
  auto* choices = new QVBoxLayout(display);
  mNone = OptionCheck("&No clustering", kNoClustering, display);
  mSamples = OptionCheck("&Cluster samples", kClusterSamples, display);
  mRegions = OptionCheck("Cluster chromosome &regions", kClusterRegions, display);
  mSamples->setChecked(ShowSampleTree);
  mRegions->setChecked(ShowRegionTree);
  mNone->setChecked(!ShowSampleTree && !ShowRegionTree);
  for (QCheckBox* box : {mNone, mSamples, mRegions}) {
    choices->addWidget(box);
    connect(box, &QCheckBox::clicked, this, [this, box] { Settle(box); });
  }
  layout->addWidget(display);

  auto* file = new QGridLayout;
  auto* label = new QLabel(QStringLiteral("Chromosome region &file:"), this);
  mRegionFile = TheGroup().Settings().CHRO_REGION_FILE;
  mFile = OptionFileButton(kRegionFile, this);
  ShowFileName(mFile, mRegionFile, "None");
  label->setBuddy(mFile);
  file->addWidget(label, 0, 0);
  file->addWidget(mFile, 0, 1);
  file->setColumnStretch(1, 1);
  layout->addLayout(file);
  layout->addWidget(new QLabel(
      QStringLiteral(
          "Use SNPs with thresholding. Select \"Options\" to adjust Min, Max or Threshold"),
      this));
  auto* help = ManualLink("snp-clustering", this);
  layout->addWidget(help);
  AddOptionsButtonRow(*this, *layout, std::move(openOptions));

  BrowseOnClick(mFile, mRegionFile, true, true, "Do not use");
}

bool ClusterSnpDialog::ClusterSamples() const {
  return mSamples->isChecked();
}

bool ClusterSnpDialog::ClusterRegions() const {
  return mRegions->isChecked();
}

void ClusterSnpDialog::Settle(QCheckBox* clicked) {
  if (clicked == mNone && mNone->isChecked()) {
    mSamples->setChecked(false);
    mRegions->setChecked(false);
  } else if (clicked != mNone && clicked->isChecked()) {
    mNone->setChecked(false);
  }
  if (!mSamples->isChecked() && !mRegions->isChecked()) mNone->setChecked(true);
}

void ClusterSnpDialog::accept() {
  ShowSampleTree = ClusterSamples();
  ShowRegionTree = ClusterRegions();
  TheGroup().Settings().CHRO_REGION_FILE = mRegionFile;
  QDialog::accept();
}

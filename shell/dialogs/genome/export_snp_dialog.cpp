// The SNP export dialog.
#include "shell/dialogs/genome/export_snp_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/group/group.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

ExportSnpDialog::ExportSnpDialog(std::function<void()> openOptions, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Export SNP data")) {
  const Group& group = TheGroup();
  const GroupRunOptions& options = group.RunOptions();
  auto* layout = new QVBoxLayout(this);
  mDataUnderView = new QRadioButton(QStringLiteral("&Data under view"), this);
  mDataUnderView->setObjectName(ControlName(kDataUnderView));
  mRegions = new QRadioButton(QStringLiteral("&Regions with significant curve value"), this);
  mRegions->setObjectName(ControlName(kSignificantRegions));
  mWhat = options.snpExportWhat;
  (mWhat == kExportSignificantRegions ? mRegions : mDataUnderView)->setChecked(true);
  layout->addWidget(mDataUnderView);
  layout->addWidget(mRegions);

  auto* genes = new QHBoxLayout;
  mGenesPerRegion = OptionEdit(kGenesPerRegion, this);
  mGenesPerRegion->setMaximumWidth(60);
  ShowInt(mGenesPerRegion, options.snpExportGenesPerRegion);
  genes->addWidget(new QLabel(QStringLiteral("Output upto "), this));
  genes->addWidget(mGenesPerRegion);
  genes->addWidget(new QLabel(QStringLiteral("genes in each region"), this));
  genes->addStretch(1);
  layout->addLayout(genes);
  mRegionPerRow = OptionCheck("Ouput each region in one row", kRegionPerRow, this);
  mRegionPerRow->setChecked(options.snpExportRegionPerRow);
  layout->addWidget(mRegionPerRow);

  auto* file = new QGridLayout;
  file->addWidget(new QLabel(QStringLiteral("Output file:"), this), 0, 0);
  mOutputFile = platform::JoinPath(group.Settings().WORKING_DIR, group.Name() + " data.xls");
  mOutput = OptionFileButton(kOutputFile, this);
  SetControlText(mOutput, ToQString(mOutputFile));
  file->addWidget(mOutput, 0, 1);
  file->setColumnStretch(1, 1);
  layout->addLayout(file);
  auto* help = ManualLink("snp-export-data", this);
  layout->addWidget(help);
  AddOptionsButtonRow(*this, *layout, std::move(openOptions));

  BrowseOnClick(mOutput, mOutputFile, false, false, "");
}

void ExportSnpDialog::accept() {
  GroupRunOptions& options = TheGroup().RunOptions();
  int genes = options.snpExportGenesPerRegion;
  if (!ReadIntField(mGenesPerRegion, 0, kMaxGenesPerRegion, genes)) return;
  mWhat = mRegions->isChecked() ? kExportSignificantRegions : kExportDataUnderView;
  options.snpExportWhat = mWhat;
  options.snpExportGenesPerRegion = genes;
  options.snpExportRegionPerRow = mRegionPerRow->isChecked();
  QDialog::accept();
}

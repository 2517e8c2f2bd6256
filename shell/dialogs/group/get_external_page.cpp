// The "Data" page of the Get External Data sheet.
#include "shell/dialogs/group/get_external_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/group/group_name_box.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

GetExternalDlg::GetExternalDlg(QWidget* parent) : PropertyPage(parent) {
  setObjectName(ControlName(kPageId));
  auto* layout = new QVBoxLayout(this);

  mGroupName = AddGroupNameFrame(*this, *layout, [this] { ShowSettings(); });

  auto* fileBox = new QGroupBox(QStringLiteral("Data file (tab-delimited text format)"), this);
  auto* fileRow = new QHBoxLayout(fileBox);
  auto* fileButton = new QPushButton(QStringLiteral("Data file"), fileBox);
  fileButton->setObjectName(ControlName(kDataFileButton));
  mDataFile = new QLineEdit(fileBox);
  mDataFile->setObjectName(ControlName(kDataFile));
  fileRow->addWidget(fileButton);
  fileRow->addWidget(mDataFile, 1);
  layout->addWidget(fileBox);

  mHasBoth = OptionCheck("Has both expression/signal and Presence/SNP call", kHasBoth, this);
  mHasStd = OptionCheck("Has standard error after call", kHasStd, this);
  mHasGeneName = OptionCheck("Skip the 2nd column ", kHasGeneName, this);
  auto* geneNameNote =
      new QLabel(QStringLiteral("(Check this if there is gene name column, which Zelko cannot "
                                "read; instead, specify gene name by gene info file)"),
                 this);
  geneNameNote->setWordWrap(true);
  mSnpData = OptionCheck("SNP (Pralune SNP calls) or SSLP (NI/HET/LOH) data", kSnpData, this);
  layout->addWidget(mHasBoth);
  layout->addWidget(mHasStd);
  layout->addWidget(mHasGeneName);
  layout->addWidget(geneNameNote);
  layout->addWidget(mSnpData);
  auto* help = ManualLink("get-external-data", this);
  layout->addWidget(help);
  layout->addStretch(1);

  connect(fileButton, &QPushButton::clicked, this, &GetExternalDlg::BrowseDataFile);

  ShowSettings();
  mGroupName->Fill();
}

std::string GetExternalDlg::GroupName() const {
  return mGroupName->Name();
}

void GetExternalDlg::ShowSettings() {
  const GroupSettings& settings = TheGroup().Settings();
  mDataFile->setText(ToQString(settings.EXTERNAL_DATA_FILE));
  mHasBoth->setChecked(settings.HAS_BOTH != 0);
  mHasStd->setChecked(settings.HAS_STD != 0);
  mHasGeneName->setChecked(settings.HAS_GENE_NAME != 0);
  mSnpData->setChecked(ArrayType != 0);
}

void GetExternalDlg::OnSetActive() {
  ShowSettings();
}

bool GetExternalDlg::OnKillActive() {
  GroupSettings& settings = TheGroup().Settings();
  settings.EXTERNAL_DATA_FILE = FromQString(mDataFile->text());
  settings.HAS_BOTH = mHasBoth->isChecked() ? 1 : 0;
  settings.HAS_STD = mHasStd->isChecked() ? 1 : 0;
  settings.HAS_GENE_NAME = mHasGeneName->isChecked() ? 1 : 0;
  // The SNP kind of an array type already known stays as it is.
  if (!mSnpData->isChecked())
    ArrayType = 0;
  else if (ArrayType == 0)
    ArrayType = 1;
  return true;
}

void GetExternalDlg::BrowseDataFile() {
  FileDialogRequest request;
  request.startFile = FromQString(mDataFile->text());
  request.filter = kDataFileFilter;
  if (const std::optional<std::string> file = Prompt().FileName(request))
    mDataFile->setText(ToQString(*file));
}

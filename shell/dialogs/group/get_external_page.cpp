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

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "shell/dialogs/common/browse_into_edit.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/group/group_name_box.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr SettingChecks::Text kChecks[] = {
    {GetExternalDlg::kHasBoth, "Has both expression/signal and Presence/SNP call",
     &GroupSettings::HAS_BOTH},
    {GetExternalDlg::kHasStd, "Has standard error after call", &GroupSettings::HAS_STD},
    {GetExternalDlg::kHasGeneName, "Skip the 2nd column ", &GroupSettings::HAS_GENE_NAME},
};

}  // namespace

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

  mChecks.AddAll(kChecks, *layout, this);
  auto* geneNameNote =
      new QLabel(QStringLiteral("(Check this if there is gene name column, which Zelko cannot "
                                "read; instead, specify gene name by gene info file)"),
                 this);
  geneNameNote->setWordWrap(true);
  mSnpData = OptionCheck("SNP (Pralune SNP calls) or SSLP (NI/HET/LOH) data", kSnpData, this);
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
  mChecks.Show(settings);
  mSnpData->setChecked(ArrayType != 0);
}

void GetExternalDlg::OnSetActive() {
  ShowSettings();
}

bool GetExternalDlg::OnKillActive() {
  GroupSettings& settings = TheGroup().Settings();
  settings.EXTERNAL_DATA_FILE = FromQString(mDataFile->text());
  mChecks.Read(settings);
  // The SNP kind of an array type already known stays as it is.
  if (!mSnpData->isChecked())
    ArrayType = 0;
  else if (ArrayType == 0)
    ArrayType = 1;
  return true;
}

void GetExternalDlg::BrowseDataFile() {
  BrowseIntoEdit(*mDataFile);
}

// The "Data files" page of the Open Group sheet.
#include "shell/dialogs/group/extract_data_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

#include "engine/group/group.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/group/group_name_box.hpp"
#include "shell/dialogs/group/open_group_state.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

ExtractDataDlg::ExtractDataDlg(OpenGroupState& state, QWidget* parent)
    : PropertyPage(parent), mState(state) {
  setObjectName(ControlName(kPageId));
  mState.ignoreExistingQvf = false;
  auto* layout = new QVBoxLayout(this);

  mGroupName = AddGroupNameFrame(*this, *layout, [this] { ShowSettings(); });

  auto* dataBox = new QGroupBox(QStringLiteral("Data directory or data file list"), this);
  auto* dataGrid = new QGridLayout(dataBox);
  auto* folderButton = new QPushButton(QStringLiteral("&Data directory"), dataBox);
  folderButton->setObjectName(ControlName(kDataDirectoryButton));
  auto* listButton = new QPushButton(QStringLiteral("Data file list (.txt)"), dataBox);
  listButton->setObjectName(ControlName(kDataFileListButton));
  mDataPath = new QLineEdit(dataBox);
  mDataPath->setObjectName(ControlName(kDataPath));
  dataGrid->addWidget(folderButton, 0, 0);
  dataGrid->addWidget(listButton, 0, 1);
  dataGrid->addWidget(mDataPath, 1, 0, 1, 2);
  layout->addWidget(dataBox);

  auto* kindBox = new QGroupBox(QStringLiteral("Data file type"), this);
  auto* kindRow = new QHBoxLayout(kindBox);
  mReadDat = mChecks.Add("DAT", kReadDat, &GroupSettings::READ_DAT, kindBox);
  mReadCel = mChecks.Add("CEL", kReadCel, &GroupSettings::READ_CEL, kindBox);
  mReadQvf = mChecks.Add("QVF(Zelko) ", kReadQvf, &GroupSettings::READ_QVF, kindBox);
  kindRow->addWidget(mReadDat);
  kindRow->addWidget(mReadCel);
  kindRow->addWidget(mReadQvf);
  layout->addWidget(kindBox);

  QCheckBox* useUnnormalized = mChecks.Add("Read &unnormalized probe data", kUseUnnormalized,
                                           &GroupSettings::USE_UNNORM, this);
  mIgnoreExistingQvf = OptionCheck("&Ignore existing QVF file", kIgnoreExistingQvf, this);
  mQex5Signal = OptionCheck("Read in QEX5 &Signal", kQex5Signal, this);
  layout->addWidget(useUnnormalized);
  layout->addWidget(mIgnoreExistingQvf);
  layout->addWidget(mQex5Signal);
  auto* help = ManualLink("open-group", this);
  layout->addWidget(help);
  layout->addStretch(1);

  connect(folderButton, &QPushButton::clicked, this, &ExtractDataDlg::BrowseDataFolder);
  connect(listButton, &QPushButton::clicked, this, &ExtractDataDlg::BrowseDataFileList);
  // Reading the arrays afresh cannot take their values from the QVF files.
  connect(mIgnoreExistingQvf, &QCheckBox::toggled, this, [this](bool on) {
    if (on) mReadQvf->setChecked(false);
  });
  // The signal values come from the result files, so the QVF files are read again.
  connect(mQex5Signal, &QCheckBox::toggled, this, [this](bool on) {
    if (on) mIgnoreExistingQvf->setChecked(true);
  });

  ShowSettings();
  mGroupName->Fill();
}

std::string ExtractDataDlg::GroupName() const {
  return mGroupName->Name();
}

void ExtractDataDlg::ShowSettings() {
  const GroupSettings& settings = TheGroup().Settings();
  mDataPath->setText(ToQString(settings.DATA_PATH));
  mChecks.Show(settings);
  mQex5Signal->blockSignals(true);
  mQex5Signal->setChecked(settings.QEX5_SIGNAL != 0);
  mQex5Signal->blockSignals(false);
  mIgnoreExistingQvf->blockSignals(true);
  mIgnoreExistingQvf->setChecked(mState.ignoreExistingQvf);
  mIgnoreExistingQvf->blockSignals(false);
}

void ExtractDataDlg::OnSetActive() {
  ShowSettings();
}

bool ExtractDataDlg::OnKillActive() {
  if (GroupName().empty()) {
    AfxMessageBox("Please specify a group name");
    mGroupName->Box()->setFocus();
    return false;
  }
  if (mDataPath->text().isEmpty()) {
    AfxMessageBox("Please specify data directory or data file list");
    mDataPath->setFocus();
    return false;
  }
  if (!mReadDat->isChecked() && !mReadCel->isChecked() && !mReadQvf->isChecked()) {
    AfxMessageBox("Please specify data file type");
    return false;
  }
  GroupSettings& settings = TheGroup().Settings();
  settings.DATA_PATH = FromQString(mDataPath->text());
  mChecks.Read(settings);
  settings.QEX5_SIGNAL = mQex5Signal->isChecked() ? 1 : 0;
  mState.ignoreExistingQvf = mIgnoreExistingQvf->isChecked();
  return true;
}

void ExtractDataDlg::BrowseDataFolder() {
  BrowseFolderStart = FromQString(mDataPath->text());
  if (const std::optional<std::string> folder = Prompt().FolderName("Data directory"))
    mDataPath->setText(ToQString(*folder));
}

void ExtractDataDlg::BrowseDataFileList() {
  FileDialogRequest request;
  request.filter = kDataFileFilter;
  if (const std::optional<std::string> file = Prompt().FileName(request))
    mDataPath->setText(ToQString(*file));
}

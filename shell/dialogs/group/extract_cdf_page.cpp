// The "Other information" page shared by the two group sheets.
#include "shell/dialogs/group/extract_cdf_page.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

#include "engine/group/group.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/browse_into_edit.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/static_link.hpp"
#include "shell/dialogs/group/open_group_state.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/services/web_addresses.hpp"

namespace {

constexpr const char* kChipFilter =
    "Chip Description Files (*.cdf;*.pgf)|*.cdf;*.cdf.bin;*.pgf|All Files (*.*)|*.*||";

QPushButton* Button(const char* text, int id, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(ControlName(id));
  return button;
}

CStaticLink* Link(const char* text, const char* anchor, int id, QWidget* parent) {
  auto* link =
      new CStaticLink(QString::fromLatin1(text), std::string(kManualAddress) + anchor, parent);
  link->setObjectName(ControlName(id));
  return link;
}

}  // namespace

ExtractCdfDlg::ExtractCdfDlg(OpenGroupState& state, QWidget* parent)
    : PropertyPage(parent), mState(state) {
  setObjectName(ControlName(kPageId));
  mState.rebuildLayoutCache = false;
  auto* grid = new QGridLayout(this);
  int row = 0;

  mCdfButton = Button("CDF file", kCdfFileButton, this);
  mCdfFile = OptionEdit(kCdfFile, this);
  mRebuild = new QCheckBox(QStringLiteral("&Ignore existing .cdf.bin file"), this);
  mRebuild->setObjectName(ControlName(kRebuildLayoutCache));
  grid->addWidget(mCdfButton, row, 0);
  grid->addWidget(mCdfFile, row++, 1, 1, 2);
  grid->addWidget(mRebuild, row++, 1, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("Gene information file:"), this), row, 0);
  mGeneInfo = Button("None", kGeneInfoButton, this);
  mGeneInfo->setFlat(true);
  mGeneInfo->setStyleSheet(QStringLiteral("text-align: left"));
  grid->addWidget(mGeneInfo, row, 1);
  grid->addWidget(Link("website to download files", "#gene-information-file", kDownloadLink, this),
                  row++, 2);
  grid->addWidget(new QLabel(QStringLiteral("(do not specify genome info file here)"), this), row++,
                  1, 1, 2);

  auto* sampleButton = Button("Sample information file", kSampleInfoButton, this);
  mSampleInfo = OptionEdit(kSampleInfoFile, this);
  grid->addWidget(sampleButton, row, 0);
  grid->addWidget(mSampleInfo, row, 1);
  grid->addWidget(Link("Help", "#open-group-sample-information", kSampleInfoHelp, this), row++, 2);

  auto* maskButton = Button("Probe set mask file", kMaskButton, this);
  mMask = OptionEdit(kMaskFile, this);
  grid->addWidget(maskButton, row, 0);
  grid->addWidget(mMask, row, 1);
  grid->addWidget(Link("Help", "#open-group-probe-set-mask", kMaskHelp, this), row++, 2);
  grid->addWidget(new QLabel(QStringLiteral("(Optional)"), this), row++, 1);
  grid->setRowStretch(row, 1);

  // Get External Data reads no chip description.
  const bool withChip = mState.mode != kOpenGroupModeExternal;
  mCdfButton->setVisible(withChip);
  mCdfFile->setVisible(withChip);
  mRebuild->setVisible(withChip);

  connect(mCdfButton, &QPushButton::clicked, this,
          [this] { BrowseInto(mCdfFile, "cdf", kChipFilter); });
  connect(sampleButton, &QPushButton::clicked, this,
          [this] { BrowseInto(mSampleInfo, "", kDataFileFilter); });
  connect(maskButton, &QPushButton::clicked, this,
          [this] { BrowseInto(mMask, "", kDataFileFilter); });
  connect(mMask, &QLineEdit::textEdited, this, &ExtractCdfDlg::MaskChanged);
  BrowseOnClick(mGeneInfo, mGeneInfoFile, true, true, "None");

  ShowSettings();
}

void ExtractCdfDlg::ShowSettings() {
  const GroupSettings& settings = TheGroup().Settings();
  mCdfFile->setText(ToQString(settings.CDF_FILE));
  mGeneInfoFile = settings.GENE_NAME_FILE;
  ShowFileName(mGeneInfo, mGeneInfoFile, "None");
  mSampleInfo->setText(ToQString(settings.SAMPLE_INFO_FILE));
  mMask->setText(ToQString(settings.MASK_FILE));
  mRebuild->setChecked(mState.rebuildLayoutCache);
}

void ExtractCdfDlg::OnSetActive() {
  ShowSettings();
}

bool ExtractCdfDlg::OnKillActive() {
  if (mState.mode != kOpenGroupModeExternal && mCdfFile->text().isEmpty()) {
    AfxMessageBox("Please specify CDF file for this chip type");
    mCdfFile->setFocus();
    return false;
  }
  GroupSettings& settings = TheGroup().Settings();
  if (mState.mode != kOpenGroupModeExternal) settings.CDF_FILE = FromQString(mCdfFile->text());
  settings.GENE_NAME_FILE = mGeneInfoFile;
  settings.SAMPLE_INFO_FILE = FromQString(mSampleInfo->text());
  settings.MASK_FILE = FromQString(mMask->text());
  mState.rebuildLayoutCache = mRebuild->isChecked();
  return true;
}

void ExtractCdfDlg::BrowseInto(QLineEdit* edit, const char* defaultExtension, const char* filter) {
  if (BrowseIntoEdit(*edit, defaultExtension, filter) && edit == mMask) MaskChanged();
}

// Another mask changes which probe sets the layout keeps, so neither the chip cache nor
// the QVF files made under the old mask can be used.
void ExtractCdfDlg::MaskChanged() {
  mRebuild->setChecked(true);
  mState.rebuildLayoutCache = true;
  mState.ignoreExistingQvf = true;
}

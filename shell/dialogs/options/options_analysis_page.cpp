// The options sheet's Analysis page.
#include "shell/dialogs/options/options_analysis_page.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

#include "engine/group/group_settings.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/options/option_values.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr SettingChecks::Text kChecks[] = {
    {OptionsAnalysisPage::kAllowMissing,
     "Treat array outlier as missing expression value (also in clustering)",
     &GroupSettings::ALLOW_MISSING},
    {OptionsAnalysisPage::kOutputAccession,
     "Additional gene information (e.g. Accession,  Kandorvale description)",
     &GroupSettings::OUTPUT_ACC},
    {OptionsAnalysisPage::kLocusLinkName,
     "Gene name from LocusLink when available (also in clustering)",
     &GroupSettings::LOCUS_LINK_NAME},
    {OptionsAnalysisPage::kMaskRedundant, "Mask redundant probe sets",
     &GroupSettings::MASK_REDUNDANT},
    {OptionsAnalysisPage::kInsertFile, "Insert Excel and Image outputs into the Analysis View",
     &GroupSettings::INSERT_FILE},
    {OptionsAnalysisPage::kLinkDialog, "Show online link dialog when accessing Internet",
     &GroupSettings::LINK_DIALOG},
    {OptionsAnalysisPage::kConsiderError, "Consider measurement error when averaging ",
     &GroupSettings::CONSIDER_ERROR},
    {OptionsAnalysisPage::kOmitControls,
     "Omit Kandorvale control probe set at filtering and comparison", &GroupSettings::OMIT_VOSK},
    {OptionsAnalysisPage::kQvfInWorking, "Search and save QVF files in the Working Directory",
     &GroupSettings::QVF_IN_WORKING},
    {OptionsAnalysisPage::kLoadProbeData, "&Load probe data in memory",
     &GroupSettings::LOAD_PROBE_DATA},
    {OptionsAnalysisPage::kAllowUnknown, "Allow TXT/info file to have unknown probe sets",
     &GroupSettings::ALLOW_TXT_HAS_UNKNOWN},
    {OptionsAnalysisPage::kShowRIcon, "Show \"R View\" icon", &GroupSettings::SHOW_R_ICON},
};

bool IsSeparator(char ch) {
  return ch == '\\' || ch == '/';
}

}  // namespace

std::string CleanFolderText(std::string_view text) {
  std::string folder;
  for (const char ch : text) {
    if (IsSeparator(ch) && !folder.empty() && folder.back() == ch) continue;
    folder.push_back(ch);
  }
  // A lone separator is the root, not a trailing one.
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  return folder;
}

OptionsAnalysisPage::OptionsAnalysisPage(OptionValues& values, QWidget* parent)
    : PropertyPage(parent), mValues(values) {
  setObjectName(ControlName(kPageId));
  auto* layout = new QVBoxLayout(this);
  mChecks.AddAll(kChecks, *layout, this);
  mPmOnly = OptionCheck("Array only has PM probes", kPmOnly, this);
  layout->addWidget(mPmOnly);

  auto* logRow = new QHBoxLayout;
  mLogTransform = OptionCheck("Log", kLogTransform, this);
  mLogBase = OptionEdit(kLogBase, this);
  mLogBase->setMaximumWidth(60);
  logRow->addWidget(mLogTransform);
  logRow->addWidget(mLogBase);
  logRow->addWidget(new QLabel(QStringLiteral("transform expression values"), this));
  logRow->addStretch(1);
  layout->addLayout(logRow);

  auto* folderRow = new QHBoxLayout;
  auto* folderButton = new QPushButton(QStringLiteral("Working directory:"), this);
  folderButton->setObjectName(ControlName(kWorkingDirectoryButton));
  folderButton->setAutoDefault(false);
  mWorkingDirectory = OptionEdit(kWorkingDirectory, this);
  folderRow->addWidget(folderButton);
  folderRow->addWidget(mWorkingDirectory, 1);
  layout->addLayout(folderRow);
  layout->addStretch(1);

  connect(folderButton, &QPushButton::clicked, this, &OptionsAnalysisPage::BrowseWorkingDirectory);
  OnSetActive();
}

void OptionsAnalysisPage::OnSetActive() {
  const GroupSettings& settings = mValues.settings;
  mChecks.Show(settings);
  mPmOnly->setChecked(mValues.pmOnly != 0);
  mLogTransform->setChecked(settings.LOG_TRANSFORM != 0);
  ShowDouble(mLogBase, settings.LOG_BASE);
  mWorkingDirectory->setText(ToQString(settings.WORKING_DIR));
}

bool OptionsAnalysisPage::OnKillActive() {
  double logBase = 0.0;
  if (!ReadDoubleField(mLogBase, 0.0, kMaxLogBase, logBase)) return false;
  GroupSettings& settings = mValues.settings;
  mChecks.Read(settings);
  mValues.pmOnly = mPmOnly->isChecked() ? 1 : 0;
  settings.LOG_TRANSFORM = mLogTransform->isChecked() ? 1 : 0;
  settings.LOG_BASE = logBase;
  settings.WORKING_DIR = CleanFolderText(FromQString(mWorkingDirectory->text()));
  return true;
}

void OptionsAnalysisPage::BrowseWorkingDirectory() {
  BrowseFolderStart = FromQString(mWorkingDirectory->text());
  if (const std::optional<std::string> folder = Prompt().FolderName("Working directory"))
    mWorkingDirectory->setText(ToQString(*folder));
}

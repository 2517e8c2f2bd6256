// The options sheet's Model page.
#include "shell/dialogs/options/options_model_page.hpp"

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
#include <string>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/options/option_values.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr SettingChecks::Text kChecks[] = {
    {OptionsModelPage::kSingleOutlier, "Check single outlier",
     &GroupSettings::DETECT_SINGLE_OUTLIER},
    {OptionsModelPage::kArrayOutlier, "Check array outlier", &GroupSettings::DETECT_ARRAY_OUTLIER},
    {OptionsModelPage::kProbeOutlier, "Check probe outlier", &GroupSettings::DETECT_PROBE_OUTLIER},
    {OptionsModelPage::kImageSpike, "Treat image spikes as single outlier",
     &GroupSettings::HANDLE_IMAGE_SPIKE},
    {OptionsModelPage::kNoReplicateOutlier, "Do not call all replicate arrays as array outlier",
     &GroupSettings::NO_REP_ARRAY_OUTLIER},
    {OptionsModelPage::kZeroNegative, "Truncate negative PM/MM difference to 0",
     &GroupSettings::ZERO_NEG_DIFF},
};

}  // namespace

OptionsModelPage::OptionsModelPage(OptionValues& values, QWidget* parent)
    : PropertyPage(parent), mValues(values) {
  setObjectName(ControlName(kPageId));
  auto* layout = new QVBoxLayout(this);

  auto* methods = new QGridLayout;
  mModelMethod = OptionCombo({"PM/MM difference model", "PM-only model", "Average Difference"},
                             kModelMethod, this);
  mNormMethod =
      OptionCombo({"Invariant set normalization", "Quantile normalization"}, kNormMethod, this);
  methods->addWidget(new QLabel(QStringLiteral("Method used:"), this), 0, 0);
  methods->addWidget(mModelMethod, 0, 1);
  methods->addWidget(new QLabel(QStringLiteral("Normalization method:"), this), 1, 0);
  methods->addWidget(mNormMethod, 1, 1);
  layout->addLayout(methods);

  mChecks.AddAll(kChecks, *layout, this);

  auto* excludeRow = new QHBoxLayout;
  mExcludedProbes = OptionEdit(kExcludedProbes, this);
  mExcludedProbes->setMaximumWidth(60);
  excludeRow->addWidget(new QLabel(QStringLiteral("Exclude"), this));
  excludeRow->addWidget(mExcludedProbes);
  excludeRow->addWidget(new QLabel(QStringLiteral("5' probes"), this));
  excludeRow->addStretch(1);
  layout->addLayout(excludeRow);

  auto* snpBox = new QGroupBox(QStringLiteral("SNP array"), this);
  auto* snpRow = new QVBoxLayout(snpBox);
  mSeparateAb = OptionCheck("Compute signals separately for A and B allele", kSeparateAb, snpBox);
  snpRow->addWidget(mSeparateAb);
  layout->addWidget(snpBox);

  auto* psiBox = new QGroupBox(QStringLiteral("Probe sensitivity index"), this);
  auto* psiGrid = new QGridLayout(psiBox);
  mPsiMode = OptionCombo({"Do not use", "Read and use", "Write"}, kPsiMode, psiBox);
  mPsiFile = OptionFileButton(kPsiFileButton, psiBox);
  auto* help = ManualLink("psi-file", psiBox);
  psiGrid->addWidget(new QLabel(QStringLiteral("Usage:"), psiBox), 0, 0);
  psiGrid->addWidget(mPsiMode, 0, 1);
  psiGrid->addWidget(help, 0, 2);
  psiGrid->addWidget(new QLabel(QStringLiteral("PSI file"), psiBox), 1, 0);
  psiGrid->addWidget(mPsiFile, 1, 1, 1, 2);
  layout->addWidget(psiBox);
  layout->addStretch(1);

  connect(mPsiFile, &QPushButton::clicked, this, &OptionsModelPage::BrowsePsiFile);
  OnSetActive();
}

void OptionsModelPage::OnSetActive() {
  GroupSettings& settings = mValues.settings;
  mModelMethod->setCurrentIndex(settings.MODEL_METHOD);
  mNormMethod->setCurrentIndex(settings.NORM_METHOD);
  mChecks.Show(settings);
  ShowInt(mExcludedProbes, mValues.excludedFivePrimeProbes);
  mSeparateAb->setChecked(settings.SEPARATE_AB_SIGNAL != 0);
  mSeparateAb->setEnabled(ArrayType != 0);
  mPsiMode->setCurrentIndex(settings.PSI_MODE);
  if (settings.PSI_FILE_NAME.empty())
    settings.PSI_FILE_NAME = platform::JoinPath(settings.WORKING_DIR, TheGroup().Name() + ".psi");
  mPsiFile->setText(ToQString(settings.PSI_FILE_NAME));
}

bool OptionsModelPage::OnKillActive() {
  int excluded = 0;
  if (!ReadIntField(mExcludedProbes, 0, kMaxExcludedFivePrimeProbes, excluded)) return false;
  GroupSettings& settings = mValues.settings;
  settings.MODEL_METHOD = ChosenIndex(mModelMethod, settings.MODEL_METHOD);
  settings.NORM_METHOD = ChosenIndex(mNormMethod, settings.NORM_METHOD);
  mChecks.Read(settings);
  mValues.excludedFivePrimeProbes = excluded;
  settings.SEPARATE_AB_SIGNAL = mSeparateAb->isChecked() ? 1 : 0;
  settings.PSI_MODE = ChosenIndex(mPsiMode, settings.PSI_MODE);
  return true;
}

void OptionsModelPage::BrowsePsiFile() {
  // A file to be written need not exist yet.
  FileDialogRequest request;
  request.open = mPsiMode->currentIndex() == kPsiReadAndUse;
  request.startFile = mValues.settings.PSI_FILE_NAME;
  request.defaultExtension = "psi";
  request.filter = kPsiFileFilter;
  if (const std::optional<std::string> file = Prompt().FileName(request)) {
    mValues.settings.PSI_FILE_NAME = *file;
    mPsiFile->setText(ToQString(*file));
  }
}

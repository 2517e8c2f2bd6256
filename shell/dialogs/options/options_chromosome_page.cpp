// The options sheet's Chromosome page.
#include "shell/dialogs/options/options_chromosome_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

#include "engine/base/missing_value.hpp"
#include "engine/group/group.hpp"
#include "genome/info/snp_info.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/options/option_values.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr const char* kCurveFileOff = "Do not use";
constexpr const char* kReferenceGenotypeOff = "None";
constexpr const char* kInferredCopyOff = "Do not use";

// A label with a buddy shows its '&' as the buddy's key.
QLabel* Label(const char* text, QWidget* parent, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  if (buddy != nullptr) label->setBuddy(buddy);
  return label;
}

// An unset limit shows as an empty field.
void ShowLimit(QLineEdit* edit, float value) {
  if (IsMissing(value))
    edit->clear();
  else
    ShowFloat(edit, value);
}

bool ReadLimit(QLineEdit* edit, float& value) {
  if (edit->text().trimmed().isEmpty()) {
    value = kMissingValueFloat;
    return true;
  }
  return ReadFloatField(edit, value);
}

// An empty file setting starts from its usual name in the working directory.
void FillEmptyPath(std::string& path, const GroupSettings& settings, const char* suffix) {
  if (path.empty()) path = platform::JoinPath(settings.WORKING_DIR, TheGroup().Name() + suffix);
}

}  // namespace

OptionsChromosomePage::OptionsChromosomePage(OptionValues& values, QWidget* parent)
    : PropertyPage(parent), mValues(values) {
  setObjectName(ControlName(kPageId));
  auto* layout = new QVBoxLayout(this);

  auto* curveBox = new QGroupBox(QStringLiteral("Curve along chromosome"), this);
  auto* curveGrid = new QGridLayout(curveBox);
  mCurveMin = OptionEdit(kCurveMin, curveBox);
  mCurveMax = OptionEdit(kCurveMax, curveBox);
  mCurveThreshold = OptionEdit(kCurveThreshold, curveBox);
  curveGrid->addWidget(Label("M&in:", curveBox, mCurveMin), 0, 0);
  curveGrid->addWidget(mCurveMin, 0, 1);
  curveGrid->addWidget(Label("M&ax:", curveBox, mCurveMax), 0, 2);
  curveGrid->addWidget(mCurveMax, 0, 3);
  curveGrid->addWidget(Label("&Threshold:", curveBox, mCurveThreshold), 0, 4);
  curveGrid->addWidget(mCurveThreshold, 0, 5);
  QCheckBox* useMinMax = mChecks.Add("Use Min and Max as threshold", kUseMinMax,
                                     &GroupSettings::CHRO_USE_MIN_MAX, curveBox);
  curveGrid->addWidget(useMinMax, 1, 0, 1, 6);
  mCurveFile = OptionFileButton(kCurveFileButton, curveBox);
  curveGrid->addWidget(Label("Linkage curve file:", curveBox), 2, 0, 1, 2);
  curveGrid->addWidget(mCurveFile, 2, 2, 1, 4);
  QCheckBox* tumorOnly = mChecks.Add("Show only tumor of paired sample", kTumorOnly,
                                     &GroupSettings::CHRO_MERGE_GROUP_NAME, curveBox);
  mHideConflictLoh = OptionCheck("Hide conflict LOH call", kHideConflictLoh, curveBox);
  curveGrid->addWidget(tumorOnly, 3, 0, 1, 3);
  curveGrid->addWidget(mHideConflictLoh, 3, 3, 1, 3);
  layout->addWidget(curveBox);

  auto* snpBox = new QGroupBox(QStringLiteral("SNP marker"), this);
  auto* snpGrid = new QGridLayout(snpBox);
  mHetRate = OptionEdit(kHetRate, snpBox);
  mGenotypingError = OptionEdit(kGenotypingError, snpBox);
  snpGrid->addWidget(Label("Average &Het rate:", snpBox, mHetRate), 0, 0);
  snpGrid->addWidget(mHetRate, 0, 1);
  snpGrid->addWidget(Label("Genotyping error: ", snpBox), 0, 2);
  snpGrid->addWidget(mGenotypingError, 0, 3);
  mAlleleFrequency = OptionCombo({"Asian", "African American", "Caucasian", "0.5 for all SNPs"},
                                 kAlleleFrequency, snpBox);
  snpGrid->addWidget(Label("Allele A frequency:", snpBox), 1, 0);
  snpGrid->addWidget(mAlleleFrequency, 1, 1, 1, 3);
  mLohMethod =
      OptionCombo({"Same boundary at pairs", "Hidden Markov Model", "HMM considering haplotype"},
                  kLohMethod, snpBox);
  snpGrid->addWidget(Label("Inferred LOH method:", snpBox), 2, 0);
  snpGrid->addWidget(mLohMethod, 2, 1, 1, 3);
  mLohCallThreshold = OptionEdit(kLohCallThreshold, snpBox);
  snpGrid->addWidget(Label("Inferred LOH call threshold: ", snpBox), 3, 0);
  snpGrid->addWidget(mLohCallThreshold, 3, 1);
  auto* haplotypeRow = new QHBoxLayout;
  mHaplotypeThreshold = OptionEdit(kHaplotypeThreshold, snpBox);
  mHaplotypeThreshold->setMaximumWidth(50);
  haplotypeRow->addWidget(Label("Remove LOH regions consistent with  >", snpBox));
  haplotypeRow->addWidget(mHaplotypeThreshold);
  haplotypeRow->addWidget(Label("% of reference samples", snpBox));
  haplotypeRow->addStretch(1);
  snpGrid->addLayout(haplotypeRow, 4, 0, 1, 4);
  mReferenceGenotype = OptionFileButton(kReferenceGenotypeButton, snpBox);
  snpGrid->addWidget(Label("Reference genotype file", snpBox), 5, 0);
  snpGrid->addWidget(mReferenceGenotype, 5, 1, 1, 3);
  layout->addWidget(snpBox);

  auto* copyBox = new QGroupBox(QStringLiteral("Copy number"), this);
  auto* copyGrid = new QGridLayout(copyBox);
  mCopyMethod = OptionCombo({"Hidden Markov Model", "Median smoothing", "Read from file"},
                            kCopyMethod, copyBox);
  copyGrid->addWidget(Label("Inferred copy method:", copyBox), 0, 0);
  copyGrid->addWidget(mCopyMethod, 0, 1);
  mSmoothWindow = OptionEdit(kSmoothWindow, copyBox);
  copyGrid->addWidget(Label("Window:", copyBox), 0, 2);
  copyGrid->addWidget(mSmoothWindow, 0, 3);
  mInferredCopy = OptionFileButton(kInferredCopyButton, copyBox);
  copyGrid->addWidget(Label("Inferred copy file", copyBox), 1, 0);
  copyGrid->addWidget(mInferredCopy, 1, 1, 1, 3);
  mCopyStep = OptionEdit(kCopyStep, copyBox);
  mHmmLength = OptionEdit(kHmmLength, copyBox);
  copyGrid->addWidget(Label("Inferred copy step: ", copyBox), 2, 0);
  copyGrid->addWidget(mCopyStep, 2, 1);
  copyGrid->addWidget(Label("HMM length:", copyBox), 2, 2);
  copyGrid->addWidget(mHmmLength, 2, 3);
  mTrimmedPercent = OptionEdit(kTrimmedPercent, copyBox);
  copyGrid->addWidget(Label("% of samples trimmed:", copyBox), 3, 0);
  copyGrid->addWidget(mTrimmedPercent, 3, 1);
  mTruncateLog2 = OptionCheck("Truncate small log2 ratio to -4", kTruncateLog2, copyBox);
  QCheckBox* pairedNormal = mChecks.Add("Use paired normal as reference", kPairedNormal,
                                        &GroupSettings::USE_PAIRED_NORMAL, copyBox);
  QCheckBox* parentSpecific = mChecks.Add("Parent-specific copy number", kParentSpecific,
                                          &GroupSettings::PARENT_SPECIFIC_COPY, copyBox);
  copyGrid->addWidget(mTruncateLog2, 4, 0, 1, 2);
  copyGrid->addWidget(pairedNormal, 4, 2, 1, 2);
  copyGrid->addWidget(parentSpecific, 5, 0, 1, 2);
  layout->addWidget(copyBox);
  layout->addStretch(1);

  // A combo's choice counts at once, so the rules below always see the settings.
  connect(mAlleleFrequency, &QComboBox::activated, this,
          [this](int index) { mValues.settings.ALLELE_FREQ_TYPE = index; });
  connect(mLohMethod, &QComboBox::activated, this, [this](int index) {
    mValues.settings.INFER_NONINFORMATIVE = index;
    UpdateEnabling();
  });
  connect(mCopyMethod, &QComboBox::activated, this, [this](int index) {
    mValues.settings.INFER_COPY_METHOD = index;
    UpdateEnabling();
  });
  connect(mCurveFile, &QPushButton::clicked, this, &OptionsChromosomePage::BrowseCurveFile);
  connect(mReferenceGenotype, &QPushButton::clicked, this, [this] {
    BrowseFileName(mReferenceGenotype, mValues.settings.NORMAL_GENOTYPE_FILE, true, true,
                   kReferenceGenotypeOff);
  });
  connect(mInferredCopy, &QPushButton::clicked, this,
          &OptionsChromosomePage::BrowseInferredCopyFile);
  OnSetActive();
}

void OptionsChromosomePage::UpdateEnabling() {
  const GroupSettings& settings = mValues.settings;
  mAlleleFrequency->setEnabled(snp_info_table.Loaded());
  const bool haplotype = settings.INFER_NONINFORMATIVE == kLohHaplotypeHmm;
  mHaplotypeThreshold->setEnabled(haplotype);
  mReferenceGenotype->setEnabled(haplotype);
  mSmoothWindow->setEnabled(settings.INFER_COPY_METHOD == kCopyMedianSmoothing);
  mInferredCopy->setEnabled(settings.INFER_COPY_METHOD == kCopyFromFile);
}

void OptionsChromosomePage::OnSetActive() {
  const GroupSettings& settings = mValues.settings;
  const ChromosomeOptions& view = mValues.chromosome;
  const auto type = static_cast<std::size_t>(ChromosomeDataTypeIndex(settings.CHRO_DATA));
  ShowLimit(mCurveMin, mValues.curveMin[type]);
  ShowLimit(mCurveMax, mValues.curveMax[type]);
  ShowLimit(mCurveThreshold, mValues.curveThreshold[type]);
  mChecks.Show(settings);
  mHideConflictLoh->setChecked(view.hideConflictLoh);
  mTruncateLog2->setChecked(view.truncateLog2);
  ShowFileName(mCurveFile, settings.CURVE_FILE, kCurveFileOff);
  ShowFileName(mReferenceGenotype, settings.NORMAL_GENOTYPE_FILE, kReferenceGenotypeOff);
  ShowFileName(mInferredCopy, settings.INFERRED_COPY_FILE, kInferredCopyOff);
  ShowFloat(mHetRate, settings.AVERAGE_HET_RATE);
  ShowDouble(mGenotypingError, settings.SNP_ERROR_RATE);
  mAlleleFrequency->setCurrentIndex(settings.ALLELE_FREQ_TYPE);
  mLohMethod->setCurrentIndex(settings.INFER_NONINFORMATIVE);
  ShowFloat(mLohCallThreshold, settings.INFER_CALL_THRESHOLD);
  ShowInt(mHaplotypeThreshold, settings.HAPLOTYPE_THRESHOLD);
  mCopyMethod->setCurrentIndex(settings.INFER_COPY_METHOD);
  ShowInt(mSmoothWindow, settings.MEDIAN_SMOOTH_WINDOW);
  ShowFloat(mCopyStep, settings.INFER_STEP);
  ShowInt(mHmmLength, settings.HMM_LENGTH);
  ShowInt(mTrimmedPercent, settings.CHRO_TRIMMED_PCT);
  UpdateEnabling();
}

bool OptionsChromosomePage::OnKillActive() {
  float curveMin = 0.0f;
  float curveMax = 0.0f;
  float curveThreshold = 0.0f;
  float hetRate = 0.0f;
  double genotypingError = 0.0;
  float lohCallThreshold = 0.0f;
  int haplotypeThreshold = 0;
  int smoothWindow = 0;
  float copyStep = 0.0f;
  int hmmLength = 0;
  int trimmedPercent = 0;
  if (!ReadLimit(mCurveMin, curveMin) || !ReadLimit(mCurveMax, curveMax) ||
      !ReadLimit(mCurveThreshold, curveThreshold) || !ReadFloatField(mHetRate, 0.0, 1.0, hetRate) ||
      !ReadDoubleField(mGenotypingError, 0.0, 1.0, genotypingError) ||
      !ReadFloatField(mLohCallThreshold, -1.0, 1.0, lohCallThreshold) ||
      !ReadIntField(mHaplotypeThreshold, 0, kMaxHaplotypeThreshold, haplotypeThreshold) ||
      !ReadIntField(mSmoothWindow, kMinSmoothWindow, kMaxSmoothWindow, smoothWindow) ||
      !ReadFloatField(mCopyStep, 0.0, 1.0, copyStep) ||
      !ReadIntField(mHmmLength, kMinHmmLength, kMaxHmmLength, hmmLength) ||
      !ReadIntField(mTrimmedPercent, -kMaxTrimmedPercent, kMaxTrimmedPercent, trimmedPercent))
    return false;
  GroupSettings& settings = mValues.settings;
  ChromosomeOptions& view = mValues.chromosome;
  const auto type = static_cast<std::size_t>(ChromosomeDataTypeIndex(settings.CHRO_DATA));
  mValues.curveMin[type] = curveMin;
  mValues.curveMax[type] = curveMax;
  mValues.curveThreshold[type] = curveThreshold;
  mChecks.Read(settings);
  view.hideConflictLoh = mHideConflictLoh->isChecked();
  view.truncateLog2 = mTruncateLog2->isChecked();
  settings.AVERAGE_HET_RATE = hetRate;
  settings.SNP_ERROR_RATE = genotypingError;
  settings.INFER_CALL_THRESHOLD = lohCallThreshold;
  settings.HAPLOTYPE_THRESHOLD = haplotypeThreshold;
  settings.MEDIAN_SMOOTH_WINDOW = smoothWindow;
  settings.INFER_STEP = copyStep;
  settings.HMM_LENGTH = hmmLength;
  settings.CHRO_TRIMMED_PCT = trimmedPercent;
  return true;
}

void OptionsChromosomePage::BrowseCurveFile() {
  FillEmptyPath(mValues.settings.CURVE_FILE, mValues.settings, "_curve.xls");
  // The linkage analysis writes the curve there.
  BrowseFileName(mCurveFile, mValues.settings.CURVE_FILE, false, true, kCurveFileOff);
}

void OptionsChromosomePage::BrowseInferredCopyFile() {
  FillEmptyPath(mValues.settings.INFERRED_COPY_FILE, mValues.settings, " inferred_copy.xls");
  BrowseFileName(mInferredCopy, mValues.settings.INFERRED_COPY_FILE, true, true, kInferredCopyOff);
}

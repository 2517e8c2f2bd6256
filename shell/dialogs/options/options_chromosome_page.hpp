// Page 166 "Chromosome" of the options sheet: the curve along a chromosome, the SNP
// markers' rates, and the inference of LOH and copy number with their files.
#pragma once

#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/common/setting_checks.hpp"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
struct OptionValues;

class OptionsChromosomePage final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 166;
  static constexpr int kCurveMin = 1305;
  static constexpr int kCurveMax = 1302;
  static constexpr int kCurveThreshold = 1303;
  static constexpr int kUseMinMax = 1348;
  static constexpr int kCurveFileButton = 1353;
  static constexpr int kTumorOnly = 1290;
  static constexpr int kHideConflictLoh = 1295;
  static constexpr int kHetRate = 1337;
  static constexpr int kGenotypingError = 1338;
  static constexpr int kAlleleFrequency = 1403;
  static constexpr int kLohMethod = 1307;
  static constexpr int kLohCallThreshold = 1306;
  static constexpr int kHaplotypeThreshold = 1376;
  static constexpr int kReferenceGenotypeButton = 1355;
  static constexpr int kCopyMethod = 1402;
  static constexpr int kSmoothWindow = 1395;
  static constexpr int kInferredCopyButton = 1354;
  static constexpr int kCopyStep = 1392;
  static constexpr int kHmmLength = 1393;
  static constexpr int kTrimmedPercent = 1296;
  static constexpr int kTruncateLog2 = 1377;
  static constexpr int kPairedNormal = 1379;
  static constexpr int kParentSpecific = 1385;

  // INFER_NONINFORMATIVE and INFER_COPY_METHOD choices the enabling rules look at.
  static constexpr int kLohHaplotypeHmm = 2;
  static constexpr int kCopyMedianSmoothing = 1;
  static constexpr int kCopyFromFile = 2;

  static constexpr int kMinSmoothWindow = 3;
  static constexpr int kMaxSmoothWindow = 100;
  static constexpr int kMinHmmLength = 100;
  static constexpr int kMaxHmmLength = 10000;
  static constexpr int kMaxTrimmedPercent = 80;
  static constexpr int kMaxHaplotypeThreshold = 100;

  OptionsChromosomePage(OptionValues& values, QWidget* parent);

  bool OnKillActive() override;
  void OnSetActive() override;

 private:
  void UpdateEnabling();
  void BrowseCurveFile();
  void BrowseInferredCopyFile();

  OptionValues& mValues;
  QLineEdit* mCurveMin;
  QLineEdit* mCurveMax;
  QLineEdit* mCurveThreshold;
  SettingChecks mChecks;
  QCheckBox* mHideConflictLoh;
  QCheckBox* mTruncateLog2;
  QPushButton* mCurveFile;
  QLineEdit* mHetRate;
  QLineEdit* mGenotypingError;
  QComboBox* mAlleleFrequency;
  QComboBox* mLohMethod;
  QLineEdit* mLohCallThreshold;
  QLineEdit* mHaplotypeThreshold;
  QPushButton* mReferenceGenotype;
  QComboBox* mCopyMethod;
  QLineEdit* mSmoothWindow;
  QPushButton* mInferredCopy;
  QLineEdit* mCopyStep;
  QLineEdit* mHmmLength;
  QLineEdit* mTrimmedPercent;
};

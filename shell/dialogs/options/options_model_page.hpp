// Page 106 "Model" of the options sheet: the expression method, the normalisation method,
// the outlier checks of the model fit, the 5' probes left out, the SNP arrays' A and B
// signals, and the probe sensitivity index file.
#pragma once

#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/common/setting_checks.hpp"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
struct OptionValues;

// The probe sensitivity index files' filter.
inline constexpr const char* kPsiFileFilter =
    "Probe Sensitivity Index Files (*.psi)|*.psi|All Files (*.*)|*.*||";

class OptionsModelPage final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 106;
  static constexpr int kModelMethod = 1208;
  static constexpr int kNormMethod = 1406;
  static constexpr int kSingleOutlier = 1209;
  static constexpr int kArrayOutlier = 1211;
  static constexpr int kProbeOutlier = 1213;
  static constexpr int kImageSpike = 1230;
  static constexpr int kNoReplicateOutlier = 1231;
  static constexpr int kZeroNegative = 1400;
  static constexpr int kExcludedProbes = 1297;
  static constexpr int kSeparateAb = 1293;
  static constexpr int kPsiMode = 1210;
  static constexpr int kPsiFileButton = 1104;
  // PSI_MODE: "Do not use", "Read and use", "Write".
  static constexpr int kPsiReadAndUse = 1;

  OptionsModelPage(OptionValues& values, QWidget* parent);

  bool OnKillActive() override;
  void OnSetActive() override;

 private:
  void BrowsePsiFile();

  OptionValues& mValues;
  QComboBox* mModelMethod;
  QComboBox* mNormMethod;
  SettingChecks mChecks;
  QLineEdit* mExcludedProbes;
  QCheckBox* mSeparateAb;
  QComboBox* mPsiMode;
  QPushButton* mPsiFile;
};

// Page 145 "Compare samples" of the Compare Samples sheet: the baseline and experiment
// samples of the comparison being edited, and its tests with their thresholds.
#pragma once

#include "shell/dialogs/common/property_sheet.hpp"

class COMPARE_CRITERIA;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class CCompareSampleDlg final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 145;
  static constexpr int kBaselineList = 1042;
  static constexpr int kExperimentList = 1112;
  static constexpr int kBaselineByCategory = 1171;
  static constexpr int kExperimentByCategory = 1172;
  static constexpr int kUseEoverB = 1060;
  static constexpr int kEoverB = 1110;
  static constexpr int kUseBoverE = 1061;
  static constexpr int kBoverE = 1111;
  static constexpr int kUseLowerBound = 1072;
  static constexpr int kUseEminusB = 1062;
  static constexpr int kEminusB = 1113;
  static constexpr int kUseBminusE = 1063;
  static constexpr int kBminusE = 1116;
  static constexpr int kUsePvalue = 1064;
  static constexpr int kPvalue = 1114;
  static constexpr int kUsePcall = 1066;
  static constexpr int kPcallB = 1115;
  static constexpr int kPcallE = 1118;
  static constexpr int kUsePaired = 1065;
  static constexpr int kPairPvalue = 1117;

  // Limits of the thresholds.
  static constexpr double kMaxFold = 1000.0;
  static constexpr double kMaxDifference = 10000.0;
  static constexpr double kMaxPvalue = 1.0;
  static constexpr int kMaxPercent = 100;

  CCompareSampleDlg(COMPARE_CRITERIA& criteria, QWidget* parent);

  // Lists every sample, selects the working comparison's when an entry is selected, and
  // shows its tests.
  void OnSetActive() override;
  // Checks the thresholds against their limits (telling the user and staying on the page
  // when one is out), then takes the tests and samples into the working comparison, the
  // selected entry, or a first entry of an empty list.
  bool OnKillActive() override;

 private:
  void ShowWorking();
  // The t tests need two samples a side; the paired one as many on each side.
  void ApplyAvailability();
  void SelectByCategory(QListWidget& list);

  COMPARE_CRITERIA& mCriteria;
  QListWidget* mBaseline;
  QListWidget* mExperiment;
  QPushButton* mBaselineByCategory;
  QPushButton* mExperimentByCategory;
  QCheckBox* mUseEoverB;
  QLineEdit* mEoverB;
  QCheckBox* mUseBoverE;
  QLineEdit* mBoverE;
  QCheckBox* mUseLowerBound;
  QCheckBox* mUseEminusB;
  QLineEdit* mEminusB;
  QCheckBox* mUseBminusE;
  QLineEdit* mBminusE;
  QCheckBox* mUsePvalue;
  QLineEdit* mPvalue;
  QCheckBox* mUsePcall;
  QLineEdit* mPcallB;
  QLineEdit* mPcallE;
  QCheckBox* mUsePaired;
  QLineEdit* mPairPvalue;
};

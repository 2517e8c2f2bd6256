// Dialog 193 "Analysis of Variance or Correlation Filtering": either the genes that differ
// between the categories of a sample-information factor (or follow a numeric one), or the
// genes correlated with the clustering view's current gene or gene branch; the p-value
// threshold, the correlation's kind and the table the genes are written to.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class AnovaDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 193;
  static constexpr int kUseFactor = 1386;
  static constexpr int kUseCurrentGene = 1387;
  static constexpr int kFactorButton = 1232;
  static constexpr int kPvalue = 1234;
  static constexpr int kAbsoluteCorrelation = 1227;
  static constexpr int kRankCorrelation = 1349;
  static constexpr int kExportFile = 1050;

  // The analysis: none chosen yet, a factor, or the current gene or gene branch.
  static constexpr int kMethodNone = -1;
  static constexpr int kMethodFactor = 0;
  static constexpr int kMethodCurrentGene = 1;

  static constexpr double kMaxPvalue = 1.0;
  static constexpr const char* kNoFactorMessage = "Must select a factor to do ANOVA";

  // hasCurrentGene tells whether the clustering view has a current gene or gene branch.
  AnovaDialog(std::function<bool()> hasCurrentGene, QWidget* parent);

  int Method() const { return mMethod; }
  const std::string& ExportFile() const { return mExportFile; }

  // Refuses a p-value outside [0, 1], and an analysis with neither a factor nor a current
  // gene ("Must select a factor to do ANOVA"). A dialog left without a chosen analysis
  // takes the factor when there is one, else the current gene. The factor and the
  // threshold go into the settings, the correlation's kind into the run options.
  void accept() override;

 private:
  std::function<bool()> mHasCurrentGene;
  QRadioButton* mUseFactor;
  QRadioButton* mUseCurrentGene;
  QPushButton* mFactorButton;
  QLineEdit* mPvalue;
  QCheckBox* mAbsolute;
  QCheckBox* mRank;
  QPushButton* mExportButton;
  std::string mFactor;
  std::string mExportFile;
  int mMethod = kMethodNone;
};

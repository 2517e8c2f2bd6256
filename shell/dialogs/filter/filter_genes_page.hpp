// Page 102 "Filter genes" of the Filter Genes sheet: the four criteria of the group's gene
// filter, the gene list it starts from (all genes, only the listed ones, or all but
// them) and the file the filtered list goes to. The page edits the group's settings.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/property_sheet.hpp"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CClusterGeneDialog final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 102;
  static constexpr int kUseVariation = 1125;
  static constexpr int kVariationLow = 1051;
  static constexpr int kVariationHigh = 1052;
  static constexpr int kVariationMeasure = 1328;
  static constexpr int kUseCalls = 1130;
  static constexpr int kPresence = 1059;
  static constexpr int kUseReplicates = 1127;
  static constexpr int kReplicateLow = 1053;
  static constexpr int kReplicateHigh = 1054;
  static constexpr int kUseExpression = 1128;
  static constexpr int kExpressionValue = 1129;
  static constexpr int kExpressionPercent = 1060;
  static constexpr int kInputList = 1195;
  static constexpr int kOutputList = 1196;

  static constexpr int kMaxPercent = 100;
  static constexpr const char* kNoOutputMessage = "Please specify the output gene list file";
  // The SNP arrays' display range of standardised values.
  static constexpr double kSnpDisplayRange = 3.0;

  // openOptions shows the options sheet at its Analysis page. On SNP arrays the page
  // switches the present-call criterion off and sets the display settings of SNP data.
  CClusterGeneDialog(std::function<void()> openOptions, QWidget* parent);

  // Refuses a field outside its range and a missing output file, telling the user; else
  // the criteria go into the group's settings.
  bool OnKillActive() override;

 private:
  // All genes, then the chosen list's genes, then all but them, then all genes again.
  void CycleInputList();
  void ShowInputList();

  QCheckBox* mUseVariation;
  QLineEdit* mVariationLow;
  QLineEdit* mVariationHigh;
  QComboBox* mVariationMeasure;
  QCheckBox* mUseCalls;
  QLineEdit* mPresence;
  QCheckBox* mUseReplicates;
  QLineEdit* mReplicateLow;
  QLineEdit* mReplicateHigh;
  QCheckBox* mUseExpression;
  QLineEdit* mExpressionValue;
  QLineEdit* mExpressionPercent;
  QPushButton* mInputList;
  QPushButton* mOutputList;
  std::string mInputFile;
  int mInputUse = 0;
  std::string mOutputFile;
};

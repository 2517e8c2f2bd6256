// Dialog 214 "Percentile Filtering": the probe sets whose numerator percentile across the
// samples is at least a fold of their denominator percentile, and the file they go to.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QLineEdit;
class QPushButton;

class PercentileFilterDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 214;
  static constexpr int kNumerator = 1401;
  static constexpr int kDenominator = 1400;
  static constexpr int kFold = 1399;
  static constexpr int kOutputList = 1196;

  static constexpr double kMaxPercentile = 100.0;
  static constexpr double kMinFold = 1.0;
  static constexpr double kMaxFold = 1000.0;

  explicit PercentileFilterDialog(QWidget* parent);

  // Refuses a number outside its range and a missing output file, telling the user; else
  // the numbers go into the run options and the file into the settings.
  void accept() override;

 private:
  QLineEdit* mNumerator;
  QLineEdit* mDenominator;
  QLineEdit* mFold;
  QPushButton* mOutputList;
  std::string mOutputFile;
};

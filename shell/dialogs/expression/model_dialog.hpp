// Dialog 137 "Compute model-based expression index": the truncation of low expression
// values that the model-expression job applies after the fit, to a fixed value or to a
// percentile of the values called absent, with the way to the model options.
#pragma once

#include <functional>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
struct GroupSettings;

class ModelDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 137;
  static constexpr int kTruncateCheck = 1095;
  static constexpr int kTruncateValue = 1096;
  static constexpr int kTruncatePercentileCheck = 1103;
  static constexpr int kTruncatePercentile = 1097;
  static constexpr int kMaxPercentile = 100;

  // Shows the group's TRUNCATE__, TRUNCATE_VALUE, TRUNCATE_PCT__ and TRUNCATE_PCT_VALUE;
  // OK writes them back. openOptions shows the options sheet at the Model page.
  ModelDialog(GroupSettings& settings, std::function<void()> openOptions, QWidget* parent);

  // Refuses (keeping the dialog open) a value that is not a number or a percentile that
  // is not a whole number from 0 to 100, telling the user why.
  void accept() override;

 private:
  GroupSettings& mSettings;
  QCheckBox* mTruncate;
  QLineEdit* mValue;
  QCheckBox* mTruncatePercentile;
  QLineEdit* mPercentile;
};

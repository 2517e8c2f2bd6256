// Dialog 208 "Permute data to assess curve significance": the one numeric sample factor
// the curve is correlated with (or none, to assess the curve alone) and whether LOH counts
// only where the inferred copy number lies between Min and Max.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QPushButton;

inline constexpr const char* kOneNumericFactorMessage =
    "Error: can only select one numeric variable, or do not select";

class PermuteDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 208;
  static constexpr int kFactorButton = 1232;
  static constexpr int kUseInferred = 1409;

  // openOptions shows the options sheet at its Chromosome page.
  PermuteDialog(std::function<void()> openOptions, QWidget* parent);

  // The factor goes into the factor choice the factor dialogs share (ANOVA_FACTOR), the
  // check box into PermuteUseInferred.
  void accept() override;

  // Whether "Select factors" gave one numeric column or none.
  static bool AcceptableFactor(const std::string& factor);

 private:
  void SelectFactor();

  QPushButton* mFactorButton;
  QCheckBox* mUseInferred;
  std::string mFactor;
};

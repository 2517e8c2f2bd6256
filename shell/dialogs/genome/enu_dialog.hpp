// Dialog 210 "ENU analysis", opened by the chromosome view: the penetrance of each
// genotype (the chance of being affected given it, A the disease allele of the mutated
// sample), with the recessive and dominant models as shortcuts, and whether genotype
// calls are inferred. The values are the chromosome data's ENU settings, which hold while
// the program runs.
#pragma once

#include <functional>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;

class EnuDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 210;
  static constexpr int kPenetranceAA = 1396;
  static constexpr int kPenetranceAB = 1337;
  static constexpr int kPenetranceBB = 1338;
  static constexpr int kRecessive = 1394;
  static constexpr int kDominant = 1395;
  static constexpr int kInferGenotypes = 1397;

  // openOptions shows the options sheet.
  EnuDialog(std::function<void()> openOptions, QWidget* parent);

  // Refuses a penetrance outside [0, 1]; else the values become the ENU settings of the
  // chromosome data (the chance of being affected in states AA, BB and AB, and whether the
  // score uses the inferred genotypes).
  void accept() override;

 private:
  void ShowPenetrance(float aa, float ab, float bb);

  QLineEdit* mAA;
  QLineEdit* mAB;
  QLineEdit* mBB;
  QCheckBox* mInfer;
};

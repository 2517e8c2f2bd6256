// Dialog 198 "Scale CEL values": the array, its median intensity, and the median its raw
// intensities are to be scaled to.
#pragma once

#include "shell/dialogs/common/named_dialog.hpp"

class QLineEdit;

class ScaleCelDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 198;
  static constexpr int kTarget = 1298;
  static constexpr int kArrayName = 1299;
  static constexpr int kMedian = 1300;
  static constexpr int kNote = 1301;

  ScaleCelDialog(QWidget* parent, int array);

  // The new median, once accepted.
  int Target() const { return mTarget; }

  // Takes the target when it is an integer within range; otherwise the user is told and
  // the dialog stays open.
  void accept() override;

 private:
  QLineEdit* mTargetEdit;
  int mTarget;
};

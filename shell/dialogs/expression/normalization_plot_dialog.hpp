// Dialog 197 "Normalization Plot": the baseline the current array is shown against in the
// plots view, and the plot's options, which hold for the run and are never saved.
#pragma once

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The plot's options, kept while the program runs.
struct NormalizationPlotOptions {
  bool useNormalized = false;    // show the values after normalisation
  bool smoothingSpline = false;  // normalise with a smoothing spline
  bool saveNormalized = false;   // use and save the normalised values in the QVF file
  double smoothing = 0.5;        // the larger, the smoother
};
NormalizationPlotOptions& NormPlotOptions();

inline constexpr const char* kSameBaselineMessage =
    "Baseline cannot be the same array, or no baseline array is selected";

class NormalizationPlotDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 197;
  static constexpr int kBaselineList = 1042;
  static constexpr int kArrayState = 1202;
  static constexpr int kUseNormalized = 1320;
  static constexpr int kSmoothingSpline = 1230;
  static constexpr int kSaveNormalized = 1231;
  static constexpr int kSmoothing = 1296;

  // Lists the arrays in group order with the group's baseline chosen, or the array the
  // current array was normalised against when that is one of the group's.
  explicit NormalizationPlotDialog(QWidget* parent);

  // The chosen array becomes the plot's baseline; the current array itself, or no
  // choice, is refused with a message and the dialog stays open.
  void accept() override;

 private:
  QComboBox* mBaselines;
  QLabel* mState;
  QCheckBox* mUseNormalized;
  QCheckBox* mSmoothingSpline;
  QCheckBox* mSaveNormalized;
  QLineEdit* mSmoothing;
};

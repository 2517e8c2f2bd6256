// Dialog 138 "Normalize CEL values": the baseline array every array is normalised
// against, offered by brightness with the array of median brightness first chosen, and
// whether normalised values kept in QVF files are computed again.
#pragma once

#include <string>
#include <vector>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QComboBox;
class QLabel;

// "%s [%d]": an array's name and its median probe intensity.
std::string ArrayEntryText(int array);
// Reads the array's QVF header into the working array data; false when there is none.
bool ReadArrayQvfHeader(int array);
// The array the working array data were normalised against: its name when it is one of
// the group's arrays, else the stored path.
std::string WorkingBaselineName();

class NormalizeDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 138;
  static constexpr int kBaselineList = 1042;
  static constexpr int kIgnoreNormalized = 1022;
  static constexpr int kViewNormPlot = 1023;
  static constexpr int kArrayState = 1202;
  static constexpr int kDefaultNote = 1176;

  // Lists the group's arrays by ascending median and tells whether the first array was
  // already normalised (groups of array data) or words itself for expression values
  // (external data).
  explicit NormalizeDialog(QWidget* parent);

  // The array chosen as baseline (its index in the group, not its place in the list).
  int BaselineArray() const { return mBaseline; }
  // Normalise again even where a QVF file holds normalised values.
  bool IgnoreNormalized() const { return mIgnoreNormalized; }

  // Takes the choices; VIEW_NORM_PLOT goes into the settings.
  void accept() override;

 private:
  QComboBox* mBaselines;
  QCheckBox* mIgnore;
  QCheckBox* mViewPlot;
  QLabel* mState;
  QLabel* mNote;
  std::vector<int> mArrays;  // the array of each list entry
  int mBaseline = -1;
  bool mIgnoreNormalized = false;
};

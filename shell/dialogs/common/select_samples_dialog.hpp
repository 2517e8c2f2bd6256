// Dialog 163 "Select sample by category": picks the samples (or arrays) of chosen
// sample-information categories and how they combine with a list's current selection.
#pragma once

#include <utility>
#include <vector>

#include "shell/dialogs/common/named_dialog.hpp"

class QButtonGroup;
class QListWidget;

class SelectSampleDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 163;
  static constexpr int kCategoryList = 1172;
  static constexpr int kCombineGroup = 1174;

  // byArray: the caller lists arrays, so counts and flags are per array; otherwise per
  // sample of the sample grouping. mode: the combination shown first (SelectionMode).
  SelectSampleDialog(bool byArray, int mode, QWidget* parent);

  // The combination chosen: 0 overwrite, 1 or, 2 and, 3 inverse.
  int Mode() const;

  // With no category selected, tells the user and stays open. Otherwise flags the
  // samples of every selected category in the sample grouping (a fresh selection).
  void accept() override;

 private:
  bool mByArray;
  QListWidget* mCategories;
  QButtonGroup* mModes;
  std::vector<std::pair<int, int>> mRows;  // (column, category) of each list line
};

// Applies the sample grouping's flags to a list whose lines are samples (or arrays with
// byArray), combined with its selection by mode.
void SetListSelection(int mode, QListWidget& list, bool byArray);

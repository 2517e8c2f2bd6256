// Page 107 "Combine comparisons" of the Compare Samples sheet: the whole comparison list,
// where the comparison being edited and parenthesis entries go in with an operator and
// entries are deleted; the result file, the genes compared, the output of every gene and
// the permutation estimate of false discoveries.
#pragma once

#include <functional>

#include "shell/dialogs/common/property_sheet.hpp"

class COMPARE_CRITERIA;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

class CCompareCombineDlg final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 107;
  static constexpr int kComparisonList = 1118;
  static constexpr int kAnd = 1088;  // then "Or", "And not", "Or not"
  static constexpr int kInsertComparison = 1117;
  static constexpr int kInsertParenthesis = 1094;
  static constexpr int kDeleteEntry = 1100;
  static constexpr int kGeneListButton = 1194;
  static constexpr int kResultFileButton = 1033;
  static constexpr int kResultFile = 1032;
  static constexpr int kOutputAllGenes = 1119;
  static constexpr int kPermute = 1325;
  static constexpr int kPermutationCount = 1326;
  static constexpr int kMinPermutations = 10;
  static constexpr int kMaxPermutations = 10000;

  // openOptions shows the options sheet at its Analysis page; may be empty.
  CCompareCombineDlg(COMPARE_CRITERIA& criteria, std::function<void()> openOptions,
                     QWidget* parent);

  // Redraws the list with the selected entry (or the closing row) chosen, and shows the
  // settings.
  void OnSetActive() override;
  // Checks the permutation count, takes the settings, and makes the chosen comparison
  // row the one the other page edits; without one the comparison being edited keeps its
  // samples and goes back to the default tests.
  bool OnKillActive() override;

 private:
  void ShowSettings();
  void DrawList();
  // The row to choose, scrolled into view; -1 chooses none.
  void SelectRow(int row);
  // The chosen row, -1 for none; the closing row is the entry count.
  int ChosenRow() const;
  bool ClosingRowChosen() const;
  void InsertComparison();
  void InsertParenthesis();
  // A comparison, or a pair of parentheses, inserted at position with the chosen
  // combination and then chosen; refused with the message where it cannot stand.
  void InsertAt(int position, bool parenthesis, const char* refusal);
  void DeleteEntry();
  void OpenResultFile();
  void CycleGeneList();
  void ShowGeneList();

  COMPARE_CRITERIA& mCriteria;
  QTableWidget* mList;
  QButtonGroup* mCombine;
  QPushButton* mInsertComparison;
  QPushButton* mGeneList;
  QLineEdit* mResultFile;
  QCheckBox* mOutputAll;
  QCheckBox* mPermute;
  QLineEdit* mPermutations;
};

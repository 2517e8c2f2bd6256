// Dialog 174 "Export CEL file": the current array or all arrays, a word put into the file
// names, and the probe-set columns and background subtraction of the exported files.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
class QRadioButton;

class ExportCelDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 174;
  static constexpr int kCurrentArray = 1280;
  static constexpr int kAllArrays = 1281;
  static constexpr int kInsertWord = 1230;
  static constexpr int kWord = 1282;
  static constexpr int kProbeSetColumns = 1294;
  static constexpr int kSubtractBackground = 1327;
  static constexpr int kChange = 1206;

  // Shows the process-wide word and the group's export choices.
  explicit ExportCelDialog(QWidget* parent);

  bool AllArrays() const { return mAllArrays; }
  // The text put between the array name and ".cel": " " and the word when chosen.
  std::string NameInsert() const { return mInsertWord ? " " + CelExportWord() : std::string(); }

  // The word kept for the next export; "new" at first.
  static std::string& CelExportWord();

  // Keeps the choices: the word process-wide, the columns and the background in the group's
  // run options.
  void accept() override;

 private:
  QRadioButton* mCurrent;
  QRadioButton* mAll;
  QCheckBox* mInsert;
  QLineEdit* mWord;
  QCheckBox* mProbeSets;
  QCheckBox* mBackground;
  bool mAllArrays = false;
  bool mInsertWord = false;
};

// Dialog 219 "Filter SNPs by quality", run by Analysis/Filter SNPs before the filter: the
// longest fragment, the lowest call rate across samples and the SNP list file.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QLineEdit;
class QPushButton;

class FilterSnpDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 219;
  static constexpr int kFragmentLength = 1403;
  static constexpr int kCallRate = 1405;
  static constexpr int kOutputList = 1196;

  static constexpr int kMaxFragmentLength = 5000;
  static constexpr int kMaxCallRate = 100;

  // An empty output list is first named after the group in the working folder.
  explicit FilterSnpDialog(QWidget* parent);

  // Refuses a number outside its range; else the limits go to the filter and the file
  // into the settings.
  void accept() override;

 private:
  QLineEdit* mFragmentLength;
  QLineEdit* mCallRate;
  QPushButton* mOutputList;
  std::string mOutputFile;
};

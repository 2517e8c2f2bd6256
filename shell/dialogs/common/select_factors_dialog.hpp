// Dialog 171 "Select factors": the sample-information columns an analysis takes as its
// factors (the analysis of variance, the comparison, the permutation of chromosome data).
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QListWidget;

class SelectFactorsDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 171;
  static constexpr int kColumnList = 1172;

  // OK writes the chosen factors into factors, the text the caller shares with the
  // other dialogs that pick factors.
  SelectFactorsDialog(std::string& factors, QWidget* parent);

  // The selected column names joined by ", ", or "None" when nothing is selected.
  void accept() override;

 private:
  std::string& mFactors;
  QListWidget* mColumns;
};

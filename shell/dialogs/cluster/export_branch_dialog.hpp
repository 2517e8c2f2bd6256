// Dialog 170 "Export data for selected branch", opened by the cluster view's branch
// export: the file and what goes into it. The three choices hold while the program runs.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QPushButton;

class ExportBranchDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 170;
  static constexpr int kOutputFile = 1050;
  static constexpr int kStandardized = 1225;
  static constexpr int kCutTree = 1226;
  static constexpr int kColoredBranches = 1322;

  // The caption shows outputFile, the name the caller proposes.
  ExportBranchDialog(std::string outputFile, QWidget* parent);

  const std::string& OutputFile() const { return mOutputFile; }

  // The choices go into the run options.
  void accept() override;

 private:
  QPushButton* mOutput;
  QCheckBox* mStandardized;
  QCheckBox* mCutTree;
  QCheckBox* mColoredBranches;
  std::string mOutputFile;
};

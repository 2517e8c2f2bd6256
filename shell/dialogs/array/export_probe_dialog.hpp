// Dialog 155: the probe-level table of Tools/Export Probe Set, either the probe values or
// the probe sensitivity index, of the current probe set or of a gene list's probe sets,
// and the file it goes to, whose name follows the choices.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

class ExportProbeDialog final : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 155;
  static constexpr int kCurrentProbeSet = 1219;
  static constexpr int kGeneList = 1221;
  static constexpr int kGeneListButton = 1157;
  static constexpr int kOutputFile = 1050;
  static constexpr int kPositionColumns = 1150;
  static constexpr int kExportPsi = 1342;
  static constexpr int kPsiFile = 1217;
  static constexpr int kChange = 1206;

  // openModelOptions shows the options sheet at its model page.
  ExportProbeDialog(std::function<void()> openModelOptions, QWidget* parent);

  bool CurrentOnly() const { return mCurrentOnly; }
  bool ExportPsi() const { return mExportPsi; }
  const std::string& OutputFile() const { return mOutputFile; }

  // Keeps the choices: the gene list in the settings, the position columns in the group's
  // run options.
  void accept() override;

 private:
  // Shows the group's state as when the dialog opens.
  void Fill();
  // The title and the proposed file name after a change.
  void FollowChoices();

  std::function<void()> mOpenModelOptions;
  QRadioButton* mCurrent;
  QRadioButton* mList;
  QPushButton* mGeneList;
  std::string mGeneListFile;
  QPushButton* mOutput;
  std::string mOutputFile;
  QCheckBox* mPositions;
  QCheckBox* mPsi;
  QLabel* mPsiFile;
  bool mCurrentOnly = false;
  bool mExportPsi = false;
};

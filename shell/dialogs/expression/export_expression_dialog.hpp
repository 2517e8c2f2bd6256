// Dialog 169 "Export expression values": which samples and genes go into the expression
// table, its columns and form, and the file it is written to, whose name follows the
// choices.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QListWidget;
class QPushButton;

class ExportExpressionDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 169;
  static constexpr int kGeneListButton = 1157;
  static constexpr int kProbeSetNameColumn = 1193;
  static constexpr int kSampleList = 1121;
  static constexpr int kSelectByCategory = 1171;
  static constexpr int kHasBoth = 1029;
  static constexpr int kHasStd = 1028;
  static constexpr int kGctFormat = 1086;
  static constexpr int kNameLast = 1087;
  static constexpr int kIncludeHeader = 1088;
  static constexpr int kAppend = 1089;
  static constexpr int kOutputFile = 1050;

  // Lists the samples with the export flags of the sample grouping as the selection and
  // shows the group's export settings. openOptions shows the options sheet.
  ExportExpressionDialog(std::function<void()> openOptions, QWidget* parent);

  const std::string& OutputFile() const { return mOutputFile; }
  // Write the probe set's name in the second column.
  bool ProbeSetNameColumn() const;

  // With no sample selected, tells the user and stays open. Otherwise the selection
  // becomes the export flags and the choices go into the settings.
  void accept() override;

 private:
  // The proposed file name after a change of the gene list or the form.
  void ProposeOutputFile();

  QPushButton* mGeneList;
  std::string mGeneListFile;
  QCheckBox* mProbeSetName;
  QListWidget* mSamples;
  QCheckBox* mHasBoth;
  QCheckBox* mHasStd;
  QCheckBox* mGct;
  QCheckBox* mNameLast;
  QCheckBox* mHeader;
  QCheckBox* mAppend;
  QPushButton* mOutput;
  std::string mOutputFile;
};

// The running number put into the file name of exports with a header; each OK with the
// header increases it.
int& ExpressionExportNumber();

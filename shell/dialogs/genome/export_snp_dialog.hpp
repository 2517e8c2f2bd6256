// Dialog 204 "Export SNP data", opened by the chromosome view: the data under view or the
// regions with a significant curve value, how many genes each region lists and whether a
// region takes one row, and the file. The choices hold while the program runs.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class ExportSnpDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 204;
  static constexpr int kDataUnderView = 1319;
  static constexpr int kSignificantRegions = 1282;
  static constexpr int kGenesPerRegion = 1345;
  static constexpr int kRegionPerRow = 1407;
  static constexpr int kOutputFile = 1050;

  static constexpr int kExportDataUnderView = 0;
  static constexpr int kExportSignificantRegions = 1;
  static constexpr int kMaxGenesPerRegion = 1000;

  // The file is named after the group in the working folder. openOptions shows the
  // options sheet.
  ExportSnpDialog(std::function<void()> openOptions, QWidget* parent);

  int What() const { return mWhat; }
  const std::string& OutputFile() const { return mOutputFile; }

  // Refuses a gene count outside [0, 1000]; else the choices go into the run options,
  // the kind of export becoming the next dialog's first choice.
  void accept() override;

 private:
  QRadioButton* mDataUnderView;
  QRadioButton* mRegions;
  QLineEdit* mGenesPerRegion;
  QCheckBox* mRegionPerRow;
  QPushButton* mOutput;
  std::string mOutputFile;
  int mWhat = kExportDataUnderView;
};

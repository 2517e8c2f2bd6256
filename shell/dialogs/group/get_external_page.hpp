// Page 148 "Data" of the Get External Data sheet: the group's name and the
// tab-delimited table of values (and calls) made elsewhere that the group is read from.
#pragma once

#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/common/setting_checks.hpp"

#include <string>

class GroupNameBox;
class QCheckBox;
class QLineEdit;

class GetExternalDlg final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 148;
  static constexpr int kDataFileButton = 1049;
  static constexpr int kDataFile = 1105;
  static constexpr int kHasBoth = 1029;
  static constexpr int kHasStd = 1028;
  static constexpr int kHasGeneName = 1030;
  static constexpr int kSnpData = 1124;

  // Lists the saved groups (which may read the last group's settings) and shows the
  // settings.
  explicit GetExternalDlg(QWidget* parent);

  std::string GroupName() const;

  // Checks nothing; takes the page's choices into the settings.
  bool OnKillActive() override;
  void OnSetActive() override;

 private:
  void ShowSettings();
  void BrowseDataFile();

  GroupNameBox* mGroupName;
  QLineEdit* mDataFile;
  SettingChecks mChecks;
  QCheckBox* mSnpData;
};

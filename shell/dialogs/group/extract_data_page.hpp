// Page 143 "Data files" of the Open Group sheet: the group's name, where its data files
// are (a folder or a list of files) and which kinds of data file to read.
#pragma once

#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/common/setting_checks.hpp"

#include <string>

class GroupNameBox;
class QCheckBox;
class QLineEdit;
struct OpenGroupState;

class ExtractDataDlg final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 143;
  static constexpr int kDataDirectoryButton = 1010;
  static constexpr int kDataFileListButton = 1048;
  static constexpr int kDataPath = 1009;
  static constexpr int kReadDat = 1053;
  static constexpr int kReadCel = 1054;
  static constexpr int kReadQvf = 1055;
  static constexpr int kUseUnnormalized = 1022;
  static constexpr int kIgnoreExistingQvf = 1021;
  static constexpr int kQex5Signal = 1230;

  // Clears the ignore-existing-QVF choice; lists the saved groups (which may read the
  // last group's settings) and shows the settings.
  ExtractDataDlg(OpenGroupState& state, QWidget* parent);

  // The group name the user gave.
  std::string GroupName() const;

  // Checks, in order, the group name, the data path and the file kinds, telling the user
  // what is missing; then takes the page's choices into the settings.
  bool OnKillActive() override;
  void OnSetActive() override;

 private:
  void ShowSettings();
  void BrowseDataFolder();
  void BrowseDataFileList();

  OpenGroupState& mState;
  GroupNameBox* mGroupName;
  QLineEdit* mDataPath;
  QCheckBox* mReadDat;
  QCheckBox* mReadCel;
  QCheckBox* mReadQvf;
  SettingChecks mChecks;
  QCheckBox* mIgnoreExistingQvf;
  QCheckBox* mQex5Signal;
};

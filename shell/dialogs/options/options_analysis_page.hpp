// Page 158 "Analysis" of the options sheet: how values are read, exported and averaged,
// the log transform, and the working directory.
#pragma once

#include <string>
#include <string_view>

#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/common/setting_checks.hpp"

class QCheckBox;
class QLineEdit;
struct OptionValues;

class OptionsAnalysisPage final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 158;
  static constexpr int kAllowMissing = 1083;
  static constexpr int kOutputAccession = 1151;
  static constexpr int kLocusLinkName = 1139;
  static constexpr int kMaskRedundant = 1188;
  static constexpr int kInsertFile = 1189;
  static constexpr int kLinkDialog = 1190;
  static constexpr int kConsiderError = 1191;
  static constexpr int kOmitControls = 1223;
  static constexpr int kQvfInWorking = 1230;
  static constexpr int kLoadProbeData = 1231;
  static constexpr int kAllowUnknown = 1232;
  static constexpr int kShowRIcon = 1235;
  static constexpr int kPmOnly = 1236;
  static constexpr int kLogTransform = 1187;
  static constexpr int kLogBase = 1233;
  static constexpr int kMaxLogBase = 100;
  static constexpr int kWorkingDirectoryButton = 1011;
  static constexpr int kWorkingDirectory = 1012;

  OptionsAnalysisPage(OptionValues& values, QWidget* parent);

  bool OnKillActive() override;
  void OnSetActive() override;

 private:
  void BrowseWorkingDirectory();

  OptionValues& mValues;
  SettingChecks mChecks;
  QCheckBox* mPmOnly;
  QCheckBox* mLogTransform;
  QLineEdit* mLogBase;
  QLineEdit* mWorkingDirectory;
};

// The working directory as typed: doubled separators made single and trailing ones
// removed.
std::string CleanFolderText(std::string_view text);

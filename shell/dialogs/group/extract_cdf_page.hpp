// Page 144 "Other information" of the Open Group and Get External Data sheets: the chip
// description (Open Group only), the gene information, sample information and
// probe-set mask files.
#pragma once

#include "shell/dialogs/common/property_sheet.hpp"

#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
struct OpenGroupState;

class ExtractCdfDlg final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 144;
  static constexpr int kCdfFile = 1007;
  static constexpr int kCdfFileButton = 1008;
  static constexpr int kRebuildLayoutCache = 1019;
  static constexpr int kGeneInfoButton = 1014;
  static constexpr int kSampleInfoButton = 1017;
  static constexpr int kSampleInfoFile = 1015;
  static constexpr int kMaskButton = 1018;
  static constexpr int kMaskFile = 1016;
  static constexpr int kDownloadLink = 1085;
  static constexpr int kSampleInfoHelp = 1205;
  static constexpr int kMaskHelp = 1206;

  // Clears the rebuild choice; the chip description's controls show only in the Open
  // Group sheet (state.mode).
  ExtractCdfDlg(OpenGroupState& state, QWidget* parent);

  // In the Open Group sheet a chip description must be named; then the page's choices go
  // into the settings.
  bool OnKillActive() override;
  void OnSetActive() override;

 private:
  void ShowSettings();
  void BrowseInto(QLineEdit* edit, const char* defaultExtension, const char* filter);
  void MaskChanged();

  OpenGroupState& mState;
  QLineEdit* mCdfFile;
  QPushButton* mCdfButton;
  QCheckBox* mRebuild;
  QPushButton* mGeneInfo;
  std::string mGeneInfoFile;  // GENE_NAME_FILE while the page is shown
  QLineEdit* mSampleInfo;
  QLineEdit* mMask;
};

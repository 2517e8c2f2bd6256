// Dialog 200 "Export image": a file or the clipboard, and the format. Choosing a format
// changes the file name's extension to match; the file button asks for another name.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QButtonGroup;
class QPushButton;

class ExportImageDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 200;
  static constexpr int kExportToFile = 1310;
  static constexpr int kCopyToClipboard = 1311;
  static constexpr int kFileButton = 1050;
  static constexpr int kFormatBmp = 1305;
  static constexpr int kFormatJpg = 1277;
  static constexpr int kFormatEmf = 1278;

  // Starts from the export choices of the run, with the file name given (its extension
  // brought into line with the format).
  ExportImageDialog(const std::string& fileName, QWidget* parent);

  const std::string& FileName() const { return mFileName; }
  // After OK: the two choices become the run's.
  void StoreChoices() const;

 private:
  void ChooseFormat(int format);
  void ChooseFile();
  void ShowFileName();

  std::string mFileName;
  QButtonGroup* mMethod;
  QButtonGroup* mFormat;
  QPushButton* mFileButton;
};

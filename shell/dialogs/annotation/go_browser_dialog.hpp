// Dialog 201 "Ontoroam": the outside gene-ontology browser's folder, its gene information
// file, one or two gene lists and the Gene Ontology class. Run writes the tool's INI file
// into its folder and starts the tool there; each refusal keeps the dialog open.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QButtonGroup;
class QLineEdit;
class QPushButton;

class GoBrowserDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 201;
  static constexpr int kFolder = 1291;
  static constexpr int kFolderButton = 1292;
  static constexpr int kInfoFile = 1293;
  static constexpr int kGeneList1 = 1294;
  static constexpr int kGeneList2 = 1295;
  static constexpr int kBiologicalProcess = 1296;
  static constexpr int kMolecularFunction = 1297;
  static constexpr int kCellularComponent = 1298;
  static constexpr int kHelpLink = 1085;

  static constexpr const char* kNotFoundSuffix = " not found";
  static constexpr const char* kFilesUnsetMessage =
      "Please specify gene list file or Ontoroam gene infomration file";
  static constexpr const char* kIniFailedMessage =
      "Write Ontoroam INI file failed; is directory correct?";

  explicit GoBrowserDialog(QWidget* parent);

  // Run: checks the tool and the files, writes the INI file and starts the tool.
  void accept() override;

  // The class and gene list 2 are kept while the program runs (not saved).
  static int OntologyClass();
  static const std::string& GeneList2();

 private:
  void BrowseFolder();

  QLineEdit* mFolder;
  QPushButton* mInfoButton;
  QPushButton* mList1Button;
  QPushButton* mList2Button;
  QButtonGroup* mClasses;
  std::string mInfoFile;
  std::string mGeneList1;
  std::string mGeneList2;
};

// Dialog 202 "Make information files": the array maker's annotation or ortholog
// CSV file, the Gene Ontology file, the kind of file to make and where to write
// it, all kept in the annotation-import record. The kind of CSV file decides
// what can be made: an ortholog file makes only a common probe-set pair file,
// whose name holds both chip types.
#pragma once

#include "shell/dialogs/common/named_dialog.hpp"

struct ANNOT_IMPORT;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class InfoFileDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 202;
  static constexpr int kCsvFile = 1301;
  static constexpr int kOntologyFile = 1051;
  static constexpr int kGeneInfoRadio = 1277;
  static constexpr int kGenomeInfoRadio = 1278;
  static constexpr int kOtherArrayType = 1005;
  static constexpr int kArrayType = 1043;
  static constexpr int kOutputFile = 1050;
  static constexpr int kHelpLink = 1085;

  static constexpr const char* kCsvFilter =
      "Nelquad Annotation CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||";
  static constexpr const char* kNotACsvMessage =
      "Reading file '%s' failed or this is not a Nelquad Annotation or "
      "Ortholog CSV file";

  InfoFileDialog(ANNOT_IMPORT& record, QWidget* parent);

 private:
  // Reads the CSV file's header again, settles the output kind by what the file
  // is, and derives the output path anew.
  void UpdateChoices();
  void ChooseCsvFile();
  void ChooseKind(int type, QRadioButton* clicked);

  ANNOT_IMPORT& mRecord;
  bool mOrtholog = false;
  QPushButton* mCsvButton;
  QPushButton* mOntologyButton;
  QPushButton* mOutputButton;
  QRadioButton* mGeneInfo;
  QRadioButton* mGenomeInfo;
  QLineEdit* mOtherArrayType;
  QLabel* mArrayType;
};

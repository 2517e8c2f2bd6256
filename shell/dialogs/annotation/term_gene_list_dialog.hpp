// Dialog 151 "Make gene list file by annotation terms": one annotation column, some of
// its terms, how several terms combine, the output file, and whether the genes written
// go on into gene filtering. The choices are remembered for the rest of the process.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QListWidget;
class QRadioButton;

inline constexpr int kMaxChosenTerms = 100;
inline constexpr const char* kNoCategoryMessage = "No annotation category is selected";
// printf form with kMaxChosenTerms.
inline constexpr const char* kNoTermMessage =
    "No annotation term is selected, or the number of selected terms is more than %d";
inline constexpr const char* kTermNotFoundSuffix = " can't be found";

// What the dialog last accepted; the command reads it, the next opening starts from it.
struct TermGeneListChoice {
  int column = -1;         // the term column of the gene information; -1 none yet
  std::vector<int> terms;  // indices into the column's term table, at most kMaxChosenTerms
  bool intersection = false;
  bool filterAfter = false;
};
TermGeneListChoice& RememberedTermGeneList();

// The gene list file the gene-list dialogs propose: "<word> gene list.txt" in the working
// folder, with the characters of dropped taken out of the word.
std::string ProposedGeneListFile(std::string_view word, std::string_view dropped);

// Adds the row of the gene-list dialogs that names the file to write to grid's row: an
// "Output file" button that browses for a name to save under, from the one typed so far,
// and the edit that holds the name (returned). file lives as long as the row.
QLineEdit* AddGeneListOutputRow(QGridLayout& grid, int row, int buttonId, int editId,
                                std::string& file, QWidget* parent);

class TermGeneListDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 151;
  static constexpr int kCategoryList = 1137;
  static constexpr int kTermList = 1136;
  static constexpr int kOutputFile = 1050;
  static constexpr int kOutputButton = 1049;
  static constexpr int kUnion = 1317;
  static constexpr int kIntersection = 1277;
  static constexpr int kFilterAfter = 1318;

  explicit TermGeneListDialog(QWidget* parent);

  const std::string& OutputFile() const { return mOutputFile; }

  // Refuses no category, no term or too many, and a term whose name the column's table
  // does not hold; otherwise the choice is remembered.
  void accept() override;

 private:
  void FillTerms();
  void ShowOutputName();

  QListWidget* mCategories;
  QListWidget* mTerms;
  QLineEdit* mOutput;
  QRadioButton* mUnion;
  QRadioButton* mIntersection;
  QCheckBox* mFilterAfter;
  std::string mOutputFile;
};

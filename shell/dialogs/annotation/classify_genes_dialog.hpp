// Dialog 164 "Classify genes by annotation terms": the gene list file (GENE_LIST_FILE)
// whose genes are classified, the table written, and whether only significant terms are
// reported. The output file follows the gene list file unless the user picks another.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QPushButton;
struct GroupSettings;

inline constexpr const char* kNoClassifyListMessage = "Must specify a gene list file";

class ClassifyGenesDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 164;
  static constexpr int kGeneListButton = 1157;
  static constexpr int kOutputButton = 1050;
  static constexpr int kOnlySignificant = 1198;

  // openOptions shows the options sheet at its Clustering page.
  ClassifyGenesDialog(GroupSettings& settings, std::function<void()> openOptions, QWidget* parent);

  const std::string& OutputFile() const { return mOutputFile; }
  // The check's state is remembered for the rest of the process.
  static bool OnlySignificant();

  // Without a gene list file the user is told so and the dialog stays open.
  void accept() override;

 private:
  void FollowGeneList();

  GroupSettings& mSettings;
  QPushButton* mGeneList;
  QPushButton* mOutput;
  QCheckBox* mOnlySignificant;
  std::string mOutputFile;
};

// Dialog 161 "Linear Discriminant Analysis": the user puts samples into classes, names the
// result file (whose classes can be taken up again with Use) and the gene list, and may
// ask for the principal components of the samples instead. Classes are edited in the one
// sample classification result; the file names and the choice go into the group settings
// on OK.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
struct GroupSettings;

inline constexpr const char* kSelectSamplesFirstMessage = "Must select samples for a group first";
inline constexpr const char* kSamplesHaveClassMessage =
    "Some selected samples are already assigned to a group";
inline constexpr const char* kNoClassToDeleteMessage = "No group to delete";
inline constexpr const char* kCannotReadLdaFileMessage = "Cannot read LDA file";
inline constexpr const char* kLdaNeedsGeneListMessage = "Must specify a gene list file";
inline constexpr const char* kLdaNeedsTwoClassesMessage =
    "Must specify at least 2 classes of samples";

class LdaDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 161;
  static constexpr int kSampleList = 1300;
  static constexpr int kClassList = 1301;
  static constexpr int kAddClass = 1302;
  static constexpr int kDeleteLast = 1303;
  static constexpr int kSelectByCategory = 1171;
  static constexpr int kLdaFile = 1304;
  static constexpr int kBrowseLdaFile = 1305;
  static constexpr int kUse = 1306;
  static constexpr int kGeneListButton = 1157;
  static constexpr int kPca = 1307;

  // Shows LDA_FILE and reads its classes quietly; the classes of the result are shown
  // whether that read worked or not.
  LdaDialog(GroupSettings& settings, QWidget* parent);

  // Refuses without a gene list, and without two classes unless PCA is ticked; otherwise
  // the result file, the gene list and the PCA choice are taken.
  void accept() override;

 private:
  // The sample list, the gene list field and one row per class from the result.
  void Refill();
  void AddClassRow(int classIndex, const QString& samples);
  // The 1-based numbers of the selected samples joined by ",".
  std::string SelectedSampleNumbers() const;
  void AddClass();
  void DeleteLast();
  void SelectClassSamples(int row);
  void SelectByCategory();
  void Use();

  GroupSettings& mSettings;
  std::string mGeneList;
  QListWidget* mSamples;
  QTableWidget* mClasses;
  QPushButton* mSelectByCategory;
  QLineEdit* mLdaFile;
  QPushButton* mGeneListButton;
  QCheckBox* mPca;
};

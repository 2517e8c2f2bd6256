// Dialog 152 "Array list file": edits the open group's array list file, which arrays are
// used and in which order, which consecutive arrays are replicates of one sample
// ("Replicate" separators) and which samples are standardised together ("Standardize"
// separators). Save & Use writes the file and makes it ARRAY_LIST_FILE; the caller then
// rebuilds the sample grouping from it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
struct GroupSettings;

inline constexpr const char* kReplicateWord = "Replicate";
inline constexpr const char* kStandardizeWord = "Standardize";
// Characters the automatic separators compare when the dialog opens.
inline constexpr int kDefaultCompareCharacters = 5;

inline constexpr const char* kAutomaticSeparatorRefusedMessage =
    "Array to be used is empty or character number is negative";
// printf forms with the path.
inline constexpr const char* kArrayListReadFailedMessage = "  Reading file '%s' failed";
inline constexpr const char* kArrayListWritingMessage = "  Writing array list file %s...\n";
inline constexpr const char* kNoArrayListMessage =
    "  No arrays selected or no file name specified; use all arrays with no replicates\n";

// "--- Replicate---" and "--- Standardize---".
std::string SeparatorLine(std::string_view word);

// Without the "Replicate" lines, and with a separator of word between two lines whose
// first characters differ (ignoring case); a "Standardize" line is kept as it is and
// compared with the line after it.
std::vector<std::string> WithAutomaticSeparators(const std::vector<std::string>& lines,
                                                 int characters, std::string_view word);

class ArrayListDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 152;
  static constexpr int kAllArrays = 1047;
  static constexpr int kUsedArrays = 1037;
  static constexpr int kAddArray = 1099;
  static constexpr int kDelete = 1100;
  static constexpr int kAddReplicate = 1101;
  static constexpr int kAddStandardize = 1102;
  static constexpr int kCompareCharacters = 1132;
  static constexpr int kAutoReplicates = 1131;
  static constexpr int kAutoStandardize = 1133;
  static constexpr int kDoNotUse = 1267;
  static constexpr int kUseStandardizeSeparators = 1341;
  static constexpr int kFileName = 1104;
  static constexpr int kOpen = 1158;
  static constexpr int kSelectByCategory = 1171;
  static constexpr int kSort = 1352;
  static constexpr int kSaveAndUse = 1;
  static constexpr int kCancel = 2;

  // Lists the group's arrays, loads the file ARRAY_LIST_FILE names and shows USE_STD_SEP.
  ArrayListDialog(GroupSettings& settings, QWidget* parent);

  // Save & Use: with lines and a file name the file is written (a failure is told and
  // the dialog stays open); without either the group uses no list. Ends with OK.
  void accept() override;

 private:
  // Replaces the used lines by the file's; a file that does not open is logged and
  // changes nothing.
  void LoadFile(const std::string& path);
  // After the first selected used line, else at the end.
  void InsertLine(const QString& text);
  void AddSelectedArrays();
  void DeleteSelectedLines();
  void AddAutomaticSeparators(std::string_view word);
  void SelectByCategory();
  void SortArrays();
  void DoNotUse();
  std::vector<std::string> UsedLines() const;

  GroupSettings& mSettings;
  QListWidget* mAll;
  QListWidget* mUsed;
  QLineEdit* mCharacters;
  QCheckBox* mUseStandardize;
  QLineEdit* mFileName;
  QPushButton* mSelectByCategory;
};

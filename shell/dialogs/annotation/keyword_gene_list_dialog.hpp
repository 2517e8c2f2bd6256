// Dialog 157 "Make gene list file by keywords": the keywords (with wildcards) that a
// gene's name or description must match, and the gene list file to write.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

inline constexpr const char* kNoKeywordMessage = "No keyword is specified";

class QLineEdit;

class KeywordGeneListDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 157;
  static constexpr int kKeywords = 1026;
  static constexpr int kOutputFile = 1050;
  static constexpr int kOutputButton = 1049;
  static constexpr int kMaxKeywordsLength = 50;

  explicit KeywordGeneListDialog(QWidget* parent);

  const std::string& Keywords() const { return mKeywords; }
  const std::string& OutputFile() const { return mOutputFile; }

  void accept() override;

 private:
  QLineEdit* mKeywordEdit;
  QLineEdit* mOutput;
  std::string mKeywords;
  std::string mOutputFile;
};

// Dialog 196 "Find refGene", opened by the chromosome view's search: keywords with
// wildcards, or, with no keywords, a LocusLink ID.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QLineEdit;

class FindRefGeneDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 196;
  static constexpr int kKeywords = 1026;
  static constexpr int kLocusLinkId = 1361;

  static constexpr int kMaxKeywordsLength = 50;

  explicit FindRefGeneDialog(QWidget* parent);

  // Both start empty (ID 0); the caller may preset them before showing the dialog.
  void Preset(const std::string& keywords, int locusLinkId);
  const std::string& Keywords() const { return mKeywordsText; }
  int LocusLinkId() const { return mId; }

  // Refuses an ID that is not a non-negative integer; else both are read back.
  void accept() override;

 private:
  QLineEdit* mKeywords;
  QLineEdit* mLocusLinkId;
  std::string mKeywordsText;
  int mId = 0;
};

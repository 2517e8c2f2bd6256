// Dialog 195 "Edit Arrow": the start and end nodes, the interaction and the effect time of
// an arrow to insert into the pathway or delete from it. The editor is repainted after
// each change that succeeds.
#pragma once

#include <functional>

#include "shell/dialogs/common/named_dialog.hpp"

class QComboBox;
class QLineEdit;

inline constexpr const char* kSameNodeMessage = "Start and end node must be different";

class EditArrowDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 195;
  static constexpr int kStart = 1350;
  static constexpr int kEnd = 1351;
  static constexpr int kInteraction = 1352;
  static constexpr int kEffectTime = 1353;
  static constexpr int kInsert = 1354;
  static constexpr int kDelete = 1355;
  static constexpr int kInitialEffectTime = 1;

  // changed runs after each change that succeeded (the editor repaints).
  EditArrowDialog(QWidget* parent, std::function<void()> changed);

  // The buttons' work: true when the pathway changed.
  bool Insert();
  bool Delete();

 private:
  bool Edit(bool add);

  QComboBox* mStart;
  QComboBox* mEnd;
  QComboBox* mInteraction;
  QLineEdit* mEffectTime;
  std::function<void()> mChanged;
};

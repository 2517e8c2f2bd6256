// Dialog 194 "Edit Node": a gene name to give the current node, and buttons that insert a
// node, rename, select the next node and delete the current one. The pathway changes at
// once and the editor is repainted after each button.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QComboBox;

class EditNodeDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 194;
  static constexpr int kGeneName = 1340;
  static constexpr int kInsert = 1341;
  static constexpr int kAssign = 1342;
  static constexpr int kSelect = 1343;
  static constexpr int kDelete = 1344;

  // changed runs after every button (the editor repaints).
  EditNodeDialog(QWidget* parent, std::function<void()> changed);

  const std::string& ChosenName() const { return mChosenName; }

  // The buttons' work, also for callers without the dialog on screen.
  void Insert();
  void AssignGene();
  void SelectNext();
  void DeleteCurrent();

 private:
  void Changed();

  QComboBox* mNames;
  std::string mChosenName;
  std::function<void()> mChanged;
};

// The node after the current one, node 0 when none is current (or the current one is
// no longer there), wrapping after the last; -1 without nodes.
int NextPathwayNode(int current, int nodeCount);

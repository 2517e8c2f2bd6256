// Dialog 165 "View data along chromosome": the genome information, refGene, cytoband and
// gene list files of the chromosome analysis and its method. The file buttons and the
// method edit the group's settings; the caller saves them.
#pragma once

#include <functional>

#include "shell/dialogs/common/named_dialog.hpp"

class QComboBox;
class QPushButton;
struct GroupSettings;

inline constexpr const char* kExpressionOnSnpMessage = "Cannot select 'Expression' for SNP array";
inline constexpr const char* kNoGenomeInfoMessage = "Must specify a genome information file";

class ChromosomeDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 165;
  static constexpr int kMethod = 1343;
  static constexpr int kGenomeInfoButton = 1178;
  static constexpr int kRefGeneButton = 1179;
  static constexpr int kCytobandButton = 1180;
  static constexpr int kGeneListButton = 1157;

  // Expression arrays can only be shown as expression, so their method is forced and
  // fixed. openOptions shows the options sheet at its Chromosome page.
  ChromosomeDialog(GroupSettings& settings, std::function<void()> openOptions, QWidget* parent);

  // Without a genome information file the user is told so and the dialog stays open.
  void accept() override;

 private:
  void MethodChosen(int index);

  GroupSettings& mSettings;
  QComboBox* mMethod;
};

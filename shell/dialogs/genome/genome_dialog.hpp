// Dialog 168 "Show genes in the genome", run by Analysis/Genome: the genome information
// file, the gene list whose genes are drawn and assessed for crowded stretches, whether
// stretches are outlined, and the p-value threshold of a significant stretch.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
class QPushButton;
struct GroupSettings;

class GenomeDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 168;
  static constexpr int kGenomeInfoButton = 1178;
  static constexpr int kGeneListButton = 1157;
  static constexpr int kOutlineStretch = 1184;
  static constexpr int kPValueThreshold = 1185;

  // The gene list can be chosen only while no gene clustering tree exists (the tree's
  // genes are then the ones drawn).
  GenomeDialog(GroupSettings& settings, QWidget* parent);

  // Refuses a threshold outside 0 to 1; else the choices go into the settings.
  void accept() override;

 private:
  GroupSettings& mSettings;
  std::string mGenomeInfoFile;
  std::string mGeneListFile;
  QPushButton* mGenomeInfo;
  QPushButton* mGeneList;
  QCheckBox* mOutline;
  QLineEdit* mThreshold;
};

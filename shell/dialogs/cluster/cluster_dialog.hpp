// Dialog 140 "Hierarchical Clustering": what the clustering command builds (the gene
// tree, the sample tree and whether samples are standardised first) and the gene list or
// tree file it starts from. It edits the group's settings; the caller saves them.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QPushButton;
struct GroupSettings;

inline constexpr const char* kNoGeneListMessage = "Must specify a gene list file or tree file";

class ClusterDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 140;
  static constexpr int kClusterGenes = 1057;
  static constexpr int kClusterSamples = 1056;
  static constexpr int kStandardizeColumns = 1133;
  static constexpr int kGeneListButton = 1157;

  // Shows CLUSTER_GENE, CLUSTER_SAMPLE, STANDARDIZE_COL and GENE_LIST_FILE; openOptions
  // shows the options sheet at its Clustering page.
  ClusterDialog(GroupSettings& settings, std::function<void()> openOptions, QWidget* parent);

  // Without a gene list or tree file the user is told so and the dialog stays open;
  // otherwise the check boxes go into the settings.
  void accept() override;

 private:
  GroupSettings& mSettings;
  QCheckBox* mGenes;
  QCheckBox* mSamples;
  QCheckBox* mStandardize;
  QPushButton* mGeneList;
};

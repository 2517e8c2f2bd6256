// Dialog 209 "Cluster SNP data", opened by the chromosome view's clustering: no clustering,
// or clustering of the samples and/or of the chromosome regions of a region file. OK puts
// the choices into the dendrogram switches of the chromosome data and the region file into
// the group's settings.
#pragma once

#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QPushButton;

class ClusterSnpDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 209;
  static constexpr int kNoClustering = 1412;
  static constexpr int kClusterSamples = 1410;
  static constexpr int kClusterRegions = 1411;
  static constexpr int kRegionFile = 1414;

  // The switches start from ShowSampleTree and ShowRegionTree, the file from the group's
  // settings. openOptions shows the options sheet at its chromosome page.
  explicit ClusterSnpDialog(QWidget* parent, std::function<void()> openOptions = {});

  bool ClusterSamples() const;
  bool ClusterRegions() const;
  const std::string& RegionFile() const { return mRegionFile; }

  void accept() override;

 private:
  // After a click on one of the three: "No clustering" is on exactly when neither other is.
  void Settle(QCheckBox* clicked);

  QCheckBox* mNone;
  QCheckBox* mSamples;
  QCheckBox* mRegions;
  QPushButton* mFile;
  std::string mRegionFile;
};
